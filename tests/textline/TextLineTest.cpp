#include "page/InkClustering.h"
#include "support/TextLinePages.h"
#include "textline/TextLines.h"

#include "ZULImageConverter.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using tavo::LineBox;
using tavotest::drawLine;
using tavotest::fillBlock;
using tavotest::whitePage;

namespace {

ZULImage colour(const ZULImage& gray)
{
    ZULImage out;
    ZULImageConverter::zulGray2Color(out, gray);
    return out;
}

int inkPixels(const ZULImage& page)
{
    int ink = 0;
    for (int v : tavo::PageInk::fromImage(page).rowProfile())
        ink += v;
    return ink;
}

std::vector<int> rows(const std::vector<LineBox>& boxes)
{
    std::vector<int> out;
    for (const LineBox& b : boxes)
        out.push_back(b.row);
    return out;
}

}  // namespace

TEST(InkClustering, CentresOfAProfile)
{
    // 0, 0 and 4 settle in the low cluster, 20 and 24 in the high one; each
    // size counts one extra: low 4 / 4 = 1, high 44 / 3 = 14.
    const std::vector<int> counts{0, 0, 4, 20, 24};
    EXPECT_EQ(tavo::lowInkLevel(counts), 1);
    EXPECT_EQ(tavo::inkThreshold(counts), 14 - 13 / 3);
}

TEST(InkClustering, TiesGoHighAndEmptyListsGiveZero)
{
    const tavo::InkCentres same = tavo::clusterInk(std::vector<int>{5, 5});
    EXPECT_EQ(same.low, 0);
    EXPECT_EQ(same.high, 10 / 3);
    EXPECT_EQ(tavo::lowInkLevel({}), 0);
    EXPECT_EQ(tavo::inkThreshold({}), 0);
}

