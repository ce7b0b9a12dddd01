// Depth conversions: gray weights, packing and expansion at row ends, the
// colour-to-binary rules, the dispatch table and the heap twins.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "ModelTestSupport.h"
#include "ZULImageConverter.h"

namespace {

using C = ZULImageConverter;

ZULImage colorPixels(std::initializer_list<std::array<int, 3>> pixels)
{
    ZULImage image(int(pixels.size()), 1, 24, true);
    unsigned char* p = image.zulGetImageData();
    for (const auto& px : pixels) {
        for (int v : px) {
            *p++ = static_cast<unsigned char>(v);
        }
    }
    return image;
}

ZULImage grayRow(std::initializer_list<int> values)
{
    ZULImage image(int(values.size()), 1, 8, true);
    int x = 0;
    for (int v : values) {
        image.zulGetRow(0)[x++] = static_cast<unsigned char>(v);
    }
    return image;
}

bool samePixels(const ZULImage& a, const ZULImage& b)
{
    return a.zulGetWidth() == b.zulGetWidth() && a.zulGetHeight() == b.zulGetHeight() &&
           a.zulGetBitsPerPixel() == b.zulGetBitsPerPixel() && a.zulGetImageDataSize() == b.zulGetImageDataSize() &&
           std::memcmp(a.zulGetImageData(), b.zulGetImageData(), a.zulGetImageDataSize()) == 0;
}

// The colour-to-binary chain spelled out with the library's own steps: split,
// pack each channel, expand, merge, reduce to gray, pack at 240.
ZULImage thresholdChain(const ZULImage& src, int tRed, int tGreen, int tBlue)
{
    ZULImage channel[3];
    const int thresholds[3] = {tRed, tGreen, tBlue};
    for (int c = 0; c < 3; ++c) {
        ZULImage split, bits;
        src.zulGetChannelImage(split, c);
        C::zulByte2Bit(bits, split, thresholds[c]);
        C::zulBit2Byte(channel[c], bits);
    }
    ZULImage merged, gray, out;
    ZULImage::zulMergeChannelImage(merged, channel[0], channel[1], channel[2]);
    C::zulColor2Gray(gray, merged);
    return C::zulByte2Bit(out, gray, 240);
}

TEST(ZULImageConverterTest, GrayWeightsAreIntegerExact)
{
    ZULImage gray;
    C::zulColor2Gray(gray, colorPixels({{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}, {1, 2, 3}}));
    const unsigned char* g = gray.zulGetRow(0);
    EXPECT_EQ(g[0], 76);
    EXPECT_EQ(g[1], 149);
    EXPECT_EQ(g[2], 29);
    EXPECT_EQ(g[3], 255);
    EXPECT_EQ(g[4], 0);
    EXPECT_EQ(g[5], 1);  // (299 + 1174 + 342) / 1000

    ZULImage color = randomImage(37, 11, 24, 9);
    color.zulSetResolution(300.0f, 300.0f, 1);
    C::zulColor2Gray(gray, color);
    EXPECT_EQ(gray.zulGetXResolution(), 300.0f);  // the page keeps its dots per inch
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 37; ++x) {
            const unsigned char* p = color.zulGetRow(y) + 3 * x;
            ASSERT_EQ(gray.zulGetRow(y)[x], (299 * p[0] + 587 * p[1] + 114 * p[2]) / 1000);
        }
    }
}

TEST(ZULImageConverterTest, PackingThresholdsAndRowEnds)
{
    ZULImage bits;
    C::zulByte2Bit(bits, grayRow({127, 126, 255, 0, 128, 127, 126, 200, 127, 1}), 127);
    ASSERT_EQ(bits.zulGetBytesPerRow(), 2);
    EXPECT_EQ(bits.zulGetRow(0)[0], 0b10101101);
    EXPECT_EQ(bits.zulGetRow(0)[1], 0b10000000);  // columns 10..15 stay 0

    C::zulByte2Bit(bits, grayRow({0, 0, 0}), 0);
    EXPECT_EQ(bits.zulGetRow(0)[0], 0b11100000);
    C::zulByte2Bit(bits, grayRow({255, 254}), 255);
    EXPECT_EQ(bits.zulGetRow(0)[0], 0b10000000);

    const std::string kThreshold = "ZULImageConverter:269: <ZULImageConverter::zulByte2Bit()> threshold must between 0 and 255";
    const ZULImage gray = grayRow({1, 2});
    expectZulError([&] { C::zulByte2Bit(bits, gray, 256); }, 7, kThreshold);
    expectZulError([&] { C::zulByte2Bit(bits, gray, -1); }, 7, kThreshold);
    expectZulError([&] { C::zulByte2Bit(bits, ZULImage(2, 1, 8), 1); }, 5,
                   "ZULImageConverter:259: <ZULImageConverter::zulByte2Bit()> Image Data is NULL!");
    expectZulError([&] { C::zulByte2Bit(bits, ZULImage(2, 1, 1, true), 1); }, 7,
                   "ZULImageConverter:264: <ZULImageConverter::zulByte2Bit()> A BYTE image expected in "
                   "ZULImage::zulGray2Binary!");
}

