// Confidence of line and word zones measured against the page ink: how
// well the ink inside a zone fits the text it claims to hold.
//
// Every measure is taken in page units (the stroke width and body height of
// InkIndex) and, where writers differ, against the page's own median, so a
// narrow or a wide hand scores alike.  Each measure gives a penalty from 0
// (fits) to 1 (cannot be right); the confidence is the product of one minus
// each penalty, and every penalty of note names its reason.
#pragma once

#include "review/InkIndex.h"
#include "review/ZoneFile.h"

#include <string>
#include <string_view>
#include <vector>

namespace tavo {

struct ZoneScore {
    double confidence = 1;
    std::vector<std::string> doubts;  // short keywords, most serious first
};

struct PageScores {
    std::vector<ZoneScore> words;
    std::vector<ZoneScore> lines;
};

// Scores every word zone and every line zone (lines may be empty).  A zone
// that already carries a confidence keeps the lower of the two and the
// reasons of both.
PageScores scorePage(const InkIndex& ink, const std::vector<ZoneEntry>& words,
                     const std::vector<ZoneEntry>& lines);

// The width the text is expected to take, in body heights.
double expectedWidth(std::u16string_view text);

// Main-body pieces the text is written in: its PAWs that hold a letter
// drawn on the line (a lone hamza or mark rides on others).
int expectedBodies(std::u16string_view text);

// The value of the confidence attribute: two decimals.
std::u16string confidenceText(double confidence);
// The value of the doubt attribute: the reasons joined by spaces.
std::u16string doubtText(const std::vector<std::string>& doubts);

}  // namespace tavo
