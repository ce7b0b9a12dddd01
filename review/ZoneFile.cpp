#include "review/ZoneFile.h"

#include "util/LineFiles.h"
#include "util/Strings.h"
#include "util/TextFile.h"
#include "groundtruth/ZoneDocument.h"
#include "groundtruth/ZoneLine.h"
#include "groundtruth/ZoneVerdict.h"

#include <cstdlib>
#include <algorithm>
#include <utility>

namespace tavo {

std::vector<std::pair<int, int>> parseOutline(std::u16string_view value)
{
    std::optional<std::vector<std::pair<int, int>>> points = readPolygon(value);
    if (!points || std::any_of(points->begin(), points->end(), [](const auto& p) { return p.first < 0 || p.second < 0; }))
        return {};
    return *points;
}

ZoneFile readZoneFile(const std::u16string& path, Report& report)
{
    std::vector<std::u16string> lines = readAllLines(path, report);
    if (std::optional<std::string> reason = cutShortReason(lines))
        report.fail(utf8FromWide(path), *reason);
    return zoneFileOf(std::move(lines));
}

ZoneFile zoneFileOf(std::vector<std::u16string> lines)
{
    ZoneFile file;
    file.lines = std::move(lines);
    // A NUL or a malformed sequence is shown and written back as U+FFFD.
    for (std::u16string& line : file.lines)
        line = fitText(line);
    for (size_t i = 0; i < file.lines.size(); ++i) {
        const std::u16string& line = file.lines[i];
        if (!isZoneLine(line))
            continue;
        ZoneEntry zone;
        zone.lineNumber = static_cast<long>(i) + 1;
        zone.lineIndex = i;
        zone.box = readZoneBox(line);
        zone.text = unescapeXml(getWholeAttribute(line, u"contents").value_or(std::u16string()));
        zone.confidence = zoneConfidence(line);
        if (const auto finder = getWholeAttribute(line, u"finderscore"); finder && !finder->empty())
            zone.finderScore = std::clamp(std::strtod(toNarrow(*finder).c_str(), nullptr), 0.0, 1.0);
        zone.doubt = getWholeAttribute(line, u"doubt").value_or(std::u16string());
        zone.checked = getWholeAttribute(line, u"checked").value_or(std::u16string()) == u"yes";
        zone.outline = parseOutline(getWholeAttribute(line, u"polygon").value_or(std::u16string()));
        file.zones.push_back(std::move(zone));
    }
    return file;
}

void writeZoneFile(const std::u16string& path, const std::vector<std::u16string>& lines)
{
    writeZoneLines(path, lines.size(), [&lines](size_t i) { return lines[i]; });
}

void writeZoneLines(const std::u16string& path, size_t count, const std::function<std::u16string(size_t)>& lineAt)
{
    // The reader delivers a final empty line for a file that ends in a line
    // end; writing it back as such keeps the file's ending as it was.
    CTextFileWrite out(path, kUtf8);
    for (size_t i = 0; i < count; ++i) {
        const std::u16string line = lineAt(i);
        if (i + 1 == count && line.empty())
            break;
        out.writeText(line);
        if (i + 1 < count)
            out.writeEndLine();
    }
    out.close();
}

}  // namespace tavo
