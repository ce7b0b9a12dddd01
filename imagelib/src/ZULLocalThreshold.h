// Niblack's local threshold (W. Niblack, An Introduction to Digital Image
// Processing, 1986): a pixel is ink when it is darker than the mean of its
// window by more than |k| standard deviations.
//
// Each pixel's window is windowWidth x windowHeight pixels centred on it and
// clipped to the page; mean and variance use integer arithmetic.  Pixels are
// visited row by row, left to right.  A window whose variance is at most
// minStdDev squared is flat: its pixels in the current row and the rows below
// are closed (they become paper when the scan reaches them), the current row
// turns paper up to the window's right edge and the scan resumes after it.
// When the window is at least as large as the page in either direction, every
// pixel uses the whole page's sums.
//
// Window sums come from running column sums and a prefix sum along each row,
// so each pixel costs a constant number of operations.
#pragma once

#include <functional>

#include "ZULImage.h"

// Returns an 8-bit image of gray's size holding 0 (ink) and 255 (paper).
// gray must be an 8-bit image with pixels (ZULException code 7 or 5 otherwise).
ZULImage zulLocalThreshold(const ZULImage& gray, int windowWidth, int windowHeight, double k, int minStdDev);

// The same rows, top first, each handed to row(y, pixels) as soon as it is
// complete instead of kept: a page-sized result is never held.
void zulLocalThresholdRows(const ZULImage& gray, int windowWidth, int windowHeight, double k, int minStdDev,
                           const std::function<void(int, const unsigned char*)>& row);
