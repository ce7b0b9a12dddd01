#include "interchange/Interchange.h"

#include "util/Strings.h"
#include "util/TextFile.h"
#include "interchange/XmlText.h"
#include "groundtruth/ZoneLine.h"

#include <ctime>

namespace tavo {

namespace {

constexpr const char* kNs2019 = "http://schema.primaresearch.org/PAGE/gts/pagecontent/2019-07-15";
constexpr const char* kNs2013 = "http://schema.primaresearch.org/PAGE/gts/pagecontent/2013-07-15";

std::string utcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    return text;
}

void coords(XmlOut& xml, const char* element, const std::vector<Point>& points)
{
    xml.open(element).attr("points", formatPoints(points)).endTag(true);
}

void textEquiv(XmlOut& xml, const GtZone& zone)
{
    xml.open("TextEquiv");
    if (zone.confidence)
        xml.attr("conf", twoDecimals(*zone.confidence));
    xml.endTag().textElement("Unicode", zone.text).close("TextEquiv");
}

// A value inside `name {key:value;}`: the characters of the form itself are
// replaced, so a reader that splits at them reads the group back whole.
std::string customValue(std::string value)
{
    for (char& c : value)
        if (c == ':' || c == ';' || c == '{' || c == '}')
            c = '_';
    return value;
}

// `name {key:value;}` groups, the structure type last.
std::string customOf(const GtZone& zone, long index, const char* type)
{
    std::string custom;
    if (index >= 0)
        custom += "readingOrder {index:" + std::to_string(index) + ";} ";
    if (zone.confidence)
        custom += "confidence {value:" + twoDecimals(*zone.confidence) + ";} ";
    if (!zone.doubt.empty())
        custom += "doubt {reasons:" + customValue(zone.doubt) + ";} ";
    if (!zone.cuts.empty())
        custom += "cuts {columns:" + customValue(zone.cuts) + ";} ";
    if (!zone.pawboxes.empty())
        custom += "paws {boxes:" + customValue(zone.pawboxes) + ";} ";
    if (zone.checked)
        custom += "checked {value:yes;} ";
    return custom + "structure {type:" + type + ";}";
}

void buildPageXml(XmlOut& xml, const GtPage& page, const PageXmlOptions& options)
{
    const bool old = options.schema2013;
    const std::string stamp = options.timestamp.empty() ? utcNow() : options.timestamp;
    const char* ns = old ? kNs2013 : kNs2019;
    xml.open("PcGts")
        .attr("xmlns", ns)
        .attr("xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance")
        .attr("xsi:schemaLocation", std::string(ns) + " " + ns + "/pagecontent.xsd")
        .endTag();
    xml.open("Metadata").endTag();
    xml.textElement("Creator", std::string("tavoalign ") + TAVO_VERSION);
    xml.textElement("Created", stamp).textElement("LastChange", stamp).close("Metadata");
    xml.open("Page")
        .attr("imageFilename", page.imageName)
        .attr("imageWidth", page.width)
        .attr("imageHeight", page.height)
        .endTag();

    PixelBox region;
    for (const GtLine& line : page.lines)
        region.include(boundingBox(line.zone.polygon));
    if (!page.lines.empty()) {
        xml.open("ReadingOrder").endTag().open("OrderedGroup").attr("id", "ro_1").endTag();
        xml.open("RegionRefIndexed").attr("index", 0).attr("regionRef", "r_1").endTag(true);
        xml.close("OrderedGroup").close("ReadingOrder");
        xml.open("TextRegion").attr("id", "r_1").attr("type", "paragraph");
        xml.attr("readingDirection", "right-to-left").attr("primaryScript", old ? "Arabic" : "Arab - Arabic");
        xml.attr("custom", "readingOrder {index:0;} structure {type:paragraph;}").endTag();
        coords(xml, "Coords", {{region.left, region.top}, {region.right, region.top},
                               {region.right, region.bottom}, {region.left, region.bottom}});
    }
    long lineIndex = 0;
    std::string regionText;
    for (const GtLine& line : page.lines) {
        xml.open("TextLine").attr("id", "l_" + line.zone.id);
        if (!old)
            xml.attr("primaryScript", "Arab - Arabic").attr("readingDirection", "right-to-left");
        xml.attr("custom", customOf(line.zone, lineIndex++, "line")).endTag();
        coords(xml, "Coords", line.zone.polygon);
        coords(xml, "Baseline", line.baseline);
        const size_t n = line.words.size();
        for (size_t k = 0; k < n; ++k) {
            const size_t at = options.wordsLeftToRight ? n - 1 - k : k;
            const GtZone& word = line.words[at];
            xml.open("Word").attr("id", "w_" + word.id);
            if (!old)
                xml.attr("readingDirection", "right-to-left");
            xml.attr("custom", customOf(word, static_cast<long>(at), "word")).endTag();
            coords(xml, "Coords", word.polygon);
            textEquiv(xml, word);
            xml.close("Word");
        }
        textEquiv(xml, line.zone);
        xml.close("TextLine");
        regionText += (regionText.empty() ? "" : "\n") + line.zone.text;
    }
    if (!page.lines.empty()) {
        xml.open("TextEquiv").endTag().textElement("Unicode", regionText).close("TextEquiv");
        xml.close("TextRegion");
    }
    xml.close("Page").close("PcGts");
}

}  // namespace

std::string pageXml(const GtPage& page, const PageXmlOptions& options)
{
    XmlOut xml;
    buildPageXml(xml, page, options);
    return xml.take();
}

void writeUtf8File(const std::u16string& fileName, const std::string& bytes)
{
    CTextFileWrite out(fileName, kCodePage);  // code page 0 writes 8-bit text as it is
    out.writeText(bytes);
    out.close();
}

void runToPage(const std::u16string& image, const std::u16string& zones, const std::u16string& output,
               const PageXmlOptions& options, Report& report)
{
    const auto [width, height] = pageImageSize(image, report, options.cacheFile);
    const std::string name = options.imageName.empty() ? baseName(utf8FromWide(image)) : options.imageName;
    const GtPage page = readGtPage(zones, name, width, height, report, options.linesFile);
    // Written as it is built: a page of a million zones is never held whole.
    CTextFileWrite out(output, kCodePage);  // code page 0 writes 8-bit text as it is
    XmlOut xml([&out](const std::string& piece) { out.writeText(piece); });
    buildPageXml(xml, page, options);
    xml.take();
    out.close();
}

}  // namespace tavo
