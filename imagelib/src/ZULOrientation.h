// Turns a page stored sideways, mirrored or upside down upright.
//
// The orientation codes are those of the TIFF Orientation tag, which EXIF
// shares: 1 upright; 2 mirrored left to right; 3 turned half a turn; 4
// mirrored top to bottom; 5 to 8 the stored rows are the page's columns (5:
// row 0 is the left side and column 0 the top, 6: right side and top, 7:
// right side and bottom, 8: left side and bottom).
#pragma once

#include "ZULImage.h"

class ZULOrientation {
public:
    // The upright page of image as stored with orientation; the same image
    // for 1 and for codes outside 1..8.  Resolutions swap with the sides for
    // 5 to 8.  Works on 1-, 8- and 24-bit images; raises code 13 when the
    // pixels cannot be allocated.
    static ZULImage zulUpright(ZULImage image, int orientation);
};
