// Confidence of zones against synthetic ink: right texts are sure, texts on
// the wrong ink, cut or overlapping zones are doubtful and say why.
#include "review/InkIndex.h"
#include "review/ZoneFile.h"
#include "review/PageCheck.h"
#include "support/ReviewFixtures.h"
#include "review/ZoneScore.h"
#include "groundtruth/ZoneVerdict.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tavo;
using reviewtest::drawLine;
using reviewtest::kWords;

namespace {

PageScores score(const reviewtest::SynthPage& s)
{
    return scorePage(InkIndex(s.page), s.words, s.lines);
}

bool names(const ZoneScore& score, const std::string& reason)
{
    return std::find(score.doubts.begin(), score.doubts.end(), reason) != score.doubts.end();
}

// The lines one under the other on one page, their zones moved with them.
reviewtest::SynthPage stack(const std::vector<reviewtest::SynthPage>& parts)
{
    int width = 0, height = 0;
    for (const auto& part : parts) {
        width = std::max(width, part.page.zulGetWidth());
        height += part.page.zulGetHeight();
    }
    reviewtest::SynthPage s{ZULImage(width, height, 8, true), {}, {}};
    int top = 0;
    long number = 5;
    for (const auto& part : parts) {
        for (int y = 0; y < part.page.zulGetHeight(); ++y)
            for (int x = 0; x < part.page.zulGetWidth(); ++x)
                if (part.page.zulGetPixelValue(x, y) < 128)
                    s.page.zulSetPixel(x, top + y, 0);
        for (auto [from, to] : {std::pair{&part.words, &s.words}, std::pair{&part.lines, &s.lines}})
            for (ZoneEntry z : *from) {
                z.box.row += top;
                z.lineNumber = number++;
                to->push_back(z);
            }
        top += part.page.zulGetHeight();
    }
    return s;
}

// The line drawn out: every column stretched by the factor, zones with it.
reviewtest::SynthPage stretched(const reviewtest::SynthPage& line, double factor)
{
    const int width = static_cast<int>(line.page.zulGetWidth() * factor);
    reviewtest::SynthPage s{ZULImage(width, line.page.zulGetHeight(), 8, true), line.words, line.lines};
    for (int y = 0; y < line.page.zulGetHeight(); ++y)
        for (int x = 0; x < width; ++x)
            if (line.page.zulGetPixelValue(static_cast<int>(x / factor), y) < 128)
                s.page.zulSetPixel(x, y, 0);
    for (auto* zones : {&s.words, &s.lines})
        for (ZoneEntry& z : *zones) {
            const int right = static_cast<int>((z.box.col + z.box.width) * factor);
            z.box.col = static_cast<int>(z.box.col * factor);
            z.box.width = right - z.box.col;
        }
    return s;
}

}  // namespace

TEST(ZoneScore, TextsOnTheirOwnInkAreSureAtAnyResolution)
{
    for (int body : {30, 40, 80}) {
        const PageScores scores = score(drawLine(kWords, body));
        ASSERT_EQ(scores.words.size(), kWords.size());
        for (const ZoneScore& s : scores.words) {
            EXPECT_EQ(s.verdict(), ZoneVerdict::Sure) << body << " " << s.confidence;
            EXPECT_TRUE(s.doubts.empty());
        }
        EXPECT_EQ(scores.lines[0].verdict(), ZoneVerdict::Sure) << body;
    }
}

TEST(ZoneScore, SwappedTextsAreDoubtful)
{
    auto s = drawLine(kWords);
    std::swap(s.words[0].text, s.words[3].text);  // one piece and short against three and long
    const PageScores scores = score(s);
    for (size_t i : {size_t{0}, size_t{3}}) {
        EXPECT_NE(scores.words[i].verdict(), ZoneVerdict::Sure) << i;
        EXPECT_TRUE(names(scores.words[i], "bodies")) << i;
    }
    EXPECT_EQ(scores.words[1].verdict(), ZoneVerdict::Sure);
}

