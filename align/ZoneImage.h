// Cutting a zone's rectangle out of the working page for the word commands.
#pragma once

#include "align/Paw.h"
#include "ZULImage.h"
#include "ZULRectShape.h"

namespace tavo {

// Throws UnprocessableZone when the box is not a sub-image of the page
// (negative corner or size, past the right or bottom edge) or the page has
// no pixels.
void checkZone(const ZULImage& page, const ZoneBox& box);

// The page rectangle of columns left..right (inclusive, relative to
// box.col) of the zone, all its rows.  Throws UnprocessableZone when the
// columns do not lie inside the zone or the zone cannot be cut from the page.
ZULRectShape zoneColumns(const ZULImage& page, const ZoneBox& box, int left, int right);

// Columns left..right (inclusive, relative to box.col) of the zone, all its
// rows, as 8-bit grey: the same pixels as cutting the zone, reducing it to
// grey and cutting those columns, without the intermediate copies.  Throws
// UnprocessableZone when the columns do not lie inside the zone or the zone
// cannot be cut from the page.
ZULImage cutGreyColumns(const ZULImage& page, const ZoneBox& box, int left, int right);

}  // namespace tavo
