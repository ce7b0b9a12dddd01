// Zone geometry of a zone line, the colour working page and the red marks
// the PAW commands leave on it.

#include "Paw.h"

#include "Strings.h"
#include "ZoneLine.h"

#include "ZULException.h"
#include "ZULImage.h"
#include "ZULImageConverter.h"
#include "ZULLineShape.h"
#include "ZULRectShape.h"

#include <climits>
#include <cstdint>

namespace tavo {

namespace {

bool isBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// atoi: leading blanks, an optional sign, digits up to the first other
// character; no digits give 0.  Values beyond 32 bits saturate instead of
// being undefined.
int atoiValue(std::u16string_view text)
{
    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > std::int64_t{INT_MAX} + 1)
            break;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

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

ZULImage loadWorkingPage(const std::u16string& path, Report& report)
{
    const std::string name = utf8FromWide(path);
    ZULImage page;
    try {
        if (!page.zulLoadImage(name) || !page.zulHasImageData())
            report.fail(name, "cannot load image");
        switch (page.zulGetBitsPerPixel()) {
        case 1: {
            ZULImage colour;
            ZULImageConverter::zulBit2Color(colour, page);
            return colour;
        }
        case 8: {
            ZULImage colour;
            ZULImageConverter::zulGray2Color(colour, page);
            return colour;
        }
        case 24:
            return page;
        default:
            break;
        }
    } catch (const ZULException& error) {
        report.fail(name, std::string("cannot load image: ") + error.what());
    }
    report.fail(name, "unsupported image depth " + std::to_string(page.zulGetBitsPerPixel()));
}

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
