// Page images in and out: the one loader and the one saver every image
// command uses.  Every failure is a RuntimeFailure naming the file:
//   "<file>: cannot load image[: <why>]"
//   "<file>: unsupported image depth <n> bits"
//   "<file>: cannot write image: <why>"
#pragma once

#include "util/Report.h"

#include <string>

class ZULImage;

namespace tavo {

// The page as stored: 1, 8 or 24 bits per pixel.
ZULImage loadPage(const std::u16string& path, Report& report);

// The page's 24-bit colour working copy (1-bit and 8-bit pages converted).
ZULImage loadWorkingPage(const std::u16string& path, Report& report);

// Writes the page in the format its extension names.
void savePage(const ZULImage& page, const std::u16string& path, Report& report);

}  // namespace tavo
