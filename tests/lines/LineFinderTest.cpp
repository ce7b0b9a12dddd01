// The line finder on drawn pages: every line on its own ink, whatever
// touches, dangles or stands apart.
#include <gtest/gtest.h>

#include "support/LinePages.h"
#include "lines/LinesCommand.h"

namespace {

using namespace tavotest;

const std::vector<std::u16string> kFourLines = {u"في البيت كتاب جديد", u"ذهب الولد إلى المدرسة",
                                                u"قرأ المعلم الرسالة", u"كتب الطالب الكلمة"};

int baselineOf(int line) { return 120 + line * kPitch; }

ZULImage fourLinePage()
{
    ZULImage page = blankPage(900, 500);
    for (int line = 0; line < 4; ++line)
        drawLine(page, baselineOf(line), 100, 800);
    return page;
}

// The zone of each line lies around its own baseline and nowhere near the
// next.
void expectOnOwnLines(const tavo::PageLineResult& result, const std::vector<int>& lines)
{
    ASSERT_EQ(result.ink.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const tavo::LineInk& ink = result.ink[i];
        ASSERT_TRUE(ink.found) << "line " << i;
        const int baseline = baselineOf(lines[i]);
        EXPECT_LE(ink.top, baseline - kBody + 2) << "line " << i;
        EXPECT_GE(ink.bottom, baseline - 2) << "line " << i;
        EXPECT_GT(ink.top, baseline - kPitch + kStroke) << "line " << i;
        EXPECT_LT(ink.bottom, baseline + kPitch - kBody) << "line " << i;
        EXPECT_LE(ink.left, 120);
        EXPECT_GE(ink.right, 780);
    }
}

TEST(LineFinder, FindsEveryLineOnItsInkInTextOrder)
{
    expectOnOwnLines(tavo::findTranscriptionLines(fourLinePage(), kFourLines), {0, 1, 2, 3});
}

TEST(LineFinder, LineWithoutInkLeavesTheOthersInPlace)
{
    ZULImage page = blankPage(900, 500);
    for (int line : {0, 1, 3})
        drawLine(page, baselineOf(line), 100, 800);
    const tavo::PageLineResult result = tavo::findTranscriptionLines(page, kFourLines);
    ASSERT_EQ(result.ink.size(), 4u);
    EXPECT_FALSE(result.ink[2].found);
    tavo::PageLineResult found = result;
    found.ink.erase(found.ink.begin() + 2);
    expectOnOwnLines(found, {0, 1, 3});
}

TEST(LineFinder, StrokeJoiningTwoLinesIsCutBetweenThem)
{
    ZULImage page = fourLinePage();
    // A descender of line 1 running down into the baseline stroke of line 2.
    fillBox(page, 400, baselineOf(1) - kStroke, kStroke, kPitch);
    fillBox(page, 380, baselineOf(2) - kStroke, 40, kStroke);
    expectOnOwnLines(tavo::findTranscriptionLines(page, kFourLines), {0, 1, 2, 3});
}

TEST(LineFinder, DotsGoToTheLineTheySitUnder)
{
    ZULImage page = fourLinePage();
    // Dots under line 0, nearer to it than to line 1's letters.
    for (int x = 200; x < 700; x += 90)
        fillBox(page, x, baselineOf(0) + 8, 5, 5);
    const tavo::PageLineResult result = tavo::findTranscriptionLines(page, kFourLines);
    ASSERT_TRUE(result.ink[0].found && result.ink[1].found);
    EXPECT_GE(result.ink[0].bottom, baselineOf(0) + 12);
    EXPECT_GT(result.ink[1].top, baselineOf(0) + 13);
}

TEST(LineFinder, PageNumberIsLeftOut)
{
    ZULImage page = fourLinePage();
    fillBox(page, 440, 420, 10, 16);  // a number well below the text
    fillBox(page, 456, 420, 10, 16);
    const tavo::PageLineResult result = tavo::findTranscriptionLines(page, kFourLines);
    expectOnOwnLines(result, {0, 1, 2, 3});
    EXPECT_LT(result.ink[3].bottom, 400);
}

// A letter: a Latin reference pencilled in pale grey at the top, a date,
// a salutation, the body in ink.  The reference is found on its own ink.
TEST(LineFinder, PencilledReferenceAboveTheTextIsALine)
{
    ZULImage page = blankPage(900, 600);
    const int baselines[] = {60, 200, 264};
    drawLine(page, baselines[0], 500, 700, 140);
    drawLine(page, baselines[1], 550, 750);
    drawLine(page, baselines[2], 300, 500);
    for (int line = 0; line < 4; ++line)
        drawLine(page, 392 + line * kPitch, 100, 800);
    std::vector<std::u16string> text = {u"YS-1D 070", u"في ١٥ تموز", u"يا صديقي"};
    text.insert(text.end(), kFourLines.begin(), kFourLines.end());
    const tavo::PageLineResult result = tavo::findTranscriptionLines(page, text);
    for (size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(result.ink[i].found) << "line " << i;
        EXPECT_NEAR(result.ink[i].bottom, baselines[i], kStroke) << "line " << i;
        EXPECT_NEAR(result.ink[i].top, baselines[i] - kBody, kStroke) << "line " << i;
    }
    EXPECT_LE(result.ink[0].left, 505);
    EXPECT_GE(result.ink[0].right, 695);
}

TEST(LineFinder, OutlineAndBaselineFollowTheInk)
{
    const tavo::PageLineResult result = tavo::findTranscriptionLines(fourLinePage(), kFourLines);
    const tavo::LineInk& ink = result.ink[1];
    ASSERT_GE(ink.polygon.size(), 4u);
    for (const auto& [x, y] : ink.polygon) {
        EXPECT_TRUE(x >= ink.left && x <= ink.right && y >= ink.top && y <= ink.bottom);
    }
    ASSERT_GE(ink.baseline.size(), 2u);
    for (size_t i = 0; i < ink.baseline.size(); ++i) {
        EXPECT_NEAR(ink.baseline[i].second, baselineOf(1) - kStroke, kStroke + 1);
        if (i > 0) {
            EXPECT_GT(ink.baseline[i].first, ink.baseline[i - 1].first);
        }
    }
}

// Squared paper: thin grid lines every body or so, right through the
// writing, are ruling and belong to no line.
TEST(LineFinder, GridLinesAreNoPartOfAnyLine)
{
    ZULImage page = fourLinePage();
    for (int y = 10; y < page.zulGetHeight(); y += 25)
        fillBox(page, 0, y, page.zulGetWidth(), 1);
    for (int x = 10; x < page.zulGetWidth(); x += 25)
        fillBox(page, x, 0, 1, page.zulGetHeight());
    expectOnOwnLines(tavo::findTranscriptionLines(page, kFourLines), {0, 1, 2, 3});
}

// Light falling off across a colour page, blue ink, pale blue ruling: the
// ink is still found where the paper is darkest, and the ruling is not.
TEST(LineFinder, UnevenLightAndBlueInkOnRuledColourPaper)
{
    const ZULImage ink = fourLinePage();
    ZULImage page(ink.zulGetWidth(), ink.zulGetHeight(), 24, true);
    for (int y = 0; y < page.zulGetHeight(); ++y) {
        for (int x = 0; x < page.zulGetWidth(); ++x) {
            const int light = 250 - 110 * x / page.zulGetWidth();  // paper from white to grey
            const bool ruled = y % 32 == 0;
            const bool inked = ink.zulGetRow(y)[x] == 0;
            auto shade = [&](int share) { return static_cast<std::uint8_t>(light * share / 100); };
            if (inked)
                page.zulSetColorPixel(x, y, shade(20), shade(25), shade(60));
            else if (ruled)
                page.zulSetColorPixel(x, y, shade(75), shade(85), shade(98));
            else
                page.zulSetColorPixel(x, y, shade(100), shade(100), shade(95));
        }
    }
    expectOnOwnLines(tavo::findTranscriptionLines(page, kFourLines), {0, 1, 2, 3});
}

// A page at twice the resolution gives the same lines at twice the size.
TEST(LineFinder, SameLinesAtTwiceTheResolution)
{
    const ZULImage small = fourLinePage();
    ZULImage large = blankPage(2 * small.zulGetWidth(), 2 * small.zulGetHeight());
    for (int y = 0; y < large.zulGetHeight(); ++y)
        for (int x = 0; x < large.zulGetWidth(); ++x)
            large.zulGetRow(y)[x] = small.zulGetRow(y / 2)[x / 2];
    const tavo::PageLineResult a = tavo::findTranscriptionLines(small, kFourLines);
    const tavo::PageLineResult b = tavo::findTranscriptionLines(large, kFourLines);
    for (size_t i = 0; i < kFourLines.size(); ++i) {
        ASSERT_TRUE(a.ink[i].found && b.ink[i].found);
        EXPECT_NEAR(b.ink[i].top, 2 * a.ink[i].top, 4);
        EXPECT_NEAR(b.ink[i].bottom, 2 * a.ink[i].bottom, 4);
        EXPECT_NEAR(b.ink[i].left, 2 * a.ink[i].left, 4);
        EXPECT_NEAR(b.ink[i].right, 2 * a.ink[i].right, 4);
    }
}

}  // namespace
