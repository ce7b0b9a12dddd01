// -shrink and -refine: correct the boxes of roughly drawn text-line zones
// against the page image.  Both read the page and the ground-truth file and
// write every line, changed or not, to the output (temp.xml when run by the
// dispatcher).  Only DL_TEXTLINEGT zones whose status is not "MISSING" are
// worked on; their values are replaced in place, missing attributes are not
// added.
#pragma once

#include "util/Report.h"

#include <string>

namespace tavo {

// Pulls every zone in to the tight box of its ink.  A zone that is not
// strictly inside the page (negative col or row, reaching the right or
// bottom edge) or cannot be cut is copied unchanged and reported.
void runShrink(const std::u16string& image, const std::u16string& inXml,
               const std::u16string& outXml, Report& report);

// Grows every zone to the ink components it touches, fits it to its ink
// with one pixel of margin, re-bases its offsets on the new left edge and
// moves cuts that stand on ink into a nearby white column.  A zone with a
// negative col or row, or with no part on the page, is copied unchanged and
// reported.
void runRefine(const std::u16string& image, const std::u16string& inXml,
               const std::u16string& outXml, Report& report);

}  // namespace tavo
