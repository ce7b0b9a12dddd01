#include "interchange/Interchange.h"
#include "interchange/XmlText.h"
#include "interchange/XmlTree.h"

#include "util/Strings.h"
#include "groundtruth/ZoneDocument.h"
#include "groundtruth/ZoneLine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

namespace tavo {

namespace {

struct ImportedLine {
    std::string origin;  // the element's id
    std::vector<Point> polygon;
    std::vector<Point> baseline;
    std::string text;
    std::optional<double> confidence;
    bool clipped = false;  // reported as clipped to the page
    bool checked = false;  // PAGE custom `checked {value:yes;}`, ALTO CS="true"
};

struct ImportedPage {
    std::string image;
    int width = 0;
    int height = 0;
    std::vector<ImportedLine> lines;
};

// A size attribute (ALTO writes floats); -1 when absent or not a number.
int sizeValue(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < 0 || value > 1e9)
        return -1;
    return static_cast<int>(std::lround(value));
}

// A position attribute (may lie off the page); nullopt when absent or not a
// number.
std::optional<int> positionValue(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || std::abs(value) > 1e9)
        return std::nullopt;
    return static_cast<int>(std::lround(value));
}

std::optional<double> confidenceValue(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value >= 0 && value <= 1))
        return std::nullopt;
    return value;
}

// "TextLine ID" in messages, "TextLine" when the element has no id.
std::string named(const ImportedLine& line)
{
    return line.origin.empty() ? "TextLine" : "TextLine " + line.origin;
}

// Points of a line inside the page: a point off it (some editors write
// negative coordinates) is moved onto its edge and the line is reported once.
std::vector<Point> pagePoints(std::vector<Point> points, const ImportedPage& page, ImportedLine& line,
                              const xmlNode* at, const std::string& file, Report& report)
{
    bool clipped = false;
    for (Point& p : points) {
        const Point inside{std::clamp(p.x, 0, page.width - 1), std::clamp(p.y, 0, page.height - 1)};
        // A point on the far edge itself (width, height) is one past the
        // last pixel, as some writers give it: moved in silently.
        clipped = clipped || p.x < 0 || p.y < 0 || p.x > page.width || p.y > page.height;
        p = inside;
    }
    if (clipped && !line.clipped) {
        line.clipped = true;
        report.zoneDoubtful(file, lineOf(at), named(line) + ": points outside the " +
                                                  std::to_string(page.width) + " x " + std::to_string(page.height) +
                                                  " image clipped to it");
    }
    return points;
}

// PAGE Coords: the points attribute, or the Point children of the oldest
// schema.
std::optional<std::vector<Point>> pageCoords(const xmlNode* coords)
{
    if (!coords)
        return std::nullopt;
    if (hasAttribute(coords, "points"))
        return parsePoints(attribute(coords, "points"));
    std::string joined;
    for (const xmlNode* p : children(coords, "Point"))
        joined += attribute(p, "x") + "," + attribute(p, "y") + " ";
    return parsePoints(joined);
}

std::pair<std::string, std::optional<double>> pageText(const xmlNode* element)
{
    const xmlNode* equiv = firstChild(element, "TextEquiv");
    if (!equiv)
        return {};
    return {cleanZoneText(wideFromUtf8(textOf(firstChild(equiv, "Unicode")))),
            confidenceValue(attribute(equiv, "conf"))};
}

// Regions in reading order: those the ReadingOrder names (groups walked
// depth first, indexed members by index), then the rest in document order.
std::vector<xmlNode*> orderedRegions(xmlNode* pageElement)
{
    std::vector<xmlNode*> regions;
    descendants(pageElement, "TextRegion", regions);
    std::map<std::string, size_t> byId;
    for (size_t i = 0; i < regions.size(); ++i)
        byId.emplace(attribute(regions[i], "id"), i);
    std::vector<std::string> named;
    std::vector<xmlNode*> groups{firstChild(pageElement, "ReadingOrder")};
    std::vector<xmlNode*> refs;
    descendants(groups.front(), "", refs);
    for (xmlNode* ref : refs)
        if (hasAttribute(ref, "regionRef"))
            named.push_back(attribute(ref, "regionRef"));
    std::vector<xmlNode*> ordered;
    std::vector<bool> taken(regions.size(), false);
    for (const std::string& id : named)
        if (auto it = byId.find(id); it != byId.end() && !taken[it->second]) {
            taken[it->second] = true;
            ordered.push_back(regions[it->second]);
        }
    for (size_t i = 0; i < regions.size(); ++i)
        if (!taken[i])
            ordered.push_back(regions[i]);
    return ordered;
}

