#include "transcript/Merge.h"

#include "groundtruth/ZoneDocument.h"
#include "groundtruth/ZoneLine.h"
#include "util/LineFiles.h"
#include "util/Strings.h"
#include "util/TextFile.h"

#include <algorithm>

namespace tavo {

namespace {

bool isLeadingSpace(char16_t c)
{
    return c == u'\t' || c == u' ' || c == u'\r' || c == u'\n';
}

}  // namespace

std::vector<std::u16string> mergeTextLines(const std::vector<std::u16string>& rawLines)
{
    std::vector<std::u16string> lines;
    for (const std::u16string& raw : rawLines) {
        size_t start = 0;
        while (start < raw.size() && isLeadingSpace(raw[start]))
            ++start;
        if (start == raw.size())
            continue;
        lines.push_back(escapeXml(raw.substr(start)));
    }
    return lines;
}

void runMerge(const std::u16string& textFile, const std::u16string& inputXml,
              const std::u16string& outputXml, Report& report)
{
    const std::vector<std::u16string> lines = mergeTextLines(readAllLines(textFile, report, "transcription"));

    std::optional<ZoneDocument> document = loadZoneDocument(inputXml);
    if (!document)
        report.fail(utf8FromWide(inputXml), "cannot open ground-truth file");
    std::vector<DocumentZone>& zones = document->zones;
    if (lines.size() != zones.size())
        report.printLine("Warning : Text line = " + std::to_string(lines.size()) +
                         " XML line = " + std::to_string(zones.size()));

    sortZonesByRow(*document);
    const size_t filled = std::min(lines.size(), zones.size());
    for (size_t i = 0; i < filled; ++i)
        setAttribute(zones[i].text, u"contents", lines[i], true);
    writeZoneDocument(*document, outputXml);
}

}  // namespace tavo
