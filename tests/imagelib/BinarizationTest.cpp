// Global, clustering and Niblack binarization.
#include "ZULClusterBinarize.h"
#include "ZULEdgeMap.h"
#include "ZULException.h"
#include "ZULGlobalBinarization.h"
#include "ZULImage.h"
#include "ZULLocalThreshold.h"
#include "ZULNiblackBinarization.h"
#include "ZULRunLabeller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <tuple>
#include <vector>

namespace {

ZULImage grayPage(int width, int height, unsigned char value)
{
    ZULImage image(width, height, 8, true);
    std::fill_n(image.zulGetImageData(), image.zulGetImageDataSize(), value);
    return image;
}

void fillRect(ZULImage& image, int x0, int y0, int w, int h, unsigned char value)
{
    for (int y = y0; y < y0 + h; ++y)
        std::fill_n(image.zulGetRow(y) + x0, w, value);
}

bool allEqual(const ZULImage& image, unsigned char value)
{
    const unsigned char* p = image.zulGetImageData();
    return std::all_of(p, p + image.zulGetImageDataSize(), [=](unsigned char v) { return v == value; });
}

bool samePixels(const ZULImage& a, const ZULImage& b)
{
    return a.zulGetWidth() == b.zulGetWidth() && a.zulGetHeight() == b.zulGetHeight() &&
           a.zulGetImageDataSize() == b.zulGetImageDataSize() &&
           std::equal(a.zulGetImageData(), a.zulGetImageData() + a.zulGetImageDataSize(), b.zulGetImageData());
}

// One row whose every 11th pixel (the sampled ones) is 41 for the first 40
// samples and 221 for the other 220: after the five passes the levels are
// 40 and 220.  The pixels between samples are not sampled, so they may hold
// test values.
ZULImage clusterPage()
{
    ZULImage page = grayPage(11 * 260, 1, 0);
    for (int i = 0; i < 260; ++i)
        page.zulGetRow(0)[11 * i] = i < 40 ? 41 : 221;
    const unsigned char probes[] = {159, 160, 183, 184};
    for (int i = 0; i < 4; ++i)
        page.zulGetRow(0)[1 + i] = probes[i];
    return page;
}

TEST(ClusterBinarize, DarkFortyAndLightTwoTwentyGiveOneSixtyAndOneEightyFour)
{
    const ZULImage page = clusterPage();
    EXPECT_EQ(zulClusterThreshold(page, 3), 160);
    EXPECT_EQ(zulClusterThreshold(page, 5), 184);

    ZULImage work = page;
    const ZULImage copy = zulClusterBinarize(work, 3);
    const unsigned char* row = work.zulGetRow(0);
    EXPECT_EQ(row[1], 0);    // 159
    EXPECT_EQ(row[2], 255);  // 160
    EXPECT_EQ(row[3], 255);  // 183
    EXPECT_TRUE(samePixels(work, copy));
    EXPECT_EQ(work.zulGetBinaryState(), 1);

    work = page;
    zulClusterBinarize(work, 5);
    EXPECT_EQ(work.zulGetRow(0)[3], 0);    // 183
    EXPECT_EQ(work.zulGetRow(0)[4], 255);  // 184
}

TEST(ClusterBinarize, FlatPageAndMisuse)
{
    ZULImage flat = grayPage(30, 30, 90);
    // One level: light 88 (the count starts at 1), dark 0, threshold 59.
    EXPECT_EQ(zulClusterThreshold(flat, 3), 59);
    zulClusterBinarize(flat, 3);
    EXPECT_TRUE(allEqual(flat, 255));

    EXPECT_THROW(zulClusterThreshold(ZULImage(4, 4, 24, true), 3), ZULException);
    EXPECT_THROW(zulClusterThreshold(flat, 0), ZULException);
}

TEST(GlobalBinarization, ThresholdSplitsAtTheValue)
{
    ZULImage page(4, 1, 8, true);
    const unsigned char values[] = {0, 127, 128, 255};
    std::copy(values, values + 4, page.zulGetImageData());
    ZULImage out;
    ZULGlobalBinarization(128).zulBinarizeImage(out, page);
    const unsigned char* p = out.zulGetImageData();
    EXPECT_EQ(std::vector<int>(p, p + 4), (std::vector<int>{0, 0, 255, 255}));
    EXPECT_EQ(out.zulGetBinaryState(), 1);
    EXPECT_EQ(page.zulGetRow(0)[1], 127);  // the source is untouched

    ZULGlobalBinarization(0).zulBinarizeImage(out, page);
    EXPECT_TRUE(allEqual(out, 255));
}

TEST(GlobalBinarization, ThresholdOutsideTheByteRangeRaisesCodeFourteen)
{
    ZULImage out;
    for (int t : {-1, 256}) {
        try {
            ZULGlobalBinarization(t).zulBinarizeImage(out, grayPage(2, 2, 9));
            ADD_FAILURE() << "no exception for " << t;
        } catch (const ZULException& e) {
            EXPECT_EQ(e.zulGetErrorCode(), 14);
            EXPECT_STREQ(e.what(),
                         "ZULGlobalBinarization:10: <ZULGlobalBinarization::zulBinarizeImage()> threshold "
                         "must between 0 and 255");
        }
    }
}

TEST(GlobalBinarization, OtherDepths)
{
    ZULImage bits(10, 1, 1, true);
    bits.zulGetRow(0)[0] = 0x7F;  // pixel 0 black, 1..7 white
    ZULImage out;
    ZULGlobalBinarization(200).zulBinarizeImage(out, bits);
    ASSERT_EQ(out.zulGetBitsPerPixel(), 8);
    EXPECT_EQ(out.zulGetRow(0)[0], 0);
    EXPECT_EQ(out.zulGetRow(0)[1], 255);

    ZULImage colour(2, 1, 24, true);
    colour.zulSetColorPixel(0, 0, 255, 0, 0);  // grey 76
    ZULGlobalBinarization(77).zulBinarizeImage(out, colour);
    ASSERT_EQ(out.zulGetBitsPerPixel(), 8);
    EXPECT_EQ(out.zulGetRow(0)[0], 0);
    EXPECT_EQ(out.zulGetRow(0)[1], 255);
}

// The local threshold computed the slow way: every window summed directly,
// the scan and closing rules applied pixel by pixel.
std::vector<unsigned char> naiveLocalThreshold(const ZULImage& g, int ww, int wh, int kk, int minStd)
{
    const int w = g.zulGetWidth(), h = g.zulGetHeight();
    std::vector<unsigned char> out(static_cast<size_t>(w) * h, 255);
    std::vector<char> closed(out.size(), 0);
    const bool whole = ww >= w || wh >= h;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w;) {
            if (closed[y * w + x]) {
                out[y * w + x] = 255;
                ++x;
                continue;
            }
            const int x0 = whole ? 0 : std::max(0, x - ww / 2), x1 = whole ? w - 1 : std::min(w - 1, x + ww / 2);
            const int y0 = whole ? 0 : std::max(0, y - wh / 2), y1 = whole ? h - 1 : std::min(h - 1, y + wh / 2);
            std::int64_t sum = 0, sq = 0, n = 0;
            for (int yy = y0; yy <= y1; ++yy)
                for (int xx = x0; xx <= x1; ++xx) {
                    const int v = g.zulGetRow(yy)[xx];
                    sum += v;
                    sq += v * v;
                    ++n;
                }
            const std::int64_t mean = sum / n, var = sq / n - mean * mean;
            const int v = g.zulGetRow(y)[x];
            if (var > static_cast<std::int64_t>(minStd) * minStd) {
                const std::int64_t d = (mean - v) * 100 / kk;
                out[y * w + x] = (v < mean && d * d >= var) ? 0 : 255;
                ++x;
                continue;
            }
            for (int yy = y; yy <= y1; ++yy)
                for (int xx = x0; xx <= x1; ++xx)
                    closed[yy * w + xx] = 1;
            for (int xx = x; xx <= x1; ++xx)
                out[y * w + xx] = 255;
            x = x1 + 1;
        }
    }
    return out;
}

