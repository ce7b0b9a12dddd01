// Finds which of many search texts occur in a line with one pass over the
// line (a keyword automaton with failure links), so that a long replacement
// list costs one scan per line instead of one scan per rule.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavo {

class RuleMatcher {
public:
    // Empty patterns never match.
    explicit RuleMatcher(const std::vector<std::u16string>& patterns);

    // found[k] is set to 1 when pattern k occurs in text, else 0.
    void find(std::u16string_view text, std::vector<char>& found) const;

private:
    struct Node {
        std::vector<std::pair<char16_t, int>> children;  // sorted by character
        int fail = 0;
        int output = -1;       // next node, on the failure chain, that ends patterns
        std::vector<int> ends; // patterns ending at this node
    };

    int child(int node, char16_t c) const;
    int step(int node, char16_t c) const;
    void addPattern(const std::u16string& pattern, int index);
    void linkFailures();

    std::vector<Node> nodes_;
    std::vector<int> rootNext_;  // dense transitions of the root, 0 when none
    size_t patternCount_ = 0;
};

}  // namespace tavo
