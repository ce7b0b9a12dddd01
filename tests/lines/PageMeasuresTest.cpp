// The measures and maps the line finder builds on: threshold, reduction,
// the page's surroundings, stains, pitch, text sizes and the parting of a
// band.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "lines/InkMap.h"
#include "lines/LineCandidates.h"
#include "support/LinePages.h"
#include "lines/LinesCommand.h"

namespace {

using namespace tavotest;

TEST(InkMap, OtsuSplitsTwoPopulationsBetweenThem)
{
    std::vector<std::int64_t> histogram(256);
    histogram[40] = 300;   // ink
    histogram[60] = 200;
    histogram[210] = 5000; // paper
    histogram[230] = 4000;
    const int level = tavo::otsuLevel(histogram);
    EXPECT_GE(level, 60);
    EXPECT_LT(level, 210);
}

TEST(InkMap, ReductionFollowsThePageSize)
{
    EXPECT_EQ(tavo::inkMapScale(1, 1), 1);
    EXPECT_EQ(tavo::inkMapScale(60000, 10), 1);
    const int a4At300 = tavo::inkMapScale(2480, 3508);
    EXPECT_EQ(tavo::inkMapScale(4960, 7016), 2 * a4At300);  // the same map at 600 dpi
}

// A page photographed on a dark table: the table is no ink, the writing is.
TEST(InkMap, DarkSurroundingsAreNoInk)
{
    ZULImage page = blankPage(900, 600);
    fillBox(page, 0, 0, 900, 60);     // dark band along the top and left
    fillBox(page, 0, 0, 70, 600);
    drawLine(page, 300, 200, 800);
    const tavo::InkMap map = tavo::makeInkMap(page);
    ASSERT_EQ(map.scale, 1);
    auto inkIn = [&](int left, int top, int right, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                n += map.binary.zulGetRow(y)[x] == 0 ? 1 : 0;
        return n;
    };
    EXPECT_EQ(inkIn(0, 0, 900, 40), 0);
    EXPECT_EQ(inkIn(0, 0, 50, 600), 0);
    EXPECT_GT(inkIn(200, 300 - kBody, 800, 300), 500);
}

TEST(LineCandidates, PitchIsThePeriodOfTheProfile)
{
    std::vector<double> profile(600);
    for (size_t i = 0; i < profile.size(); ++i)
        profile[i] = std::max(0.0, std::cos(2 * std::numbers::pi * static_cast<double>(i) / 48.0));
    EXPECT_NEAR(tavo::profilePitch(tavo::smoothProfile(profile, 2), 10, 200), 48, 1);
    EXPECT_EQ(tavo::profilePitch(std::vector<double>(600, 1.0), 10, 200), 0);
}

TEST(LineCandidates, BandOfTwoLinesPartsByTheirBodies)
{
    ZULImage page = blankPage(900, 300);
    drawLine(page, 120, 100, 800);
    drawLine(page, 120 + kPitch, 100, 800);
    tavo::InkMap map = tavo::makeInkMap(page);
    const tavo::PageComponents components = tavo::findPageComponents(map);
    tavo::LineCandidate band;
    band.line = {120 + kPitch / 2.0 - kBody / 2.0, 0, 450};
    for (size_t i = 0; i < components.components.size(); ++i) {
        if (components.components[i].kind == tavo::PieceKind::Body)
            band.bodies.push_back(static_cast<int>(i));
    }
    const auto [upper, lower] = tavo::splitBand(components, band, kPitch, 0);
    ASSERT_FALSE(upper.bodies.empty());
    ASSERT_FALSE(lower.bodies.empty());
    for (int i : upper.bodies)
        EXPECT_LT(components.components[static_cast<size_t>(i)].box.bottom, 120 + kStroke);
    for (int i : lower.bodies)
        EXPECT_GT(components.components[static_cast<size_t>(i)].box.top, 120);
    EXPECT_NEAR(lower.line.at(450) - upper.line.at(450), kPitch, kStroke);
}

// A stain is pale, broad and solid; writing is dark, or thin where it is
// pale (pencil), or both dark and broad (a heading written with a broad
// pen), or pale and broad but open (a rubric in red).
TEST(PageComponents, PaleBroadBlotsAreNoInk)
{
    ZULImage page = blankPage(900, 500);
    for (int line = 0; line < 3; ++line)
        drawLine(page, 150 + line * kPitch, 100, 800);
    fillBox(page, 200, 60, kStroke, kBody, 90);        // pencil
    fillBox(page, 300, 60, 2 * kBody, 2 * kBody, 90);  // stain
    fillBox(page, 600, 60, 2 * kBody, 2 * kBody);      // ink blot
    fillBox(page, 420, 60, 4 * kBody, 3 * kStroke, 90);  // rubric: a bar and a stem
    fillBox(page, 420, 60, 3 * kStroke, 2 * kBody, 90);
    tavo::InkMap map = tavo::makeInkMap(page);
    ASSERT_EQ(map.scale, 1);
    const tavo::PageComponents components = tavo::findPageComponents(map);
    auto kindAt = [&](int x, int y) {
        for (const tavo::InkComponent& c : components.components)
            if (c.box.left <= x && x <= c.box.right && c.box.top <= y && y <= c.box.bottom)
                return c.kind;
        return tavo::PieceKind::Mark;  // no ink there at all
    };
    EXPECT_EQ(kindAt(300 + kBody, 60 + kBody), tavo::PieceKind::Noise);
    EXPECT_EQ(kindAt(600 + kBody, 60 + kBody), tavo::PieceKind::Body);
    EXPECT_EQ(kindAt(420 + kStroke, 60 + kBody), tavo::PieceKind::Body);
    EXPECT_EQ(kindAt(200, 60 + kBody / 2), tavo::PieceKind::Body);
}

// Two letters well above the first line, too little ink for a peak of the
// profile, make a candidate of their own instead of joining the first line.
TEST(LineCandidates, BodiesFarOffEveryLineMakeOneOfTheirOwn)
{
    ZULImage page = blankPage(900, 600);
    for (int line = 0; line < 4; ++line)
        drawLine(page, 250 + line * kPitch, 100, 800);
    for (int x : {600, 630})
        fillBox(page, x, 250 - 2 * kPitch - kBody, kStroke, kBody);
    tavo::InkMap map = tavo::makeInkMap(page);
    const tavo::PageComponents components = tavo::findPageComponents(map);
    const tavo::PageLines lines = tavo::findLineCandidates(components, map.width);
    ASSERT_EQ(lines.candidates.size(), 5u);
    EXPECT_EQ(lines.candidates[0].bodies.size(), 2u);
    EXPECT_LT(lines.candidates[1].spread, kBody / 2);
}

TEST(LinesText, LettersAndPawsOfALine)
{
    // Waw, ra and dal join no letter after them: three PAWs in one word.
    const tavo::TextSize word = tavo::measureText(u"ورد");
    EXPECT_EQ(word.characters, 3);
    EXPECT_EQ(word.paws, 3);
    const tavo::TextSize two = tavo::measureText(u"بيت  كتب");
    EXPECT_EQ(two.characters, 6);
    EXPECT_EQ(two.paws, 2);
    EXPECT_EQ(tavo::measureText(u"one line").characters, 7);
    EXPECT_TRUE(word.arabic);
    EXPECT_FALSE(tavo::measureText(u"YS -1D 12").arabic);
    EXPECT_TRUE(tavo::measureText(u"No. ١٥").arabic);
}

}  // namespace
