// The ink of every matched text line: bodies by their nearest line (a body
// that truly spans two lines is cut between them), marks to the line whose
// bodies they sit over or under, and ink near no matched line left out.
// Then each line's box, outline and baseline in page pixels.
#pragma once

#include <utility>
#include <vector>

#include "lines/LineAlignment.h"
#include "lines/LineCandidates.h"

namespace tavo {

using InkPoint = std::pair<int, int>;  // x, y

struct LineInk {
    bool found = false;
    int left = 0;    // page pixels, inclusive
    int top = 0;
    int right = -1;
    int bottom = -1;
    std::vector<InkPoint> polygon;   // top edge left to right, bottom edge back
    std::vector<InkPoint> baseline;  // left to right
    double centreY = 0;           // of the line at its middle, page pixels
};

// One entry per match; scale maps the map to the page (pageWidth x
// pageHeight clips the outlines).
std::vector<LineInk> collectLineInk(const PageComponents& page, const PageLines& lines,
                                    const std::vector<LineMatch>& matches, int scale, int pageWidth,
                                    int pageHeight);

}  // namespace tavo
