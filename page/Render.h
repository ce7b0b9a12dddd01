// -render: draws the text-line zones of a ground-truth file and their PAW
// cuts onto the page image, so a segmentation can be checked by eye.
#pragma once

#include "util/Report.h"

#include <string>

namespace tavo {

// Draws every DL_TEXTLINEGT zone as its rectangle and every cut of its
// offsets as a vertical line over the zone's height, in red (a zone with a
// confidence in the colour of its verdict: green sure, orange doubtful, red
// failed), on a 24-bit copy of the page, and saves it under output (format
// by extension).  An
// unloadable page, an unreadable ground-truth file or an unwritable output
// is a RuntimeFailure; output is then left as it was.
void runRender(const std::u16string& image, const std::u16string& xml,
               const std::u16string& output, Report& report);

}  // namespace tavo
