// Smoothing and gradient maps used by the Niblack edge check.
#pragma once

#include <cstdint>
#include <vector>

#include "ZULImage.h"

// 3 x 3 box mean of an 8-bit image; the window is clipped at the borders and
// its sum divided (integer division) by the number of pixels inside.
// gray must be 8-bit with pixels (ZULException code 7 or 5 otherwise).
ZULImage zulBoxMean3x3(const ZULImage& gray);

// One value per pixel, row-major: the sum of the absolute horizontal,
// vertical and two diagonal Sobel-like responses of the 3 x 3 neighbourhood.
// The outer rows and columns hold 0.
std::vector<std::int16_t> zulGradientMap(const ZULImage& gray);