TEST(ZULImageConverterTest, ExpansionAndPackingRoundTripAtEveryWidth)
{
    for (int width = 1; width <= 40; ++width) {
        ZULImage page = randomImage(width, 3, 1, unsigned(width));
        page.zulSetResolution(300.0f, 200.0f, 0);
        ZULImage gray, color, back;
        C::zulBit2Byte(gray, page);
        C::zulBit2Color(color, page);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x) {
                const int expected = bitAt(page, x, y) ? 255 : 0;
                ASSERT_EQ(gray.zulGetRow(y)[x], expected);
                for (int c = 0; c < 3; ++c) {
                    ASSERT_EQ(color.zulGetRow(y)[3 * x + c], expected);
                }
            }
        }
        C::zulByte2Bit(back, gray, 127);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(bitAt(back, x, y), bitAt(page, x, y));
            }
        }
        EXPECT_EQ(gray.zulGetYResolution(), 200.0f);
        EXPECT_EQ(gray.zulGetResolutionInInches(), 0);
        EXPECT_EQ(back.zulGetXResolution(), 300.0f);
        EXPECT_EQ(color.zulGetXResolution(), 300.0f);
    }
}

TEST(ZULImageConverterTest, ConversionsMayOverwriteTheirSource)
{
    ZULImage image = randomImage(13, 4, 1, 77);
    clearUnusedBits(image);
    const ZULImage original = image;
    C::zulBit2Color(image, image);
    EXPECT_EQ(image.zulGetBitsPerPixel(), 24);
    C::zulColor2Gray(image, image);
    C::zulByte2Bit(image, image, 128);
    EXPECT_TRUE(samePixels(image, original));
}

TEST(ZULImageConverterTest, SourceChecksRaiseTheirOwnTexts)
{
    ZULImage out;
    const ZULImage grayNone(3, 3, 8);
    const ZULImage bitNone(3, 3, 1);
    const ZULImage colorNone(3, 3, 24);
    const ZULImage gray(3, 3, 8, true);
    expectZulError([&] { C::zulBit2Byte(out, bitNone); }, 5,
                   "ZULImageConverter:16: <ZULImageConverter::zulBit2Byte()> Image Data is NULL!");
    expectZulError([&] { C::zulBit2Byte(out, gray); }, 7,
                   "ZULImageConverter:21: <ZULImageConverter::zulBit2Byte()> Bit image expected in "
                   "ZULImage::zulBinary2Gray!");
    // zulGray2Color and zulColor2Gray look at the depth before the pixels.
    expectZulError([&] { C::zulGray2Color(out, bitNone); }, 7,
                   "ZULImageConverter:76: <ZULImageConverter::zulGray2Color()> Gray image expected in "
                   "ZULImage::zulGray2Color!");
    expectZulError([&] { C::zulGray2Color(out, grayNone); }, 5,
                   "ZULImageConverter:84: <ZULImageConverter::zulGray2Color()> Image Data is NULL!");
    expectZulError([&] { C::zulBit2Color(out, bitNone); }, 5,
                   "ZULImageConverter:123: <ZULImageConverter::zulBit2Color()> Image Data is NULL!");
    expectZulError([&] { C::zulBit2Color(out, gray); }, 7,
                   "ZULImageConverter:129: <ZULImageConverter::zulBit2Color()> Bit image expected in "
                   "ZULImage::zulBinary2Color!");
    expectZulError([&] { C::zulColor2Gray(out, grayNone); }, 7,
                   "ZULImageConverter:311: <ZULImageConverter::zulColor2Gray()> A BYTE image expected in "
                   "ZULImage::zulColor2Gary!");
    expectZulError([&] { C::zulColor2Gray(out, colorNone); }, 5,
                   "ZULImageConverter:316: <ZULImageConverter::zulColor2Gray()> Image Data is NULL!");
}

