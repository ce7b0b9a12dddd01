#include "align/ZoneImage.h"

#include "align/Words.h"

#include "ZULException.h"
#include "ZULImageConverter.h"

#include <string>

namespace tavo {

namespace {

std::string boxText(const ZoneBox& box)
{
    return "zone (" + std::to_string(box.col) + ", " + std::to_string(box.row) + ", " +
           std::to_string(box.width) + " x " + std::to_string(box.height) + ")";
}

}  // namespace

void checkZone(const ZULImage& page, const ZoneBox& box)
{
    if (!page.zulHasImageData())
        throw UnprocessableZone(boxText(box) + ": the page has no pixels");
    if (!zoneFitsPage(box, page.zulGetWidth(), page.zulGetHeight())) {
        throw UnprocessableZone(boxText(box) + " lies outside the page of " +
                                std::to_string(page.zulGetWidth()) + " x " +
                                std::to_string(page.zulGetHeight()) + " pixels");
    }
}

ZULRectShape zoneColumns(const ZULImage& page, const ZoneBox& box, int left, int right)
{
    if (left < 0 || right < left || right >= box.width) {
        throw UnprocessableZone("word columns " + std::to_string(left) + " to " +
                                std::to_string(right) + " lie outside the line of width " +
                                std::to_string(box.width));
    }
    checkZone(page, box);
    if (box.height <= 0)
        throw UnprocessableZone(boxText(box) + " holds no pixels");
    return ZULRectShape(box.col + left, box.row, right - left + 1, box.height);
}

ZULImage cutGreyColumns(const ZULImage& page, const ZoneBox& box, int left, int right)
{
    const ZULRectShape columns = zoneColumns(page, box, left, right);
    try {
        ZULImage cut;
        page.zulSubImage(cut, columns.x, columns.y, columns.width, columns.height);
        if (page.zulGetBitsPerPixel() == 8)
            return cut;  // a grey page (loadGreyPage)
        ZULImage grey;
        ZULImageConverter::zulColor2Gray(grey, cut);
        return grey;
    } catch (const ZULException& e) {
        throw UnprocessableZone(boxText({columns.x, columns.y, columns.width, columns.height}) + ": " + e.what());
    }
}

}  // namespace tavo
