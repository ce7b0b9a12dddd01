// -replace: applies a list of text replacements to every line of a file.
// The list is the program's own path followed by ".ini": pairs of lines, a
// search text and its replacement, up to the end of the file or the first
// empty line.  Each rule in turn replaces the leftmost occurrence of its
// search text until none is left, so replacements cascade ("aa" -> "a"
// reduces any run of a to one).
#pragma once

#include "transcript/RuleMatcher.h"
#include "util/Report.h"

#include <string>
#include <vector>

namespace tavo {

struct ReplacementRule {
    std::u16string find;
    std::u16string replacement;
};

// The rules of the list file; a missing file has none, a search text on the
// last line without its replacement is dropped.
std::vector<ReplacementRule> readReplacementList(const std::u16string& file);

// programArgument + ".ini" when it names a folder, else the path of the
// running executable + ".ini".
std::u16string replacementListPath(const std::u16string& programArgument);

// Applies the rules, in list order, to lines.  A rule that could rewrite
// without end (its replacement holds its search text) is never applied.
class Replacer {
public:
    explicit Replacer(std::vector<ReplacementRule> rules);

    void apply(std::u16string& line);

    // Rules (0-based) refused while applying them, in the order met.
    const std::vector<size_t>& refused() const { return refused_; }

private:
    std::vector<ReplacementRule> rules_;
    RuleMatcher matcher_;
    std::vector<char> found_;
    std::vector<char> isRefused_;
    std::vector<size_t> refused_;
};

// Reads inputFile, applies the rules of listFile and writes outputFile.  An
// input that cannot be opened is a RuntimeFailure; refused rules are warned
// about and skipped.
void runReplace(const std::u16string& inputFile, const std::u16string& outputFile,
                const std::u16string& listFile, Report& report);

}  // namespace tavo
