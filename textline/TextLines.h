// Text line detection: one box per handwritten text line of a page.
//
// The page is binarised at 128 and cleaned of large blobs (70 pixels or more
// in width or height) and of everything within 80 pixels of its border.  The
// row profile of the cleaned page, smoothed over 21 rows, opens a line band
// where it rises above the quiet level of the page (lowInkLevel of the row
// profile) and closes it where it falls below.  Each band is trimmed to the
// columns whose ink exceeds the band's inkThreshold.  Boxes smaller than 10
// pixels either way are dropped, the rest ranked by ink and cut.
//
// Detection parameter: 0 keeps the boxes whose ink reaches the inkThreshold
// of all boxes' ink, a positive value below the number of boxes keeps that
// many, anything else keeps all.  The boxes come in ranking order (most ink
// first), not in reading order.
#pragma once

#include <span>
#include <vector>

#include "textline/PageInk.h"
#include "ZULImage.h"
#include "ZULRectShape.h"

namespace tavo {

struct LineBox {
    int col = 0;
    int row = 0;
    int width = 0;
    int height = 0;
    int inkCount = 0;  // ink of rows row..row+height and columns col..col+width
};

// The page may be 1, 8 or 24 bits deep: the 24-bit working copy of a page
// binarises to exactly the same ink as the page itself (its grey values are
// the page's), so detection needs no colour copy.  A page without pixels
// has no ink and no lines.

// 8-bit page of the same size: white except for the black pixels of the
// kept components.
ZULImage cleanPageForLines(const ZULImage& page);

std::vector<ZULRectShape> detectTextLines(const ZULImage& page, int parameter);

// The steps of detectTextLines.

// The ink of the cleaned page.
PageInk cleanPageInk(const ZULImage& page);

// Boundary list: alternately the first row of a band and the row that ends
// it; a band still open after the last row is left out.
std::vector<int> lineBands(std::span<const int> rowProfile);

// One box per band whose column profile has ink above its threshold.
std::vector<LineBox> bandBoxes(const PageInk& ink, std::span<const int> bands);

// Drops small boxes, ranks the rest by ink and cuts the list.
std::vector<LineBox> rankLineBoxes(std::vector<LineBox> boxes, int parameter);

}  // namespace tavo
