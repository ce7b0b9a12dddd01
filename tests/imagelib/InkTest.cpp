// Ink read in place (ZULInk) and components labelled from a page of any
// depth, against the grey conversion and the binarise-then-label route.
#include "ZULGlobalBinarization.h"
#include "ZULImage.h"
#include "ZULImageConverter.h"
#include "ZULInk.h"
#include "ZULLWConnectedComponents.h"
#include "ZULRunLabeller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <tuple>
#include <vector>

namespace {

// Stretches of paper, ink, grey close to 128 and colours whose channels lie
// on both sides of 128, so that whole groups of eight are all paper, all ink
// or mixed, and the threshold is met exactly.
unsigned char randomChannel(std::mt19937& rng, int kind)
{
    switch (kind) {
    case 0:
        return static_cast<unsigned char>(128 + rng() % 128);
    case 1:
        return static_cast<unsigned char>(rng() % 128);
    case 2:
        return static_cast<unsigned char>(124 + rng() % 8);
    default:
        return static_cast<unsigned char>(rng() % 256);
    }
}

ZULImage randomImage(int width, int height, int bits, std::mt19937& rng)
{
    ZULImage image(width, height, bits, true);
    for (int y = 0; y < height; ++y) {
        unsigned char* row = image.zulGetRow(y);
        for (int x = 0; x < width;) {
            const int kind = static_cast<int>(rng() % 4);
            const int end = std::min(width, x + 1 + static_cast<int>(rng() % 40));
            for (; x < end; ++x) {
                if (bits == 1) {
                    if (kind == 1 || (kind == 3 && rng() % 2 == 0))
                        row[x / 8] = static_cast<unsigned char>(row[x / 8] & ~(0x80 >> (x % 8)));
                } else if (bits == 8) {
                    row[x] = randomChannel(rng, kind);
                } else {
                    // A grey-like pixel of kind 2 has all three channels near 128.
                    for (int c = 0; c < 3; ++c)
                        row[3 * x + c] = randomChannel(rng, kind);
                }
            }
        }
    }
    return image;
}

// Grey below 128, through the library's own conversions.
ZULImage greyOf(const ZULImage& image)
{
    ZULImage grey;
    if (image.zulGetBitsPerPixel() == 1)
        ZULImageConverter::zulBit2Byte(grey, image);
    else if (image.zulGetBitsPerPixel() == 24)
        ZULImageConverter::zulColor2Gray(grey, image);
    else
        grey = image;
    return grey;
}

TEST(Ink, PackedRowsHoldTheInkOfTheGreyConversion)
{
    std::mt19937 rng(5);
    for (int bits : {1, 8, 24}) {
        for (int width : {1, 7, 8, 9, 63, 64, 65, 127, 128, 150, 200}) {
            const ZULImage image = randomImage(width, 6, bits, rng);
            const ZULImage grey = greyOf(image);
            std::vector<std::uint64_t> packed(static_cast<size_t>(ZULInk::zulPackedWords(width)));
            for (int y = 0; y < image.zulGetHeight(); ++y) {
                std::fill(packed.begin(), packed.end(), ~std::uint64_t{0});  // stale bits must go
                ZULInk::zulPackRow(image.zulGetRow(y), bits, width, packed.data());
                for (int x = 0; x < 64 * static_cast<int>(packed.size()); ++x) {
                    const bool set = (packed[static_cast<size_t>(x / 64)] >> (x % 64)) & 1u;
                    const bool ink = x < width && grey.zulGetRow(y)[x] < 128;
                    ASSERT_EQ(set, ink) << bits << "-bit, width " << width << ", pixel " << x << "," << y;
                }
            }
        }
    }
}

TEST(Ink, ColumnCountsOfAStretchStartingAnywhere)
{
    std::mt19937 rng(6);
    for (int bits : {1, 8, 24}) {
        const ZULImage image = randomImage(131, 5, bits, rng);
        const ZULImage grey = greyOf(image);
        for (auto [first, width] : {std::pair{0, 131}, {3, 50}, {13, 118}, {64, 1}, {100, 31}, {7, 0}}) {
            std::vector<int> counts(static_cast<size_t>(width) + 1, 0);
            counts.back() = -7;  // nothing past the stretch is touched
            std::vector<int> want(counts.size(), 0);
            want.back() = -7;
            for (int y = 0; y < image.zulGetHeight(); ++y) {
                int rowInk = 0;
                for (int x = 0; x < width; ++x) {
                    const bool ink = grey.zulGetRow(y)[first + x] < 128;
                    want[static_cast<size_t>(x)] += ink;
                    rowInk += ink;
                }
                EXPECT_EQ(ZULInk::zulAddInkColumns(image.zulGetRow(y), bits, first, width, counts.data()), rowInk)
                    << bits << "-bit, first " << first << ", row " << y;
            }
            EXPECT_EQ(counts, want) << bits << "-bit, first " << first << ", width " << width;
        }
    }
}

// Each component as its box and its runs in list order.
using Component = std::tuple<int, int, int, int, std::vector<std::tuple<int, int, int>>>;

std::vector<Component> listed(const std::vector<ZULLWComponent>& components)
{
    std::vector<Component> all;
    for (const ZULLWComponent& c : components) {
        std::vector<std::tuple<int, int, int>> runs;
        for (const ZULDataruns& r : c.runs)
            runs.emplace_back(r.row, r.start, r.end);
        all.emplace_back(c.top, c.bottom, c.left, c.right, std::move(runs));
    }
    return all;
}

std::vector<Component> listed(const ZULRunLabeller::Labelling& flat)
{
    std::vector<Component> all;
    int next = 0;
    for (const ZULRunLabeller::Box& c : flat.components) {
        EXPECT_EQ(c.firstRun, next) << "components' runs lie one after another";
        next += c.runCount;
        std::vector<std::tuple<int, int, int>> runs;
        for (int i = c.firstRun; i < c.firstRun + c.runCount; ++i) {
            const ZULRunLabeller::Run& r = flat.runs[static_cast<size_t>(i)];
            runs.emplace_back(r.row, r.start, r.end);
        }
        all.emplace_back(c.top, c.bottom, c.left, c.right, std::move(runs));
    }
    EXPECT_EQ(static_cast<size_t>(next), flat.runs.size());
    return all;
}

TEST(InkComponents, SameListAsLabellingThePageBinarisedAt128)
{
    std::mt19937 rng(8);
    for (int bits : {1, 8, 24}) {
        for (auto [width, height] : {std::pair{1, 30}, {64, 20}, {100, 41}, {193, 60}}) {
            SCOPED_TRACE(testing::Message() << bits << "-bit page of " << width << " x " << height);
            const ZULImage page = randomImage(width, height, bits, rng);
            ZULImage binary;
            ZULGlobalBinarization(128).zulBinarizeImage(binary, page);
            ZULLWConnectedComponents described;
            ASSERT_TRUE(described.zulExtractComponents(binary));
            const std::vector<Component> want = listed(described.zulComponents());
            EXPECT_EQ(listed(ZULRunLabeller::zulLabel(page)), want);
            EXPECT_EQ(listed(ZULRunLabeller::zulLabelRuns(page)), want);
        }
    }
}

TEST(InkComponents, PagesWithoutPixelsOrOfOtherDepthsHaveNone)
{
    EXPECT_TRUE(ZULRunLabeller::zulLabel(ZULImage()).empty());
    EXPECT_TRUE(ZULRunLabeller::zulLabel(ZULImage(5, 5, 8)).empty());
    EXPECT_TRUE(ZULRunLabeller::zulLabelRuns(ZULImage(5, 5, 8)).components.empty());
    // Grey pages need not be binary: 127 is ink, 128 paper.
    ZULImage grey(5, 5, 8, true);
    grey.zulGetRow(0)[0] = 127;
    grey.zulGetRow(4)[4] = 128;
    const std::vector<ZULLWComponent> one = ZULRunLabeller::zulLabel(grey);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].right, 0);
}

}  // namespace
