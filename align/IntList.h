// Reading lists of decimal integers from attribute values.
#pragma once

#include <string_view>
#include <vector>

namespace tavo {

// Whitespace-separated decimal integers from the start of the text; reading
// stops at the first token that is not a number.  A value of -1 is skipped
// (it marks a failed read); all others are appended in order.
std::vector<int> parseIntList(std::string_view text);

}  // namespace tavo