TEST(InkClustering, LargeCountsDoNotOverflow)
{
    const std::vector<int> counts(1000, 2'000'000'000);
    EXPECT_EQ(tavo::clusterInk(counts).high, static_cast<int>(1000LL * 2'000'000'000 / 1001));
}

TEST(LineBands, BlankProfileHasNoBand)
{
    EXPECT_TRUE(tavo::lineBands(std::vector<int>(300, 0)).empty());
    EXPECT_TRUE(tavo::lineBands({}).empty());
}

TEST(LineBands, QuietLevelZeroClosesWhereTheMeanReturnsToZero)
{
    // Rows between lines hold no ink, so the quiet level is 0.
    std::vector<int> profile(300, 0);
    for (int y = 50; y < 90; ++y)
        profile[static_cast<size_t>(y)] = 100;
    for (int y = 150; y < 200; ++y)
        profile[static_cast<size_t>(y)] = 60;
    ASSERT_EQ(tavo::lowInkLevel(profile), 0);
    // A band opens 10 rows before its first ink row and closes 11 rows after
    // its last, where the 21-row window is empty again.
    EXPECT_EQ(tavo::lineBands(profile), (std::vector<int>{40, 100, 140, 210}));
}

TEST(LineBands, QuietLevelAboveZeroOpensAboveAndClosesBelowIt)
{
    // Fringe rows of 10 beside the line make the quiet level 200 / 161 = 1.
    std::vector<int> profile(200, 0);
    for (int y = 40; y < 100; ++y)
        profile[static_cast<size_t>(y)] = y < 50 || y >= 90 ? 10 : 100;
    ASSERT_EQ(tavo::lowInkLevel(profile), 1);
    // Row 34 is the first whose window holds 5 fringe rows (mean 50 / 21 = 2);
    // rows 32 and 33 have mean 1, equal to the level, and open nothing.
    // Row 108 is the first whose window holds only 2 fringe rows (mean 0).
    EXPECT_EQ(tavo::lineBands(profile), (std::vector<int>{34, 108}));
}

TEST(LineBands, MeansLeaveOutRowsOutsideThePage)
{
    // Row 0 alone has ink: the window of row 0 is rows 0..10, 11 rows, so
    // its mean is 11 / 11 = 1; at row 1 it is 11 / 12 = 0.
    std::vector<int> top(100, 0);
    top[0] = 11;
    EXPECT_EQ(tavo::lineBands(top), (std::vector<int>{0, 1}));
}

TEST(LineBands, UnterminatedLastBandIsDropped)
{
    std::vector<int> profile(200, 0);
    for (int y = 20; y < 60; ++y)
        profile[static_cast<size_t>(y)] = 80;
    for (int y = 150; y < 200; ++y)
        profile[static_cast<size_t>(y)] = 80;
    EXPECT_EQ(tavo::lineBands(profile), (std::vector<int>{10, 70}));


    // With fringe rows of 10 the quiet level is 300 / 141 = 2; the first band
    // opens where its window holds 7 fringe rows and closes where it holds 4,
    // the second opens at row 166 and is still open at the last row.
    std::vector<int> fringed(200, 0);
    for (int y = 40; y < 100; ++y)
        fringed[static_cast<size_t>(y)] = y < 50 || y >= 90 ? 10 : 100;
    for (int y = 170; y < 200; ++y)
        fringed[static_cast<size_t>(y)] = y < 180 ? 10 : 100;
    ASSERT_EQ(tavo::lowInkLevel(fringed), 2);
    EXPECT_EQ(tavo::lineBands(fringed), (std::vector<int>{36, 106}));
}

TEST(BandBoxes, TrimsToInkAndCountsOneRowAndColumnMore)
{
    ZULImage page = whitePage(40, 30);
    fillBlock(page, 10, 5, 12, 10);  // columns 10..21, rows 5..14
    fillBlock(page, 15, 15, 1, 1);   // the row below the band, inside the box
    fillBlock(page, 30, 15, 1, 1);   // the row below the band, beside the box
    fillBlock(page, 18, 16, 1, 1);   // two rows below the band
    fillBlock(page, 2, 5, 5, 2);     // faint columns, under the threshold
    const std::vector<LineBox> boxes = tavo::bandBoxes(tavo::PageInk::fromImage(page), std::vector<int>{5, 15});
    ASSERT_EQ(boxes.size(), 1u);
    const LineBox& b = boxes[0];
    EXPECT_EQ(b.col, 10);
    EXPECT_EQ(b.row, 5);
    EXPECT_EQ(b.width, 11);  // right - left: one less than the ink's extent
    EXPECT_EQ(b.height, 10);
    EXPECT_EQ(b.inkCount, 120 + 1);  // the faint columns lie outside the box
}

TEST(BandBoxes, InkOnlyInColumnZeroGivesNoBox)
{
    ZULImage page = whitePage(50, 20);
    fillBlock(page, 0, 0, 1, 10);
    EXPECT_TRUE(tavo::bandBoxes(tavo::PageInk::fromImage(page), std::vector<int>{0, 10}).empty());
    EXPECT_TRUE(tavo::bandBoxes(tavo::PageInk::fromImage(whitePage(50, 20)), std::vector<int>{0, 10}).empty());
}

TEST(BandBoxes, BandEndingAtTheLastRowCountsNoRowBelow)
{
    ZULImage page = whitePage(40, 30);
    fillBlock(page, 10, 20, 15, 10);
    const std::vector<LineBox> boxes = tavo::bandBoxes(tavo::PageInk::fromImage(page), std::vector<int>{20, 30});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].inkCount, 150);
    EXPECT_EQ(boxes[0].height, 10);
}

TEST(RankLineBoxes, DropsBoxesBelowTenPixels)
{
    const std::vector<LineBox> boxes{
        {0, 0, 9, 50, 500}, {0, 100, 10, 10, 400}, {0, 200, 50, 9, 300}, {0, 300, 10, 10, 400}};
    EXPECT_EQ(rows(tavo::rankLineBoxes(boxes, -1)), (std::vector<int>{100, 300}));
}

TEST(RankLineBoxes, ParameterCutsTheRanking)
{
    const std::vector<LineBox> five{{0, 0, 50, 20, 300},
                                    {0, 100, 50, 20, 900},
                                    {0, 200, 50, 20, 100},
                                    {0, 300, 50, 20, 700},
                                    {0, 400, 50, 20, 500}};
    EXPECT_EQ(rows(tavo::rankLineBoxes(five, 3)), (std::vector<int>{100, 300, 400}));
    const std::vector<int> all{100, 300, 400, 0, 200};
    EXPECT_EQ(rows(tavo::rankLineBoxes(five, 5)), all);
    EXPECT_EQ(rows(tavo::rankLineBoxes(five, 6)), all);
    EXPECT_EQ(rows(tavo::rankLineBoxes(five, -1)), all);
    EXPECT_EQ(rows(tavo::rankLineBoxes(five, 1)), (std::vector<int>{100}));
}

TEST(RankLineBoxes, AutomaticCutKeepsTheBoxesReachingTheInkThreshold)
{
    // Sorted inks 1000 950 900 100 50 cluster at 50 and 2850 / 4 = 712, so
    // the threshold is 712 - 662 / 3 = 492.
    const std::vector<LineBox> boxes{{0, 0, 50, 20, 100},
                                     {0, 100, 50, 20, 1000},
                                     {0, 200, 50, 20, 50},
                                     {0, 300, 50, 20, 900},
                                     {0, 400, 50, 20, 950}};
    EXPECT_EQ(rows(tavo::rankLineBoxes(boxes, 0)), (std::vector<int>{100, 400, 300}));
    EXPECT_TRUE(tavo::rankLineBoxes({}, 0).empty());
}

TEST(RankLineBoxes, EqualInkKeepsTopRowFirst)
{
    const std::vector<LineBox> boxes{{0, 300, 50, 20, 500}, {0, 100, 50, 20, 500}, {0, 200, 50, 20, 800}};
    EXPECT_EQ(rows(tavo::rankLineBoxes(boxes, -1)), (std::vector<int>{200, 100, 300}));
}

TEST(PageInk, ProfilesMatchPixelCounts)
{
    ZULImage page = whitePage(97, 41);
    std::mt19937 random(3);
    for (int i = 0; i < 300; ++i)
        fillBlock(page, static_cast<int>(random() % 90), static_cast<int>(random() % 38),
                  static_cast<int>(random() % 7) + 1, static_cast<int>(random() % 3) + 1);
    fillBlock(page, 96, 0, 1, 41);  // ink in the last column
    const tavo::PageInk ink = tavo::PageInk::fromImage(page);
    const std::vector<int> columns = ink.columnProfile(5, 30);
    ASSERT_EQ(columns.size(), 97u);
    for (int x = 0; x < 97; ++x) {
        int expected = 0;
        for (int y = 5; y < 30; ++y)
            expected += page.zulGetPixelValue(x, y) == 0;
        EXPECT_EQ(columns[static_cast<size_t>(x)], expected) << "column " << x;
    }
    int inRow = 0;
    for (int x = 20; x <= 60; ++x)
        inRow += page.zulGetPixelValue(x, 17) == 0;
    EXPECT_EQ(ink.inkInRow(17, 20, 60), inRow);
    EXPECT_EQ(ink.inkInRow(41, 0, 96), 0);
    const ZULImage rendered = ink.render();
    ASSERT_EQ(rendered.zulGetImageDataSize(), page.zulGetImageDataSize());
    EXPECT_TRUE(std::equal(page.zulGetImageData(), page.zulGetImageData() + page.zulGetImageDataSize(),
                           rendered.zulGetImageData()));
}

TEST(CleanPageForLines, KeepsSmallComponentsInsideTheMargin)
{
    ZULImage page = whitePage(400, 300);
    // Kept: inside the page less 80 pixels (left >= 80, right <= 320, top >=
    // 80, bottom <= 220) and under 70 pixels either way.
    fillBlock(page, 80, 80, 10, 10);
    fillBlock(page, 311, 150, 10, 10);     // right 320
    fillBlock(page, 150, 211, 10, 10);     // bottom 220
    fillBlock(page, 150, 100, 69, 69);
    fillBlock(page, 110, 120, 5, 5, 127);  // grey 127 is ink
    // Dropped.
    fillBlock(page, 79, 150, 10, 10);      // left 79
    fillBlock(page, 312, 170, 10, 10);     // right 321
    fillBlock(page, 170, 212, 10, 10);     // bottom 221
    fillBlock(page, 200, 75, 10, 10);      // top 75
    fillBlock(page, 250, 100, 70, 5);      // 70 wide: a ruled line
    fillBlock(page, 240, 120, 5, 70);      // 70 high
    fillBlock(page, 100, 200, 5, 5, 128);  // grey 128 is paper

    const ZULImage cleaned = tavo::cleanPageForLines(colour(page));
    ASSERT_EQ(cleaned.zulGetBitsPerPixel(), 8);
    ASSERT_EQ(cleaned.zulGetWidth(), 400);
    ASSERT_EQ(cleaned.zulGetHeight(), 300);
    EXPECT_EQ(inkPixels(cleaned), 3 * 100 + 69 * 69 + 25);
    EXPECT_EQ(cleaned.zulGetPixelValue(80, 80), 0);
    EXPECT_EQ(cleaned.zulGetPixelValue(320, 155), 0);
    EXPECT_EQ(cleaned.zulGetPixelValue(112, 122), 0);
    EXPECT_EQ(cleaned.zulGetPixelValue(85, 155), 255);
    EXPECT_EQ(cleaned.zulGetPixelValue(260, 102), 255);
    EXPECT_EQ(cleaned.zulGetPixelValue(102, 202), 255);
}

TEST(CleanPageForLines, PageWithoutPixelsGivesNoLines)
{
    EXPECT_FALSE(tavo::cleanPageForLines(ZULImage()).zulHasImageData());
    EXPECT_TRUE(tavo::detectTextLines(ZULImage(), 0).empty());
}

TEST(DetectTextLines, BlobsRulesAndBorderInkChangeNothing)
{
    ZULImage page = whitePage(1000, 800);
    drawLine(page, 150, 150, 15);
    drawLine(page, 150, 350, 15);
    const std::vector<ZULRectShape> clean = tavo::detectTextLines(colour(page), -1);

    fillBlock(page, 100, 260, 800, 3);   // ruled line between the text lines
    fillBlock(page, 850, 100, 90, 600);  // a large blot
    fillBlock(page, 0, 0, 1000, 60);     // scanner edge at the top
    fillBlock(page, 300, 760, 20, 20);   // specks near the bottom edge
    fillBlock(page, 20, 450, 20, 20);
    const std::vector<ZULRectShape> dirty = tavo::detectTextLines(colour(page), -1);
    ASSERT_EQ(clean.size(), 2u);
    ASSERT_EQ(dirty.size(), clean.size());
    for (size_t i = 0; i < clean.size(); ++i) {
        EXPECT_EQ(dirty[i].x, clean[i].x);
        EXPECT_EQ(dirty[i].y, clean[i].y);
        EXPECT_EQ(dirty[i].width, clean[i].width);
        EXPECT_EQ(dirty[i].height, clean[i].height);
    }
}

TEST(DetectTextLines, PageAndItsColourCopyGiveTheSameLines)
{
    ZULImage page = whitePage(1000, 800);
    drawLine(page, 150, 150, 15);
    for (int i = 0; i < 15; ++i)
        fillBlock(page, 150 + 40 * i, 350, 30, 50, static_cast<unsigned char>(i < 8 ? 120 + i : 128 + i));
    const std::vector<ZULRectShape> gray = tavo::detectTextLines(page, -1);
    const std::vector<ZULRectShape> fromColour = tavo::detectTextLines(colour(page), -1);
    ASSERT_EQ(gray.size(), 2u);
    ASSERT_EQ(fromColour.size(), 2u);
    for (size_t i = 0; i < gray.size(); ++i) {
        EXPECT_EQ(gray[i].x, fromColour[i].x);
        EXPECT_EQ(gray[i].width, fromColour[i].width);
    }
    // Only the blocks of grey 120..127 are ink on the second line.
    EXPECT_EQ(gray[1].x, 150);
    EXPECT_EQ(gray[1].width, 40 * 7 + 29);
}
