// The word finder on drawn lines: what straight column cuts get wrong (tails
// reaching under the next PAW, marks over a gap, touching PAWs, a word with
// no ink) must come out right here.

#include "support/InkLinePage.h"
#include "words/PawPlan.h"
#include "words/WordFinder.h"
#include "words/ZoneInk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace {

using namespace wordstest;
using tavo::FoundLine;
using tavo::findWords;

int right(const tavo::PageBox& b) { return b.col + b.width - 1; }
int bottom(const tavo::PageBox& b) { return b.row + b.height - 1; }

TEST(PawPlan, BreaksTokensIntoPawsAndMarksWordStarts)
{
    // "الدار بيت": ا | لد | ا | ر, then بيت; a lone hamza is weak, Latin foreign.
    const tavo::LinePlan plan = tavo::planLine(u"\u0627\u0644\u062F\u0627\u0631  " + kBayt + u" \u0621 ab");
    ASSERT_EQ(plan.words.size(), 4u);
    ASSERT_EQ(plan.paws.size(), 7u);
    EXPECT_TRUE(plan.paws[0].wordStart);
    EXPECT_FALSE(plan.paws[1].wordStart);
    EXPECT_TRUE(plan.paws[4].wordStart);
    EXPECT_EQ(plan.paws[4].word, 1);
    EXPECT_GT(plan.paws[4].weight, plan.paws[0].weight);
    EXPECT_TRUE(plan.paws[5].weak);
    EXPECT_TRUE(plan.paws[6].foreign);
    EXPECT_FALSE(tavo::planLine(u"12 ab").hasArabic);

    // Digits run left to right: the zero written first stands on the left.
    const tavo::LinePlan number = tavo::planLine(u"\u0660\u0661");
    ASSERT_EQ(number.paws.size(), 2u);
    EXPECT_FALSE(number.paws[0].weak);
    EXPECT_TRUE(number.paws[1].weak);
    EXPECT_TRUE(number.paws[0].wordStart);

    // Quotation marks stand in the file as entities: the word keeps them as
    // written, its PAW is the one narrow mark they stand for.
    const tavo::LinePlan quoted = tavo::planLine(u"&quot;" + kBayt + u" &quot;");
    ASSERT_EQ(quoted.words.size(), 2u);
    EXPECT_EQ(quoted.words[1], u"&quot;");
    ASSERT_EQ(quoted.paws.size(), 3u);
    EXPECT_TRUE(quoted.paws[0].weak);
    EXPECT_DOUBLE_EQ(quoted.paws[0].weight, tavo::pawWeight(u"\""));
    EXPECT_DOUBLE_EQ(quoted.paws[1].weight, tavo::pawWeight(kBayt));
    EXPECT_TRUE(quoted.paws[2].weak);

    // Manuscripts are transcribed with dotless and Persian letters: "ٮں"
    // is one Arabic PAW as wide as "بن", and the word stays as written.
    const tavo::LinePlan dotless = tavo::planLine(u"\u066E\u06BA\u200E \u06A9\u06CC");
    ASSERT_EQ(dotless.paws.size(), 2u);
    EXPECT_EQ(dotless.words[0], u"\u066E\u06BA\u200E");  // the mark of direction is no PAW
    EXPECT_FALSE(dotless.paws[0].foreign);
    EXPECT_DOUBLE_EQ(dotless.paws[0].weight, tavo::pawWeight(u"\u0628\u0646"));
    EXPECT_FALSE(dotless.paws[1].foreign);
    EXPECT_TRUE(dotless.hasArabic);
}

TEST(WordFinder, TailUnderTheNextPawStaysWithItsOwnWord)
{
    ZULImage page = whitePage();
    drawPaw(page, 260, 339);  // first word, on the right
    drawPaw(page, 150, 239);  // second word, whose tail runs back under the first
    fill(page, 150, kBase, 153, kBase + 12);
    fill(page, 150, kBase + 9, 300, kBase + 12);
    const FoundLine line = findWords(page, lineZone(kBayt + u" " + kSami));
    ASSERT_EQ(line.words.size(), 2u);
    const tavo::PageBox& first = line.words[0].box;
    const tavo::PageBox& second = line.words[1].box;
    EXPECT_EQ(first.col, 260);
    EXPECT_EQ(bottom(first), kBase);  // the tail is not the first word's
    EXPECT_EQ(second.col, 150);
    EXPECT_EQ(right(second), 300);    // the whole tail is the second word's
    EXPECT_EQ(line.words[0].contents, kBayt);
}

