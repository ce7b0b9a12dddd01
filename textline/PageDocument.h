// -textline: a new ground-truth file for a page image, with one empty text
// line zone per line that detectTextLines finds, in its ranking order.
#pragma once

#include <string>
#include <vector>

#include "util/Report.h"
#include "ZULRectShape.h"

namespace tavo {

// Loads the page, makes its 24-bit working copy, detects its lines with the
// detection parameter and writes the document (UTF-8 with byte-order mark,
// CR LF line ends, none after the closing root tag) to output.  A page that
// cannot be loaded, or has a depth other than 1, 8 or 24 bits, stops the
// command with nothing written.
void writePageDocument(const std::u16string& image, const std::u16string& output, int parameter,
                       Report& report);

// The lines (without line ends) of a new ground-truth file for a page
// image that come before its zones and after them.
struct PageDocumentFrame {
    std::vector<std::u16string> head;
    std::vector<std::u16string> tail;
};
PageDocumentFrame pageDocumentFrame(const std::u16string& image, int width, int height);

// An empty text-line zone for a box (without line end).
std::string textLineZone(const ZULRectShape& box);

}  // namespace tavo
