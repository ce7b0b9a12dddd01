// Conversions between wide (UTF-16) text, 8-bit text and numbers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavo {

// One byte per UTF-16 unit, keeping its low 8 bits (ASCII texts only).
std::string toNarrow(std::u16string_view text);

// One UTF-16 unit per byte (ASCII literals only).
std::u16string toWide(std::string_view text);

// White space in the C locale: space, tab, line feed, vertical tab, form
// feed, carriage return.
bool isCSpace(char16_t c);

// The integer readers.  Each reads "%d" from the start of the text: leading
// white space, an optional sign, decimal digits up to the first other
// character.  They differ only in what a text without a number or with a
// number beyond 32 bits gives:
//   parseInt    -1 without a number; the low 32 bits of a larger one
//   atoiValue   0 without a number; a larger one saturates
//   leadingInt  nothing in either case
int parseInt(std::string_view text);
int atoiValue(std::u16string_view text);
std::optional<int> leadingInt(std::u16string_view text);

// Integers separated by white space (and commas when commas is true), read
// until the first token that is not a 32-bit number.  A value of -1 is
// skipped (it marks a failed read); all others are kept in order.
std::vector<int> parseIntList(std::u16string_view text, bool commas);

// UTF-8 forms used for paths and printed file names.  A surrogate pair
// becomes one four-byte sequence; a lone surrogate is written as three bytes.
std::string utf8FromWide(std::u16string_view text);

// Decodes UTF-8 (arguments, 8-bit texts).  Four-byte sequences become
// surrogate pairs; a malformed byte gives U+FFFD and decoding resumes at the
// next byte.
std::u16string wideFromUtf8(std::string_view text);

// Text fit to show on a page or print: U+0000 and every lone surrogate (what
// a malformed or overlong UTF-8 sequence can decode to) become U+FFFD.  The
// review pages and the checker's listing show zone texts through this one
// rule, so a zone looks the same everywhere.
std::u16string fitText(std::u16string_view text);

// Bytes in any encoding (a file or folder name) as valid UTF-8 by the same
// rule: a malformed byte, a NUL or a surrogate becomes U+FFFD.
std::string fitUtf8(std::string_view bytes);

}  // namespace tavo
