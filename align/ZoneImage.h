// Cutting a zone's rectangle out of the working page for the word commands.
#pragma once

#include "Paw.h"
#include "ZULImage.h"

namespace tavo {

// The zone's rectangle of the page, in the page's depth.  Throws
// UnprocessableZone when the box is not a sub-image of the page (negative
// corner or size, past the right or bottom edge) or the image library
// refuses it (a page without pixels).
ZULImage cutZone(const ZULImage& page, const ZoneBox& box);

// cutZone reduced to 8-bit grey.  A zone of no pixels is refused too.
ZULImage cutGreyZone(const ZULImage& page, const ZoneBox& box);

// The columns left..right (inclusive) of a grey line image, all its rows.
// Throws UnprocessableZone when they do not lie inside the line.
ZULImage cutColumns(const ZULImage& greyLine, int left, int right);

}  // namespace tavo