TEST(ZoneScore, ZoneCuttingThroughItsWordIsDoubtful)
{
    auto s = drawLine(kWords);
    s.words[2].box.width = s.words[2].box.width * 2 / 3;  // the edge runs through the second piece
    const PageScores scores = score(s);
    EXPECT_NE(scores.words[2].verdict(), ZoneVerdict::Sure);
    EXPECT_TRUE(names(scores.words[2], "cut"));
}

// A cut is judged against the page's own: where every word's edge cuts
// into its letters (a hand whose words touch), the same cut rules a word
// out less than on a page where it is the only one.
TEST(ZoneScore, CutIsJudgedAgainstThePagesTypicalCut)
{
    auto alone = drawLine(kWords);
    auto all = alone;
    alone.words[2].box.width = alone.words[2].box.width * 2 / 3;
    for (ZoneEntry& w : all.words)
        w.box.width = w.box.width * 2 / 3;
    // Without the line, whose doubt would pass to the words.
    const PageEvidence one = pageEvidence(InkIndex(alone.page), alone.words, {});
    const PageEvidence every = pageEvidence(InkIndex(all.page), all.words, {});
    EXPECT_EQ(one.hand.cutTypical, 0);
    EXPECT_GT(every.hand.cutTypical, 0.1);
    EXPECT_NEAR(one.words[2].cut, every.words[2].cut, 1e-9);
    EXPECT_LT(wordRuledOut(one.words[2]), 0.9);
    EXPECT_GT(wordRuledOut(every.words[2]), wordRuledOut(one.words[2]));
}

TEST(ZoneScore, ZonesWithoutTextInkOrSpaceOfTheirOwnAreDoubtful)
{
    auto s = drawLine(kWords);
    s.words[0].text = u"  ";
    s.words[1].box = {10, 0, 20, 10};  // blank paper above the line
    s.words[2].box = {2147483000, 2147483000, 2147483000, 2147483000};  // far off the page
    s.words[3].box = {10, 10, -20, 30};
    s.words[4].box = s.words[5].box;  // two zones on one word
    s.words[4].text = s.words[5].text;
    const PageScores scores = score(s);
    const char* const expected[] = {"empty", "noink", "noink", "noink", "overlap", "overlap"};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_TRUE(names(scores.words[i], expected[i])) << i;
        EXPECT_NE(scores.words[i].verdict(), ZoneVerdict::Sure) << i;
        EXPECT_TRUE(i >= 4 || scores.words[i].verdict() == ZoneVerdict::Failed) << i;
    }
}

TEST(ZoneScore, LineWithMoreWordsThanZonesPassesItsDoubtToTheWords)
{
    auto s = drawLine(kWords);
    s.lines[0].text += u" \u0641\u064A \u0645\u0646";  // two words the zones do not hold
    const PageScores scores = score(s);
    EXPECT_NE(scores.lines[0].verdict(), ZoneVerdict::Sure);
    EXPECT_TRUE(names(scores.lines[0], "merged"));
    for (const ZoneScore& w : scores.words)
        EXPECT_TRUE(names(w, "line"));
}

// A line is judged against the page's other lines: ink between the words
// that every line of the page has (a hand's marks, a neighbour's strokes)
// makes no line stray, while on a page where one line alone has it, it does.
TEST(ZoneScore, StrayInkIsJudgedAgainstThePagesTypicalLine)
{
    const int body = 40;
    auto marked = drawLine(kWords, body);
    const ZoneBox& after = marked.words[1].box;  // a blot in the gap after the second word
    for (int y = after.row + 1; y < after.row + after.height - 1; ++y)
        for (int x = after.col + after.width + 2; x < after.col + after.width + body - 2; ++x)
            marked.page.zulSetPixel(x, y, 0);
    const auto plain = drawLine(kWords, body);
    const PageScores one = score(stack({plain, plain, marked, plain, plain, plain}));
    EXPECT_TRUE(names(one.lines[2], "stray"));
    EXPECT_FALSE(names(one.lines[0], "stray"));
    const PageScores every = score(stack({marked, marked, marked, marked, marked, marked}));
    for (const ZoneScore& line : every.lines)
        EXPECT_FALSE(names(line, "stray"));
}

