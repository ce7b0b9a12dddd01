#include "ZULRectShape.h"

#include "ZULImage.h"
#include "ZULLineShape.h"

// Four sides, each starting at the previous side's end, so every corner is
// drawn once as the start of a side.  Coordinates are taken in 64 bits so
// that x + width - 1 cannot overflow.
void ZULRectShape::zulDraw(ZULImage& image) const
{
    const std::int64_t left = x;
    const std::int64_t top = y;
    const std::int64_t right = left + width - 1;
    const std::int64_t bottom = top + height - 1;
    ZULLineShape::zulPlotLine(image, left, top, left, bottom, color);
    ZULLineShape::zulPlotLine(image, left, bottom, right, bottom, color);
    ZULLineShape::zulPlotLine(image, right, bottom, right, top, color);
    ZULLineShape::zulPlotLine(image, right, top, left, top, color);
}
