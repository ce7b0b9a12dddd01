#include "review/PageCheck.h"

#include "util/Strings.h"
#include "groundtruth/ZoneLine.h"
#include "groundtruth/ZoneVerdict.h"

#include <algorithm>

namespace tavo {

CheckedPage checkPage(const std::u16string& image, const std::u16string& wordsXml,
                      const std::u16string& linesXml, Report& report)
{
    CheckedPage checked{loadWorkingPage(image, report), readZoneFile(wordsXml, report), {}, {}};
    if (!linesXml.empty())
        checked.lines = readZoneFile(linesXml, report);
    const InkIndex ink = InkIndex::ofPage(checked.page);
    checked.scores = scorePage(ink, checked.words.zones, checked.lines.zones);
    return checked;
}

int countDoubtful(const std::vector<ZoneScore>& scores)
{
    return static_cast<int>(std::count_if(scores.begin(), scores.end(), [](const ZoneScore& s) {
        return verdictOf(s.confidence) != ZoneVerdict::Sure;
    }));
}

std::string doubtSummary(const CheckedPage& checked)
{
    return "doubtful: " + std::to_string(countDoubtful(checked.scores.lines)) + " of " +
           std::to_string(checked.lines.zones.size()) + " lines, " +
           std::to_string(countDoubtful(checked.scores.words)) + " of " +
           std::to_string(checked.words.zones.size()) + " words";
}

std::u16string withScore(std::u16string line, const ZoneScore& score)
{
    auto put = [&line](std::u16string_view name, const std::u16string& value) {
        if (!setWholeAttribute(line, name, value))
            appendAttribute(line, name, value);
    };
    put(u"confidence", confidenceText(score.confidence));
    if (verdictOf(score.confidence) != ZoneVerdict::Sure && !score.doubts.empty())
        put(u"doubt", doubtText(score.doubts));
    return line;
}

namespace {

const char* kindName(bool line) { return line ? "line" : "word"; }

void listDoubtful(const ZoneFile& file, const std::vector<ZoneScore>& scores, const std::string& name,
                  bool lines, Report& report)
{
    for (size_t i = 0; i < file.zones.size(); ++i) {
        const ZoneScore& score = scores[i];
        if (verdictOf(score.confidence) == ZoneVerdict::Sure)
            continue;
        const ZoneEntry& zone = file.zones[i];
        const std::string why = utf8FromWide(confidenceText(score.confidence)) + " " +
                                utf8FromWide(doubtText(score.doubts));
        report.printLine(name + ":" + std::to_string(zone.lineNumber) + ": " + kindName(lines) + " " + why +
                         ": " + utf8FromWide(normaliseSpaces(zone.text)));
        report.zoneDoubtful(name, zone.lineNumber, std::string(kindName(lines)) + " " + why);
    }
}

}  // namespace

void runCheck(const std::u16string& image, const std::u16string& wordsXml, const std::u16string& outXml,
              const std::u16string& linesXml, Report& report)
{
    CheckedPage checked = checkPage(image, wordsXml, linesXml, report);
    // Each zone line gets its score as it is written (zones come in line
    // order), so the file is not held twice.
    const std::vector<ZoneEntry>& zones = checked.words.zones;
    size_t next = 0;
    writeZoneLines(outXml, checked.words.lines.size(), [&](size_t i) {
        if (next < zones.size() && zones[next].lineIndex == i)
            return withScore(checked.words.lines[i], checked.scores.words[next++]);
        return checked.words.lines[i];
    });
    std::vector<std::u16string>().swap(checked.words.lines);  // written: its memory goes before the listing grows

    listDoubtful(checked.lines, checked.scores.lines, utf8FromWide(linesXml), true, report);
    listDoubtful(checked.words, checked.scores.words, utf8FromWide(wordsXml), false, report);
    report.printLine(doubtSummary(checked));
}

}  // namespace tavo
