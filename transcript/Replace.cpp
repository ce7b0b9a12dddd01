#include "transcript/Replace.h"

#include "groundtruth/ZoneLine.h"
#include "util/LineFiles.h"
#include "util/Strings.h"
#include "util/TextFile.h"

#include <unistd.h>

#include <climits>

namespace tavo {

namespace {

std::vector<std::u16string> searchTexts(const std::vector<ReplacementRule>& rules)
{
    std::vector<std::u16string> texts;
    texts.reserve(rules.size());
    for (const ReplacementRule& rule : rules)
        texts.push_back(rule.find);
    return texts;
}

std::u16string executablePath()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    return wideFromUtf8(std::string_view(path, static_cast<size_t>(length)));
}

}  // namespace

std::vector<ReplacementRule> readReplacementList(const std::u16string& file)
{
    std::vector<ReplacementRule> rules;
    CTextFileRead in(file);
    ReplacementRule rule;
    while (in.readLine(rule.find) && !rule.find.empty() && in.readLine(rule.replacement) &&
           !rule.replacement.empty())
        rules.push_back(rule);
    return rules;
}

std::u16string replacementListPath(const std::u16string& programArgument)
{
    std::u16string program = programArgument;
    if (program.find(u'/') == std::u16string::npos) {
        const std::u16string resolved = executablePath();
        if (!resolved.empty())
            program = resolved;
    }
    return program + u".ini";
}

Replacer::Replacer(std::vector<ReplacementRule> rules)
    : rules_(std::move(rules)), matcher_(searchTexts(rules_)), isRefused_(rules_.size(), 0)
{
}

void Replacer::apply(std::u16string& line)
{
    matcher_.find(line, found_);
    for (size_t k = 0; k < rules_.size(); ++k) {
        if (!found_[k] || isRefused_[k])
            continue;
        if (replaceAll(rules_[k].find, rules_[k].replacement, line)) {
            // The line changed: later rules may now occur where they did not.
            matcher_.find(line, found_);
        } else {
            isRefused_[k] = 1;
            refused_.push_back(k);
        }
    }
}

void runReplace(const std::u16string& inputFile, const std::u16string& outputFile,
                const std::u16string& listFile, Report& report)
{
    CTextFileRead in(inputFile);
    if (!in.isOpen())
        report.fail(printedName(inputFile), "cannot open file");

    std::vector<ReplacementRule> rules = readReplacementList(listFile);
    for (size_t k = 0; k < rules.size(); ++k) {
        if (rules[k].replacement.find(rules[k].find) != std::u16string::npos) {
            report.warn(printedName(listFile) + ": rule " + std::to_string(k + 1) +
                        " skipped: its replacement contains its search text");
            rules[k].find.clear();  // never matches
        }
    }
    Replacer replacer(std::move(rules));

    CTextFileWrite out(outputFile, kUtf8);
    for (std::u16string line; in.readLine(line);) {
        replacer.apply(line);
        out.writeText(line);
        out.writeEndLine();
    }
    if (in.readFailed())
        report.fail(printedName(inputFile), "cannot read file");
    out.close();
    for (size_t k : replacer.refused())
        report.warn(printedName(listFile) + ": rule " + std::to_string(k + 1) +
                    " skipped: it keeps rewriting the line without end");
}

}  // namespace tavo
