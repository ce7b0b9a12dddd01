#include "align/ShrinkRefine.h"

#include "align/LineRewrite.h"
#include "align/Paw.h"
#include "align/Words.h"
#include "align/ZoneRefine.h"
#include "groundtruth/CutList.h"
#include "groundtruth/ZoneLine.h"
#include "page/InkBox.h"
#include "page/PageFile.h"
#include "util/Strings.h"

#include "ZULException.h"
#include "ZULGlobalBinarization.h"
#include "ZULImageConverter.h"

#include <cstdint>

namespace tavo {

namespace {

constexpr int kInkThreshold = 128;

bool isWorkedOn(std::u16string_view line)
{
    return getAttribute(u"status", line) != u"MISSING";
}

void writeBox(std::u16string& line, const ZULRectShape& box)
{
    setAttribute(line, u"col", toWide(intToText(box.x)), false);
    setAttribute(line, u"row", toWide(intToText(box.y)), false);
    setAttribute(line, u"width", toWide(intToText(box.width)), false);
    setAttribute(line, u"height", toWide(intToText(box.height)), false);
}

void refuseNegativeCorner(const ZoneBox& zone)
{
    if (zone.col < 0 || zone.row < 0)
        throw UnprocessableZone("negative col or row");
}

std::u16string shrinkZone(const ZULImage& page, std::u16string line)
{
    const ZoneBox zone = readZoneBox(line);
    refuseNegativeCorner(zone);
    if (std::int64_t{zone.col} + zone.width >= page.zulGetWidth() ||
        std::int64_t{zone.row} + zone.height >= page.zulGetHeight())
        throw UnprocessableZone("zone reaches the right or bottom edge of the page");
    ZULRectShape ink;
    try {
        ZULImage colour;
        ZULImage grey;
        page.zulSubImage(colour, zone.col, zone.row, zone.width, zone.height);
        ink = inkBox(ZULImageConverter::zulColor2Gray(grey, colour));
    } catch (const ZULException& error) {
        throw UnprocessableZone(error.what());
    }
    writeBox(line, ZULRectShape(zone.col + ink.x, zone.row + ink.y, ink.width, ink.height));
    return line;
}

// The page binarised at 128 as loaded.  Binarising its 24-bit working copy
// instead gives the same pixels (a grey value spread over three equal
// channels weighs back to itself, and 1-bit pages become 0 and 255 either
// way) at the cost of two conversions of the whole page.
ZULImage loadBinaryPage(const std::u16string& path, Report& report)
{
    const ZULImage page = loadPage(path, report);
    ZULImage binary;
    try {
        ZULGlobalBinarization(kInkThreshold).zulBinarizeImage(binary, page);
        binary.zulSetBinaryState(1);  // 1-bit pages come back expanded but not marked
    } catch (const ZULException& error) {
        report.fail(utf8FromWide(path), std::string("cannot load image: ") + error.what());
    }
    return binary;
}

// A zone the refiner cannot work on throws UnprocessableZone; line is then
// left as it was.
std::u16string refineZone(const ZoneRefiner& refiner, std::u16string line)
{
    const ZoneBox zone = readZoneBox(line);
    refuseNegativeCorner(zone);
    ZULRectShape box(zone.col, zone.row, zone.width, zone.height);
    std::vector<int> cuts = readZoneCuts(line);
    try {
        if (!refiner.refine(box, cuts))
            throw UnprocessableZone("zone lies outside the page");
    } catch (const ZULException& error) {
        throw UnprocessableZone(error.what());
    }
    writeBox(line, box);
    setAttribute(line, u" offsets", toWide(joinOffsets(cuts)), false);
    return line;
}

}  // namespace

void runShrink(const std::u16string& image, const std::u16string& inXml,
               const std::u16string& outXml, Report& report)
{
    rewriteTextLineZones(image, inXml, outXml, report,
                         [](ZULImage& page, const std::u16string& line) -> std::vector<std::u16string> {
                             if (!isWorkedOn(line))
                                 return {line};
                             return {shrinkZone(page, line)};
                         });
}

void runRefine(const std::u16string& image, const std::u16string& inXml,
               const std::u16string& outXml, Report& report)
{
    const ZULImage binary = loadBinaryPage(image, report);
    const ZoneRefiner refiner(binary);
    rewriteZoneLines(inXml, outXml, report,
                     [&refiner](const std::u16string& line) -> std::vector<std::u16string> {
                         if (!isWorkedOn(line))
                             return {line};
                         return {refineZone(refiner, line)};
                     });
}

}  // namespace tavo
