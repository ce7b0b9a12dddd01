// Turns a page's ink layer into the image a scanner or camera would deliver:
// paper tone, ruled or squared lines, stains, specks of dirt, faint ink,
// uneven light, grain, and the depth and file format of the capture.
#pragma once

#include <random>
#include <string>

#include "quality/InkPainter.h"
#include "quality/PageStyle.h"
#include "ZULImage.h"

namespace tavo::quality {

ZULImage capturePage(const PageStyle& style, const InkLayer& ink, std::mt19937& rng);

// The file extension of the capture (".tif", ".png", ".jpg").
std::string captureExtension(Capture capture);

}  // namespace tavo::quality