TEST(WordFinder, MarksGoToTheBodyTheySitOver)
{
    ZULImage page = whitePage();
    drawPaw(page, 260, 339);
    drawPaw(page, 170, 239);
    fill(page, 262, kBase + 6, 266, kBase + 10);  // under the first word's left end
    fill(page, 232, kBase - 36, 236, kBase - 32); // over the second word's right end
    const FoundLine line = findWords(page, lineZone(kBayt + u" " + kSami));
    ASSERT_EQ(line.words.size(), 2u);
    EXPECT_EQ(bottom(line.words[0].box), kBase + 10);
    EXPECT_EQ(line.words[0].box.col, 260);
    EXPECT_EQ(line.words[1].box.row, kBase - 36);
    EXPECT_EQ(bottom(line.words[1].box), kBase);
    EXPECT_EQ(right(line.words[1].box), 239);
}

TEST(WordFinder, TouchingPawsAreSplitAtTheirThinnestColumn)
{
    ZULImage page = whitePage();
    drawPaw(page, 260, 339);
    drawPaw(page, 170, 239);
    fill(page, 240, kBase, 259, kBase);  // a one-pixel join between the words
    const FoundLine line = findWords(page, lineZone(kBayt + u" " + kSami));
    ASSERT_EQ(line.words.size(), 2u);
    EXPECT_GE(line.words[0].box.col, 240);
    EXPECT_LE(line.words[0].box.col, 260);
    EXPECT_GE(right(line.words[1].box), 239);
    EXPECT_LT(right(line.words[1].box), line.words[0].box.col);
}

TEST(WordFinder, AWordWithoutInkDoesNotShiftTheRest)
{
    ZULImage page = whitePage();
    drawPaw(page, 300, 359);  // bayt
    drawPaw(page, 230, 279);  // min
    drawPaw(page, 60, 149);   // sami'; la between them left unwritten
    const FoundLine line = findWords(page, lineZone(kBayt + u" " + kMin + u" " + kLa + u" " + kSami));
    ASSERT_EQ(line.words.size(), 4u);
    EXPECT_EQ(line.words[0].box.col, 300);
    EXPECT_EQ(line.words[1].box.col, 230);
    // The last word keeps its own ink (most of it: the missing word may be
    // taken for a piece of it that touches it).
    EXPECT_EQ(line.words[3].box.col, 60);
    EXPECT_GE(right(line.words[3].box), 120);
    EXPECT_LE(line.words[2].box.col, 149);
    EXPECT_GT(line.words[0].confidence, 0.5);
}

TEST(WordFinder, PawBoxesAndCutsOfAWordOfSeveralPaws)
{
    ZULImage page = whitePage();
    // "دار": dal, alef, ra from right to left, close together.
    drawPaw(page, 300, 319);
    fill(page, 290, kBase - kAscent + 1, 293, kBase);
    drawPaw(page, 265, 283);
    const FoundLine line = findWords(page, lineZone(u"\u062F\u0627\u0631"));
    ASSERT_EQ(line.words.size(), 1u);
    const tavo::FoundWord& word = line.words[0];
    ASSERT_EQ(word.pawBoxes.size(), 3u);
    EXPECT_EQ(word.pawBoxes[0].col, 300);
    EXPECT_EQ(word.pawBoxes[1].col, 290);
    EXPECT_EQ(word.pawBoxes[2].col, 265);
    EXPECT_EQ(word.offsets.size(), 2u);
    for (int cut : word.offsets) {
        EXPECT_GT(cut, 0);
        EXPECT_LT(cut, word.box.width);
    }
}

}  // namespace