// Paper with smooth patches and random strokes, so that flat and busy
// windows alternate.
ZULImage mixedPage(int w, int h, unsigned seed)
{
    std::mt19937 rng(seed);
    ZULImage page = grayPage(w, h, 200);
    for (int i = 0; i < w * h / 40; ++i) {
        const int x = static_cast<int>(rng() % w), y = static_cast<int>(rng() % h);
        const int len = 1 + static_cast<int>(rng() % 6);
        const auto v = static_cast<unsigned char>(rng() % 256);
        for (int k = 0; k < len && x + k < w; ++k)
            page.zulGetRow(y)[x + k] = v;
    }
    fillRect(page, 0, 0, std::min(w, 12), std::min(h, 9), 120);
    return page;
}

TEST(LocalThreshold, MatchesDirectWindowSumsAndTheScanRules)
{
    unsigned seed = 3;
    for (auto [w, h] : {std::pair{40, 30}, {16, 50}, {64, 16}, {97, 61}}) {
        const ZULImage page = mixedPage(w, h, seed++);
        const ZULImage fast = zulLocalThreshold(page, 15, 15, -0.2, 5);
        const std::vector<unsigned char> slow = naiveLocalThreshold(page, 15, 15, 20, 5);
        ASSERT_EQ(fast.zulGetImageDataSize(), slow.size());
        EXPECT_TRUE(std::equal(slow.begin(), slow.end(), fast.zulGetImageData())) << w << "x" << h;
    }
    // Other window shapes and k.
    const ZULImage page = mixedPage(50, 40, 11);
    const ZULImage fast = zulLocalThreshold(page, 7, 3, -0.5, 3);
    const std::vector<unsigned char> slow = naiveLocalThreshold(page, 7, 3, 50, 3);
    EXPECT_TRUE(std::equal(slow.begin(), slow.end(), fast.zulGetImageData()));
}