TEST(ZULImageConverterTest, ChannelThresholdsMatchTheSplitMergeChain)
{
    const ZULImage color = randomImage(23, 9, 24, 11);
    for (const auto& [r, g, b] : {std::array{128, 128, 128}, std::array{0, 255, 17}, std::array{255, 255, 255},
                                  std::array{0, 0, 0}, std::array{90, 200, 40}}) {
        ZULImage direct;
        C::zulDownscaleColor2Binary_threshold(direct, color, r, g, b);
        ASSERT_TRUE(samePixels(direct, thresholdChain(color, r, g, b))) << r << " " << g << " " << b;
    }
    ZULImage out;
    expectZulError([&] { C::zulDownscaleColor2Binary_threshold(out, ZULImage(2, 2, 8, true), 1, 1, 1); }, 7,
                   "ZULImageConverter:355: <ZULImageConverter::zulDownscaleColor2Binary_threshold()> A Color image "
                   "is expected in percentThresholdBinarization!!");
    expectZulError([&] { C::zulDownscaleColor2Binary_threshold(out, color, 1, 300, 1); }, 7,
                   "ZULImageConverter:269: <ZULImageConverter::zulByte2Bit()> threshold must between 0 and 255");
}

TEST(ZULImageConverterTest, PercentThresholdsUseEachChannelsRange)
{
    ZULImage out;
    // Percent is checked before anything else, even an image without pixels.
    expectZulError([&] { C::zulDownscaleColor2Binary_percentThreshold(out, ZULImage(), 1.5); }, 7,
                   "ZULImageConverter:477: <ZULImageConverter::zulDownscaleColor2Binary_percentThreshold()> "
                   "Percentage must be from 0.0 to 1.0 !!");
    EXPECT_THROW(C::zulDownscaleColor2Binary_percentThreshold(out, ZULImage(), -0.1), ZULException);
    expectZulError([&] { C::zulDownscaleColor2Binary_percentThreshold(out, ZULImage(2, 2, 8, true), 0.5); }, 7,
                   "ZULImageConverter:492: <ZULImageConverter::zulDownscaleColor2Binary_percentThreshold()> A "
                   "Color image is expected in percentThresholdBinarization!!");
    expectZulError([&] { C::zulDownscaleColor2Binary_percentThreshold(out, ZULImage(2, 2, 24), 0.5); }, 5,
                   "ZULImage:2153: <ZULImage::zulGetChannelImage()> Image Data is NULL!");

    // Falling values: the brightest pixel comes first and must still count.
    const ZULImage falling = colorPixels({{200, 200, 200}, {150, 150, 150}, {100, 100, 100}, {160, 90, 250}});
    C::zulDownscaleColor2Binary_percentThreshold(out, falling, 0.5);
    // thresholds: red (100 + 200) / 2 = 150, green (90 + 200) / 2 = 145, blue (100 + 250) / 2 = 175
    EXPECT_TRUE(samePixels(out, thresholdChain(falling, 150, 145, 175)));
    EXPECT_EQ(out.zulGetRow(0)[0], 0b10000000);

    const ZULImage color = randomImage(17, 5, 24, 13);
    for (double percent : {0.0, 0.25, 0.5}) {
        C::zulDownscaleColor2Binary_percentThreshold(out, color, percent);
        int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
        for (std::size_t i = 0; i < color.zulGetImageDataSize(); ++i) {
            low[i % 3] = std::min<int>(low[i % 3], color.zulGetImageData()[i]);
            high[i % 3] = std::max<int>(high[i % 3], color.zulGetImageData()[i]);
        }
        const auto t = [&](int c) { return int(percent * (low[c] + high[c])); };
        EXPECT_TRUE(samePixels(out, thresholdChain(color, t(0), t(1), t(2)))) << percent;
    }
    // A threshold beyond 255 is refused like any other.
    EXPECT_THROW(C::zulDownscaleColor2Binary_percentThreshold(out, color, 1.0), ZULException);
}

TEST(ZULImageConverterTest, ConvertImageFollowsTheDispatchTable)
{
    ZULImage bit = randomImage(11, 3, 1, 21);
    ZULImage gray = randomImage(11, 3, 8, 22);
    ZULImage color = randomImage(11, 3, 24, 23);
    gray.zulSetColorType(2);
    ZULImage out, expected;

    C::zulConvertImage(out, gray, C::kGray);
    EXPECT_TRUE(samePixels(out, gray));
    EXPECT_EQ(out.zulGetColorType(), 2);  // a copy
    C::zulConvertImage(out, bit, C::kBinary);
    EXPECT_TRUE(samePixels(out, bit));
    C::zulConvertImage(out, color, C::kColor);
    EXPECT_TRUE(samePixels(out, color));

    EXPECT_TRUE(samePixels(C::zulConvertImage(out, bit, C::kGray), C::zulBit2Byte(expected, bit)));
    EXPECT_TRUE(samePixels(C::zulConvertImage(out, bit, C::kColor), C::zulBit2Color(expected, bit)));
    EXPECT_TRUE(samePixels(C::zulConvertImage(out, gray, C::kBinary), C::zulByte2Bit(expected, gray, 127)));
    EXPECT_TRUE(samePixels(C::zulConvertImage(out, gray, C::kColor), C::zulGray2Color(expected, gray)));
    EXPECT_TRUE(samePixels(C::zulConvertImage(out, color, C::kGray), C::zulColor2Gray(expected, color)));
    EXPECT_TRUE(samePixels(C::zulConvertImage(out, color, C::kBinary),
                           C::zulDownscaleColor2Binary_percentThreshold(expected, color, 0.5)));

    // A colour page holding only black and white reduces to the same values.
    const ZULImage bw = colorPixels({{0, 0, 0}, {255, 255, 255}});
    C::zulConvertImage(out, bw, C::kGray);
    EXPECT_EQ(out.zulGetRow(0)[0], 0);
    EXPECT_EQ(out.zulGetRow(0)[1], 255);

    expectZulError([&] { C::zulConvertImage(out, ZULImage(2, 2, 8), C::kGray); }, 5,
                   "ZULImageConverter:185: <ZULImageConverter::zulConvertImage()> Image Data is NULL!");
    expectZulError([&] { C::zulConvertImage(out, gray, 4); }, 11,
                   "ZULImageConverter:247: <ZULImageConverter::zulConvertImage()> ZULImageConverter::"
                   "zulConvertImage() Only Supports 1, 8 and 24 bit images!");
}

