// The ink of one line zone as the word finder sees it: the zone binarised at
// its own threshold, its connected components split into main bodies (the
// strokes that carry letters) and small marks (dots, hamza, diacritics), each
// mark attached to the body it sits over or under, and the measures that
// scale every later decision (stroke width, body height).
#pragma once

#include "ZULImage.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tavo {

struct InkRun {
    std::int32_t row = 0;    // zone coordinates
    std::int32_t start = 0;  // first column
    std::int32_t end = 0;    // one past the last column
};

struct InkBoxI {
    int left = 0, top = 0, right = -1, bottom = -1;  // inclusive; empty when right < left
    bool empty() const { return right < left; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    void add(const InkBoxI& o);
    void addRun(const InkRun& r);
};

struct InkPart {
    InkBoxI box;
    std::vector<InkRun> runs;
    int pixels = 0;
    int owner = -1;  // marks: index of the body they belong to; -1 for none (a neighbour's)
};

struct ZoneInk {
    int stroke = 1;      // typical stroke width
    int bodyHeight = 1;  // height of the band the letters' bodies fill
    int coreTop = 0, coreBottom = 0;
    std::vector<InkPart> bodies;  // right to left by right edge
    std::vector<InkPart> marks;
};

// The ink of an 8-bit grey line image that holds marginTop rows above the
// zone and marginBottom rows below it (so that ink running on past the
// zone's edge can be told from ink that ends on it); coordinates are the
// zone's.  With an outline, only components whose box centre lies inside it
// count.  Without one, pieces of the neighbouring lines (components that go
// on past the top or bottom edge and stay clear of the line's core band) are
// left out.
ZoneInk findLineInk(const ZULImage& grey, int marginTop, int marginBottom,
                    const std::vector<std::pair<int, int>>* outline);

// The darkness threshold of a grey image by Otsu's criterion; 0 (nothing is
// ink) when the two classes differ too little to be ink on paper.
int inkThresholdOf(const ZULImage& grey);

}  // namespace tavo
