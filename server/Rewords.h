// The words of one line found again on the page's ink, the way -words finds
// them, for a line whose box a person changed.
#pragma once

#include "server/ZoneEdits.h"

#include "ZULImage.h"

#include <vector>

namespace tavo {

// The zones with the unchecked words of line zone `line` replaced by the
// words the word finder places in the line's box with the line's text; a
// found word that overlaps a checked word of the line is left out, so
// checked words are never replaced.  The line's words are then in reading
// order.  page is the 24-bit working page.  Throws EditError when `line` is
// not a line zone or the finder cannot cut it (no text, no ink, off the page).
std::vector<EditZone> rewordLine(const ZULImage& page, std::vector<EditZone> zones, int line);

}  // namespace tavo
