#include "transcript/ReverseIndicShift.h"

#include "groundtruth/ZoneLine.h"
#include "util/LineFiles.h"
#include "util/Strings.h"

#include <climits>
#include <optional>
#include <vector>

namespace tavo {

namespace {

constexpr char16_t kIndicDigitShift = 0x0630;  // '0' + 0x0630 = U+0660

void printCount(size_t lines, Report& report)
{
    report.printLine(std::to_string(lines));
}

// The shifted value of attribute name, or nothing when it cannot be shifted;
// an absent attribute gives an empty text.
std::optional<std::u16string> shifted(std::u16string_view line, std::u16string_view name,
                                      int offset)
{
    const std::optional<std::u16string> value = getWholeAttribute(line, name);
    if (!value)
        return std::u16string();
    const std::optional<int> number = leadingInt(*value);
    if (!number)
        return std::nullopt;
    const long long sum = static_cast<long long>(*number) + offset;
    if (sum < INT_MIN || sum > INT_MAX)
        return std::nullopt;
    const std::string text = std::to_string(sum);
    return std::u16string(text.begin(), text.end());
}

}  // namespace

std::u16string reverseTokens(std::u16string_view line)
{
    std::vector<std::u16string_view> front;  // non-Arabic tokens, in line order
    std::vector<std::u16string_view> back;   // Arabic tokens, in line order
    size_t length = 0;
    for (size_t i = 0; i < line.size();) {
        while (i < line.size() && isCSpace(line[i]))
            ++i;
        const size_t start = i;
        while (i < line.size() && !isCSpace(line[i]))
            ++i;
        if (i == start)
            break;
        const std::u16string_view token = line.substr(start, i - start);
        (isArabicText(token) ? back : front).push_back(token);
        length += token.size() + 2;
    }
    std::u16string result;
    result.reserve(length);
    for (auto it = front.rbegin(); it != front.rend(); ++it) {
        result += u' ';
        result += *it;
        result += u' ';
    }
    for (std::u16string_view token : back) {
        result += u' ';
        result += token;
        result += u' ';
    }
    return result;
}

std::u16string toIndicDigits(std::u16string_view text)
{
    std::u16string out(text);
    for (char16_t& c : out)
        if (c >= u'0' && c <= u'9')
            c = static_cast<char16_t>(c + kIndicDigitShift);
    return out;
}

void indicContents(std::u16string& line)
{
    if (const std::optional<std::u16string> contents = getWholeAttribute(line, u"contents"))
        setWholeAttribute(line, u"contents", toIndicDigits(*contents));
}

bool shiftZone(std::u16string& line, int columnOffset, int rowOffset)
{
    const std::optional<std::u16string> col = shifted(line, u"col", columnOffset);
    const std::optional<std::u16string> row = shifted(line, u"row", rowOffset);
    if (!col || !row)
        return false;
    if (!col->empty())
        setWholeAttribute(line, u"col", *col);
    if (!row->empty())
        setWholeAttribute(line, u"row", *row);
    return true;
}

void runReverse(const std::u16string& input, const std::u16string& output, Report& report)
{
    std::vector<std::u16string> lines = readAllLines(input, report);
    for (std::u16string& line : lines)
        line = reverseTokens(line);
    writeAllLines(output, lines);
    printCount(lines.size(), report);
}

void runIndic(const std::u16string& input, const std::u16string& output, Report& report)
{
    std::vector<std::u16string> lines = readAllLines(input, report);
    for (std::u16string& line : lines)
        indicContents(line);
    writeAllLines(output, lines);
    printCount(lines.size(), report);
}

void runShift(const std::u16string& input, int columnOffset, int rowOffset,
              const std::u16string& output, Report& report)
{
    std::vector<std::u16string> lines = readAllLines(input, report);
    for (size_t i = 0; i < lines.size(); ++i)
        if (!shiftZone(lines[i], columnOffset, rowOffset))
            report.zoneUnchanged(printedName(input), static_cast<long>(i + 1),
                                 "col or row is not a number");
    writeAllLines(output, lines);
    printCount(lines.size(), report);
}

}  // namespace tavo
