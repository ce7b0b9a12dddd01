#include "interchange/Interchange.h"

#include "util/Strings.h"
#include "ZULException.h"
#include "ZULImage.h"
#include "ZULImageConverter.h"
#include "ZULPNGImage.h"
#include "interchange/XmlText.h"
#include "groundtruth/ZoneLine.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <filesystem>

namespace tavo {

namespace {

// The page's name without folder and extension, with every character a
// training tool might cut a name at (dots, blanks, separators) made '_'.
std::string pageStem(const std::string& imageName)
{
    std::string stem = imageName.substr(0, imageName.rfind('.'));
    for (char& c : stem)
        if (c == '.' || c == ' ' || c == ',' || c == '/' || c == '\\' || c == '"' || c == '\'')
            c = '_';
    return stem.empty() ? "page" : stem;
}

// Train, validation or test, fixed for a page name: pages, never lines, are
// split, so lines of one page never land on both sides.  About 80/10/10.
const char* splitOf(const std::string& stem)
{
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : stem)
        hash = (hash ^ c) * 16777619u;
    const std::uint32_t bucket = hash % 10;
    return bucket == 0 ? "test" : bucket == 1 ? "validation" : "train";
}

ZULImage greyPage(const std::u16string& image, Report& report)
{
    const std::string name = utf8FromWide(image);
    ZULImage page;
    try {
        if (!page.zulLoadImage(name) || !page.zulHasImageData())
            report.fail(name, "cannot load image");
        if (page.zulGetBitsPerPixel() == 8)
            return page;
        ZULImage grey;
        ZULImageConverter::zulConvertImage(grey, page, ZULImageConverter::kGray);
        return grey;
    } catch (const ZULException& error) {
        report.fail(name, std::string("cannot load image: ") + error.what());
    }
}

// The zone's box grown by a margin of an eighth of its height (at least one
// pixel), inside the page.
PixelBox cropBox(const GtZone& zone, int width, int height)
{
    PixelBox box = zone.box;
    box.include(boundingBox(zone.polygon));
    const int margin = std::max(1, box.height() / 8);
    return {std::max(0, box.left - margin), std::max(0, box.top - margin),
            std::min(width - 1, box.right + margin), std::min(height - 1, box.bottom + margin)};
}

}  // namespace

void runPairs(const std::u16string& image, const std::u16string& zones, const std::u16string& folder,
              bool words, bool all, Report& report)
{
    const ZULImage page = greyPage(image, report);
    const std::string imageName = baseName(utf8FromWide(image));
    const GtPage gt = readGtPage(zones, imageName, page.zulGetWidth(), page.zulGetHeight(), report);
    const std::filesystem::path out(utf8FromWide(folder));
    std::error_code error;
    std::filesystem::create_directories(out, error);
    if (!std::filesystem::is_directory(out))
        report.fail(out.string(), "cannot create folder");

    const std::string stem = pageStem(imageName);
    const char* split = splitOf(stem);
    std::string manifest = "stem,page,zone,confidence,split\n";
    int written = 0, skipped = 0;
    // Line images are many and small: the fast compression.
    const ZULPNGImage png(ZULPNGImage::kFast);
    for (size_t l = 0; l < gt.lines.size(); ++l) {
        const GtLine& line = gt.lines[l];
        std::vector<std::pair<const GtZone*, std::string>> items;
        if (words && !line.words.empty()) {
            for (size_t w = 0; w < line.words.size(); ++w) {
                char suffix[64];
                std::snprintf(suffix, sizeof suffix, "_l%04zu_w%03zu", l + 1, w + 1);
                items.emplace_back(&line.words[w], stem + suffix);
            }
        } else {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, "_l%04zu", l + 1);
            items.emplace_back(&line.zone, stem + suffix);
        }
        for (const auto& [zone, name] : items) {
            const bool doubtful = zone->doubtful() ||
                                  std::any_of(line.words.begin(), line.words.end(),
                                              [&](const GtZone& w) { return !words && w.doubtful(); });
            if (zone->text.empty() || (doubtful && !all)) {
                ++skipped;
                continue;
            }
            const PixelBox box = cropBox(*zone, page.zulGetWidth(), page.zulGetHeight());
            ZULImage crop;
            page.zulSubByteImage(crop, box.left, box.top, box.width(), box.height());
            png.zulSaveImage((out / (name + ".png")).string(), crop);
            writeUtf8File(wideFromUtf8((out / (name + ".gt.txt")).string()), zone->text + "\n");
            const std::string confidence = zone->confidence ? twoDecimals(*zone->confidence) : "";
            manifest += name + "," + stem + "," + zone->id + "," + confidence + "," + split + "\n";
            ++written;
        }
    }
    writeUtf8File(wideFromUtf8((out / ("manifest-" + stem + ".csv")).string()), manifest);
    report.printLine(std::to_string(written) + " pairs written, " + std::to_string(skipped) + " skipped");
}

}  // namespace tavo
