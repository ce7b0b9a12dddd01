#include "WholeAttribute.h"

#include <climits>

namespace tavo {

namespace {

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

struct ValueSpan {
    size_t begin;
    size_t end;  // the closing quote, or the end of the line
};

std::optional<ValueSpan> findValue(std::u16string_view line, std::u16string_view name)
{
    if (name.empty())
        return std::nullopt;
    std::u16string pattern(name);
    pattern += u"=\"";
    for (size_t at = line.find(pattern); at != std::u16string_view::npos;
         at = line.find(pattern, at + 1)) {
        if (at == 0 || !isBlank(line[at - 1]))
            continue;
        const size_t begin = at + pattern.size();
        size_t end = line.find(u'"', begin);
        if (end == std::u16string_view::npos)
            end = line.size();
        return ValueSpan{begin, end};
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::u16string> getWholeAttribute(std::u16string_view line,
                                                std::u16string_view name)
{
    const auto span = findValue(line, name);
    if (!span)
        return std::nullopt;
    return std::u16string(line.substr(span->begin, span->end - span->begin));
}

bool setWholeAttribute(std::u16string& line, std::u16string_view name, std::u16string_view value)
{
    const auto span = findValue(line, name);
    if (!span)
        return false;
    line.replace(span->begin, span->end - span->begin, value);
    return true;
}

std::optional<int> leadingInt(std::u16string_view text)
{
    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i >= text.size() || text[i] < u'0' || text[i] > u'9')
        return std::nullopt;
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return std::nullopt;
    return static_cast<int>(value);
}

}  // namespace tavo
