// The one-pass run labeller behind ZULLWConnectedComponents.
//
// The page is packed into a 1-bit copy with ink as set bits; each packed row
// is turned into runs a byte at a time through a table of the bit positions
// where the pixel value changes inside a byte (given the previous byte's last
// bit).  The runs of each row are compared with those of the row above in
// left-to-right order; runs that touch, diagonally included, share a
// component (8-connectivity).  Labels of merged and finished components are
// recycled through a free list, so label storage follows the number of
// components open at once, not the number on the page.
#pragma once

#include <cstdint>
#include <vector>

#include "ZULLWComponent.h"

class ZULRunLabeller {
public:
    // A run of one row: half-open columns [start, end).
    struct RowRun {
        std::int32_t start = 0;
        std::int32_t end = 0;
        std::int32_t label = -1;
    };

    // Packs one 8-bit row into (width + 7) / 8 bytes, leftmost pixel in the
    // most significant bit, a set bit where the value is below 127 (ink).
    // The unused low bits of the last byte repeat the row's last pixel.
    static void zulPackInkRow(const unsigned char* gray, int width, unsigned char* packed);

    // The ink runs of one packed row, left to right; a run reaching the
    // row's end is closed by width.
    static void zulExtractRowRuns(const unsigned char* packed, int width, std::vector<RowRun>& runs);

    // Labels the ink of an 8-bit page of width x height pixels (rows without
    // padding) and returns the components, ordered by the row in which they
    // end, then left to right.  Throws std::bad_alloc when memory runs out.
    static std::vector<ZULLWComponent> zulLabel(const unsigned char* gray, int width, int height);
};
