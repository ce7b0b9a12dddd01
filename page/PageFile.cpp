#include "page/PageFile.h"

#include "groundtruth/ZoneLine.h"
#include "util/Strings.h"

#include "ZULException.h"
#include "ZULImage.h"
#include "ZULImageConverter.h"

namespace tavo {

ZULImage loadPage(const std::u16string& path, Report& report)
{
    const std::string name = utf8FromWide(path);
    ZULImage page;
    try {
        if (!page.zulLoadImage(name))
            report.fail(name, "cannot load image");
    } catch (const ZULException& error) {
        report.fail(name, std::string("cannot load image: ") + error.what());
    }
    const int depth = page.zulGetBitsPerPixel();
    if (depth != 1 && depth != 8 && depth != 24)
        report.fail(name, "unsupported image depth " + intToText(depth) + " bits");
    return page;
}

ZULImage loadWorkingPage(const std::u16string& path, Report& report)
{
    ZULImage page = loadPage(path, report);
    if (page.zulGetBitsPerPixel() == 24)
        return page;
    ZULImage colour;
    try {
        if (page.zulGetBitsPerPixel() == 1)
            ZULImageConverter::zulBit2Color(colour, page);
        else
            ZULImageConverter::zulGray2Color(colour, page);
    } catch (const ZULException& error) {
        report.fail(utf8FromWide(path), std::string("cannot load image: ") + error.what());
    }
    return colour;
}

void savePage(const ZULImage& page, const std::u16string& path, Report& report)
{
    const std::string name = utf8FromWide(path);
    try {
        if (!page.zulSaveImage(name))
            report.fail(name, "cannot write image: unknown image format");
    } catch (const ZULException& error) {
        report.fail(name, std::string("cannot write image: ") + error.what());
    }
}

}  // namespace tavo
