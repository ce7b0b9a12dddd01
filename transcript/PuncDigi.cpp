#include "transcript/PuncDigi.h"

#include "util/LineFiles.h"

#include <algorithm>
#include <array>

namespace tavo {

namespace {

constexpr char16_t kRightDoubleQuote = 0x201D;
constexpr char16_t kArabicIndicZero = 0x0660;
constexpr char16_t kArabicIndicNine = 0x0669;

constexpr std::array<bool, 128> asciiPunctuation()
{
    std::array<bool, 128> table{};
    for (char c : std::string_view("!@#$%^&*()`~{}[]:\";'<?>,./|-=_+"))
        table[static_cast<unsigned char>(c)] = true;
    return table;
}

constexpr std::array<bool, 128> kAsciiPunctuation = asciiPunctuation();

bool isPunctuation(char16_t c)
{
    return c < 128 ? kAsciiPunctuation[c] : c == kRightDoubleQuote;
}

bool isDigit(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= kArabicIndicZero && c <= kArabicIndicNine);
}

}  // namespace

bool hasPunctuation(std::u16string_view word)
{
    return std::any_of(word.begin(), word.end(), isPunctuation);
}

bool hasDigit(std::u16string_view word)
{
    return std::any_of(word.begin(), word.end(), isDigit);
}

std::u16string wordTextPath(const std::u16string& folder)
{
    return folder + u"/word.txt";
}

void runPunc(const std::u16string& folder, Report& report)
{
    const std::u16string word = readFirstLine(wordTextPath(folder), report);
    report.printLine("move " + printedName(folder) + (hasPunctuation(word) ? " punc" : " nonp"));
}

void runDigi(const std::u16string& folder, Report& report)
{
    const std::u16string word = readFirstLine(wordTextPath(folder), report);
    if (hasDigit(word))
        report.printLine("move " + printedName(folder) + " DIGI");
}

}  // namespace tavo
