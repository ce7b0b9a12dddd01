#include "groundtruth/ZoneDocument.h"

#include "groundtruth/ZoneLine.h"
#include "util/Report.h"
#include "util/Strings.h"
#include "util/TextFile.h"

#include <algorithm>
#include <utility>

namespace tavo {

namespace {

}  // namespace

ZoneDocument zoneDocumentFromLines(std::vector<std::u16string> lines)
{
    ZoneDocument document;
    bool previousWasZone = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::u16string& line = lines[i];
        const std::u16string type = getAttribute(u"tavo_type", line);
        if (type == u"DL_TEXTLINEGT") {
            document.zones.push_back({std::move(line), static_cast<long>(i + 1)});
            previousWasZone = true;
            continue;
        }
        // The line that ends a run of zones is not looked at for the page size.
        if (type == u"DL_PAGE" && !previousWasZone) {
            document.pageWidth = intAttribute(u"width", line);
            document.pageHeight = intAttribute(u"height", line);
        }
        previousWasZone = false;
        if (document.zones.empty())
            document.headerLines.push_back(std::move(line));
        else
            document.footerLines.push_back(std::move(line));
    }
    return document;
}

std::optional<ZoneDocument> loadZoneDocument(const std::u16string& fileName)
{
    CTextFileRead file(fileName);
    if (!file.isOpen())
        return std::nullopt;
    std::vector<std::u16string> lines;
    std::u16string line;
    while (file.readLine(line))
        lines.push_back(line);
    if (file.readFailed())
        throw RuntimeFailure(utf8FromWide(fileName) + ": cannot read file");
    return zoneDocumentFromLines(std::move(lines));
}

void sortZonesByRow(ZoneDocument& document)
{
    std::vector<DocumentZone>& zones = document.zones;
    std::vector<std::pair<int, size_t>> keys(zones.size());
    for (size_t i = 0; i < zones.size(); ++i)
        keys[i] = {intAttribute(u"row", zones[i].text), i};
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<DocumentZone> sorted;
    sorted.reserve(zones.size());
    for (const auto& key : keys)
        sorted.push_back(std::move(zones[key.second]));
    zones = std::move(sorted);
}

void writeZoneDocument(const ZoneDocument& document, const std::u16string& fileName)
{
    CTextFileWrite file(fileName, 3);
    for (const std::u16string& line : document.headerLines) {
        file.writeText(line);
        file.writeEndLine();
    }
    for (const DocumentZone& zone : document.zones) {
        file.writeText(zone.text);
        file.writeEndLine();
    }
    for (const std::u16string& line : document.footerLines) {
        file.writeText(line);
        file.writeEndLine();
    }
    file.close();
}

}  // namespace tavo
