// The column-gap cut finder, on line images drawn here, and the red marks a
// zone leaves for the zones cut after it.

#include "align/Paw.h"

#include "ZULException.h"
#include "ZULImage.h"
#include "ZULImageConverter.h"

#include <gtest/gtest.h>

#include <random>

namespace tavo {
namespace {

struct InkColumns {
    int first;  // first column of the block
    int end;    // first column after it
    int rows;   // dark pixels per column, from the top row
};

// A white 24-bit line image with black column blocks.
ZULImage drawLine(int width, int height, std::initializer_list<InkColumns> blocks)
{
    ZULImage image(width, height, 24, true);
    for (const InkColumns& block : blocks)
        for (int x = block.first; x < block.end; ++x)
            for (int y = 0; y < block.rows; ++y)
                image.zulSetColorPixel(x, y, 0, 0, 0);
    return image;
}

TEST(FindColumnCuts, NothingToCut)
{
    ZULImage line = drawLine(40, 10, {{5, 10, 10}, {20, 25, 10}});
    EXPECT_TRUE(findColumnCuts(line, 0).empty());
    EXPECT_TRUE(findColumnCuts(line, -2).empty());
    EXPECT_TRUE(findColumnCuts(line, 40).empty());
    EXPECT_EQ(findColumnCuts(line, 39).size(), 39u);  // even split
    EXPECT_TRUE(findColumnCuts(ZULImage(), 1).empty());
}

TEST(FindColumnCuts, WhiteMarginsAreNeverGaps)
{
    // Margins of 20 and 40 columns are wider than the one inner gap.
    ZULImage line = drawLine(100, 10, {{20, 30, 10}, {50, 60, 10}});
    EXPECT_EQ(findColumnCuts(line, 1), std::vector<int>({30 + 20 / 5}));
}

TEST(FindColumnCuts, WidestGapsFirstEqualWidthsLeftToRight)
{
    // Gaps [20,30) width 10, [40,70) width 30, [80,90) width 10.
    ZULImage line = drawLine(100, 10, {{10, 20, 10}, {30, 40, 10}, {70, 80, 10}, {90, 95, 10}});
    EXPECT_EQ(findColumnCuts(line, 1), std::vector<int>({46}));
    EXPECT_EQ(findColumnCuts(line, 2), std::vector<int>({46, 22}));
    EXPECT_EQ(findColumnCuts(line, 3), std::vector<int>({46, 22, 82}));
}

TEST(FindColumnCuts, FaintColumnsCountAsWhite)
{
    // Four dark pixels are below the five that make a column ink.
    ZULImage line = drawLine(60, 20, {{10, 20, 20}, {20, 25, 4}, {25, 35, 20}});
    EXPECT_EQ(findColumnCuts(line, 1), std::vector<int>({21}));
}

TEST(FindColumnCuts, RaisesTheThresholdUpToLowLevelPlusNine)
{
    // Profile: 0 margins, 20 ink, a joining stroke of 7 at [15,20) and a white
    // gap at [30,35).  The low level is 1, so the stroke opens at d = 7, the
    // thirteenth attempt.
    ZULImage joined = drawLine(60, 20, {{5, 15, 20}, {15, 20, 7}, {20, 30, 20}, {35, 45, 20}});
    EXPECT_EQ(findColumnCuts(joined, 1), std::vector<int>({31}));
    EXPECT_EQ(findColumnCuts(joined, 2), std::vector<int>({16, 31}));

    // A stroke of 11 is above the last threshold: too few gaps, even split.
    ZULImage heavy = drawLine(60, 20, {{5, 15, 20}, {15, 20, 11}, {20, 30, 20}, {35, 45, 20}});
    EXPECT_EQ(findColumnCuts(heavy, 2), std::vector<int>({20, 40}));
}

TEST(FindColumnCuts, EvenSplitWhenGapsAreTooFew)
{
    ZULImage faint = drawLine(100, 10, {{10, 20, 4}, {40, 50, 4}, {70, 80, 4}});
    EXPECT_EQ(findColumnCuts(faint, 3), std::vector<int>({25, 50, 75}));
    ZULImage oneGap = drawLine(100, 10, {{10, 40, 10}, {60, 90, 10}});
    EXPECT_EQ(findColumnCuts(oneGap, 3), std::vector<int>({25, 50, 75}));
}

TEST(FindColumnCuts, ReadsGreyLineImages)
{
    ZULImage grey(100, 10, 8, true);
    for (int x : {20, 21, 22, 50, 51})
        for (int y = 0; y < 10; ++y)
            grey.zulSetPixel(x, y, 127);
    EXPECT_EQ(findColumnCuts(grey, 1), std::vector<int>({23 + 27 / 5}));
}

TEST(FindColumnCuts, ReadsBinaryLineImages)
{
    ZULImage bits(100, 10, 1, true);
    for (int x : {20, 21, 22, 50, 51})
        for (int y = 0; y < 10; ++y)
            bits.zulSetPixel(x, y, 0);
    EXPECT_EQ(findColumnCuts(bits, 1), std::vector<int>({23 + 27 / 5}));
}

TEST(FindColumnCuts, ColourPixelsCountAsTheirGreyValue)
{
    // Bands of mostly dark and mostly light pixels in random colours; the
    // colour line must cut exactly as its grey conversion does.
    std::mt19937 random(3);
    std::uniform_int_distribution<int> byte(0, 255), dark(0, 140), light(110, 255);
    const int width = 203, height = 17;
    ZULImage colour(width, height, 24, true);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool inkBand = (x / 13) % 3 == 1;
            auto& pick = y % 5 == 0 ? byte : inkBand ? dark : light;
            colour.zulSetColorPixel(x, y, static_cast<std::uint8_t>(pick(random)),
                                    static_cast<std::uint8_t>(pick(random)),
                                    static_cast<std::uint8_t>(pick(random)));
        }
    colour.zulSetColorPixel(0, 0, 255, 0, 0);  // red is grey 76: ink
    ZULImage grey;
    ZULImageConverter::zulColor2Gray(grey, colour);
    for (int k = 1; k < 8; ++k)
        EXPECT_EQ(findColumnCuts(colour, k), findColumnCuts(grey, k)) << "k = " << k;
    const ZoneBox box{3, 2, 190, 14};
    ZULImage colourPart, greyPart;
    colour.zulSubImage(colourPart, box.col, box.row, box.width, box.height);
    grey.zulSubImage(greyPart, box.col, box.row, box.width, box.height);
    EXPECT_EQ(findZoneCuts(colour, box, 5), findColumnCuts(greyPart, 5));
    EXPECT_EQ(findColumnCuts(colourPart, 5), findColumnCuts(greyPart, 5));
}

TEST(FindColumnCuts, GreyOf128IsPaperAnd127Ink)
{
    // (6, 215, 0) weighs 127.999 and (1, 189, 147) exactly 128.
    ZULImage line(40, 10, 24, true);
    for (int y = 0; y < 10; ++y) {
        for (int x : {5, 6, 7, 8, 9, 20, 21, 22, 23, 24})
            line.zulSetColorPixel(x, y, 6, 215, 0);
        for (int x = 10; x < 20; ++x)
            line.zulSetColorPixel(x, y, 1, 189, 147);
    }
    EXPECT_EQ(findColumnCuts(line, 1), std::vector<int>({12}));
}

TEST(FindZoneCuts, ReadsTheZoneInPlaceAsItsSubImage)
{
    ZULImage page = drawLine(120, 30, {{10, 20, 30}, {45, 50, 30}, {90, 100, 30}});
    const ZoneBox box{5, 2, 100, 20};
    ZULImage line;
    page.zulSubImage(line, box.col, box.row, box.width, box.height);
    EXPECT_EQ(findZoneCuts(page, box, 2), findColumnCuts(line, 2));
    EXPECT_EQ(findZoneCuts(page, box, 2), std::vector<int>({45 + 40 / 5, 15 + 25 / 5}));
    EXPECT_THROW(findZoneCuts(page, ZoneBox{21, 0, 100, 20}, 1), ZULException);
    EXPECT_THROW(findZoneCuts(page, ZoneBox{-1, 0, 10, 20}, 1), ZULException);
    EXPECT_TRUE(findZoneCuts(page, ZoneBox{200, 0, 10, 0}, 1).empty());  // no rows: no cuts
}

TEST(LowInkLevel, TwoMeansWithClusterSizesFromOne)
{
    EXPECT_EQ(lowInkLevel({}), 0);
    // Sizes counted from 0 would give (2 + 4) / 2 = 3.
    EXPECT_EQ(lowInkLevel({2, 4, 100}), 2);
    // 25 white columns, 5 of a joining stroke and 30 of ink: (5 x 7) / 31.
    std::vector<int> profile(25, 0);
    profile.insert(profile.end(), 5, 7);
    profile.insert(profile.end(), 30, 20);
    EXPECT_EQ(lowInkLevel(profile), 1);
}

TEST(MarkZone, LaterOverlappingZonesSeeTheRedMarksAsInk)
{
    ZULImage page(120, 40, 24, true);
    // Two ink blocks that a second zone at (40, 5, 30, 10) sees at its
    // columns [2,6) and [22,26).
    for (int y = 5; y < 15; ++y)
        for (int x : {42, 43, 44, 45, 62, 63, 64, 65})
            page.zulSetColorPixel(x, y, 0, 0, 0);
    const ZoneBox second{40, 5, 30, 10};
    ZULImage line;
    page.zulSubImage(line, second.col, second.row, second.width, second.height);
    EXPECT_EQ(findColumnCuts(line, 1), std::vector<int>({6 + 16 / 5}));

    // A first zone cut at column 50 of the page leaves a red line there.
    markZone(page, ZoneBox{0, 0, 100, 20}, {50});
    page.zulSubImage(line, second.col, second.row, second.width, second.height);
    EXPECT_EQ(findColumnCuts(line, 1), std::vector<int>({11 + 11 / 5}));

    // The frame is red on all four sides.
    const unsigned char* corner = page.zulGetRow(19) + 3 * 99;
    EXPECT_EQ(corner[0], 255);
    EXPECT_EQ(corner[1], 0);
    EXPECT_EQ(page.zulGetRow(10)[0], 255);
    EXPECT_EQ(page.zulGetRow(10)[1], 0);
}

}  // namespace
}  // namespace tavo
