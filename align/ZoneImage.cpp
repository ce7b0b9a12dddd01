#include "ZoneImage.h"

#include "Words.h"

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

ZULImage cutZone(const ZULImage& page, const ZoneBox& box)
{
    if (!zoneFitsPage(box, page.zulGetWidth(), page.zulGetHeight())) {
        throw UnprocessableZone(boxText(box) + " lies outside the page of " +
                                std::to_string(page.zulGetWidth()) + " x " +
                                std::to_string(page.zulGetHeight()) + " pixels");
    }
    try {
        ZULImage zone;
        page.zulSubImage(zone, box.col, box.row, box.width, box.height);
        return zone;
    } catch (const ZULException& e) {
        throw UnprocessableZone(boxText(box) + ": " + e.what());
    }
}

ZULImage cutGreyZone(const ZULImage& page, const ZoneBox& box)
{
    ZULImage zone = cutZone(page, box);
    if (!zone.zulHasImageData())
        throw UnprocessableZone(boxText(box) + " holds no pixels");
    try {
        ZULImage grey;
        ZULImageConverter::zulColor2Gray(grey, zone);
        return grey;
    } catch (const ZULException& e) {
        throw UnprocessableZone(boxText(box) + ": " + e.what());
    }
}

ZULImage cutColumns(const ZULImage& greyLine, int left, int right)
{
    if (left < 0 || right < left || right >= greyLine.zulGetWidth()) {
        throw UnprocessableZone("word columns " + std::to_string(left) + " to " +
                                std::to_string(right) + " lie outside the line of width " +
                                std::to_string(greyLine.zulGetWidth()));
    }
    try {
        ZULImage word;
        greyLine.zulSubImage(word, left, 0, right - left + 1, greyLine.zulGetHeight());
        return word;
    } catch (const ZULException& e) {
        throw UnprocessableZone(e.what());
    }
}

}  // namespace tavo
