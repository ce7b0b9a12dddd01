#include "BinarizeCommands.h"

#include <string_view>

#include "Strings.h"
#include "ZULClusterBinarize.h"
#include "ZULException.h"
#include "ZULGlobalBinarization.h"
#include "ZULImage.h"
#include "ZULImageConverter.h"
#include "ZULNiblackBinarization.h"

namespace tavo {

namespace {

constexpr int kBinDivisor = 3;
constexpr int kKeeplineDivisor = 5;

// Loads the page and reduces it to 8-bit grey, printing notGray first when it
// had another depth.  A 1-bit page stays marked binary after expansion.
ZULImage loadGrayPage(const std::u16string& input, std::string_view notGray, Report& report)
{
    const std::string path = utf8FromWide(input);
    ZULImage page;
    try {
        page = ZULImage(path);
    } catch (const ZULException& error) {
        report.fail(path, std::string("cannot load image: ") + error.what());
    }
    if (!page.zulHasImageData())
        report.fail(path, "cannot load image");
    if (page.zulGetBitsPerPixel() == 8)
        return page;
    report.printLine(notGray);
    ZULImage gray;
    if (page.zulGetBitsPerPixel() == 1) {
        ZULImageConverter::zulBit2Byte(gray, page);
        gray.zulSetBinaryState(1);
    } else {
        ZULImageConverter::zulColor2Gray(gray, page);
    }
    return gray;
}

// The fixed threshold operand, or 0 when the clustering or Niblack branch runs.
int fixedThreshold(int argc, const std::u16string& threshold)
{
    if (argc < 5)
        return 0;
    const int value = parseInt(toNarrow(threshold));
    return value >= 1 ? value : 0;
}

void savePage(const ZULImage& page, const std::u16string& output, Report& report)
{
    const std::string path = utf8FromWide(output);
    bool saved = false;
    try {
        saved = page.zulSaveImage(path);
    } catch (const ZULException& error) {
        report.fail(path, std::string("cannot write image: ") + error.what());
    }
    if (!saved)
        report.fail(path, "cannot write image: unknown image format");
}

ZULImage globalThreshold(const ZULImage& gray, int threshold)
{
    ZULImage result;
    ZULGlobalBinarization(threshold).zulBinarizeImage(result, gray);
    return result;
}

}  // namespace

void runBin(int argc, const std::u16string& input, const std::u16string& output,
                const std::u16string& threshold, Report& report)
{
    ZULImage gray = loadGrayPage(input, "input image is not gray scale!", report);
    const int fixed = fixedThreshold(argc, threshold);
    savePage(fixed ? globalThreshold(gray, fixed) : zulClusterBinarize(gray, kBinDivisor), output, report);
}

void runNiblack(int argc, const std::u16string& input, const std::u16string& output,
                    const std::u16string& threshold, Report& report)
{
    const ZULImage gray = loadGrayPage(input, "input image is not gray scale!", report);
    if (const int fixed = fixedThreshold(argc, threshold)) {
        savePage(globalThreshold(gray, fixed), output, report);
        return;
    }
    ZULImage result;
    ZULNiblackBinarization(15, 15, -0.2, 5, 50).zulBinarizeImage(result, gray);
    savePage(result, output, report);
}

void runKeepline(int, const std::u16string& input, const std::u16string& output, Report& report)
{
    ZULImage gray = loadGrayPage(input, "input image are binarized already!", report);
    savePage(zulClusterBinarize(gray, kKeeplineDivisor), output, report);
}

}  // namespace tavo
