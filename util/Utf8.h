// The one UTF-8 coder, shared by the string conversions and the text files.
#pragma once

#include <cstddef>

namespace tavo {

constexpr char32_t kReplacementChar = 0xFFFD;

// Writes code point cp (at most 0x10FFFF; a lone surrogate is written as
// three bytes like any other unit) to out and returns the byte count, 1 to 4.
inline int encodeUtf8(char32_t cp, unsigned char* out)
{
    if (cp < 0x80) {
        out[0] = static_cast<unsigned char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
        out[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
    out[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    return 4;
}

struct Utf8Char {
    char32_t cp;
    int length;  // bytes used
};

// The character at p, of which available (at least 1) bytes can be read.  A
// lead byte without the continuation bytes it needs, a lone continuation
// byte and an invalid lead byte each give U+FFFD for that byte alone; a
// four-byte sequence beyond U+10FFFF or below U+10000 gives U+FFFD for all
// four.  Two- and three-byte forms are taken as they come.
inline Utf8Char decodeUtf8(const unsigned char* p, std::size_t available)
{
    const unsigned char b0 = p[0];
    if (b0 < 0x80)
        return {b0, 1};
    const int extra = b0 >= 0xC0 && b0 <= 0xDF ? 1 : b0 >= 0xE0 && b0 <= 0xEF ? 2 : b0 >= 0xF0 && b0 <= 0xF7 ? 3 : 0;
    if (extra == 0)
        return {kReplacementChar, 1};
    for (int k = 1; k <= extra; ++k) {
        if (static_cast<std::size_t>(k) >= available || (p[k] & 0xC0) != 0x80)
            return {kReplacementChar, 1};
    }
    if (extra == 1)
        return {static_cast<char32_t>(((b0 & 0x1F) << 6) | (p[1] & 0x3F)), 2};
    if (extra == 2)
        return {static_cast<char32_t>(((b0 & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F)), 3};
    const char32_t cp = static_cast<char32_t>(((b0 & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) |
                                              (p[3] & 0x3F));
    return {cp >= 0x10000 && cp <= 0x10FFFF ? cp : kReplacementChar, 4};
}

}  // namespace tavo
