// Shapes: Bresenham points, rectangle sides and clipping.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <set>
#include <utility>

#include "ModelTestSupport.h"
#include "ZULLineShape.h"
#include "ZULRectShape.h"

namespace {

using Points = std::set<std::pair<int, int>>;

ZULImage whitePage(int width, int height) { return ZULImage(width, height, 24, true); }

// The pixels that are not white, with a check that each is the given colour.
Points drawn(const ZULImage& image, const ZULShape::Color& color = {255, 0, 0})
{
    Points points;
    for (int y = 0; y < image.zulGetHeight(); ++y) {
        for (int x = 0; x < image.zulGetWidth(); ++x) {
            const unsigned char* p = image.zulGetRow(y) + 3 * x;
            if (p[0] != 255 || p[1] != 255 || p[2] != 255) {
                EXPECT_TRUE(p[0] == color[0] && p[1] == color[1] && p[2] == color[2]) << x << "," << y;
                points.insert({x, y});
            }
        }
    }
    return points;
}

// The whole walk, step by step, without any clipping: the reference for the
// clipped walk of zulPlotLine.
Points referenceLine(int x0, int y0, int x1, int y1, int width, int height)
{
    const long dx = long(x1) - x0, dy = long(y1) - y0;
    const bool xMajor = std::labs(dx) >= std::labs(dy);
    const long count = xMajor ? std::labs(dx) : std::labs(dy);
    const long minor = xMajor ? std::labs(dy) : std::labs(dx);
    const long majorStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const long minorStep = (xMajor ? dy : dx) > 0 ? 1 : -1;
    long x = x0, y = y0, error = 2 * minor - count;
    Points points;
    for (long i = 0; i < count; ++i) {
        if (x >= 0 && y >= 0 && x < width && y < height) {
            points.insert({int(x), int(y)});
        }
        while (error >= 0) {
            error -= 2 * count;
            (xMajor ? y : x) += minorStep;
        }
        (xMajor ? x : y) += majorStep;
        error += 2 * minor;
    }
    return points;
}

TEST(ZULShapeTest, LinePointsFollowIntegerBresenhamWithoutTheEnd)
{
    ZULImage page = whitePage(8, 8);
    ZULLineShape line(ZULPoint(0, 0), ZULPoint(4, 2));
    line.zulDraw(page);
    EXPECT_EQ(drawn(page), (Points{{0, 0}, {1, 1}, {2, 1}, {3, 2}}));

    ZULImage back = whitePage(8, 8);
    ZULLineShape(ZULPoint(4, 2), ZULPoint(0, 0)).zulDraw(back);
    EXPECT_EQ(drawn(back), referenceLine(4, 2, 0, 0, 8, 8));

    ZULImage dot = whitePage(8, 8);
    ZULLineShape(ZULPoint(3, 3), ZULPoint(3, 3)).zulDraw(dot);
    EXPECT_TRUE(drawn(dot).empty());
}

TEST(ZULShapeTest, ClippedLinesPlotExactlyTheVisiblePointsOfTheFullWalk)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<int> coordinate(-40, 60);
    for (int i = 0; i < 3000; ++i) {
        const int x0 = coordinate(random), y0 = coordinate(random), x1 = coordinate(random), y1 = coordinate(random);
        ZULImage page = whitePage(21, 13);
        ZULLineShape(ZULPoint(x0, y0), ZULPoint(x1, y1)).zulDraw(page);
        ASSERT_EQ(drawn(page), referenceLine(x0, y0, x1, y1, 21, 13))
            << "(" << x0 << "," << y0 << ") to (" << x1 << "," << y1 << ")";
    }
}

