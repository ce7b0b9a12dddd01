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

}  // namespace

std::string textLineZone(const ZULRectShape& box)
{
    return "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" " + attribute("col", box.x) + ' ' +
           attribute("row", box.y) + ' ' + attribute("width", box.width) + ' ' +
           attribute("height", box.height) + " offsets=\"\" contents=\"\" segmentation=\"word\" > </DL_ZONE>";
}

PageDocumentFrame pageDocumentFrame(const std::u16string& image, int width, int height)
{
    // The name goes into attribute values escaped, so that a quote or an
    // ampersand in it cannot break the document.
    const std::u16string source = escapeXml(image);
    PageDocumentFrame frame;
    frame.head = {u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                  u"<TAVO xmlns=\"" + toWide(kGroundTruthNamespace) + u"\" version=\"1.0\">",
                  u"<DL_DOCUMENT src=\"" + source + u"\" docTag=\"xml\" NrOfPages=\"1\">",
                  u"<DL_PAGE tavo_type=\"DL_PAGE\" src=\"" + source + u"\" pageID=\"1\" " +
                      toWide(attribute("width", width) + ' ' + attribute("height", height)) + u">"};
    frame.tail = {u"\t\t</DL_PAGE>", u"\t</DL_DOCUMENT>", u"</TAVO>"};
    return frame;
}

void writePageDocument(const std::u16string& image, const std::u16string& output, int parameter,
                       Report& report)
{
    const ZULImage page = loadPage(image, report);
    const std::vector<ZULRectShape> lines = detectTextLines(page, parameter);
    const PageDocumentFrame frame = pageDocumentFrame(image, page.zulGetWidth(), page.zulGetHeight());

    CTextFileWrite out(output, kUtf8);
    for (const std::u16string& line : frame.head)
        out.writeText(line + u"\r\n");
    for (const ZULRectShape& box : lines)
        out.writeText(textLineZone(box) + "\r\n");
    for (size_t i = 0; i < frame.tail.size(); ++i)
        out.writeText(i + 1 < frame.tail.size() ? frame.tail[i] + u"\r\n" : frame.tail[i]);
    out.close();
}

}  // namespace tavo
