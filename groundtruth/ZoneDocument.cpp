#include "groundtruth/ZoneDocument.h"

#include "groundtruth/ZoneLine.h"
#include "util/Report.h"
#include "util/Strings.h"
#include "util/TextFile.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace tavo {

namespace {

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

std::u16string_view trimmed(std::u16string_view line)
{
    while (!line.empty() && isBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && isBlank(line.back()))
        line.remove_suffix(1);
    return line;
}

std::optional<std::vector<std::u16string>> readLinesOf(const std::u16string& fileName)
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
    return lines;
}

}  // namespace

std::optional<std::string> cutShortReason(const std::vector<std::u16string>& lines)
{
    size_t last = lines.size();
    while (last > 0 && trimmed(lines[last - 1]).empty())
        --last;
    if (last == 0)
        return "cut short: the file is empty";
    // The outermost element is the first one opened (TAVO as the program
    // writes it; hand-made files may start at DL_PAGE or with the zones).
    std::u16string root;
    for (size_t i = 0; i < last && root.empty(); ++i) {
        std::u16string_view line = trimmed(lines[i]);
        if (line.starts_with(u"\uFEFF"))
            line.remove_prefix(1);
        if (line.size() < 2 || line[0] != u'<' || line[1] == u'?' || line[1] == u'!')
            continue;
        const size_t end = line.find_first_of(u" \t/>", 1);
        root = line.substr(1, end == std::u16string_view::npos ? std::u16string_view::npos : end - 1);
    }
    const std::u16string_view end = trimmed(lines[last - 1]);
    const bool zonesOnly = root == u"DL_ZONE";
    const std::u16string closing = zonesOnly ? u">" : u"</" + root + u">";
    if (!root.empty() && end.ends_with(closing))
        return std::nullopt;
    const std::string where = std::to_string(last);
    const std::string missing = zonesOnly || root.empty() ? "" : ", without the closing </" + utf8FromWide(root) + ">";
    if (end.starts_with(u"<DL_ZONE") && !end.ends_with(u">"))
        return "cut short: ends inside the zone on line " + where + missing;
    return "cut short: ends at line " + where + missing;
}

std::optional<ZoneDocument> loadWholeZoneDocument(const std::u16string& fileName)
{
    std::optional<std::vector<std::u16string>> lines = readLinesOf(fileName);
    if (!lines)
        return std::nullopt;
    if (std::optional<std::string> reason = cutShortReason(*lines))
        throw RuntimeFailure(utf8FromWide(fileName) + ": " + *reason);
    return zoneDocumentFromLines(std::move(*lines));
}

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
    std::optional<std::vector<std::u16string>> lines = readLinesOf(fileName);
    if (!lines)
        return std::nullopt;
    return zoneDocumentFromLines(std::move(*lines));
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
