#include "quality/PageFiles.h"

#include <random>

#include "groundtruth/GroundTruthNames.h"
#include "quality/HandwrittenPage.h"
#include "quality/PageCapture.h"
#include "quality/PageStyle.h"
#include "util/Strings.h"
#include "util/TextFile.h"
#include "quality/TruthOverlay.h"
#include "groundtruth/ZoneDocument.h"
#include "groundtruth/ZoneLine.h"

namespace tavo::quality {

namespace {

// Plain UTF-8 without a byte-order mark, written atomically.
void writeUtf8(const std::string& path, const std::string& text)
{
    CTextFileWrite out(wideFromUtf8(path), kCodePage);
    out.writeText(text);
    out.close();
}

std::u16string intAttribute(const char* name, int value)
{
    return toWide(name) + u"=\"" + toWide(intToText(value)) + u'"';
}

}  // namespace

void writeTrueLines(const PageTruth& truth, const std::string& path)
{
    const std::u16string source = escapeXml(wideFromUtf8(truth.image));
    ZoneDocument doc;
    doc.headerLines = {
        u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
        u"<TAVO xmlns=\"" + std::u16string(kGroundTruthNamespaceWide) + u"\" version=\"1.0\">",
        u"<DL_DOCUMENT src=\"" + source + u"\" docTag=\"xml\" NrOfPages=\"1\">",
        u"<DL_PAGE tavo_type=\"DL_PAGE\" src=\"" + source + u"\" pageID=\"1\" " +
            intAttribute("width", truth.width) + u' ' + intAttribute("height", truth.height) + u'>',
    };
    for (const TruthLine& line : truth.lines) {
        std::u16string zone = u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" " +
                              intAttribute("col", line.box.x) + u' ' + intAttribute("row", line.box.y) + u' ' +
                              intAttribute("width", line.box.w) + u' ' + intAttribute("height", line.box.h) +
                              u" offsets=\"\" contents=\"" + escapeXml(wideFromUtf8(line.text)) +
                              u"\" segmentation=\"word\" > </DL_ZONE>";
        doc.zones.push_back({std::move(zone), 0});
    }
    doc.footerLines = {u"\t\t</DL_PAGE>", u"\t</DL_DOCUMENT>", u"</TAVO>"};
    writeZoneDocument(doc, wideFromUtf8(path));
}

PageTruth generatePageFiles(const std::string& folder, const std::string& name, const std::string& kind,
                            unsigned seed, bool overlay)
{
    std::mt19937 rng(seed);
    const PageStyle style = drawStyle(kind, rng);
    InkedPage page = writePage(style, rng);
    const ZULImage image = capturePage(style, page.ink, rng);
    page.truth.image = name + captureExtension(style.capture);
    const std::string base = folder + '/' + name;
    if (!image.zulSaveImage(folder + '/' + page.truth.image))
        throw std::runtime_error(folder + '/' + page.truth.image + ": cannot write image");
    writeUtf8(base + ".txt", page.transcript);
    writeUtf8(base + ".truth.json", truthToJson(page.truth));
    writeTrueLines(page.truth, base + ".truelines.xml");
    if (overlay && !truthOverlay(image, page.truth).zulSaveImage(base + ".overlay.png"))
        throw std::runtime_error(base + ".overlay.png: cannot write image");
    return page.truth;
}

}  // namespace tavo::quality
