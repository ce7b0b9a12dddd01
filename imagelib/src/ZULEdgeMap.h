// Smoothing and gradient maps used by the Niblack edge check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ZULImage.h"

// 3 x 3 box mean of an 8-bit image; the window is clipped at the borders and
// its sum divided (integer division) by the number of pixels inside.
// gray must be 8-bit with pixels (ZULException code 7 or 5 otherwise).
ZULImage zulBoxMean3x3(const ZULImage& gray);

// The same mean written to out, width x height bytes, rows top first.
void zulBoxMean3x3Into(const ZULImage& gray, unsigned char* out);

// The gradient at column x (inside the row) of the rows up, mid and down:
// the sum of the absolute horizontal, vertical and two diagonal Sobel-like
// responses of the 3 x 3 neighbourhood.
inline int zulSobelAt(const unsigned char* up, const unsigned char* mid, const unsigned char* down, int x)
{
    const int nw = up[x - 1], n = up[x], ne = up[x + 1];
    const int wv = mid[x - 1], e = mid[x + 1];
    const int sw = down[x - 1], s = down[x], se = down[x + 1];
    const int horizontal = std::abs(ne + 2 * e + se - nw - 2 * wv - sw);
    const int vertical = std::abs(nw + 2 * n + ne - sw - 2 * s - se);
    const int diagonalOne = std::abs(2 * se + e + s - 2 * nw - wv - n);
    const int diagonalTwo = std::abs(2 * ne + e + n - 2 * sw - wv - s);
    return horizontal + vertical + diagonalOne + diagonalTwo;
}

// The gradient zulGradientMap gives at one pixel (x, y) of a page whose
// rows are mean (width x height bytes, rows top first).
inline int zulGradientAt(const unsigned char* mean, int width, int height, int x, int y)
{
    if (x <= 0 || y <= 0 || x + 1 >= width || y + 1 >= height)
        return 0;
    const unsigned char* up = mean + static_cast<std::size_t>(y - 1) * static_cast<std::size_t>(width);
    return zulSobelAt(up, up + width, up + 2 * width, x);
}

// One value per pixel, row-major: the sum of the absolute horizontal,
// vertical and two diagonal Sobel-like responses of the 3 x 3 neighbourhood.
// The outer rows and columns hold 0.
std::vector<std::int16_t> zulGradientMap(const ZULImage& gray);