// A line drawn out (an opening line, a hand that stretches its strokes)
// whose word zones each hold a word of its text and leave no ink over is
// not doubted for its length; the same line with words missing is.
TEST(ZoneScore, DrawnOutLineIsNotDoubtedWhenItsWordsReproduceIt)
{
    const auto plain = drawLine(kWords);
    const auto drawn = stretched(plain, 1.8);
    const PageScores fits = score(stack({drawn, plain, plain, plain, plain, plain}));
    EXPECT_FALSE(names(fits.lines[0], "length"));
    EXPECT_EQ(fits.lines[0].verdict(), ZoneVerdict::Sure) << fits.lines[0].confidence;

    auto missing = stack({drawn, plain, plain, plain, plain, plain});
    missing.words.erase(missing.words.begin() + 1, missing.words.begin() + 3);  // two of the drawn line's six
    const PageScores lacks = score(missing);
    EXPECT_TRUE(names(lacks.lines[0], "length"));
    EXPECT_NE(lacks.lines[0].verdict(), ZoneVerdict::Sure);
}

// One word zone too few on a long line is the word finder's slip, doubted
// on its words; on a short line it makes the line doubtful.
TEST(ZoneScore, WordZonesOffAreWeighedAsAShareOfTheLinesWords)
{
    std::vector<std::u16string> twelve = kWords;
    twelve.insert(twelve.end(), kWords.begin(), kWords.end());
    auto longLine = drawLine(twelve);
    longLine.words.erase(longLine.words.begin() + 4);
    const PageScores onLong = score(longLine);
    EXPECT_FALSE(names(onLong.lines[0], "merged"));

    auto shortLine = drawLine({kWords[0], kWords[1], kWords[2], kWords[3]});
    shortLine.words.erase(shortLine.words.begin() + 1);
    const PageScores onShort = score(shortLine);
    EXPECT_TRUE(names(onShort.lines[0], "merged"));
    EXPECT_NE(onShort.lines[0].verdict(), ZoneVerdict::Sure);
}

TEST(ZoneScore, LineInkNoWordCoversIsStray)
{
    auto s = drawLine(kWords);
    s.words.erase(s.words.begin() + 1, s.words.begin() + 4);
    s.lines[0].text = kWords[0] + u" " + kWords[4] + u" " + kWords[5];
    const PageScores scores = score(s);
    EXPECT_TRUE(names(scores.lines[0], "stray"));
}

// A text put on the wrong ink can fit the line's length and body count; its
// words then fail one by one, and the line is in doubt with them.
TEST(ZoneScore, LineWhoseWordsAreAllInDoubtIsInDoubt)
{
    auto s = drawLine(kWords);
    s.words[0].confidence = 0.01;
    const PageScores one = score(s);
    ASSERT_TRUE(one.words[0].doubtful);
    EXPECT_EQ(one.lines[0].verdict(), ZoneVerdict::Sure);

    for (ZoneEntry& word : s.words)
        word.confidence = 0.01;
    const PageScores all = score(s);
    EXPECT_TRUE(names(all.lines[0], "words"));
    EXPECT_NE(all.lines[0].verdict(), ZoneVerdict::Sure);
}

// The word finder's confidence is evidence: a very low one makes a word on
// fitting ink doubtful and its reasons are kept; a high one raises nothing.
TEST(ZoneScore, GivenConfidenceAndDoubtAreCombined)
{
    auto s = drawLine(kWords);
    s.words[0].confidence = 0.05;
    s.words[0].doubt = u"split";
    s.words[1].confidence = 0.95;
    const PageScores scores = score(s);
    EXPECT_NE(scores.words[0].verdict(), ZoneVerdict::Sure);
    EXPECT_TRUE(names(scores.words[0], "split"));
    EXPECT_EQ(scores.words[1].verdict(), ZoneVerdict::Sure);
}

