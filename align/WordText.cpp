#include "align/WordText.h"

#include "groundtruth/ZoneLine.h"
#include "util/Strings.h"

#include <algorithm>

namespace tavo {

std::u16string reverseAsciiTokens(std::u16string_view text)
{
    std::vector<std::u16string_view> tokens;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(u' ', pos);
        if (end == std::u16string_view::npos)
            end = text.size();
        tokens.push_back(text.substr(pos, end - pos));
        pos = text.find_first_not_of(u' ', end);
        if (pos == std::u16string_view::npos)
            break;
    }
    bool ascii = std::all_of(tokens.begin(), tokens.end(),
                             [](std::u16string_view token) { return isAsciiText(token); });
    if (!ascii)
        return std::u16string(text);

    std::u16string reversed;
    reversed.reserve(text.size() + 1);
    for (auto it = tokens.rbegin(); it != tokens.rend(); ++it) {
        reversed += *it;
        reversed += u' ';
    }
    return reversed;
}

std::vector<int> sortedIntegers(std::u16string_view value)
{
    std::vector<int> values = parseIntList(value, true);
    std::sort(values.begin(), values.end());
    return values;
}

std::vector<size_t> spacePositions(std::u16string_view text)
{
    std::vector<size_t> spaces;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u' ')
            spaces.push_back(i);
    }
    return spaces;
}

std::optional<std::u16string> textBetweenSpaces(std::u16string_view text,
                                                const std::vector<size_t>& spaces, long a,
                                                long b)
{
    if (a < -1 || b <= a || b >= static_cast<long>(spaces.size()))
        return std::nullopt;
    size_t begin = a < 0 ? 0 : spaces[static_cast<size_t>(a)] + 1;
    size_t end = spaces[static_cast<size_t>(b)];
    return std::u16string(text.substr(begin, end - begin));
}

std::optional<std::u16string> textBetweenSpaces(std::u16string_view text, long a, long b)
{
    return textBetweenSpaces(text, spacePositions(text), a, b);
}

}  // namespace tavo