namespace {

std::u16string withPolygon(const std::u16string& zoneLine, const std::u16string& points)
{
    std::u16string line = zoneLine;
    line.insert(line.rfind(u"> </DL_ZONE>"), u"polygon=\"" + points + u"\" ");
    return line;
}

TEST(WordFinder, BrokenStrokeStaysOnePawOfItsWord)
{
    ZULImage page = whitePage();
    drawPaw(page, 260, 339);
    drawPaw(page, 140, 189);  // sami', broken in two 3 columns apart
    fill(page, 193, kBase - kStroke + 1, 239, kBase);
    const FoundLine line = findWords(page, lineZone(kBayt + u" " + kSami));
    ASSERT_EQ(line.words.size(), 2u);
    EXPECT_EQ(line.words[1].box.col, 140);
    EXPECT_EQ(right(line.words[1].box), 239);
    EXPECT_EQ(line.words[1].pawBoxes.size(), 1u);
}

TEST(WordFinder, FaintInkOnShadedPaperIsFound)
{
    ZULImage page = whitePage();
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 400; ++x) {
            const auto paper = static_cast<std::uint8_t>(250 - x / 4);  // 250 down to 151
            page.zulSetColorPixel(x, y, paper, paper, paper);
        }
    ZULImage ink = whitePage();
    drawPaw(ink, 260, 339);
    drawPaw(ink, 40, 129);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 400; ++x)
            if (ink.zulGetRow(y)[3 * x] == 0) {
                const auto v = static_cast<std::uint8_t>(page.zulGetRow(y)[3 * x] - 50);
                page.zulSetColorPixel(x, y, v, v, v);
            }
    const FoundLine line = findWords(page, lineZone(kBayt + u" " + kSami));
    ASSERT_EQ(line.words.size(), 2u);
    EXPECT_EQ(line.words[0].box.col, 260);
    EXPECT_EQ(line.words[0].box.row, kBase - kAscent + 1);
    EXPECT_EQ(line.words[1].box.col, 40);
    EXPECT_EQ(right(line.words[1].box), 129);
}

TEST(WordFinder, NeighbourInkIsLeftOut)
{
    ZULImage page = whitePage();
    drawPaw(page, 260, 339);
    drawPaw(page, 140, 219);
    fill(page, 150, 0, 250, 13);   // the line above, running on past the zone's top
    fill(page, 336, 16, 339, kBase);  // a tall upright under
    fill(page, 335, 10, 339, 14);     // a mark of this line on the zone's top row
    const FoundLine line = findWords(page, lineZone(kBayt + u" " + kSami));
    ASSERT_EQ(line.words.size(), 2u);
    EXPECT_EQ(line.words[0].box.row, 10);
    EXPECT_EQ(line.words[1].box.row, kBase - kAscent + 1);

    // Inside the zone, only an outline tells a neighbour's stroke apart.
    fill(page, 150, 20, 250, 23);
    const std::u16string outline = u"20,28 379,28 379,99 20,99";
    const FoundLine kept = findWords(page, withPolygon(lineZone(kBayt + u" " + kSami), outline));
    ASSERT_EQ(kept.words.size(), 2u);
    EXPECT_EQ(kept.words[0].box.row, 16);  // the mark above lies outside the outline
    EXPECT_EQ(kept.words[1].box.row, kBase - kAscent + 1);
    EXPECT_EQ(right(kept.words[1].box), 219);
}

TEST(WordFinder, LatinWordKeepsItsPlaceInTheLine)
{
    ZULImage page = whitePage();
    drawPaw(page, 300, 359);
    for (int x : {200, 220, 240})  // three Latin letters, upright strokes
        fill(page, x, kBase - 20, x + kStroke - 1, kBase);
    drawPaw(page, 60, 129);
    const FoundLine line = findWords(page, lineZone(kBayt + u" abc " + kMin));
    ASSERT_EQ(line.words.size(), 3u);
    EXPECT_EQ(line.words[1].contents, u"abc");
    EXPECT_EQ(line.words[1].box.col, 200);
    EXPECT_EQ(right(line.words[1].box), 243);
    EXPECT_EQ(line.words[2].box.col, 60);
}

}  // namespace