TEST(ZULShapeTest, FarOffLinesAreClippedWithoutOverflow)
{
    constexpr int kMin = std::numeric_limits<int>::min();
    constexpr int kMax = std::numeric_limits<int>::max();
    ZULImage page = whitePage(16, 16);
    // A horizontal line across the whole coordinate range crosses row 5.
    ZULLineShape(ZULPoint(kMin, 5), ZULPoint(kMax, 5)).zulDraw(page);
    Points row;
    for (int x = 0; x < 16; ++x) {
        row.insert({x, 5});
    }
    EXPECT_EQ(drawn(page), row);

    // A steep line far outside touches nothing; a diagonal through the page
    // from far away plots the diagonal.
    ZULImage empty = whitePage(16, 16);
    ZULLineShape(ZULPoint(kMin, kMin), ZULPoint(kMax, kMin + 7)).zulDraw(empty);
    EXPECT_TRUE(drawn(empty).empty());
    ZULImage diagonal = whitePage(16, 16);
    ZULLineShape(ZULPoint(-1000000000, -1000000000), ZULPoint(1000000000, 1000000000)).zulDraw(diagonal);
    Points expected;
    for (int i = 0; i < 16; ++i) {
        expected.insert({i, i});
    }
    EXPECT_EQ(drawn(diagonal), expected);
}

TEST(ZULShapeTest, RectangleDrawsItsBorderInItsColour)
{
    ZULImage page = whitePage(40, 40);
    ZULRectShape rect(10, 20, 5, 3);
    rect.zulDraw(page);
    Points border;
    for (int x = 10; x < 15; ++x) {
        border.insert({x, 20});
        border.insert({x, 22});
    }
    border.insert({10, 21});
    border.insert({14, 21});
    EXPECT_EQ(border.size(), 12u);
    EXPECT_EQ(drawn(page), border);

    ZULImage green = whitePage(8, 8);
    ZULRectShape greenRect(1, 1, 3, 3);
    greenRect.color = {0, 200, 0};
    greenRect.zulDraw(green);
    EXPECT_EQ(drawn(green, {0, 200, 0}).size(), 8u);

    ZULImage single = whitePage(8, 8);
    ZULRectShape(2, 2, 1, 1).zulDraw(single);
    EXPECT_TRUE(drawn(single).empty());
}

TEST(ZULShapeTest, RectanglesAreClippedToThePage)
{
    ZULImage page = whitePage(10, 10);
    ZULRectShape(-3, 7, 8, 6).zulDraw(page);  // left, bottom and part of the top outside
    Points visible;
    for (int x = 0; x <= 4; ++x) {
        visible.insert({x, 7});
    }
    for (int y = 7; y < 10; ++y) {
        visible.insert({4, y});
    }
    EXPECT_EQ(drawn(page), visible);

    ZULImage whole = whitePage(10, 10);
    constexpr int kMax = std::numeric_limits<int>::max();
    ZULRectShape(-5, 2, kMax, 3).zulDraw(whole);  // the right side is far away
    Points sides;
    for (int x = 0; x < 10; ++x) {
        sides.insert({x, 2});
        sides.insert({x, 4});
    }
    EXPECT_EQ(drawn(whole), sides);
}

TEST(ZULShapeTest, OnlyColourImagesAreDrawnOn)
{
    ZULImage gray(8, 8, 8, true);
    ZULImage bits(8, 8, 1, true);
    ZULImage none(8, 8, 24);
    const ZULRectShape rect(1, 1, 4, 4);
    EXPECT_NO_THROW(rect.zulDraw(gray));
    EXPECT_NO_THROW(rect.zulDraw(bits));
    EXPECT_NO_THROW(rect.zulDraw(none));
    for (std::size_t i = 0; i < gray.zulGetImageDataSize(); ++i) {
        ASSERT_EQ(gray.zulGetImageData()[i], 255);
    }
    for (std::size_t i = 0; i < bits.zulGetImageDataSize(); ++i) {
        ASSERT_EQ(bits.zulGetImageData()[i], 255);
    }
}

TEST(ZULShapeTest, DefaultsAndCopies)
{
    ZULRectShape rect;
    EXPECT_EQ(rect.color, (ZULShape::Color{255, 0, 0}));
    EXPECT_EQ(rect.secondColor, (ZULShape::Color{0, 0, 0}));
    EXPECT_EQ(rect.lineWidth, 1);
    rect.x = 3;
    rect.height = 9;
    rect.styleValue = 4;
    rect.secondColor = {1, 2, 3};
    const ZULRectShape copy = rect;
    EXPECT_EQ(copy.x, 3);
    EXPECT_EQ(copy.height, 9);
    EXPECT_EQ(copy.styleValue, 4);
    EXPECT_EQ(copy.secondColor, (ZULShape::Color{1, 2, 3}));
}

}  // namespace
