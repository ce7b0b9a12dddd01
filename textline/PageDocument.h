// -textline: a new ground-truth file for a page image, with one empty text
// line zone per line that detectTextLines finds, in its ranking order.
#pragma once

#include <string>

#include "util/Report.h"

namespace tavo {

// Loads the page, makes its 24-bit working copy, detects its lines with the
// detection parameter and writes the document (UTF-8 with byte-order mark,
// CR LF line ends, none after the closing root tag) to output.  A page that
// cannot be loaded, or has a depth other than 1, 8 or 24 bits, stops the
// command with nothing written.
void writePageDocument(const std::u16string& image, const std::u16string& output, int parameter,
                       Report& report);

}  // namespace tavo
