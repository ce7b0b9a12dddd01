// A straight line from start towards end, drawn with integer Bresenham steps.
// The end point itself is not drawn; a line from a point to itself draws
// nothing.
#pragma once

#include <cstdint>

#include "ZULPoint.h"
#include "ZULShape.h"

class ZULLineShape : public ZULShape {
public:
    ZULLineShape() = default;
    ZULLineShape(const ZULPoint& from, const ZULPoint& to) : start(from), end(to) {}

    void zulDraw(ZULImage& image) const override;

    // The Bresenham points from (x0, y0) towards (x1, y1), end excluded,
    // written with zulSetColorPixel.  Only the stretch that falls inside the
    // image is walked, so far-off lines cost no more than visible ones.
    static void zulPlotLine(ZULImage& image, std::int64_t x0, std::int64_t y0, std::int64_t x1,
                            std::int64_t y1, const Color& color);

    ZULPoint start;
    ZULPoint end;
};
