// The word zones of one line zone, found on its ink with its transcription
// as the guide (see docs/words.md).
#pragma once

#include "align/Paw.h"
#include "ZULImage.h"

#include <string>
#include <vector>

namespace tavo {

struct PageBox {
    int col = 0, row = 0, width = 0, height = 0;
};

struct FoundWord {
    std::u16string contents;       // the token as it stands in the line's contents
    PageBox box;                   // union of its PAWs' ink
    std::vector<PageBox> pawBoxes; // right to left; PAWs without ink are left out
    std::vector<int> offsets;      // cuts between its PAWs, relative to box.col, ascending
    double confidence = 0;
    std::u16string doubt;          // keywords, only when confidence is low
};

struct FoundLine {
    std::vector<FoundWord> words;  // text order
    std::string doubt;             // why the line as a whole needs a look, if it does
};

// Throws UnprocessableZone when the zone has no contents, lies outside the
// page or holds no ink.  A line without Arabic letters (a page number, a
// date, a Latin stamp) is cut into its tokens like any other.  page is the 24-bit working page.
FoundLine findWords(const ZULImage& page, const std::u16string& zoneLine);

// The zone line of a word as -splitword writes one (offsets holding the PAW
// cuts), then its pawboxes, confidence and doubt.
std::u16string wordZoneLine(const FoundWord& word);
std::vector<std::pair<std::u16string, std::u16string>> wordExtraAttributes(const FoundWord& word);

}  // namespace tavo
