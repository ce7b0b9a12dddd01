// Marking a transcription into words and pieces of Arabic words (PAWs): a
// space separates words, a caret '^' separates PAWs inside a word.
// Separators are numbered from 0 in text order.
#pragma once

#include <string>
#include <string_view>

namespace tavo {

// Marks words with ' ' and PAWs with '^'; trims separators and line breaks at
// both ends and collapses adjacent separators that include a space.
std::u16string markPaws(std::u16string_view text);

// Whether letter x joins the character y that follows it.
bool joinsNext(char16_t x, char16_t y);

// The woffsets value of a marked transcription.
std::u16string wordCutIndices(std::u16string_view marked);

// Number of U+0020 characters.
int countSpaces(std::u16string_view text);

// A copy with every '^' replaced by ' '.
std::u16string caretsToSpaces(std::u16string_view text);

}  // namespace tavo
