// Matching transcription lines to the candidate lines of a page, top to
// bottom, by comparing how much text each line has with how much ink each
// candidate holds.
#pragma once

#include <vector>

namespace tavo {

struct TextSize {
    double characters = 0;  // letters and digits, no spaces
    double paws = 0;        // pieces of Arabic words
    // False for a line without Arabic script (a Latin reference, a number
    // in Latin digits): often written apart, in pencil or by another hand,
    // so the likeliest line to have no ink on the page.
    bool arabic = true;
};

struct InkSize {
    double length = 0;  // columns covered by bodies
    double bodies = 0;  // body components
    int left = 0;       // extent, to tell pieces side by side from stacked lines
    int right = 0;
    double centre = 0;  // height of the line's centre at the middle of the page
    double spread = 0;  // deviation of body centres from the line's centre
};

struct LineMatch {
    int first = -1;   // candidate index, -1 when the text line has no ink
    int last = -1;    // the same, or the next one when two pieces make the line
    double cost = 0;  // of this step of the alignment
    int band = 0;     // 1 or 2: the upper or lower of two lines sharing the candidate
};

// A monotone alignment of minimal total cost: a candidate may be left out
// (cheap for a little ink: page numbers, stray marks), a text line may find
// no candidate, two neighbouring candidates side by side may make one text
// line, one candidate may hold two text lines stacked (touching lines the
// profile could not tell apart).  The distance between two matched candidates, in pitches, should be
// the number of text lines between them, so a text line without ink leaves
// its gap and never shifts the rest.  When the page offers fewer lines
// than the text, the line left without ink is the one that fits worst: by
// length, by the gaps, and a line without Arabic script before others.
// total, when given, receives the alignment's cost.
std::vector<LineMatch> alignLines(const std::vector<TextSize>& texts, const std::vector<InkSize>& ink,
                                  double pitch, double* total = nullptr);

}  // namespace tavo