// A photographed page: shaded paper with grain whose variance lies about
// the flat limit (so windows fall on both sides of it by a unit), and dark
// and faint strokes.
ZULImage grainPage(int w, int h, unsigned seed, int grain)
{
    std::mt19937 rng(seed);
    ZULImage page = grayPage(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int shade = 150 + (x * 60) / w + (y * 30) / h;
            const int noise = static_cast<int>(rng() % static_cast<unsigned>(2 * grain + 1)) - grain;
            page.zulGetRow(y)[x] = static_cast<unsigned char>(std::clamp(shade + noise, 0, 255));
        }
    for (int i = 0; i < w * h / 300; ++i) {
        const int x = static_cast<int>(rng() % w), y = static_cast<int>(rng() % h);
        const auto v = static_cast<unsigned char>(rng() % 2 ? rng() % 60 : 120 + rng() % 60);
        const int sw = 1 + static_cast<int>(rng() % 9), sh = 1 + static_cast<int>(rng() % 4);
        fillRect(page, x, y, std::min(sw, w - x), std::min(sh, h - y), v);  // cut to the page
    }
    return page;
}

TEST(LocalThreshold, ExactOnPhotographedPagesForEveryWindowAndLimit)
{
    struct Case {
        int w, h, grain, window, windowHeight, kk, minStd;
    };
    unsigned seed = 20;
    for (const Case c : {Case{180, 130, 8, 15, 15, 20, 5}, Case{180, 130, 9, 15, 15, 20, 5},
                         Case{150, 90, 5, 14, 8, 25, 3}, Case{120, 100, 12, 31, 5, 150, 7},
                         Case{90, 70, 3, 1, 1, 20, 0}, Case{90, 70, 6, 3, 9, 50, 1},
                         Case{100, 60, 10, 15, 15, 20, 100000}, Case{100, 60, 10, 15, 15, 20, -6}}) {
        const ZULImage page = grainPage(c.w, c.h, seed++, c.grain);
        const ZULImage fast = zulLocalThreshold(page, c.window, c.windowHeight, -c.kk / 100.0, c.minStd);
        const std::vector<unsigned char> slow = naiveLocalThreshold(page, c.window, c.windowHeight, c.kk, c.minStd);
        EXPECT_TRUE(std::equal(slow.begin(), slow.end(), fast.zulGetImageData()))
            << c.w << "x" << c.h << " grain " << c.grain << " window " << c.window << "x" << c.windowHeight
            << " limit " << c.minStd;
    }
}

TEST(LocalThreshold, FlatPageIsAllPaper)
{
    for (unsigned char v : {0, 90, 255})
        EXPECT_TRUE(allEqual(zulLocalThreshold(grayPage(60, 45, v), 15, 15, -0.2, 5), 255));
    // Noise within the flat limit (deviation 5) stays paper as well.
    ZULImage faint = grayPage(60, 45, 100);
    for (int y = 0; y < 45; ++y)
        for (int x = (y % 2); x < 60; x += 2)
            faint.zulGetRow(y)[x] = 108;  // variance 16
    EXPECT_TRUE(allEqual(zulLocalThreshold(faint, 15, 15, -0.2, 5), 255));
}