TEST(ZULImageConverterTest, HeapConversionsReturnNullInsteadOfRaising)
{
    ZULImage bit = randomImage(10, 2, 1, 31);
    clearUnusedBits(bit);
    bit.zulSetResolution(300.0f, 300.0f, 1);
    const ZULImage gray = randomImage(10, 2, 8, 32);
    const ZULImage color = randomImage(10, 2, 24, 33);
    const ZULImage none(10, 2, 8);

    EXPECT_EQ(C::zulCreateConvertedImage(nullptr, C::kGray), nullptr);
    EXPECT_EQ(C::zulCreateConvertedImage(&none, C::kColor), nullptr);
    EXPECT_EQ(C::zulCreateConvertedImage(&gray, 0), nullptr);
    EXPECT_EQ(C::zulCreateConvertedImage(&gray, 4), nullptr);
    EXPECT_EQ(C::zulCreateBit2Byte(&gray), nullptr);
    EXPECT_EQ(C::zulCreateGray2Color(&color), nullptr);
    EXPECT_EQ(C::zulCreateBit2Color(&none), nullptr);
    EXPECT_EQ(C::zulCreateByte2Bit(&gray, 256), nullptr);
    EXPECT_EQ(C::zulCreateByte2Bit(&gray, -1), nullptr);
    EXPECT_EQ(C::zulCreateColor2Gray(&gray), nullptr);
    EXPECT_EQ(C::zulCreateColor2Binary_threshold(&gray, 1, 1, 1), nullptr);
    EXPECT_EQ(C::zulCreateColor2Binary_threshold(&color, 1, 1, 999), nullptr);
    EXPECT_EQ(C::zulCreateColor2Binary_percentThreshold(&color, 1.01), nullptr);

    const auto widened = C::zulCreateConvertedImage(&bit, C::kGray);
    ASSERT_NE(widened, nullptr);
    ZULImage expected;
    EXPECT_TRUE(samePixels(*widened, C::zulBit2Byte(expected, bit)));
    EXPECT_EQ(widened->zulGetBinaryState(), 1);
    EXPECT_EQ(widened->zulGetXResolution(), 300.0f);

    const auto packed = C::zulCreateConvertedImage(widened.get(), C::kBinary);
    ASSERT_NE(packed, nullptr);
    EXPECT_TRUE(samePixels(*packed, bit));
    EXPECT_EQ(packed->zulGetBinaryState(), 1);
    EXPECT_EQ(packed->zulGetXResolution(), 300.0f);

    const auto reduced = C::zulCreateConvertedImage(&color, C::kBinary);
    ASSERT_NE(reduced, nullptr);
    EXPECT_TRUE(samePixels(*reduced, C::zulDownscaleColor2Binary_percentThreshold(expected, color, 0.5)));
    EXPECT_EQ(reduced->zulGetBinaryState(), 1);

    const auto same = C::zulCreateConvertedImage(&color, C::kColor);
    ASSERT_NE(same, nullptr);
    EXPECT_NE(same->zulGetImageData(), color.zulGetImageData());
    EXPECT_TRUE(samePixels(*same, color));
    EXPECT_TRUE(samePixels(*C::zulCreateConvertedImage(&gray, C::kColor), C::zulGray2Color(expected, gray)));
    EXPECT_TRUE(samePixels(*C::zulCreateConvertedImage(&color, C::kGray), C::zulColor2Gray(expected, color)));
    EXPECT_TRUE(samePixels(*C::zulCreateConvertedImage(&bit, C::kColor), C::zulBit2Color(expected, bit)));
}

}  // namespace
