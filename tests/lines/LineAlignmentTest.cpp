// Matching text lines to candidate lines: one mismatch costs one line.
#include <gtest/gtest.h>

#include "lines/LineAlignment.h"

namespace {

using tavo::InkSize;
using tavo::TextSize;

constexpr double kPitch = 50;

// A full line of ink per text line of 40 letters, one pitch apart.
InkSize lineAt(int row, double length = 800, double bodies = 30)
{
    return {length, bodies, 0, static_cast<int>(length), row * kPitch};
}

std::vector<int> firsts(const std::vector<tavo::LineMatch>& matches)
{
    std::vector<int> out;
    for (const auto& m : matches)
        out.push_back(m.first);
    return out;
}

TEST(LineAlignment, TextLineWithoutInkKeepsTheOthersOnTheirLines)
{
    const std::vector<TextSize> texts(6, TextSize{40, 30});
    // Row 2 has no ink: the candidates are rows 0, 1, 3, 4, 5.
    const std::vector<InkSize> ink = {lineAt(0), lineAt(1), lineAt(3), lineAt(4), lineAt(5)};
    EXPECT_EQ(firsts(tavo::alignLines(texts, ink, kPitch)), (std::vector<int>{0, 1, -1, 2, 3, 4}));
}

TEST(LineAlignment, LittleInkBetweenLinesIsLeftOut)
{
    const std::vector<TextSize> texts(3, TextSize{40, 30});
    // A mark above the text and a page number below it.
    const std::vector<InkSize> ink = {lineAt(-2, 30), lineAt(0), lineAt(1), lineAt(2), lineAt(4, 30)};
    EXPECT_EQ(firsts(tavo::alignLines(texts, ink, kPitch)), (std::vector<int>{1, 2, 3}));
}

TEST(LineAlignment, LengthsDecideWhichLineIsMissing)
{
    // A short line among long ones, and the page has only the long ones.
    const std::vector<TextSize> texts = {{40, 30}, {40, 30}, {6, 4}, {40, 30}};
    const std::vector<InkSize> ink = {lineAt(0), lineAt(1), lineAt(2)};
    EXPECT_EQ(firsts(tavo::alignLines(texts, ink, kPitch)), (std::vector<int>{0, 1, -1, 2}));
}

// A letter with one line of ink fewer than text: a faint Latin reference,
// a date, a salutation, the body.  The lengths of the short lines favour
// shifting them up by one; the reference goes without ink instead.
TEST(LineAlignment, LineWithoutArabicScriptIsTheOneLeftWithoutInk)
{
    TextSize reference{12, 4};
    reference.arabic = false;
    const std::vector<TextSize> texts = {reference, {11, 6}, {10, 6}, {9, 5}, {40, 30}, {40, 30}};
    const std::vector<InkSize> ink = {lineAt(0, 215, 6), lineAt(1, 200, 6), lineAt(2, 185, 5), lineAt(4), lineAt(5)};
    EXPECT_EQ(firsts(tavo::alignLines(texts, ink, kPitch)), (std::vector<int>{-1, 0, 1, 2, 3, 4}));
}

TEST(LineAlignment, TwoPiecesSideBySideMakeOneLine)
{
    const std::vector<TextSize> texts(3, TextSize{40, 30});
    InkSize right = {400, 15, 420, 820, 1 * kPitch};
    InkSize left = {400, 15, 0, 400, 1 * kPitch + 6};
    const std::vector<InkSize> ink = {lineAt(0), right, left, lineAt(2)};
    const std::vector<tavo::LineMatch> matches = tavo::alignLines(texts, ink, kPitch);
    ASSERT_EQ(matches.size(), 3u);
    EXPECT_EQ(matches[1].first, 1);
    EXPECT_EQ(matches[1].last, 2);
    EXPECT_EQ(matches[2].first, 3);
}

TEST(LineAlignment, BandHoldingTwoStackedLinesServesBoth)
{
    const std::vector<TextSize> texts(4, TextSize{40, 30});
    // Rows 1 and 2 touch and make one band, centred between them, with
    // twice the bodies and its bodies spread about its centre.
    InkSize band = lineAt(1);
    band.centre = 1.5 * kPitch;
    band.bodies = 60;
    band.spread = 0.5 * kPitch;
    const std::vector<InkSize> ink = {lineAt(0), band, lineAt(3)};
    const std::vector<tavo::LineMatch> matches = tavo::alignLines(texts, ink, kPitch);
    EXPECT_EQ(firsts(matches), (std::vector<int>{0, 1, 1, 2}));
    EXPECT_EQ(matches[1].band, 1);
    EXPECT_EQ(matches[2].band, 2);
    // The same band with its bodies close to its centre is one line.
    band.spread = 0.1 * kPitch;
    for (const tavo::LineMatch& m : tavo::alignLines(texts, {lineAt(0), band, lineAt(3)}, kPitch))
        EXPECT_EQ(m.band, 0);
}

// A catchword or a page number written small, its letters mostly dots and
// thin strokes, has far less body ink than its letter count says; it is
// still its line.  A speck is not.
TEST(LineAlignment, OneWordLineWrittenSmallIsFoundButNotOnASpeck)
{
    const std::vector<TextSize> texts = {{40, 30}, {40, 30}, {40, 30}, {40, 30}, {6, 2}};
    std::vector<InkSize> ink = {lineAt(0), lineAt(1), lineAt(2), lineAt(3), lineAt(4, 40, 1)};
    EXPECT_EQ(firsts(tavo::alignLines(texts, ink, kPitch)), (std::vector<int>{0, 1, 2, 3, 4}));
    ink.back() = lineAt(4, 3, 1);
    EXPECT_EQ(firsts(tavo::alignLines(texts, ink, kPitch)), (std::vector<int>{0, 1, 2, 3, -1}));
}

TEST(LineAlignment, NoInkAtAllLeavesEveryLineWithout)
{
    const std::vector<TextSize> texts(3, TextSize{40, 30});
    EXPECT_EQ(firsts(tavo::alignLines(texts, {}, kPitch)), (std::vector<int>{-1, -1, -1}));
    EXPECT_TRUE(tavo::alignLines({}, {lineAt(0)}, kPitch).empty());
}

}  // namespace