// A hand that lifts the pen inside its pieces is judged against itself:
// once every piece of the page is drawn in two bodies, the page's rate says
// so and the words stay sure; a word whose count is off that rate is not.
TEST(ZoneScore, HandThatLiftsThePenIsLearntFromThePage)
{
    const int body = 40, stroke = body / 10, gap = 2 * stroke;
    auto s = drawLine(kWords, body);
    for (const ZoneEntry& w : s.words) {  // a white cut through the middle of every piece
        const int pieces = std::max(1, expectedBodies(w.text));
        const int width = (w.box.width - 2 - gap * (pieces - 1)) / pieces;
        for (int p = 0; p < pieces; ++p) {
            const int middle = w.box.col + 1 + p * (width + gap) + width / 2;
            for (int x = middle - stroke; x <= middle + stroke; ++x)
                for (int y = w.box.row; y < w.box.row + w.box.height; ++y)
                    s.page.zulSetPixel(x, y, 255);
        }
    }
    const PageEvidence evidence = pageEvidence(InkIndex(s.page), s.words, s.lines);
    EXPECT_GT(evidence.hand.bodiesPerPaw, 1.5);
    const PageScores scores = score(s);
    for (const ZoneScore& w : scores.words)
        EXPECT_EQ(w.verdict(), ZoneVerdict::Sure) << w.confidence;
    EXPECT_EQ(scores.lines[0].verdict(), ZoneVerdict::Sure);

    std::swap(s.words[0].text, s.words[3].text);
    const PageScores swapped = score(s);
    EXPECT_NE(swapped.words[0].verdict(), ZoneVerdict::Sure);
}

// A stroke drawn apart above a letter (a kaf's bar, dots drawn as one
// stroke) rides on it: the hand does not count it as a body of its own, so
// a word with such strokes is not judged to lift the pen.
TEST(ZoneScore, StrokesDrawnAboveALetterAreNoBodies)
{
    const int body = 40, stroke = body / 10;
    auto s = drawLine(kWords, body);
    for (ZoneEntry& w : s.words) {
        reviewtest::outline(s.page, w.box.col + w.box.width / 4, w.box.row - body / 3, body * 2 / 3, stroke, stroke);
        w.box.row -= body / 2;
        w.box.height += body / 2;
    }
    const PageEvidence evidence = pageEvidence(InkIndex(s.page), s.words, s.lines);
    EXPECT_LT(evidence.hand.bodiesPerPaw, 1.2);
    for (const ZoneScore& w : score(s).words)
        EXPECT_EQ(w.verdict(), ZoneVerdict::Sure) << w.confidence;
}

// A doubt makes a zone doubtful at any confidence (a word may be doubted at
// a high chance of being right); without one the confidence decides alone.
TEST(ZoneScore, DoubtDecidesTheVerdictBeforeTheConfidence)
{
    EXPECT_EQ(verdictOf(0.9, true), ZoneVerdict::Doubtful);
    EXPECT_EQ(verdictOf(0.1, true), ZoneVerdict::Failed);
    EXPECT_EQ(verdictOf(0.9, false), ZoneVerdict::Sure);
    EXPECT_EQ(verdictOf(0.3, false), ZoneVerdict::Doubtful);
    EXPECT_EQ((ZoneScore{0.9, {"length"}, true}).verdict(), ZoneVerdict::Doubtful);
    // Written as the chance, with the doubt that decides.
    auto s = drawLine(kWords);
    std::swap(s.words[0].text, s.words[3].text);
    const ZoneScore swapped = score(s).words[0];
    const std::u16string line = withScore(u"<DL_ZONE id=\"1\"> </DL_ZONE>", swapped);
    EXPECT_NE(line.find(u" doubt=\""), std::u16string::npos);
    EXPECT_EQ(verdictOf(zoneConfidence(line).value_or(1), true), swapped.verdict());
}

TEST(ZoneScore, ExpectedBodiesCountPiecesDrawnOnTheLine)
{
    EXPECT_EQ(expectedBodies(u"\u062F\u0627\u0631"), 3);                // three letters that never join on
    EXPECT_EQ(expectedBodies(u"\u0633\u0645\u0627\u0621"), 1);          // the lone hamza rides above
    EXPECT_EQ(expectedBodies(u"\u0628\u064E\u064A\u062A"), 1);          // a vowel mark splits nothing
    EXPECT_EQ(expectedBodies(u"\u0628\u064A\u062A \u062F\u0627\u0631"), 4);
    EXPECT_EQ(expectedBodies(u""), 0);
    EXPECT_GT(expectedWidth(u"\u0633\u0633"), expectedWidth(u"\u0627\u0627"));
}

