#include "Strings.h"

#include <climits>
#include <cstdio>

namespace tavo {

std::string toNarrow(std::u16string_view text)
{
    std::string out(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = static_cast<char>(text[i] & 0xFF);
    return out;
}

std::u16string toWide(std::string_view text)
{
    std::u16string out(text.size(), u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = static_cast<unsigned char>(text[i]);
    return out;
}

int parseInt(std::string_view text)
{
    if (text.empty())
        return -1;
    std::string copy(text);
    int value = -1;
    if (std::sscanf(copy.c_str(), "%d", &value) != 1)
        return -1;
    return value;
}

std::string utf8FromWide(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else if (u < 0x10000) {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (u >> 18));
            out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

std::u16string wideFromUtf8(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    const size_t n = text.size();
    auto cont = [&](size_t k) {
        return k < n && (static_cast<unsigned char>(text[k]) & 0xC0) == 0x80;
    };
    while (i < n) {
        const unsigned char b0 = static_cast<unsigned char>(text[i]);
        if (b0 < 0x80) {
            out += static_cast<char16_t>(b0);
            ++i;
        } else if ((b0 & 0xE0) == 0xC0 && cont(i + 1)) {
            out += static_cast<char16_t>(((b0 & 0x1F) << 6) | (text[i + 1] & 0x3F));
            i += 2;
        } else if ((b0 & 0xF0) == 0xE0 && cont(i + 1) && cont(i + 2)) {
            out += static_cast<char16_t>(((b0 & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) |
                                         (text[i + 2] & 0x3F));
            i += 3;
        } else if ((b0 & 0xF8) == 0xF0 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
            char32_t u = ((b0 & 0x07) << 18) | ((text[i + 1] & 0x3F) << 12) |
                         ((text[i + 2] & 0x3F) << 6) | (text[i + 3] & 0x3F);
            if (u >= 0x10000 && u <= 0x10FFFF) {
                u -= 0x10000;
                out += static_cast<char16_t>(0xD800 + (u >> 10));
                out += static_cast<char16_t>(0xDC00 + (u & 0x3FF));
            } else {
                out += u'\uFFFD';
            }
            i += 4;
        } else {
            out += u'\uFFFD';
            ++i;
        }
    }
    return out;
}

std::optional<int> leadingInt(std::u16string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
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
