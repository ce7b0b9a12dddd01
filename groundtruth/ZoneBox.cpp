#include "groundtruth/ZoneBox.h"

#include "groundtruth/ZoneLine.h"
#include "util/Strings.h"

#include <cstdint>

namespace tavo {

namespace {

bool hasCornerAndSize(const ZoneBox& box)
{
    return box.col >= 0 && box.row >= 0 && box.width >= 0 && box.height >= 0;
}

}  // namespace

ZoneBox readZoneBox(std::u16string_view line)
{
    ZoneBox box;
    box.col = atoiValue(getAttribute(u"col", line));
    box.row = atoiValue(getAttribute(u"row", line));
    box.width = atoiValue(getAttribute(u"width", line));
    box.height = atoiValue(getAttribute(u"height", line));
    return box;
}

bool zoneInsidePage(const ZoneBox& box, int pageWidth, int pageHeight)
{
    return hasCornerAndSize(box) && std::int64_t{box.col} + box.width < pageWidth &&
           std::int64_t{box.row} + box.height < pageHeight;
}

bool zoneFitsPage(const ZoneBox& box, int pageWidth, int pageHeight)
{
    return hasCornerAndSize(box) && std::int64_t{box.col} + box.width <= pageWidth &&
           std::int64_t{box.row} + box.height <= pageHeight;
}

}  // namespace tavo
