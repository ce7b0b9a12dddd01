// Text helpers of the word commands: spaces counted from 0 delimit PAWs and
// words, and Latin-only lines are read in reverse token order.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavo {

// Tokens split at spaces (a run of spaces after a token is skipped; a leading
// space gives one empty token).  When every token is ASCII (code units below
// 129) the tokens come back in reverse order, each followed by one space;
// otherwise the text is returned unchanged.
std::u16string reverseAsciiTokens(std::u16string_view text);

// The text after space number a (from the start when a is -1) and before
// space number b, spaces counted from 0; nothing when space a or space b does
// not exist or b does not come after a.
std::optional<std::u16string> textBetweenSpaces(std::u16string_view text, long a, long b);

// The integers of an offsets or woffsets value, commas read as blanks,
// sorted ascending (duplicates kept).
std::vector<int> sortedIntegers(std::u16string_view value);

// Positions of the spaces of a text, in order; lets a caller take many words
// out of one text without scanning it again for each.
std::vector<size_t> spacePositions(std::u16string_view text);

// textBetweenSpaces over positions found by spacePositions(text).
std::optional<std::u16string> textBetweenSpaces(std::u16string_view text,
                                                const std::vector<size_t>& spaces, long a,
                                                long b);

}  // namespace tavo