// A hand that lifts the pen inside a word and writes the next word close:
// the gap inside the second word is wider than the gap between the words,
// and the widths the letters predict must still place the boundary.
TEST(WordFinder, PenLiftWiderThanTheWordGapStaysInsideTheWord)
{
    ZULImage page = whitePage();
    drawPaw(page, 262, 339);  // bayt
    drawPaw(page, 206, 255);  // sami', right half, 6 columns after bayt
    drawPaw(page, 140, 185);  // sami', left half, after a 20-column pen lift
    const FoundLine line = findWords(page, lineZone(kBayt + u" " + kSami));
    ASSERT_EQ(line.words.size(), 2u);
    EXPECT_EQ(line.words[0].box.col, 262);
    EXPECT_EQ(line.words[1].box.col, 140);
    EXPECT_EQ(right(line.words[1].box), 255);
}

// Strokes that are not letters of the line: a ruled margin crossing the whole
// zone beside a word, and the bar of a kaf written apart from its body that
// reaches out towards the next word and belongs to the word it falls to.
TEST(WordFinder, MarginRuleIsLeftOutAndAKafBarStaysWithItsWord)
{
    ZULImage page = whitePage();
    fill(page, 256, kBase - 11, 339, kBase);  // bodies as solid blocks: a 12-row core band
    fill(page, 150, kBase - 11, 239, kBase);
    fill(page, 343, 0, 345, 119);  // the margin, top to bottom of the page
    for (int x = 242; x <= 255; ++x) {  // the bar, down from the right into the core's top half
        const int y = kBase - 8 - (x - 242) * 8 / 13;
        fill(page, x, y - 1, x, y + 1);
    }
    const FoundLine line = findWords(page, lineZone(kBayt + u" " + kSami));
    ASSERT_EQ(line.words.size(), 2u);
    EXPECT_EQ(line.words[0].box.col, 256);
    EXPECT_EQ(right(line.words[0].box), 339);
    EXPECT_EQ(line.words[0].box.row, kBase - 11);
    EXPECT_EQ(line.words[1].box.col, 150);
    EXPECT_EQ(right(line.words[1].box), 255);

    // Seen through an outline the margin is inside the zone all the same.
    const FoundLine outlined =
        findWords(page, withPolygon(lineZone(kBayt + u" " + kSami), u"20,10 379,10 379,99 20,99"));
    ASSERT_EQ(outlined.words.size(), 2u);
    EXPECT_EQ(right(outlined.words[0].box), 339);
}

// The bar of a kaf drawn apart, ending just inside the top of the core band,
// is a mark (it belongs to its letter, not a PAW of its own); the uprights
// and the bodies on the baseline stay bodies.
TEST(ZoneInk, BarOverTheCoreBandIsAMark)
{
    ZULImage grey(360, 92, 8, true);
    for (int y = 0; y < 92; ++y)
        std::fill_n(grey.zulGetRow(y), 360, std::uint8_t{255});
    auto ink = [&](int x0, int y0, int x1, int y1) {
        for (int y = y0; y <= y1; ++y)
            std::fill_n(grey.zulGetRow(y + 1) + x0, x1 - x0 + 1, std::uint8_t{0});
    };
    ink(236, 39, 319, 50);  // two bodies filling a 12-row core band
    ink(130, 39, 219, 50);
    for (int x = 0; x < 8; ++x)  // stroke width 3: upright strokes
        ink(20 + 6 * x, 10, 22 + 6 * x, 50);
    for (int x = 222; x <= 235; ++x) {  // the bar: falls to the left into the core's top
        const int y = 40 - (x - 222) * 8 / 13;
        ink(x, y - 1, x, y + 1);
    }
    const tavo::ZoneInk found = tavo::findLineInk(grey, 1, 1, nullptr);
    ASSERT_EQ(found.coreTop, 39);
    ASSERT_EQ(found.stroke, 3);
    bool barIsMark = false;
    for (const tavo::InkPart& mark : found.marks)
        barIsMark |= mark.box.left == 222 && mark.box.right == 235;
    EXPECT_TRUE(barIsMark);
    EXPECT_EQ(found.bodies.size(), 10u);
}
