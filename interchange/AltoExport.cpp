#include "interchange/Interchange.h"

#include "util/Strings.h"
#include "util/TextFile.h"
#include "interchange/XmlText.h"
#include "groundtruth/ZoneLine.h"

#include <cstdio>

namespace tavo {

namespace {

constexpr const char* kAltoNs = "http://www.loc.gov/standards/alto/ns-v4#";

void position(XmlOut& xml, const PixelBox& box)
{
    xml.attr("HPOS", box.left).attr("VPOS", box.top).attr("WIDTH", box.width()).attr("HEIGHT", box.height());
}

void shape(XmlOut& xml, const std::vector<Point>& polygon)
{
    // `x y x y`: the form every ALTO reader of line polygons accepts.
    xml.open("Shape").endTag().open("Polygon").attr("POINTS", formatPoints(polygon, ' ')).endTag(true);
    xml.close("Shape");
}

void string(XmlOut& xml, const GtZone& zone, const std::string& id)
{
    xml.open("String").attr("ID", id);
    position(xml, boundingBox(zone.polygon));
    xml.attr("CONTENT", zone.text);
    if (zone.confidence)
        xml.attr("WC", twoDecimals(*zone.confidence));
    if (zone.checked)
        xml.attr("CS", "true");
    xml.endTag(zone.polygon.size() == 4);
    if (zone.polygon.size() != 4) {
        shape(xml, zone.polygon);
        xml.close("String");
    }
}

void buildAltoXml(XmlOut& xml, const GtPage& page, bool alto42)
{
    const std::string schema = alto42 ? "alto-4-2.xsd" : "alto-4-4.xsd";
    xml.open("alto")
        .attr("xmlns", kAltoNs)
        .attr("xmlns:xlink", "http://www.w3.org/1999/xlink")
        .attr("xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance")
        .attr("xsi:schemaLocation", std::string(kAltoNs) + " http://www.loc.gov/standards/alto/v4/" + schema)
        .attr("SCHEMAVERSION", alto42 ? "4.2" : "4.4")
        .endTag();
    xml.open("Description").endTag().textElement("MeasurementUnit", "pixel");
    xml.open("sourceImageInformation").endTag().textElement("fileName", page.imageName);
    xml.close("sourceImageInformation").close("Description");
    xml.open("Layout").endTag();
    xml.open("Page").attr("ID", "p_1").attr("PHYSICAL_IMG_NR", 1);
    xml.attr("WIDTH", page.width).attr("HEIGHT", page.height).endTag();
    xml.open("PrintSpace").attr("HPOS", 0).attr("VPOS", 0).attr("WIDTH", page.width).attr("HEIGHT", page.height);
    xml.endTag(page.lines.empty());
    if (!page.lines.empty()) {
        PixelBox block;
        for (const GtLine& line : page.lines)
            block.include(boundingBox(line.zone.polygon));
        xml.open("TextBlock").attr("ID", "r_1");
        position(xml, block);
        xml.endTag();
        for (const GtLine& line : page.lines) {
            xml.open("TextLine").attr("ID", "l_" + line.zone.id);
            position(xml, boundingBox(line.zone.polygon));
            // `x y x y`, as the readers that split the value at blanks expect.
            xml.attr("BASELINE", formatPoints(line.baseline, ' '));
            if (!alto42)
                xml.attr("BASEDIRECTION", "rtl");
            if (line.zone.checked)
                xml.attr("CS", "true");
            xml.endTag();
            shape(xml, line.zone.polygon);
            // A line zone is one String holding the whole line's text.
            if (line.words.empty())
                string(xml, line.zone, "s_" + line.zone.id);
            for (size_t k = 0; k < line.words.size(); ++k) {
                if (k > 0)
                    xml.open("SP").endTag(true);
                string(xml, line.words[k], "w_" + line.words[k].id);
            }
            xml.close("TextLine");
        }
        xml.close("TextBlock").close("PrintSpace");
    }
    xml.close("Page").close("Layout").close("alto");
}

}  // namespace

std::string altoXml(const GtPage& page, bool alto42)
{
    XmlOut xml;
    buildAltoXml(xml, page, alto42);
    return xml.take();
}

void runToAlto(const std::u16string& image, const std::u16string& zones, const std::u16string& output,
               bool alto42, const PageXmlOptions& options, Report& report)
{
    const auto [width, height] = pageImageSize(image, report, options.cacheFile);
    const std::string name = options.imageName.empty() ? baseName(utf8FromWide(image)) : options.imageName;
    const GtPage page = readGtPage(zones, name, width, height, report, options.linesFile);
    CTextFileWrite out(output, kCodePage);  // written as it is built, as -topage
    XmlOut xml([&out](const std::string& piece) { out.writeText(piece); });
    buildAltoXml(xml, page, alto42);
    xml.take();
    out.close();
}

}  // namespace tavo
