#include "review/PageCheck.h"

#include "review/ScoreCache.h"

#include "util/Strings.h"
#include "groundtruth/ZoneLine.h"
#include "groundtruth/ZoneVerdict.h"

#include <algorithm>

namespace tavo {

bool isCheckedZone(std::u16string_view line)
{
    return getWholeAttribute(line, u"checked").value_or(u"") == u"yes";
}

CheckedPage loadCheckedPage(const std::u16string& image, const std::u16string& wordsXml,
                            const std::u16string& linesXml, Report& report)
{
    CheckedPage checked{loadWorkingPage(image, report), readZoneFile(wordsXml, report), {}, {}};
    if (!linesXml.empty())
        checked.lines = readZoneFile(linesXml, report);
    return checked;
}

PageScores scoreCheckedPage(const InkIndex& ink, const ZoneFile& words, const ZoneFile& lines)
{
    PageScores scores = scorePage(ink, words.zones, lines.zones);
    // A zone a person corrected or confirmed (checked="yes") is not doubted.
    for (auto [file, list] : {std::pair{&words, &scores.words}, std::pair{&lines, &scores.lines}})
        for (size_t i = 0; i < file->zones.size(); ++i)
            if (isCheckedZone(file->lines[file->zones[i].lineIndex]))
                (*list)[i] = ZoneScore{};
    return scores;
}

CheckedPage checkPage(const std::u16string& image, const std::u16string& wordsXml,
                      const std::u16string& linesXml, Report& report)
{
    CheckedPage checked = loadCheckedPage(image, wordsXml, linesXml, report);
    checked.scores = scoreCheckedPage(InkIndex::ofPage(checked.page), checked.words, checked.lines);
    return checked;
}

int countDoubtful(const std::vector<ZoneScore>& scores)
{
    return static_cast<int>(std::count_if(scores.begin(), scores.end(), [](const ZoneScore& s) {
        return s.verdict() != ZoneVerdict::Sure;
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
    if (score.verdict() != ZoneVerdict::Sure && !score.doubts.empty()) {
        put(u"doubt", doubtText(score.doubts));
    } else if (const size_t at = line.find(u" doubt=\""); at != std::u16string::npos) {
        // The reasons the zone came with were weighed; a sure zone keeps none.
        const size_t end = line.find(u'"', at + 8);
        if (end != std::u16string::npos)
            line.erase(at, end + 1 - at);
    }
    return line;
}

namespace {

const char* kindName(bool line) { return line ? "line" : "word"; }

void listDoubtful(const ZoneFile& file, const std::vector<ZoneScore>& scores, const std::string& name,
                  bool lines, Report& report)
{
    for (size_t i = 0; i < file.zones.size(); ++i) {
        const ZoneScore& score = scores[i];
        if (score.verdict() == ZoneVerdict::Sure)
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
              const std::u16string& linesXml, Report& report, const std::u16string& scoresFile,
              const std::u16string& cacheFile)
{
    GreyCache cache(cacheFile, image);
    const ZULImage grey = cache.load(report);  // the ink and the thumbnail need only grey
    CheckedPage checked{{}, readZoneFile(wordsXml, report), {}, {}};
    if (!linesXml.empty())
        checked.lines = readZoneFile(linesXml, report);
    const InkIndex ink = InkIndex::ofPage(grey);
    checked.scores = scoreCheckedPage(ink, checked.words, checked.lines);
    // Each zone line gets its score as it is written (zones come in line
    // order), so the file is not held twice; a checked zone keeps its line as
    // the person left it.
    const std::vector<ZoneEntry>& zones = checked.words.zones;
    size_t next = 0;
    writeZoneLines(outXml, checked.words.lines.size(), [&](size_t i) {
        if (next < zones.size() && zones[next].lineIndex == i) {
            // A checked zone keeps its line as the person left it.
            if (isCheckedZone(checked.words.lines[i])) {
                ++next;
                return checked.words.lines[i];
            }
            std::u16string line = checked.words.lines[i];
            // The confidence the zone came with (the word finder's; 1 when
            // it had none) is kept beside the checker's, so checking again
            // weighs the same evidence.
            if (!zones[next].finderScore)
                appendAttribute(line, u"finderscore", confidenceText(zones[next].confidence.value_or(1.0)));
            return withScore(std::move(line), checked.scores.words[next++]);
        }
        return checked.words.lines[i];
    });
    std::vector<std::u16string>().swap(checked.words.lines);  // written: its memory goes before the listing grows
    if (!scoresFile.empty()) {
        // The scores -review computes from the file just written, for it to take.
        const ZoneFile written = readZoneFile(outXml, report);
        writeKnownScores(scoresFile, inputDigest(image, outXml, linesXml),
                         {ink.pageWidth(), ink.pageHeight(), scoreCheckedPage(ink, written, checked.lines),
                          reviewThumbnail(grey)});
    }

    listDoubtful(checked.lines, checked.scores.lines, utf8FromWide(linesXml), true, report);
    listDoubtful(checked.words, checked.scores.words, utf8FromWide(wordsXml), false, report);
    report.printLine(doubtSummary(checked));
    cache.keep(grey);
}

}  // namespace tavo
