// A half-size colour view of a page with its truth drawn on it, for checking
// generated pages by eye: PAW boxes green, word boxes blue, line boxes red,
// ink outside the transcription magenta.
#pragma once

#include "quality/PageTruth.h"
#include "ZULImage.h"

namespace tavo::quality {

ZULImage truthOverlay(const ZULImage& page, const PageTruth& truth);

}  // namespace tavo::quality
