// Line detection labels the page's ink in place; these tests hold it to the
// long way round: binarise at 128, label the binary page, filter, render.
#include "textline/TextLines.h"

#include "ZULGlobalBinarization.h"
#include "ZULImage.h"
#include "ZULImageConverter.h"
#include "ZULLWConnectedComponents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 420;
constexpr int kHeight = 330;

// Strokes of every size (some 70 pixels or more, some within 80 pixels of
// the border), in grey values on both sides of 128, a few touching.
ZULImage randomGreyPage(std::mt19937& rng)
{
    ZULImage page(kWidth, kHeight, 8, true);
    std::uniform_int_distribution<int> x(0, kWidth - 1), y(0, kHeight - 1), side(1, 80), value(100, 160);
    for (int i = 0; i < 120; ++i) {
        const int left = x(rng), top = y(rng);
        const int right = std::min(kWidth, left + side(rng) / (i % 3 + 1));
        const int bottom = std::min(kHeight, top + side(rng) / (i % 2 + 1));
        const auto grey = static_cast<unsigned char>(i % 4 == 0 ? 0 : value(rng));
        for (int r = top; r < bottom; ++r)
            for (int c = left; c < right; ++c)
                if ((r * 7 + c * 3 + i) % 11 != 0)  // holes and ragged edges
                    page.zulGetRow(r)[c] = grey;
    }
    return page;
}

// The page of each depth the command meets; colour pages get channels that
// differ from one another, so that the grey weights matter.
ZULImage asDepth(const ZULImage& grey, int bits, std::mt19937& rng)
{
    ZULImage out;
    if (bits == 1) {
        ZULImageConverter::zulByte2Bit(out, grey, 128);
    } else if (bits == 24) {
        ZULImageConverter::zulGray2Color(out, grey);
        for (int y = 0; y < out.zulGetHeight(); ++y) {
            unsigned char* p = out.zulGetRow(y);
            for (int x = 0; x < out.zulGetWidth(); ++x, p += 3) {
                const int shift = static_cast<int>(rng() % 41) - 20;
                p[0] = static_cast<unsigned char>(std::clamp(p[0] + shift, 0, 255));
                p[2] = static_cast<unsigned char>(std::clamp(p[2] - shift, 0, 255));
            }
        }
    } else {
        out = grey;
    }
    return out;
}

// Binarise at 128, extract, keep components under 70 x 70 inside the
// 80-pixel margin, render them and copy them onto a white page.
ZULImage cleanedTheLongWay(const ZULImage& page)
{
    const int width = page.zulGetWidth();
    const int height = page.zulGetHeight();
    ZULImage binary;
    ZULGlobalBinarization(128).zulBinarizeImage(binary, page);
    ZULLWConnectedComponents components;
    EXPECT_TRUE(components.zulExtractComponents(binary));
    components.zulFilterSmaller(70, 70);
    components.zulFilterByColumns(80, width - 80);
    components.zulFilterByRows(80, height - 80);
    ZULImage rendered;
    components.zulRenderComponents(rendered);
    ZULImage cleaned(width, height, 8, true);
    for (int y = 0; y < rendered.zulGetHeight(); ++y)
        std::copy_n(rendered.zulGetRow(y), rendered.zulGetWidth(), cleaned.zulGetRow(y));
    return cleaned;
}

bool samePixels(const ZULImage& a, const ZULImage& b)
{
    return a.zulGetWidth() == b.zulGetWidth() && a.zulGetHeight() == b.zulGetHeight() &&
           a.zulGetImageDataSize() == b.zulGetImageDataSize() &&
           std::equal(a.zulGetImageData(), a.zulGetImageData() + a.zulGetImageDataSize(), b.zulGetImageData());
}

TEST(CleanPageInPlace, SameInkAsBinarisingAndLabellingTheBinaryPage)
{
    std::mt19937 rng(21);
    for (int page = 0; page < 6; ++page) {
        const ZULImage grey = randomGreyPage(rng);
        for (int bits : {1, 8, 24}) {
            const ZULImage input = asDepth(grey, bits, rng);
            const ZULImage want = cleanedTheLongWay(input);
            EXPECT_TRUE(samePixels(tavo::cleanPageForLines(input), want)) << "page " << page << ", " << bits << " bits";

            // And the same lines, in the same order, from there on.
            const tavo::PageInk ink = tavo::PageInk::fromImage(want);
            const std::vector<tavo::LineBox> boxes =
                tavo::rankLineBoxes(tavo::bandBoxes(ink, tavo::lineBands(ink.rowProfile())), -1);
            const std::vector<ZULRectShape> lines = tavo::detectTextLines(input, -1);
            ASSERT_EQ(lines.size(), boxes.size()) << "page " << page << ", " << bits << " bits";
            for (size_t i = 0; i < lines.size(); ++i) {
                EXPECT_EQ(lines[i].x, boxes[i].col);
                EXPECT_EQ(lines[i].y, boxes[i].row);
                EXPECT_EQ(lines[i].width, boxes[i].width);
                EXPECT_EQ(lines[i].height, boxes[i].height);
            }
        }
    }
}

}  // namespace
