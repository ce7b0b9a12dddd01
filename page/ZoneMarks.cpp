#include "page/ZoneMarks.h"

#include "ZULImage.h"
#include "ZULLineShape.h"
#include "ZULRectShape.h"

#include <cstdint>

namespace tavo {

void markZone(ZULImage& page, const ZoneBox& box, const std::vector<int>& cuts, MarkColor color)
{
    ZULRectShape frame(box.col, box.row, box.width, box.height);
    frame.color = color;
    frame.zulDraw(page);
    for (int x : cuts) {
        const std::int64_t column = std::int64_t{box.col} + x;
        ZULLineShape::zulPlotLine(page, column, box.row, column, std::int64_t{box.row} + box.height,
                                  frame.color);
    }
}

}  // namespace tavo
