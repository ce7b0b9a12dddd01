// The line-oriented model of a ground-truth file: attribute access by plain
// text search inside one zone line, XML escaping and the small text
// operations the commands share.  None of these report errors.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavo {

// Character classes (UTF-16 code units): the Arabic range, which
// isArabicText widens by the full stop, and the kept characters.
constexpr char16_t kArabicFirst = 0x0621;
constexpr char16_t kArabicLast = 0x0669;
constexpr char16_t kKeptAsciiLast = 0x007F;
constexpr char16_t kKeptArabicFirst = 0x0600;
constexpr char16_t kKeptArabicLast = 0x06FF;
constexpr char16_t kKeptEnDash = 0x2013;

inline bool isArabicChar(char16_t c) { return c >= kArabicFirst && c <= kArabicLast; }
inline bool isKeptChar(char16_t c)
{
    return c <= kKeptAsciiLast || (c >= kKeptArabicFirst && c <= kKeptArabicLast) || c == kKeptEnDash;
}

// Value of the first occurrence of name anywhere in the line (plain,
// case-sensitive substring search), or the empty text.
std::u16string getAttribute(std::u16string_view name, std::u16string_view line);

// The attribute's value read by parseInt (-1 when absent or not a number).
int intAttribute(std::u16string_view name, std::u16string_view line);

// Replaces the value of the first occurrence of name; when name is absent and
// addIfMissing is set, appends ` name="value"` after the last double quote.
void setAttribute(std::u16string& line, std::u16string_view name, std::u16string_view value,
                  bool addIfMissing);

// Appends ` name="value"` after the last double quote of the line (a line
// without one is left unchanged), as setAttribute does for a missing name.
void appendAttribute(std::u16string& line, std::u16string_view name, std::u16string_view value);

// `id` matched only as a whole attribute (a blank, id, =") so that `width`
// or `nextZoneID` are never taken for it.
std::u16string getIdAttribute(std::u16string_view line);
void setIdAttribute(std::u16string& line, std::u16string_view value, bool addIfMissing);

// Attribute access that must not mistake a name inside another attribute or
// inside a value for the attribute itself (`col` inside a path such as
// src="scans/colour/p.tif", `status` inside a transcription).  The
// attribute is matched only whole: white space, the name, an equals sign and
// a double quote.  A value without its closing quote runs to the end of the
// line.
std::optional<std::u16string> getWholeAttribute(std::u16string_view line,
                                                std::u16string_view name);
// Replaces the value of the first whole attribute `name`; a line without it
// is left unchanged and false is returned.
bool setWholeAttribute(std::u16string& line, std::u16string_view name,
                       std::u16string_view value);

// getAttribute("tavo_type") is "DL_TEXTLINEGT".
bool isZoneLine(std::u16string_view line);

// The five predefined entities; every ampersand is escaped exactly once.
std::u16string escapeXml(std::u16string_view text);

// The text of an XML attribute value: the five predefined entities and
// decimal or hexadecimal character references resolved; anything else kept.
std::u16string unescapeXml(std::u16string_view text);

// The points of a `polygon` attribute value ("x,y x,y ...", page pixels);
// nothing when the value is malformed, a number does not fit an int, or
// fewer than three points are given.
std::optional<std::vector<std::pair<int, int>>> readPolygon(std::u16string_view value);

// Replaces the leftmost occurrence of find until none is left.  Returns false
// and leaves the line unchanged for an empty find text, a replacement that
// contains its find text, or a rule that keeps rewriting without end.
bool replaceAll(std::u16string_view find, std::u16string_view replacement, std::u16string& line);

// Trims spaces and reduces every run of spaces to one.
std::u16string normaliseSpaces(std::u16string_view text);

// Keeps only kept characters, turns tabs into spaces and each double quote
// into two apostrophes.
std::u16string cleanTranscription(std::u16string_view text);

// Every character in the Arabic range or a full stop (true when empty).
bool isArabicText(std::u16string_view text);
// Every code unit below 129.
bool isAsciiText(std::u16string_view text);

// The part after the last backslash and the last slash.
std::string baseName(std::string_view path);
// Decimal form as "%d" prints it.
std::string intToText(int value);

}  // namespace tavo
