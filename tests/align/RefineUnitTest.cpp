// Zone refinement on small binarised pages: which components a zone takes,
// the fit to the ink, the re-based cuts and the cut adjustment.
#include "align/ZoneRefine.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <vector>

using tavo::adjustCuts;
using tavo::ZoneRefiner;

namespace {

// An 8-bit white page with black blocks (columns x0..x1, rows y0..y1).
ZULImage page(int width, int height, std::initializer_list<std::array<int, 4>> blocks)
{
    ZULImage image(width, height, 8, true);
    for (const auto& [x0, y0, x1, y1] : blocks)
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                image.zulSetPixel(x, y, 0);
    return image;
}

struct Box {
    int x, y, w, h;
    bool operator==(const Box&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Box& b)
{
    return os << '(' << b.x << ',' << b.y << ',' << b.w << ',' << b.h << ')';
}

Box refined(const ZULImage& binary, Box zone, std::vector<int>* cuts = nullptr)
{
    std::vector<int> none;
    ZULRectShape box(zone.x, zone.y, zone.w, zone.h);
    EXPECT_TRUE(ZoneRefiner(binary).refine(box, cuts ? *cuts : none));
    return {box.x, box.y, box.width, box.height};
}

// A profile of ink (1) with white (0) columns at the given places.
std::vector<int> inkWithGaps(int width, std::initializer_list<int> white)
{
    std::vector<int> profile(static_cast<size_t>(width), 1);
    for (int x : white)
        profile[static_cast<size_t>(x)] = 0;
    return profile;
}

}  // namespace

TEST(ZoneRefine, TakesOnlyComponentsThatOverlapAndEndWithin15Pixels)
{
    const Box zone{100, 50, 100, 30};  // bottom edge at row 80
    // A stroke with a descender ending 12 rows below the zone is taken whole.
    EXPECT_EQ(refined(page(300, 200, {{120, 60, 180, 70}, {150, 60, 152, 91}}), zone),
              (Box{119, 59, 63, 34}));
    // Ending 20 rows below, it is not: the box keeps its bottom edge.
    EXPECT_EQ(refined(page(300, 200, {{120, 60, 180, 70}, {150, 60, 152, 99}}), zone),
              (Box{119, 59, 63, 22}));
    // A mark 5 columns right of the zone, not overlapping it, is ignored.
    EXPECT_EQ(refined(page(300, 200, {{120, 60, 180, 70}, {205, 55, 210, 65}}), zone),
              (Box{119, 59, 63, 13}));
    // The search stops two columns short of the right page edge: a mark
    // reaching that edge, 16 columns past the zone, is taken as ending 14
    // columns past it.
    EXPECT_EQ(refined(page(300, 200, {{280, 185, 299, 188}}), {250, 180, 34, 10}), (Box{279, 184, 20, 6}));
}

TEST(ZoneRefine, RefinedBoxStaysOnThePage)
{
    // A taken component at the page corner: left and top become 1, so the
    // margin ends on column and row 0.
    EXPECT_EQ(refined(page(300, 200, {{0, 0, 50, 20}}), {0, 0, 100, 30}), (Box{0, 0, 52, 22}));
    // Nothing taken (the ink runs far below the zone), ink on column 0: the
    // margin column left of it is cut off.
    EXPECT_EQ(refined(page(300, 200, {{0, 5, 50, 60}}), {0, 0, 100, 30}), (Box{0, 4, 52, 27}));
    // A zone past the right and bottom edges is clipped, not refused.
    EXPECT_EQ(refined(page(300, 200, {{260, 185, 299, 199}}), {250, 180, 100, 100}),
              (Box{259, 184, 41, 16}));
    // No part on the page: refused and left as it was.
    ZULRectShape outside(400, 50, 10, 10);
    std::vector<int> cuts{3};
    EXPECT_FALSE(ZoneRefiner(page(300, 200, {})).refine(outside, cuts));
    EXPECT_EQ(outside.x, 400);
    EXPECT_EQ(cuts, std::vector<int>{3});
}

TEST(ZoneRefine, CutsAreRebasedOnTheNewLeftEdge)
{
    // The left edge moves from 100 to 96; the cut past the zone's width
    // keeps the adjustment from moving the others.
    std::vector<int> cuts{5, 40, 500};
    EXPECT_EQ(refined(page(300, 200, {{97, 55, 180, 70}}), {100, 50, 100, 30}, &cuts).x, 96);
    EXPECT_EQ(cuts, (std::vector<int>{9, 44, 504}));
    // Moving right gives negative cuts, which stay as they are.
    cuts = {5, 40};
    EXPECT_EQ(refined(page(300, 200, {{110, 55, 180, 70}}), {100, 50, 100, 30}, &cuts).x, 109);
    EXPECT_EQ(cuts, (std::vector<int>{-4, 31}));
}

TEST(ColumnProfile, CountsInkWithoutTheLastColumnAndRow)
{
    const ZULImage binary = page(20, 10, {{2, 1, 2, 5}, {5, 1, 6, 1}, {7, 1, 7, 4}, {3, 5, 3, 5}});
    EXPECT_EQ(tavo::blackColumnProfile(binary, ZULRectShape(2, 1, 6, 5)), (std::vector<int>{4, 0, 0, 1, 1, 0}));
    // A box reaching past the page counts only what lies on it.
    EXPECT_EQ(tavo::blackColumnProfile(binary, ZULRectShape(17, 8, 6, 5)), std::vector<int>(6, 0));
}

TEST(AdjustCuts, CutOnInkTakesTheLeftmostFreeColumnOfItsWindow)
{
    // Free columns 7 to the left and 3 to the right of cut 30.
    EXPECT_EQ(adjustCuts({30}, inkWithGaps(60, {23, 33})), std::vector<int>{23});
    // The window ends at the neighbouring cuts as they were before moving.
    EXPECT_EQ(adjustCuts({20, 25}, inkWithGaps(60, {16})), (std::vector<int>{16, 25}));
    EXPECT_EQ(adjustCuts({30, 34}, inkWithGaps(60, {36})), (std::vector<int>{30, 36}));
    // The window holds both of its ends.
    EXPECT_EQ(adjustCuts({30}, inkWithGaps(60, {40})), std::vector<int>{40});
    // Nothing free within 10 columns: the cut stays.
    EXPECT_EQ(adjustCuts({30}, inkWithGaps(60, {18, 41})), std::vector<int>{30});
}

TEST(AdjustCuts, GapsHoldingACutAreNotFree)
{
    // A cut in the gap 10..14 stays; another cut on ink next to that gap
    // cannot move into it.
    EXPECT_EQ(adjustCuts({12, 17}, inkWithGaps(60, {10, 11, 12, 13, 14})), (std::vector<int>{12, 17}));
    // A free gap within the window draws a cut out of its own gap.
    EXPECT_EQ(adjustCuts({12}, inkWithGaps(60, {12, 18, 19})), std::vector<int>{18});
    // Any cut outside the profile leaves every cut where it was.
    EXPECT_EQ(adjustCuts({30, 60}, inkWithGaps(60, {23})), (std::vector<int>{30, 60}));
    EXPECT_EQ(adjustCuts({-1, 30}, inkWithGaps(60, {23})), (std::vector<int>{-1, 30}));
}