TEST(LocalThreshold, SmallPageUsesWholePageSums)
{
    // On a 10 x 10 page the clipped window of a corner pixel would see only
    // the paper; the whole-page sums see the dark right-hand columns too.
    ZULImage page = grayPage(10, 10, 200);
    fillRect(page, 8, 0, 2, 10, 20);
    page.zulGetRow(0)[0] = 150;
    const ZULImage out = zulLocalThreshold(page, 15, 15, -0.2, 5);
    const std::vector<unsigned char> slow = naiveLocalThreshold(page, 15, 15, 20, 5);
    EXPECT_TRUE(std::equal(slow.begin(), slow.end(), out.zulGetImageData()));
    // mean 163, variance 5336: 150 is not dark enough, 20 is.
    EXPECT_EQ(out.zulGetRow(0)[0], 255);
    EXPECT_EQ(out.zulGetRow(0)[8], 0);
    EXPECT_EQ(out.zulGetRow(5)[3], 255);

    // A page narrower than the window but taller also takes whole-page sums.
    ZULImage tall = grayPage(12, 40, 200);
    fillRect(tall, 0, 35, 12, 5, 10);
    const std::vector<unsigned char> tallSlow = naiveLocalThreshold(tall, 15, 15, 20, 5);
    EXPECT_TRUE(std::equal(tallSlow.begin(), tallSlow.end(), zulLocalThreshold(tall, 15, 15, -0.2, 5).zulGetImageData()));
}

TEST(LocalThreshold, ZeroKMeansDarkerThanTheMean)
{
    ZULImage page = grayPage(20, 20, 200);
    fillRect(page, 5, 5, 3, 3, 150);
    const ZULImage out = zulLocalThreshold(page, 7, 7, 0.0, 5);
    EXPECT_EQ(out.zulGetRow(6)[6], 0);
    EXPECT_EQ(out.zulGetRow(15)[15], 255);
}

TEST(EdgeMap, BoxMeanClipsAtTheBorders)
{
    ZULImage page = grayPage(3, 2, 0);
    page.zulGetRow(0)[0] = 60;
    const ZULImage mean = zulBoxMean3x3(page);
    EXPECT_EQ(mean.zulGetRow(0)[0], 15);  // 60 / 4
    EXPECT_EQ(mean.zulGetRow(1)[1], 10);  // 60 / 6
    EXPECT_EQ(mean.zulGetRow(1)[2], 0);
}

TEST(EdgeMap, BoxMeanMatchesClippedWindowsOnAnyShape)
{
    std::mt19937 rng(5);
    for (auto [w, h] : {std::pair{1, 1}, {1, 6}, {6, 1}, {2, 2}, {9, 7}}) {
        ZULImage page(w, h, 8, true);
        for (size_t i = 0; i < page.zulGetImageDataSize(); ++i)
            page.zulGetImageData()[i] = static_cast<unsigned char>(rng() % 256);
        const ZULImage mean = zulBoxMean3x3(page);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int sum = 0, n = 0;
                for (int yy = std::max(0, y - 1); yy <= std::min(h - 1, y + 1); ++yy)
                    for (int xx = std::max(0, x - 1); xx <= std::min(w - 1, x + 1); ++xx, ++n)
                        sum += page.zulGetRow(yy)[xx];
                ASSERT_EQ(mean.zulGetRow(y)[x], sum / n) << w << "x" << h << " at " << x << "," << y;
            }
    }
}

TEST(EdgeMap, GradientSumsAllFourDirections)
{
    ZULImage page = grayPage(3, 3, 0);
    for (int y = 0; y < 3; ++y)
        page.zulGetRow(y)[2] = 255;
    const std::vector<std::int16_t> g = zulGradientMap(page);
    // horizontal 1020, vertical 0, each diagonal 765.
    EXPECT_EQ(g[4], 2550);
    for (int i : {0, 1, 2, 3, 5, 6, 7, 8})
        EXPECT_EQ(g[i], 0) << i;

    ZULImage corner = grayPage(3, 3, 0);
    corner.zulGetRow(2)[2] = 100;  // only SE lit
    EXPECT_EQ(zulGradientMap(corner)[4], 100 + 100 + 200 + 0);
}

// A light page with dark strokes; its sides decide the size category.
ZULImage strokePage(int w, int h)
{
    return grayPage(w, h, 210);
}

ZULImage niblack(const ZULImage& page, int minEdge = 50)
{
    ZULImage out;
    ZULNiblackBinarization(15, 15, -0.2, 5, minEdge).zulBinarizeImage(out, page);
    return out;
}

TEST(Niblack, UniformGreyPageIsAllWhite)
{
    const ZULImage out = niblack(grayPage(120, 90, 128));
    EXPECT_TRUE(allEqual(out, 255));
    EXPECT_EQ(out.zulGetBinaryState(), 1);
}

