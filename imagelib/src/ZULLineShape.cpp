#include "ZULLineShape.h"

#include <algorithm>

#include "ZULImage.h"

namespace {

__extension__ typedef unsigned __int128 Wide;

std::int64_t magnitude(std::int64_t v) { return v < 0 ? -v : v; }

}  // namespace

void ZULLineShape::zulDraw(ZULImage& image) const { zulPlotLine(image, start.x, start.y, end.x, end.y, color); }

// Integer Bresenham along the major axis: count = the larger delta, minor the
// smaller; error starts at 2 minor - count, and each step plots, takes minor
// steps while error >= 0 (error -= 2 count) and adds 2 minor.  After k steps
// the minor axis has moved floor((2 minor k + count) / (2 count)) times, so
// the walk can start at the first step whose major coordinate is inside the
// image and stop after the last one, with exactly the points of the full walk.
void ZULLineShape::zulPlotLine(ZULImage& image, std::int64_t x0, std::int64_t y0, std::int64_t x1,
                               std::int64_t y1, const Color& color)
{
    if (!image.zulHasImageData() || image.zulGetBitsPerPixel() != 24) {
        return;
    }
    const std::int64_t dx = x1 - x0;
    const std::int64_t dy = y1 - y0;
    const bool xMajor = magnitude(dx) >= magnitude(dy);
    const std::int64_t count = xMajor ? magnitude(dx) : magnitude(dy);
    const std::int64_t minor = xMajor ? magnitude(dy) : magnitude(dx);
    if (count == 0) {
        return;
    }
    const std::int64_t majorStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const std::int64_t minorStep = (xMajor ? dy : dx) > 0 ? 1 : -1;
    const std::int64_t majorStart = xMajor ? x0 : y0;
    const std::int64_t minorStart = xMajor ? y0 : x0;
    const std::int64_t majorExtent = xMajor ? image.zulGetWidth() : image.zulGetHeight();
    const std::int64_t minorExtent = xMajor ? image.zulGetHeight() : image.zulGetWidth();

    // Steps [first, last) whose major coordinate lies inside the image.
    std::int64_t first = 0;
    std::int64_t last = 0;
    if (majorStep > 0) {
        first = std::max<std::int64_t>(0, -majorStart);
        last = std::min(count, majorExtent - majorStart);
    } else {
        first = std::max<std::int64_t>(0, majorStart - (majorExtent - 1));
        last = std::min(count, majorStart + 1);
    }
    if (first >= last) {
        return;
    }
    const Wide product = Wide(std::uint64_t(minor)) * Wide(std::uint64_t(first));
    const auto quotient = std::int64_t(product / Wide(std::uint64_t(count)));
    const auto remainder = std::int64_t(product % Wide(std::uint64_t(count)));
    const std::int64_t carry = 2 * remainder >= count ? 1 : 0;
    std::int64_t error = 2 * (remainder - count * carry) + 2 * minor - count;
    std::int64_t minorPos = minorStart + minorStep * (quotient + carry);
    std::int64_t majorPos = majorStart + majorStep * first;

    for (std::int64_t k = first; k < last; ++k) {
        if (minorPos >= 0 && minorPos < minorExtent) {
            const int px = static_cast<int>(xMajor ? majorPos : minorPos);
            const int py = static_cast<int>(xMajor ? minorPos : majorPos);
            image.zulSetColorPixel(px, py, color[0], color[1], color[2]);
        }
        while (error >= 0) {
            error -= 2 * count;
            minorPos += minorStep;
        }
        majorPos += majorStep;
        error += 2 * minor;
    }
}
