// Zone refinement of -refine: a roughly drawn line zone grows to take in the
// ink components it touches, is fitted to its ink with one pixel of margin,
// and its PAW cuts are re-based on the new left edge and moved off the ink.
#pragma once

#include "ZULImage.h"
#include "ZULLWConnectedComponents.h"
#include "ZULRectShape.h"

#include <vector>

namespace tavo {

// Black (0) pixels per column of the box on an 8-bit page, counted over
// every column and row of the box but its last column and last row.  Parts
// of the box outside the page count nothing.  One pass over the rows.
std::vector<int> blackColumnProfile(const ZULImage& binaryPage, const ZULRectShape& box);

// Moves the cuts that stand on ink to the first free column within 10
// columns on either side, never past the neighbouring cuts (the zone edges
// for the first and last cut).  White gaps that already hold a cut are not
// free.  Cuts outside 0..profile.size() - 1 come back unchanged, all of them.
std::vector<int> adjustCuts(const std::vector<int>& cuts, std::vector<int> profile);

class ZoneRefiner {
public:
    // page is an 8-bit page of 0 (ink) and 255 (paper); it must outlive the
    // refiner.  Its ink components are found here, once for all zones.
    explicit ZoneRefiner(const ZULImage& binaryPage);

    // Refines box and cuts (columns from box.x) in place.  Returns false and
    // changes nothing when no part of the grown box lies on the page.  The
    // refined box always lies inside the page.
    bool refine(ZULRectShape& box, std::vector<int>& cuts) const;

private:
    struct Edges;  // left, top and the exclusive right and bottom, 64-bit
    Edges grow(const ZULRectShape& box) const;

    const ZULImage& page_;
    bool binary_;  // an 8-bit page of 0 and 255 only; any other has no components
    ZULLWConnectedComponents components_;
    std::vector<int> byTop_;  // component indices, ascending by top row
};

}  // namespace tavo
