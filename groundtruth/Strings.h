// Conversions between wide (UTF-16) text, 8-bit text and numbers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavo {

// One byte per UTF-16 unit, keeping its low 8 bits (ASCII texts only).
std::string toNarrow(std::u16string_view text);

// One UTF-16 unit per byte (ASCII literals only).
std::u16string toWide(std::string_view text);

// "%d" read from the start of the text; the empty text and a text that does
// not begin with an integer give -1.
int parseInt(std::string_view text);

// The integer at the start of the text ("%d": leading white space, optional
// sign, decimal digits; reading stops at the first other character).
// Nothing when the text does not begin with a number or the number does not
// fit in 32 bits.
std::optional<int> leadingInt(std::u16string_view text);

// UTF-8 forms used for paths and printed file names.  A surrogate pair
// becomes one four-byte sequence; a lone surrogate is written as three bytes.
std::string utf8FromWide(std::u16string_view text);

// Decodes UTF-8 (arguments, 8-bit texts).  Four-byte sequences become
// surrogate pairs; a malformed byte gives U+FFFD and decoding resumes at the
// next byte.
std::u16string wideFromUtf8(std::string_view text);

}  // namespace tavo
