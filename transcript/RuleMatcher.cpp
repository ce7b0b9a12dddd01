#include "transcript/RuleMatcher.h"

#include <algorithm>
#include <deque>

namespace tavo {

RuleMatcher::RuleMatcher(const std::vector<std::u16string>& patterns)
    : nodes_(1), rootNext_(0x10000, 0), patternCount_(patterns.size())
{
    for (size_t k = 0; k < patterns.size(); ++k)
        if (!patterns[k].empty())
            addPattern(patterns[k], static_cast<int>(k));
    linkFailures();
}

int RuleMatcher::child(int node, char16_t c) const
{
    if (node == 0)
        return rootNext_[c] > 0 ? rootNext_[c] : -1;
    const auto& children = nodes_[static_cast<size_t>(node)].children;
    const auto it = std::lower_bound(children.begin(), children.end(), c,
                                     [](const auto& entry, char16_t key) { return entry.first < key; });
    return it != children.end() && it->first == c ? it->second : -1;
}

int RuleMatcher::step(int node, char16_t c) const
{
    for (;;) {
        const int next = child(node, c);
        if (next >= 0)
            return next;
        if (node == 0)
            return 0;
        node = nodes_[static_cast<size_t>(node)].fail;
    }
}

void RuleMatcher::addPattern(const std::u16string& pattern, int index)
{
    int node = 0;
    for (char16_t c : pattern) {
        int next = child(node, c);
        if (next < 0) {
            next = static_cast<int>(nodes_.size());
            nodes_.emplace_back();
            if (node == 0) {
                rootNext_[c] = next;
                nodes_[0].children.emplace_back(c, next);
            } else {
                auto& children = nodes_[static_cast<size_t>(node)].children;
                const auto at = std::lower_bound(
                    children.begin(), children.end(), c,
                    [](const auto& entry, char16_t key) { return entry.first < key; });
                children.insert(at, {c, next});
            }
        }
        node = next;
    }
    nodes_[static_cast<size_t>(node)].ends.push_back(index);
}

// Breadth first: a node's failure is the longest proper suffix of its text
// that is also a prefix of some pattern; output skips to the nearest node on
// the failure chain that ends patterns.
void RuleMatcher::linkFailures()
{
    std::deque<int> queue;
    for (const auto& [c, next] : nodes_[0].children) {
        nodes_[static_cast<size_t>(next)].fail = 0;
        queue.push_back(next);
    }
    while (!queue.empty()) {
        const int node = queue.front();
        queue.pop_front();
        for (const auto& [c, next] : nodes_[static_cast<size_t>(node)].children) {
            const int fail = step(nodes_[static_cast<size_t>(node)].fail, c);
            Node& n = nodes_[static_cast<size_t>(next)];
            n.fail = fail;
            const Node& f = nodes_[static_cast<size_t>(fail)];
            n.output = f.ends.empty() ? f.output : fail;
            queue.push_back(next);
        }
    }
}

void RuleMatcher::find(std::u16string_view text, std::vector<char>& found) const
{
    found.assign(patternCount_, 0);
    int node = 0;
    for (char16_t c : text) {
        node = step(node, c);
        // Walk the nodes that end patterns; a node already marked has had
        // its whole chain marked before, so the walk stops there.
        for (int at = nodes_[static_cast<size_t>(node)].ends.empty()
                          ? nodes_[static_cast<size_t>(node)].output
                          : node;
             at > 0; at = nodes_[static_cast<size_t>(at)].output) {
            const std::vector<int>& ends = nodes_[static_cast<size_t>(at)].ends;
            if (found[static_cast<size_t>(ends.front())])
                break;
            for (int k : ends)
                found[static_cast<size_t>(k)] = 1;
        }
    }
}

}  // namespace tavo