ImportedPage importPage(xmlNode* root, const std::string& file, Report& report)
{
    xmlNode* pageElement = firstChild(root, "Page");
    if (!pageElement)
        report.fail(file, "PAGE document without a Page element");
    ImportedPage page;
    page.image = attribute(pageElement, "imageFilename");
    page.width = sizeValue(attribute(pageElement, "imageWidth"));
    page.height = sizeValue(attribute(pageElement, "imageHeight"));
    if (page.width <= 0 || page.height <= 0)
        report.fail(file, "line " + std::to_string(lineOf(pageElement)) + ": Page without a valid image size");
    for (xmlNode* region : orderedRegions(pageElement)) {
        for (xmlNode* line : children(region, "TextLine")) {
            ImportedLine imported;
            imported.origin = attribute(line, "id");
            const std::optional<std::vector<Point>> coords = pageCoords(firstChild(line, "Coords"));
            if (!coords)
                report.fail(file, "line " + std::to_string(lineOf(line)) + ": TextLine " + imported.origin +
                                      " without readable Coords");
            imported.polygon = pagePoints(*coords, page, imported, line, file, report);
            if (auto base = pageCoords(firstChild(line, "Baseline")))
                imported.baseline = pagePoints(*base, page, imported, line, file, report);
            std::tie(imported.text, imported.confidence) = pageText(line);
            imported.checked = attribute(line, "custom").find("checked {value:yes;}") != std::string::npos;
            if (!firstChild(line, "TextEquiv")) {
                for (const xmlNode* word : children(line, "Word"))
                    if (std::string text = pageText(word).first; !text.empty())
                        imported.text += (imported.text.empty() ? "" : " ") + text;
            }
            page.lines.push_back(std::move(imported));
        }
    }
    return page;
}

// BASELINE as points ("x y x y" or "x,y x,y"), or as ALTO 2 wrote it, one
// number: the baseline's row across the line's box.  A value that is neither
// is reported and the line goes without a baseline.
std::vector<Point> altoBaseline(const xmlNode* line, ImportedLine& imported, const ImportedPage& page,
                                const std::string& file, Report& report)
{
    if (!hasAttribute(line, "BASELINE"))
        return {};
    const std::string value = attribute(line, "BASELINE");
    if (auto points = parsePoints(value); points && points->size() >= 2)
        return pagePoints(*points, page, imported, line, file, report);
    char* end = nullptr;
    const double row = std::strtod(value.c_str(), &end);
    const PixelBox box = boundingBox(imported.polygon);
    const bool scalar = !value.empty() && end != value.c_str() && *end == '\0' && std::isfinite(row);
    if (scalar && !box.empty() && row >= 0 && row <= 1e9) {
        const int y = static_cast<int>(std::lround(row));
        return pagePoints({{box.left, y}, {box.right, y}}, page, imported, line, file, report);
    }
    report.doubtful(file, lineOf(line), named(imported) + ": BASELINE \"" + value.substr(0, 40) +
                                            "\" cannot be read as points; left out");
    return {};
}