TEST(Niblack, KeepsStrongStrokesAndDropsOversizedOnes)
{
    ZULImage page = strokePage(1000, 120);  // category 1: height below 500
    fillRect(page, 20, 20, 300, 5, 20);     // kept
    fillRect(page, 40, 80, 900, 5, 20);     // 900 wide: dropped
    const ZULImage out = niblack(page);
    EXPECT_EQ(out.zulGetRow(22)[100], 0);
    EXPECT_EQ(out.zulGetRow(82)[100], 255);
    for (int y = 70; y < 100; ++y)
        for (int x = 0; x < 1000; ++x)
            ASSERT_EQ(out.zulGetRow(y)[x], 255) << x << "," << y;
}

TEST(Niblack, OnePixelStrokeIsDroppedInCategoryOne)
{
    ZULImage page = strokePage(400, 600);
    fillRect(page, 50, 100, 1, 60, 10);   // one pixel wide
    fillRect(page, 200, 100, 3, 60, 10);  // three pixels wide
    const ZULImage out = niblack(page);
    for (int y = 90; y < 170; ++y)
        EXPECT_EQ(out.zulGetRow(y)[50], 255) << y;
    EXPECT_EQ(out.zulGetRow(130)[201], 0);
}

TEST(Niblack, WeakEdgesAreDropped)
{
    ZULImage page = strokePage(200, 100);
    fillRect(page, 50, 40, 40, 6, 30);
    EXPECT_EQ(niblack(page, 0).zulGetRow(42)[60], 0);
    EXPECT_TRUE(allEqual(niblack(page, 1000000), 255));
}

TEST(Niblack, BinaryInputPassesUnchanged)
{
    ZULImage page = strokePage(60, 60);
    std::fill_n(page.zulGetImageData(), page.zulGetImageDataSize(), 255);
    fillRect(page, 10, 10, 40, 40, 0);  // a block that Niblack would hollow out
    page.zulSetBinaryState(1);
    const ZULImage out = niblack(page);
    EXPECT_TRUE(samePixels(out, page));
    EXPECT_EQ(out.zulGetBinaryState(), 1);

    ZULImage bits(16, 2, 1, true);
    bits.zulGetRow(1)[1] = 0x0F;
    const ZULImage expanded = niblack(bits);
    ASSERT_EQ(expanded.zulGetBitsPerPixel(), 8);
    EXPECT_EQ(expanded.zulGetRow(1)[8], 0);
    EXPECT_EQ(expanded.zulGetRow(1)[12], 255);
}

TEST(Niblack, PageWithoutPixelsRaises)
{
    ZULImage out;
    EXPECT_THROW(ZULNiblackBinarization().zulBinarizeImage(out, ZULImage(5, 5, 8)), ZULException);
}

// The labelling -check indexes: zulInkComponents must give exactly what
// labelling the binarized page gives, component for component and run for
// run in the same order (the edge check reads a component's first and last
// run in that order), on grainy photographed pages of all three size
// categories, with strokes that touch the page's edges, and for the inputs
// it hands to zulBinarizeImage (binary, colour).
void expectSameLabelling(const ZULRunLabeller::Labelling& a, const ZULRunLabeller::Labelling& b, const char* what)
{
    ASSERT_EQ(a.components.size(), b.components.size()) << what;
    ASSERT_EQ(a.runs.size(), b.runs.size()) << what;
    for (std::size_t i = 0; i < a.components.size(); ++i) {
        const auto &x = a.components[i], &y = b.components[i];
        ASSERT_TRUE(x.top == y.top && x.bottom == y.bottom && x.left == y.left && x.right == y.right &&
                    x.firstRun == y.firstRun && x.runCount == y.runCount)
            << what << ": component " << i;
    }
    for (std::size_t i = 0; i < a.runs.size(); ++i)
        ASSERT_TRUE(a.runs[i].row == b.runs[i].row && a.runs[i].start == b.runs[i].start &&
                    a.runs[i].end == b.runs[i].end)
            << what << ": run " << i;
}

