#include "textline/PageDocument.h"

#include <vector>

#include "groundtruth/GroundTruthNames.h"
#include "groundtruth/ZoneLine.h"
#include "page/PageFile.h"
#include "textline/TextLines.h"
#include "util/Strings.h"
#include "util/TextFile.h"
#include "ZULImage.h"

namespace tavo {

namespace {

std::string attribute(const char* name, int value)
{
    return std::string(name) + "=\"" + intToText(value) + '"';
}

std::string zoneLine(const ZULRectShape& box)
{
    return "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" " + attribute("col", box.x) + ' ' +
           attribute("row", box.y) + ' ' + attribute("width", box.width) + ' ' +
           attribute("height", box.height) + " offsets=\"\" contents=\"\" segmentation=\"word\" > </DL_ZONE>\r\n";
}

}  // namespace

void writePageDocument(const std::u16string& image, const std::u16string& output, int parameter,
                       Report& report)
{
    // Detection binarises a page of any of the three depths exactly as it
    // would its 24-bit working copy, so no colour copy is made.
    const ZULImage page = loadPage(image, report);
    const std::vector<ZULRectShape> lines = detectTextLines(page, parameter);

    // The name goes into attribute values escaped, so that a quote or an
    // ampersand in it cannot break the document; the page line carries its
    // UTF-8 form.
    const std::u16string source = escapeXml(image);
    CTextFileWrite out(output, kUtf8);
    out.writeText("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    out.writeText("<TAVO xmlns=\"" + std::string(kGroundTruthNamespace) + "\" version=\"1.0\">\r\n");
    out.writeText(u"<DL_DOCUMENT src=\"" + source + u"\" docTag=\"xml\" NrOfPages=\"1\">\r\n");
    out.writeText("<DL_PAGE tavo_type=\"DL_PAGE\" src=\"" + utf8FromWide(source) + "\" pageID=\"1\" " +
                  attribute("width", page.zulGetWidth()) + ' ' + attribute("height", page.zulGetHeight()) +
                  ">\r\n");
    for (const ZULRectShape& box : lines)
        out.writeText(zoneLine(box));
    out.writeText("\t\t</DL_PAGE>\r\n\t</DL_DOCUMENT>\r\n</TAVO>");
    out.close();
}

}  // namespace tavo