TEST(ZoneScore, ScoreGoesAfterTheLastAttributeOrReplacesTheGivenOne)
{
    const std::u16string line = u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"3\" contents=\"x\" nextZoneID=\"4\"> </DL_ZONE>";
    EXPECT_EQ(withScore(line, {0.934, {}}),
              u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"3\" contents=\"x\" nextZoneID=\"4\" confidence=\"0.93\"> </DL_ZONE>");
    const std::u16string doubtful = withScore(line, {0.25, {"length", "cut"}});
    EXPECT_NE(doubtful.find(u"confidence=\"0.25\" doubt=\"length cut\">"), std::u16string::npos);
    // Scoring again replaces both values instead of adding more.
    const std::u16string again = withScore(doubtful, {0.1, {"cut"}});
    EXPECT_NE(again.find(u" confidence=\"0.10\" doubt=\"cut\">"), std::u16string::npos);
    EXPECT_EQ(again.find(u"confidence", again.find(u"confidence") + 1), std::u16string::npos);
}

// A photographed page is strewn with specks: many more than letters, but
// holding little ink, so they set neither the letter height nor the count
// of letter bodies.
TEST(ZoneScore, SpecksOfAPhotographedPageAreNoLetters)
{
    auto s = drawLine(kWords);
    const int body = 40;
    const auto speck = [&](int x, int y) { reviewtest::outline(s.page, x, y, 4, 11, 4); };
    for (int x = 8; x + 4 < s.page.zulGetWidth(); x += 12) {
        speck(x, 4);
        speck(x, s.page.zulGetHeight() - 16);
    }
    for (size_t i = 0; i + 1 < s.words.size(); ++i)  // in the gaps between words, on the line
        speck(s.words[i].box.col + s.words[i].box.width + body / 2 - 2, s.words[i].box.row + body / 4);
    const PageScores scores = score(s);
    EXPECT_EQ(scores.lines[0].verdict(), ZoneVerdict::Sure) << scores.lines[0].confidence;
    EXPECT_FALSE(names(scores.lines[0], "bodies"));
}

// Lines written close together have boxes that share rows; a line cut
// apart from its neighbour along the ink (an outline, as -lines writes it)
// is judged by its own ink only.
TEST(ZoneScore, OutlinedLinesSharingRowsAreJudgedByTheirOwnInk)
{
    auto s = drawLine(kWords);
    const ZoneBox own = s.lines[0].box;
    ZoneEntry below = s.lines[0];
    below.lineNumber = 6;
    below.box = {own.col, own.row + own.height / 3, own.width, own.height};
    s.lines.push_back(below);
    EXPECT_TRUE(names(score(s).lines[0], "overlap"));

    const int cut = own.row + own.height - 2;  // under the first line's ink
    const int right = own.col + own.width - 1;
    s.lines[0].outline = {{own.col, own.row}, {right, own.row}, {right, cut}, {own.col, cut}};
    s.lines[1].outline = {{own.col, cut + 1}, {right, cut + 1}, {right, below.box.row + below.box.height - 1},
                          {own.col, below.box.row + below.box.height - 1}};
    const PageScores scores = score(s);
    EXPECT_FALSE(names(scores.lines[0], "overlap"));
    EXPECT_EQ(scores.lines[0].verdict(), ZoneVerdict::Sure) << scores.lines[0].confidence;
    EXPECT_TRUE(names(scores.lines[1], "noink"));
}

TEST(ZoneFile, OutlinesAreReadOnlyWhenWellFormed)
{
    EXPECT_EQ(parseOutline(u"1,2 3,4 5,6"), (std::vector<std::pair<int, int>>{{1, 2}, {3, 4}, {5, 6}}));
    EXPECT_TRUE(parseOutline(u"").empty());
    EXPECT_TRUE(parseOutline(u"1,2 3,4").empty());         // not an area
    EXPECT_TRUE(parseOutline(u"1,2 3;4 5,6").empty());     // malformed
    EXPECT_TRUE(parseOutline(u"1,2 3,4 5,-6").empty());    // off the page
}
