#include "page/InkBox.h"

#include "support/WordFixtures.h"

#include "ZULImageConverter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

using namespace tavo;
using wordtest::fillBlock;

namespace {

void expectBox(const ZULRectShape& box, int x, int y, int width, int height)
{
    EXPECT_EQ(box.x, x);
    EXPECT_EQ(box.y, y);
    EXPECT_EQ(box.width, width);
    EXPECT_EQ(box.height, height);
}

}  // namespace

TEST(InkBox, TightBoxOfDarkPixels)
{
    ZULImage grey = wordtest::whitePage(20, 10, 8);
    fillBlock(grey, 4, 2, 9, 6, 0);
    fillBlock(grey, 12, 7, 12, 7, 127);  // below 128 is dark
    fillBlock(grey, 15, 1, 15, 1, 128);  // 128 is not
    expectBox(inkBox(grey), 4, 2, 9, 6);
}

TEST(InkBox, EdgesHoldingTheMinimumCountAreMarginEvenAboveZero)
{
    // A base line darkens every column, so no column count is 0; the
    // columns outside the blob still hold the minimum and are trimmed.
    ZULImage grey = wordtest::whitePage(10, 6, 8);
    fillBlock(grey, 0, 5, 9, 5, 0);
    fillBlock(grey, 3, 1, 5, 3, 0);
    expectBox(inkBox(grey), 3, 1, 3, 5);
}

TEST(InkBox, EvenImagesGiveTheWholeImageAndEmptyOnesNothing)
{
    expectBox(inkBox(wordtest::whitePage(7, 4, 8)), 0, 0, 7, 4);
    ZULImage black = wordtest::whitePage(7, 4, 8);
    fillBlock(black, 0, 0, 6, 3, 0);
    expectBox(inkBox(black), 0, 0, 7, 4);
    expectBox(inkBox(ZULImage()), 0, 0, 0, 0);
}

TEST(RemoveSpecks, WhitensSmallComponentsOfABinaryImageOnly)
{
    ZULImage grey = wordtest::whitePage(30, 12, 8);
    fillBlock(grey, 1, 1, 3, 3, 0);     // 3 x 3: a speck
    fillBlock(grey, 10, 5, 10, 5, 0);   // single pixel: a speck
    fillBlock(grey, 14, 2, 17, 2, 0);   // 4 x 1: kept
    fillBlock(grey, 20, 1, 20, 4, 0);   // 1 x 4: kept
    fillBlock(grey, 24, 6, 24, 6, 0);   // diagonal pair, one 2 x 2 speck
    fillBlock(grey, 25, 7, 25, 7, 0);
    removeSpecks(grey);
    EXPECT_EQ(grey.zulGetPixelValue(2, 2), 255);
    EXPECT_EQ(grey.zulGetPixelValue(10, 5), 255);
    EXPECT_EQ(grey.zulGetPixelValue(24, 6), 255);
    EXPECT_EQ(grey.zulGetPixelValue(25, 7), 255);
    EXPECT_EQ(grey.zulGetPixelValue(14, 2), 0);
    EXPECT_EQ(grey.zulGetPixelValue(17, 2), 0);
    EXPECT_EQ(grey.zulGetPixelValue(20, 4), 0);
}

TEST(RemoveSpecks, GreyImagesKeepTheirSpecks)
{
    ZULImage grey = wordtest::whitePage(10, 10, 8);
    fillBlock(grey, 2, 2, 2, 2, 0);
    fillBlock(grey, 7, 7, 7, 7, 100);
    removeSpecks(grey);
    EXPECT_EQ(grey.zulGetPixelValue(2, 2), 0);
    EXPECT_EQ(grey.zulGetPixelValue(7, 7), 100);
}

TEST(InkBox, AreaReadInPlaceGivesTheBoxOfItsGreyCopy)
{
    // Random colour pages (channels on both sides of 128, red marks) and
    // their 8-bit and 1-bit forms: the box of an area read in place is the
    // box of the area cut out and reduced to grey.
    std::mt19937 rng(17);
    for (int page = 0; page < 20; ++page) {
        ZULImage colour = wordtest::whitePage(90, 40, 24);
        for (int i = 0; i < 12; ++i) {
            const int x = static_cast<int>(rng() % 85), y = static_cast<int>(rng() % 36);
            const auto r = static_cast<std::uint8_t>(rng() % 256), g = static_cast<std::uint8_t>(60 + rng() % 140);
            for (int dy = 0; dy < 1 + static_cast<int>(rng() % 4); ++dy)
                for (int dx = 0; dx < 1 + static_cast<int>(rng() % 20) && x + dx < 90; ++dx)
                    colour.zulSetColorPixel(x + dx, y + dy, r, g, static_cast<std::uint8_t>(rng() % 256));
        }
        ZULImage grey;
        ZULImageConverter::zulColor2Gray(grey, colour);
        ZULImage bits;
        ZULImageConverter::zulByte2Bit(bits, grey, 128);
        for (int a = 0; a < 10; ++a) {
            const int x = static_cast<int>(rng() % 80), y = static_cast<int>(rng() % 30);
            const ZULRectShape area(x, y, 1 + static_cast<int>(rng() % (90 - x)), 1 + static_cast<int>(rng() % (40 - y)));
            ZULImage cut;
            grey.zulSubImage(cut, area.x, area.y, area.width, area.height);
            const ZULRectShape want = inkBox(cut);
            for (const ZULImage* image : {&colour, &grey, &bits}) {
                SCOPED_TRACE(testing::Message() << image->zulGetBitsPerPixel() << "-bit page " << page << ", area " << a);
                const ZULRectShape got = inkBox(*image, area);
                expectBox(got, want.x, want.y, want.width, want.height);
            }
        }
    }
}
