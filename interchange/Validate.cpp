#include "interchange/Interchange.h"
#include "interchange/XmlText.h"
#include "interchange/XmlTree.h"

#include "util/Strings.h"

#include <libxml/catalog.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlschemas.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

namespace tavo {

namespace {

struct Findings {
    std::string file;
    Report& report;
    int count = 0;
    // The first findings are listed; a broken file would bury them otherwise.
    static constexpr int kListed = 100;
    void add(long line, const std::string& why)
    {
        if (++count <= kListed)
            report.doubtful(file, line, why);
    }
};

// TAVO_SCHEMAS, else the shared schemas beside the source tree.
std::filesystem::path schemaFolder()
{
    if (const char* env = std::getenv("TAVO_SCHEMAS"); env && *env)
        return env;
    return TAVO_SCHEMA_DIR;
}

void collectSchemaError(void* data, const xmlError* error)
{
    auto* findings = static_cast<Findings*>(data);
    std::string message = error && error->message ? error->message : "schema violation";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    findings->add(error ? error->line : 0, "schema: " + message);
}

// Validates against the schema; false when the schema could not be used
// (why then holds libxml2's first message about it).
bool validateSchema(xmlDoc* doc, const std::filesystem::path& xsd, Findings& findings, std::string& why)
{
    XmlErrorTrap trap;
    static const bool catalogLoaded = [&] {
        xmlInitializeCatalog();
        return xmlLoadCatalog((xsd.parent_path() / "catalog.xml").c_str()) == 0;
    }();
    (void)catalogLoaded;
    // Schema imports resolve through the catalog; nothing is fetched.
    const xmlExternalEntityLoader previous = xmlGetExternalEntityLoader();
    xmlSetExternalEntityLoader(xmlNoNetExternalEntityLoader);
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(xsd.c_str());
    xmlSchemaPtr schema = parser ? xmlSchemaParse(parser) : nullptr;
    xmlSchemaFreeParserCtxt(parser);
    xmlSetExternalEntityLoader(previous);
    if (!schema) {
        why = trap.first();
        return false;
    }
    xmlSchemaValidCtxtPtr valid = xmlSchemaNewValidCtxt(schema);
    xmlSchemaSetValidStructuredErrors(valid, reinterpret_cast<xmlStructuredErrorFunc>(collectSchemaError), &findings);
    xmlSchemaValidateDoc(valid, doc);
    xmlSchemaFreeValidCtxt(valid);
    xmlSchemaFree(schema);
    return true;
}

void checkText(const xmlNode* at, const std::string& text, bool isWord, Findings& findings)
{
    const std::u16string wide = wideFromUtf8(text);
    if (!isNfc(wide))
        findings.add(lineOf(at), "text not in NFC");
    if (hasBidiControl(wide))
        findings.add(lineOf(at), "text holds bidi control characters");
    if (isWord && isTatweelOnly(wide))
        findings.add(lineOf(at), "word made of tatweel only");
}

// An attribute as a number of pixels, limited so that sums of two stay in
// range whatever a file holds; 0 when it is not a number.
int pixels(const xmlNode* node, const char* name)
{
    const std::string text = attribute(node, name);
    const double value = std::strtod(text.c_str(), nullptr);
    return value != value ? 0 : static_cast<int>(std::clamp(value, -1e9, 1e9));
}

struct PageFrame {
    int width = 0;
    int height = 0;
};

// The schemas allow any integer as the image size; a reader needs a
// positive one.
void checkFrame(const xmlNode* page, const PageFrame& frame, const char* width, const char* height,
                Findings& findings)
{
    if (frame.width <= 0)
        findings.add(lineOf(page), std::string(width) + " \"" + attribute(page, width) + "\" is not a positive size");
    if (frame.height <= 0)
        findings.add(lineOf(page), std::string(height) + " \"" + attribute(page, height) + "\" is not a positive size");
}

std::optional<PixelBox> checkedPoints(const xmlNode* at, const std::string& text, const PageFrame& frame,
                                      Findings& findings)
{
    const std::optional<std::vector<Point>> points = parsePoints(text);
    if (frame.width <= 0 || frame.height <= 0)
        return std::nullopt;  // the schema check reports the page size
    if (!points) {
        findings.add(lineOf(at), "points unreadable: \"" + text.substr(0, 40) + "\"");
        return std::nullopt;
    }
    for (const Point& p : *points)
        if (p.x < 0 || p.y < 0 || p.x >= frame.width || p.y >= frame.height) {
            findings.add(lineOf(at), "point " + std::to_string(p.x) + "," + std::to_string(p.y) +
                                         " outside the image");
            break;
        }
    return boundingBox(*points);
}

std::string unicodeOf(const xmlNode* element)
{
    return textOf(firstChild(firstChild(element, "TextEquiv"), "Unicode"));
}

// Words ordered by their `readingOrder {index:k;}` when every one has it
// (a file may hold them left to right), else in document order.
std::vector<xmlNode*> wordsInReadingOrder(const xmlNode* line)
{
    std::vector<std::pair<long, xmlNode*>> indexed;
    for (xmlNode* word : children(line, "Word")) {
        const std::string custom = attribute(word, "custom");
        const size_t at = custom.find("readingOrder {index:");
        const long index = at == std::string::npos ? -1 : std::strtol(custom.c_str() + at + 20, nullptr, 10);
        indexed.emplace_back(index, word);
    }
    if (std::all_of(indexed.begin(), indexed.end(), [](const auto& w) { return w.first >= 0; }))
        std::stable_sort(indexed.begin(), indexed.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<xmlNode*> words;
    for (const auto& w : indexed)
        words.push_back(w.second);
    return words;
}

void checkPage(xmlNode* root, Findings& findings)
{
    xmlNode* page = firstChild(root, "Page");
    if (!page)
        return;  // the schema reports it
    const PageFrame frame{pixels(page, "imageWidth"), pixels(page, "imageHeight")};
    checkFrame(page, frame, "imageWidth", "imageHeight", findings);
    std::map<std::string, xmlNode*> ids;
    std::vector<xmlNode*> all;
    descendants(page, "", all);
    for (xmlNode* element : all)
        if (hasAttribute(element, "id"))
            ids.emplace(attribute(element, "id"), element);

    // Reading order: every reference names an element, none twice, and none
    // a group that encloses the reference (a cycle).
    std::set<std::string> referenced;
    for (xmlNode* element : all) {
        if (!hasAttribute(element, "regionRef"))
            continue;
        const std::string ref = attribute(element, "regionRef");
        const auto target = ids.find(ref);
        if (target == ids.end()) {
            findings.add(lineOf(element), "reading order names missing id " + ref);
            continue;
        }
        if (!referenced.insert(ref).second)
            findings.add(lineOf(element), "reading order names " + ref + " twice");
        for (const xmlNode* up = element->parent; up && up->type == XML_ELEMENT_NODE; up = up->parent)
            if (up == target->second)
                findings.add(lineOf(element), "reading order cycle through " + ref);
    }

    std::vector<xmlNode*> coords, baselines, lines;
    descendants(page, "Coords", coords);
    descendants(page, "Baseline", baselines);
    for (const auto* list : {&coords, &baselines})
        for (xmlNode* c : *list)
            if (hasAttribute(c, "points"))
                checkedPoints(c, attribute(c, "points"), frame, findings);
    descendants(page, "TextLine", lines);
    for (xmlNode* line : lines) {
        const std::string lineText = unicodeOf(line);
        checkText(line, lineText, false, findings);
        const xmlNode* lineCoords = firstChild(line, "Coords");
        const std::optional<std::vector<Point>> outline = parsePoints(attribute(lineCoords, "points"));
        std::string joined;
        const std::vector<xmlNode*> words = wordsInReadingOrder(line);
        for (xmlNode* word : words) {
            const std::string text = unicodeOf(word);
            checkText(word, text, true, findings);
            if (!text.empty())
                joined += (joined.empty() ? "" : " ") + text;
            const auto box = parsePoints(attribute(firstChild(word, "Coords"), "points"));
            if (outline && box && !boundingBox(*outline).contains(boundingBox(*box)))
                findings.add(lineOf(word), "word " + attribute(word, "id") + " outside its line");
        }
        if (!words.empty() && firstChild(line, "TextEquiv") && joined != lineText)
            findings.add(lineOf(line), "line text differs from its words joined by spaces");
    }
}

void checkAlto(xmlNode* root, Findings& findings)
{
    std::vector<xmlNode*> pages;
    descendants(root, "Page", pages);
    for (xmlNode* page : pages) {
        const PageFrame frame{pixels(page, "WIDTH"), pixels(page, "HEIGHT")};
        checkFrame(page, frame, "WIDTH", "HEIGHT", findings);
        auto boxOf = [&](const xmlNode* e) -> std::optional<PixelBox> {
            if (!hasAttribute(e, "HPOS") || !hasAttribute(e, "WIDTH"))
                return std::nullopt;
            const int x = pixels(e, "HPOS"), y = pixels(e, "VPOS");
            const int w = pixels(e, "WIDTH"), h = pixels(e, "HEIGHT");
            if (w <= 0 || h <= 0) {
                findings.add(lineOf(e), "box of width " + std::to_string(w) + " and height " + std::to_string(h));
                return std::nullopt;
            }
            return PixelBox{x, y, x + w - 1, y + h - 1};
        };
        std::vector<xmlNode*> lines;
        descendants(page, "TextLine", lines);
        for (xmlNode* line : lines) {
            const std::optional<PixelBox> lineBox = boxOf(line);
            if (lineBox && (lineBox->left < 0 || lineBox->top < 0 || lineBox->right >= frame.width ||
                            lineBox->bottom >= frame.height))
                findings.add(lineOf(line), "line box outside the image");
            if (hasAttribute(line, "BASELINE"))
                checkedPoints(line, attribute(line, "BASELINE"), frame, findings);
            std::vector<xmlNode*> polygons;
            descendants(line, "Polygon", polygons);
            for (xmlNode* polygon : polygons)
                checkedPoints(polygon, attribute(polygon, "POINTS"), frame, findings);
            for (xmlNode* string : children(line, "String")) {
                checkText(string, attribute(string, "CONTENT"), true, findings);
                const std::optional<PixelBox> box = boxOf(string);
                if (lineBox && box && !lineBox->contains(*box))
                    findings.add(lineOf(string), "word " + attribute(string, "ID") + " outside its line");
            }
        }
    }
}

}  // namespace

void runValidate(const std::u16string& file, Report& report)
{
    const std::string name = utf8FromWide(file);
    const XmlDocPtr doc = parseXmlFile(file, report);
    xmlNode* root = xmlDocGetRootElement(doc.get());
    const XmlKind kind = kindOf(doc.get());
    const char* xsd = nullptr;
    switch (kind) {
    case XmlKind::Page2019: xsd = "pagecontent-2019-07-15.xsd"; break;
    case XmlKind::Page2013: xsd = "pagecontent-2013-07-15.xsd"; break;
    case XmlKind::Alto: xsd = attribute(root, "SCHEMAVERSION") == "4.2" ? "alto-4-2.xsd" : "alto-4-4.xsd"; break;
    case XmlKind::PageOther: break;
    case XmlKind::Unknown: report.fail(name, "neither a PAGE nor an ALTO document");
    }
    Findings findings{name, report};
    const std::filesystem::path schema = schemaFolder() / (xsd ? xsd : "");
    if (!xsd)
        report.printLine(name + ": no schema for this PAGE version; schema check skipped");
    else if (!std::filesystem::is_regular_file(schema))
        report.printLine(name + ": schema check skipped: " + schema.string() +
                         " not found (set TAVO_SCHEMAS to the schema folder)");
    else if (std::string why; !validateSchema(doc.get(), schema, findings, why))
        report.fail(schema.string(), "cannot load schema" + (why.empty() ? "" : ": " + why));
    if (kind == XmlKind::Alto)
        checkAlto(root, findings);
    else
        checkPage(root, findings);
    report.printLine(name + (findings.count == 0 ? ": valid" : ": " + std::to_string(findings.count) + " problems"));
}

}  // namespace tavo
