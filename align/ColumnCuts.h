// The white column gaps of a line image at which a line is cut.
#pragma once

#include "groundtruth/ZoneBox.h"

#include <vector>

class ZULImage;

namespace tavo {

// The lower centre of a two-means clustering of a column profile.
int lowInkLevel(const std::vector<int>& profile);

// k cut columns of a line image (1-, 8- or 24-bit; a pixel is ink when its
// grey value is below 128): the left fifth of the k widest white gaps, or
// the even split W*i/(k+1) when there are fewer gaps.  Empty when the image
// has no rows, k <= 0 or k >= width.  Not sorted.
std::vector<int> findColumnCuts(const ZULImage& lineImage, int k);

// findColumnCuts of the line image that zulSubImage would cut from the page
// at box, read in place without copying it.  Raises ZULException when the
// box is not a valid sub-image of a page with pixels.
std::vector<int> findZoneCuts(const ZULImage& page, const ZoneBox& box, int k);

}  // namespace tavo