TEST(Niblack, InkComponentsAreTheLabellingOfTheBinarizedPage)
{
    struct Case {
        int w, h, grain, minEdge;
    };
    unsigned seed = 40;
    for (const Case c : {Case{300, 200, 8, 50}, Case{700, 520, 10, 50}, Case{1520, 1510, 9, 50},
                         Case{400, 300, 4, 20}, Case{400, 300, 12, 90}}) {
        ZULImage page = grainPage(c.w, c.h, seed++, c.grain);
        // Strokes long and short, a stroke on every edge of the page and a
        // block too large to keep.
        fillRect(page, 0, 10, c.w, 6, 20);
        fillRect(page, 0, 0, 5, c.h, 25);
        fillRect(page, c.w - 4, c.h / 2, 4, c.h / 2, 30);
        fillRect(page, c.w / 3, c.h - 3, c.w / 3, 3, 15);
        for (int i = 0; i < 40; ++i)
            fillRect(page, 20 + (i * 37) % (c.w - 60), 30 + (i * 53) % (c.h - 60), 4 + i % 30, 3 + i % 7, 40);
        ZULNiblackBinarization niblack(15, 15, -0.2, 5, c.minEdge);
        ZULImage binary;
        const auto expected = ZULRunLabeller::zulLabelRuns(niblack.zulBinarizeImage(binary, page));
        expectSameLabelling(niblack.zulInkComponents(page), expected, "grey page");
        ASSERT_FALSE(expected.components.empty());
    }
    // Edge limits across the range, so that components lie on both sides
    // of every one of them.
    ZULImage strokes = grainPage(400, 300, 60, 10);
    for (int i = 0; i < 120; ++i)
        fillRect(strokes, 5 + (i * 37) % 380, 5 + (i * 53) % 280, 4 + i % 13, 4 + i % 9, static_cast<unsigned char>(i * 2));
    for (int i = 0; i < 20; ++i) {  // blocks on the left and right edges
        fillRect(strokes, 0, 4 + 14 * i, 5 + i % 4, 6 + i % 6, static_cast<unsigned char>(6 * i));
        fillRect(strokes, 393 + i % 3, 4 + 14 * i, 7 - i % 3, 6 + i % 6, static_cast<unsigned char>(6 * i));
    }
    for (int minEdge = 10; minEdge <= 400; minEdge += 15) {
        ZULNiblackBinarization niblack(15, 15, -0.2, 5, minEdge);
        ZULImage binary;
        expectSameLabelling(niblack.zulInkComponents(strokes),
                            ZULRunLabeller::zulLabelRuns(niblack.zulBinarizeImage(binary, strokes)), "edge limit");
    }
    // Other windows and the whole-page window.
    const ZULImage page = grainPage(200, 150, 7, 9);
    for (auto [ww, wh] : {std::pair{7, 3}, {31, 5}, {400, 15}}) {
        ZULNiblackBinarization niblack(ww, wh, -0.3, 4, 30);
        ZULImage binary;
        expectSameLabelling(niblack.zulInkComponents(page),
                            ZULRunLabeller::zulLabelRuns(niblack.zulBinarizeImage(binary, page)), "window");
    }
    // A page marked binary and a colour page go through zulBinarizeImage.
    ZULImage binaryPage = strokePage(60, 60);
    std::fill_n(binaryPage.zulGetImageData(), binaryPage.zulGetImageDataSize(), 255);
    fillRect(binaryPage, 10, 10, 40, 40, 0);
    binaryPage.zulSetBinaryState(1);
    ZULNiblackBinarization niblack;
    const auto block = niblack.zulInkComponents(binaryPage);
    ASSERT_EQ(block.components.size(), 1u);
    EXPECT_EQ(block.components[0].runCount, 40);
    ZULImage colour(120, 90, 24, true);
    for (int y = 30; y < 40; ++y)
        std::fill_n(colour.zulGetRow(y) + 3 * 20, 3 * 60, 10);
    ZULImage binary;
    expectSameLabelling(niblack.zulInkComponents(colour),
                        ZULRunLabeller::zulLabelRuns(niblack.zulBinarizeImage(binary, colour)), "colour");
    EXPECT_THROW(niblack.zulInkComponents(ZULImage(5, 5, 8)), ZULException);
}

TEST(LocalThreshold, RowsAreTheRowsOfTheImage)
{
    for (auto [w, h, ww] : {std::tuple{90, 70, 15}, {40, 30, 50}}) {
        const ZULImage page = grainPage(w, h, 5, 8);
        const ZULImage whole = zulLocalThreshold(page, ww, 15, -0.2, 5);
        int next = 0;
        const int width = w;
        zulLocalThresholdRows(page, ww, 15, -0.2, 5, [&](int y, const unsigned char* row) {
            ASSERT_EQ(y, next++);
            EXPECT_TRUE(std::equal(row, row + width, whole.zulGetRow(y))) << y;
        });
        EXPECT_EQ(next, h);
    }
}

}  // namespace
