// Tight ink boxes of grey word and line images.
#pragma once

#include "ZULImage.h"
#include "ZULRectShape.h"

namespace tavo {

// The box (x, y, width, height) of the columns and rows whose count of pixels
// below 128 differs from the smallest column (row) count of the 8-bit image.
// Columns and rows at the minimum are margin even when it is above 0.  An
// even image gives the whole image; an empty one (0, 0, 0, 0).
ZULRectShape inkBox(const ZULImage& grey);

// The same box for the rectangle area of a 1-, 8- or 24-bit image, read in
// place (ZULInk): what inkBox gives for the area cut out and reduced to
// grey, relative to the area's corner.  The area must lie inside the image.
// An image without pixels or of another depth gives the whole area.
ZULRectShape inkBox(const ZULImage& image, const ZULRectShape& area);

// Whitens the bounding box of every black (value 0) component at most 3 by 3
// pixels of an 8-bit image.  Images holding other values than 0 and 255 are
// left as they are.
void removeSpecks(ZULImage& grey);

}  // namespace tavo
