#include "util/Strings.h"

#include "util/Utf8.h"

#include <algorithm>
#include <climits>
#include <type_traits>

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

namespace {

// A decimal integer at text[i...] as "%d" reads it: leading white space, an
// optional sign, digits up to the first other character.  The value
// saturates at the range of long long, as strtol's does.
struct LeadingNumber {
    bool found = false;
    long long value = 0;
    size_t end = 0;  // index after the last digit
};

template <typename Char>
LeadingNumber scanNumber(std::basic_string_view<Char> text, size_t i = 0)
{
    LeadingNumber number;
    while (i < text.size() && isCSpace(static_cast<char16_t>(static_cast<std::make_unsigned_t<Char>>(text[i]))))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == Char('+') || text[i] == Char('-')))
        negative = text[i++] == Char('-');
    constexpr unsigned long long kLimit = static_cast<unsigned long long>(LLONG_MAX) + 1;
    unsigned long long magnitude = 0;
    for (; i < text.size() && text[i] >= Char('0') && text[i] <= Char('9'); ++i) {
        number.found = true;
        // Saturates before the product could wrap around.
        const unsigned digit = static_cast<unsigned>(text[i] - Char('0'));
        magnitude = magnitude > kLimit / 10 ? kLimit : std::min(kLimit, magnitude * 10 + digit);
    }
    number.end = i;
    if (negative)
        number.value = magnitude == kLimit ? LLONG_MIN : -static_cast<long long>(magnitude);
    else
        number.value = magnitude == kLimit ? LLONG_MAX : static_cast<long long>(magnitude);
    return number;
}

bool fitsInt(long long value) { return value >= INT_MIN && value <= INT_MAX; }

}  // namespace

bool isCSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

int parseInt(std::string_view text)
{
    // "%d" stores the long it reads into an int, keeping its low 32 bits.
    const LeadingNumber number = scanNumber(text);
    return number.found ? static_cast<int>(static_cast<unsigned long long>(number.value)) : -1;
}

int atoiValue(std::u16string_view text)
{
    const LeadingNumber number = scanNumber(text);
    return static_cast<int>(std::clamp<long long>(number.value, INT_MIN, INT_MAX));
}

std::optional<int> leadingInt(std::u16string_view text)
{
    const LeadingNumber number = scanNumber(text);
    if (!number.found || !fitsInt(number.value))
        return std::nullopt;
    return static_cast<int>(number.value);
}

std::vector<int> parseIntList(std::u16string_view text, bool commas)
{
    std::u16string blanked;
    if (commas) {
        blanked.assign(text);
        std::replace(blanked.begin(), blanked.end(), u',', u' ');
        text = blanked;
    }
    std::vector<int> values;
    for (size_t i = 0;;) {
        const LeadingNumber number = scanNumber(text, i);
        if (!number.found || !fitsInt(number.value))
            break;
        if (number.value != -1)
            values.push_back(static_cast<int>(number.value));
        i = number.end;
    }
    return values;
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
        unsigned char bytes[4];
        out.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(encodeUtf8(u, bytes)));
    }
    return out;
}

std::u16string wideFromUtf8(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();) {
        const Utf8Char c = decodeUtf8(bytes + i, text.size() - i);
        if (c.cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c.cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c.cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c.cp);
        }
        i += static_cast<size_t>(c.length);
    }
    return out;
}

std::u16string fitText(std::u16string_view text)
{
    std::u16string out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        const char16_t c = out[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < out.size() && out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF)
            ++i;  // a pair stays
        else if (c == 0 || high || low)
            out[i] = static_cast<char16_t>(kReplacementChar);
    }
    return out;
}

std::string fitUtf8(std::string_view bytes) { return utf8FromWide(fitText(wideFromUtf8(bytes))); }

}  // namespace tavo
