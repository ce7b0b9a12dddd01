// Confidence of line and word zones measured against the page ink: how
// well the ink inside a zone fits the text it claims to hold.
//
// Every measure is taken in page units (the stroke width and body height of
// InkIndex) and, where writers differ, against the page's own median, so a
// narrow or a wide hand scores alike.  Each measure gives a penalty from 0
// (fits) to 1 (cannot be right); the confidence is the product of one minus
// each penalty, and every penalty of note names its reason.
#pragma once

#include "groundtruth/ZoneVerdict.h"
#include "review/InkIndex.h"
#include "review/ZoneFile.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavo {

struct ZoneScore {
    double confidence = 1;
    std::vector<std::string> doubts;  // short keywords, most serious first
    bool doubtful = false;            // then doubts names at least one reason

    ZoneVerdict verdict() const { return verdictOf(confidence, doubtful); }
};

struct PageScores {
    std::vector<ZoneScore> words;
    std::vector<ZoneScore> lines;
};

// The page's own hand, measured on the zones that fit their text well: how
// many letter bodies a piece of Arabic word (PAW) takes (above 1 for a hand
// that lifts the pen inside PAWs, below for one whose PAWs touch) and the
// ink length per body height of expected width, and how much the count
// strays from that rate: the variance per expected body (a hand that lifts
// the pen now and then, or a thin pen that breaks its strokes on the scan,
// strays more).
struct HandModel {
    double bodiesPerPaw = 1;
    double bodiesSpread = 0.1;  // variance of the count per expected body
    double lengthPerWidth = 0;  // 0 when the page gave no measure
    // The share of a word's ink its zone's edge cuts off on this page (the
    // upper quartile over its words): where words touch and letters reach
    // into the next word, a cut is no sign of a wrong box by itself.
    double cutTypical = 0;
    // The same for the line zones, and the share of a line's ink no word
    // zone covers (medians over the lines): close lines whose letters reach
    // into each other, or marks between the words, are the page's way.
    double lineCutTypical = 0;
    double strayTypical = 0;
    int zonesUsed = 0;
};

// What the ink says about one word zone, each a measure of misfit (0 fits).
struct WordEvidence {
    double bodies = 0;   // body count off the hand's, in standard deviations
    double length = 0;   // |log| of the ink length over the hand's for the text
    double cut = 0;      // share of the ink cut off at the zone's edge
    double pageCut = 0;  // the same, typical of the page's words (HandModel::cutTypical)
    double overlap = 0;  // share of the zone's area another zone covers
    double finder = 0;   // -log of the confidence the zone came with (0 without)
    double line = 0;     // 1 - confidence of the line the word lies on
    int bodyCount = 0;   // letter bodies found in the zone
    int pieces = 0;      // pieces (PAWs) drawn on the line its text has
    bool empty = false, noInk = false;
};

// The chance that a word zone with this evidence is right (calibrated on
// pages with word truth; see docs/review.md).
double wordProbability(const WordEvidence& e);
// The share of the fitted chance that evidence beyond the fit leaves (a
// zone edge through the letters, a line most likely wrong): 1 when none.
double wordRuledOut(const WordEvidence& e);

// The evidence of every word zone and the hand it was measured against.
// What the ink says about one line zone: each penalty (0 fits, 1 cannot be
// right) by its reason, and the confidence they give.
struct LineEvidence {
    std::vector<std::pair<double, std::string>> penalties;
    double confidence = 1;
};

struct PageEvidence {
    HandModel hand;
    std::vector<WordEvidence> words;
    std::vector<LineEvidence> lines;
};
PageEvidence pageEvidence(const InkIndex& ink, const std::vector<ZoneEntry>& words,
                          const std::vector<ZoneEntry>& lines);

// Scores every word zone and every line zone (lines may be empty).  A zone
// that already carries a confidence keeps the lower of the two and the
// reasons of both.
PageScores scorePage(const InkIndex& ink, const std::vector<ZoneEntry>& words,
                     const std::vector<ZoneEntry>& lines);

// The width the text is expected to take, in body heights.
double expectedWidth(std::u16string_view text);

// Main-body pieces the text is written in: its PAWs that hold a letter
// drawn on the line (a lone hamza or mark rides on others).
int expectedBodies(std::u16string_view text);

// The value of the confidence attribute: two decimals.
std::u16string confidenceText(double confidence);
// The value of the doubt attribute: the reasons joined by spaces.
std::u16string doubtText(const std::vector<std::string>& doubts);

}  // namespace tavo