ImportedPage importAlto(xmlNode* root, const std::string& file, Report& report)
{
    ImportedPage page;
    const xmlNode* description = firstChild(root, "Description");
    const std::string unit = textOf(firstChild(description, "MeasurementUnit"));
    if (!unit.empty() && unit != "pixel")
        report.fail(file, "measurement unit " + unit + " not supported (pixel only)");
    page.image = textOf(firstChild(firstChild(description, "sourceImageInformation"), "fileName"));
    std::vector<xmlNode*> pages;
    descendants(root, "Page", pages);
    if (pages.empty())
        report.fail(file, "ALTO document without a Page element");
    page.width = sizeValue(attribute(pages.front(), "WIDTH"));
    page.height = sizeValue(attribute(pages.front(), "HEIGHT"));
    if (page.width <= 0 || page.height <= 0)
        report.fail(file, "line " + std::to_string(lineOf(pages.front())) + ": Page without WIDTH and HEIGHT");
    std::vector<xmlNode*> lines;
    descendants(pages.front(), "TextLine", lines);
    for (xmlNode* line : lines) {
        ImportedLine imported;
        imported.origin = attribute(line, "ID");
        std::optional<std::vector<Point>> polygon =
            parsePoints(attribute(firstChild(firstChild(line, "Shape"), "Polygon"), "POINTS"));
        const std::optional<int> x = positionValue(attribute(line, "HPOS")), y = positionValue(attribute(line, "VPOS"));
        const int w = sizeValue(attribute(line, "WIDTH")), h = sizeValue(attribute(line, "HEIGHT"));
        if (!polygon && x && y && w > 0 && h > 0)
            polygon = std::vector<Point>{{*x, *y}, {*x + w - 1, *y}, {*x + w - 1, *y + h - 1}, {*x, *y + h - 1}};
        if (!polygon)
            report.fail(file, "line " + std::to_string(lineOf(line)) + ": TextLine " + imported.origin +
                                  " without a polygon or a box");
        imported.polygon = pagePoints(*polygon, page, imported, line, file, report);
        imported.baseline = altoBaseline(line, imported, page, file, report);
        // The words of a line are separated by a blank whether or not an SP
        // stands between them; a HYP continues the word before it.
        std::u16string text;
        bool afterWord = false;
        for (const xmlNode* part : children(line)) {
            if (isElement(part, "String")) {
                if (afterWord)
                    text += u' ';
                text += wideFromUtf8(attribute(part, "CONTENT"));
                afterWord = true;
            } else if (isElement(part, "HYP")) {
                text += wideFromUtf8(attribute(part, "CONTENT"));
            } else if (isElement(part, "SP")) {
                text += u' ';
                afterWord = false;
            }
            if (auto wc = confidenceValue(attribute(part, "WC")))
                imported.confidence = std::min(imported.confidence.value_or(1.0), *wc);
        }
        imported.text = cleanZoneText(text);
        const std::string cs = attribute(line, "CS");
        imported.checked = cs == "true" || cs == "1";
        page.lines.push_back(std::move(imported));
    }
    return page;
}

std::u16string zoneLineOf(const ImportedLine& line, size_t index)
{
    const PixelBox box = boundingBox(line.polygon);
    auto attr = [](const char* name, const std::string& value) {
        return std::u16string(u" ") + toWide(name) + u"=\"" + escapeXml(wideFromUtf8(value)) + u"\"";
    };
    std::u16string zone = u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\"" + attr("id", std::to_string(index + 1)) +
                          attr("col", std::to_string(box.left)) + attr("row", std::to_string(box.top)) +
                          attr("width", std::to_string(box.width())) +
                          attr("height", std::to_string(box.height())) + u" offsets=\"\"" +
                          attr("contents", line.text) + u" segmentation=\"word\"" +
                          attr("polygon", formatPoints(line.polygon));
    // Always written, empty when unknown: the attribute marks a line zone.
    zone += attr("baseline", formatPoints(line.baseline));
    if (line.confidence)
        zone += attr("confidence", twoDecimals(*line.confidence));
    if (!line.origin.empty())
        zone += attr("origin", line.origin);
    if (line.checked)
        zone += attr("checked", "yes");
    return zone + u" > </DL_ZONE>";
}

}  // namespace

ZoneDocument importZoneDocument(const xmlDoc* doc, const std::string& file, Report& report)
{
    xmlNode* root = xmlDocGetRootElement(doc);
    const XmlKind kind = kindOf(doc);
    if (kind == XmlKind::Unknown)
        report.fail(file, "neither a PAGE nor an ALTO document");
    const ImportedPage page = kind == XmlKind::Alto ? importAlto(root, file, report) : importPage(root, file, report);

    const std::u16string src = escapeXml(wideFromUtf8(page.image));
    ZoneDocument document;
    document.headerLines = {u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                            u"<TAVO xmlns=\"urn:tavo:groundtruth\" version=\"1.0\">",
                            u"<DL_DOCUMENT src=\"" + src + u"\" docTag=\"xml\" NrOfPages=\"1\">",
                            u"<DL_PAGE tavo_type=\"DL_PAGE\" src=\"" + src + u"\" pageID=\"1\" width=\"" +
                                toWide(std::to_string(page.width)) + u"\" height=\"" +
                                toWide(std::to_string(page.height)) + u"\">"};
    for (size_t i = 0; i < page.lines.size(); ++i)
        document.zones.push_back({zoneLineOf(page.lines[i], i), 0});
    document.footerLines = {u"\t\t</DL_PAGE>", u"\t</DL_DOCUMENT>", u"</TAVO>"};
    return document;
}

void runImport(const std::u16string& input, const std::u16string& output, Report& report)
{
    const XmlDocPtr doc = parseXmlFile(input, report);
    writeZoneDocument(importZoneDocument(doc.get(), utf8FromWide(input), report), output);
}

}  // namespace tavo
