// -review: a self-contained HTML page for checking one page's zones by eye.
#pragma once

#include "review/ZoneFile.h"
#include "review/ZoneScore.h"
#include "util/Report.h"

#include <functional>
#include <string>
#include <vector>

namespace tavo {

// What a review page shows.  Names and paths are bytes as the file system
// gives them; paths are relative to the page's folder.
struct ReviewContent {
    std::string title;     // the scan as named on the command line
    std::string picture;   // the picture the zones are drawn over
    int width = 0, height = 0;
    const ZoneFile& lines;
    const std::vector<ZoneScore>& lineScores;
    std::string linesLink;
    const ZoneFile& words;
    const std::vector<ZoneScore>& wordScores;
    std::string wordsLink;
    std::string summary;
};

// The review page: every name and text escaped for where it lands.
std::string reviewHtml(const ReviewContent& content);

// The same page handed to write piece by piece as it is built.
void writeReviewHtml(const ReviewContent& content, const std::function<void(const std::string&)>& write);

// Scores the zones as -check does and writes html, which draws the zones
// over the scan itself (linked relative to the page) and crops its doubtful
// zones from it.  A scan in a format browsers do not show (TIFF, PBM/PGM/PPM)
// gets one rendering beside the page, written again only when the scan is
// newer: <stem>-page.png (1 bit) for a black-and-white page, else
// <stem>-page.jpg.  Also writes a thumbnail (<stem>-thumb.png)
// for the batch index.  Prints one summary line, as -check does.  With a
// scores file -check wrote for these very files, takes the scores from it
// instead of measuring the ink again (the same page results).
void runReview(const std::u16string& image, const std::u16string& wordsXml, const std::u16string& html,
               const std::u16string& linesXml, Report& report, const std::u16string& scoresFile = {});

}  // namespace tavo
