// Scoring the zones a run wrote for a page against the page's truth: line
// zones and word zones matched one to one by box overlap, their texts
// compared, the PAW boxes of the zones matched to the truth PAWs, and the
// run's own doubt set against whether the page needed a second look.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "quality/PageTruth.h"

namespace tavo::quality {

constexpr double kMatchIou = 0.5;
// A zone whose confidence is below this is doubtful.
constexpr double kDoubtfulConfidence = 0.5;
// A page with a smaller share of right words (or lines) needed a flag.
constexpr double kGoodPageShare = 0.95;

struct Zone {
    Box box;
    std::string text;  // contents, XML entities resolved, UTF-8
    double confidence = 1.0;
    bool doubt = false;  // carries a non-empty doubt attribute
    std::vector<Box> pawBoxes;

    bool doubtful() const { return doubt || confidence < kDoubtfulConfidence; }
};

// The DL_TEXTLINEGT zones of a ground-truth file in file order; opened is
// false when the file cannot be read (its zones are then none).
struct ZoneFile {
    bool opened = false;
    std::vector<Zone> zones;
};
ZoneFile readZoneFile(const std::string& path);

// "x,y,w,h x,y,w,h ..."; malformed entries are skipped.
std::vector<Box> parseBoxList(const std::string& value);

// One-to-one pairs (truth index, found index) with IoU >= minIou, taken
// greedily from the best overlap down.
std::vector<std::pair<int, int>> matchBoxes(const std::vector<Box>& truth, const std::vector<Box>& found,
                                            double minIou = kMatchIou);

// Texts are equal after trimming and collapsing spaces; word texts also
// ignore the spaces between PAWs.
bool sameLineText(const std::string& a, const std::string& b);
bool sameWordText(const std::string& a, const std::string& b);

struct PageScore {
    std::string name;
    std::string kind;
    bool linesRead = false;  // the lines file could be read
    bool wordsGiven = false;
    bool wordsRead = false;
    int truthLines = 0, lineZones = 0, matchedLines = 0, rightLines = 0;
    int truthWords = 0, wordZones = 0, rightWords = 0;
    int truthPaws = 0, pawBoxes = 0, matchedPaws = 0;
    int correctZones = 0, doubtfulCorrect = 0;  // zones matched with the right text
    // Calibration of the word zones' confidence: right words doubted, wrong
    // word zones (no right match) trusted, and per tenth of confidence the
    // zones, their summed confidence and how many were right.
    int rightWordsDoubted = 0, wrongWordZones = 0, wrongWordsTrusted = 0;
    std::array<int, 10> binZones{};
    std::array<double, 10> binConfidence{};
    std::array<int, 10> binRight{};
    bool flagged = false;                        // any doubtful zone
    bool neededFlag = false;
    double seconds = -1.0;  // time the run took, negative when not given
};

// Expected calibration error over the tenths of confidence: the gap between
// mean confidence and share right, weighted by the zones in each tenth.
double calibrationError(const std::array<int, 10>& zones, const std::array<double, 10>& confidence,
                        const std::array<int, 10>& right);

// words may be null (no word file for this page).
PageScore scorePage(const PageTruth& truth, const ZoneFile& lines, const ZoneFile* words);

}  // namespace tavo::quality
