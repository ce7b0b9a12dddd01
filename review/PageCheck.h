// A page's word zones (and line zones, when given) scored against its ink:
// what -check writes and -review shows.
#pragma once

#include "review/ZoneFile.h"
#include "review/ZoneScore.h"

#include "ZULImage.h"

#include <string>

namespace tavo {

struct CheckedPage {
    ZULImage page;      // the working page, 24-bit
    ZoneFile words;
    ZoneFile lines;     // no zones when no lines file was given
    PageScores scores;
};

// Loads the page and the files, scores not yet given.
CheckedPage loadCheckedPage(const std::u16string& image, const std::u16string& wordsXml,
                            const std::u16string& linesXml, Report& report);
// The scores of the zones against the ink, every checked zone sure.
PageScores scoreCheckedPage(const InkIndex& ink, const ZoneFile& words, const ZoneFile& lines);

// Loads and scores; an unloadable page or an unreadable file is a runtime
// failure.
CheckedPage checkPage(const std::u16string& image, const std::u16string& wordsXml,
                      const std::u16string& linesXml, Report& report);

// checked="yes": the zone was corrected or confirmed by a person; -check
// and -review count it sure and -check leaves its line as it is.
bool isCheckedZone(std::u16string_view line);

// Doubtful (not sure) zones among the scores.
int countDoubtful(const std::vector<ZoneScore>& scores);
// "doubtful: L of N lines, W of M words", the last line -check prints.
std::string doubtSummary(const CheckedPage& checked);

// The zone line with its confidence, and its doubt when the zone is
// doubtful, set in place or added after its last attribute.
std::u16string withScore(std::u16string line, const ZoneScore& score);

// -check: writes the words file with every zone's confidence to outXml,
// prints the doubtful lines and words one per line and a summary line, and
// warns of each doubtful zone (exit status 3).  With a scores file, also
// writes there the scores -review computes from outXml (see ScoreCache.h).
// The ink is measured on the grey page, taken from the cache file when it
// holds it (-cache FILE, GreyCache in page/PageFile.h).
void runCheck(const std::u16string& image, const std::u16string& wordsXml, const std::u16string& outXml,
              const std::u16string& linesXml, Report& report, const std::u16string& scoresFile = {},
              const std::u16string& cacheFile = {});

}  // namespace tavo
