// Attribute access for the editing commands that must not mistake a name
// inside another attribute or inside a value for the attribute itself
// (`col` inside a path such as src="scans/colour/p.tif", `row` inside
// `rows`).  The attribute is matched only whole: white space, the name, an
// equals sign and a double quote.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavo {

// The value of the first whole attribute `name`, or nothing when the line has
// none.  A value without its closing quote runs to the end of the line.
std::optional<std::u16string> getWholeAttribute(std::u16string_view line,
                                                std::u16string_view name);

// Replaces the value of the first whole attribute `name`; a line without it
// is left unchanged and false is returned.
bool setWholeAttribute(std::u16string& line, std::u16string_view name,
                       std::u16string_view value);

// The integer at the start of the text ("%d": leading white space, optional
// sign, decimal digits; reading stops at the first other character).
// Nothing when the text does not begin with a number or the number does not
// fit in 32 bits.
std::optional<int> leadingInt(std::u16string_view text);

}  // namespace tavo
