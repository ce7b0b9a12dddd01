// The image model: exception messages, layout, pixel memory and access,
// sub-images and channels.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "ModelTestSupport.h"
#include "ZULImageConverter.h"

namespace {

const std::string kSubImageBounds =
    "ZULImage:615: <ZULImage::zulSubImage()> Out Of Bounds!! Sub-image must have coordinates within the "
    "larger image";

TEST(ZULExceptionTest, MessageIsSourceAfterLastBackslashLineAndText)
{
    const ZULException e(13, "<ZULImage::zulAllocImageData()> Error Allocating Image Data memory",
                         "..\\src\\ZULImage", 410);
    EXPECT_STREQ(e.what(), "ZULImage:410: <ZULImage::zulAllocImageData()> Error Allocating Image Data memory");
    EXPECT_EQ(e.zulGetErrorCode(), 13);

    EXPECT_EQ(ZULException(4, "text").zulGetMessage(), "text");
    EXPECT_EQ(ZULException(4, "text", nullptr, 7).zulGetMessage(), ":7: text");
    EXPECT_EQ(ZULException(4, "text", "Plain", 0).zulGetMessage(), "Plaintext");
    // A backslash at position 0 keeps the whole name.
    EXPECT_EQ(ZULException(4, "t", "\\Lead", 1).zulGetMessage(), "\\Lead:1: t");

    const ZULException copy = e;
    EXPECT_EQ(copy.zulGetErrorCode(), 13);
    EXPECT_STREQ(copy.what(), e.what());
    const std::exception& base = e;
    EXPECT_STREQ(base.what(), e.what());
}

TEST(ZULImageTest, HeaderAndLayoutByDepth)
{
    const ZULImage empty;
    const ZULImageHead& h = empty.zulGetImageHead();
    EXPECT_EQ(h.width, 0);
    EXPECT_EQ(h.bitsPerPixel, 0);
    EXPECT_EQ(h.resolutionInInches, 1);
    EXPECT_EQ(h.binaryState, 0);
    EXPECT_FALSE(empty.zulHasImageData());

    const ZULImage bits(9, 4, 1);
    EXPECT_EQ(bits.zulGetBytesPerRow(), 2);
    EXPECT_EQ(bits.zulGetChannels(), 1);
    EXPECT_FALSE(bits.zulHasImageData());
    EXPECT_EQ(ZULImage(9, 4, 8).zulGetBytesPerRow(), 9);
    const ZULImage color(9, 4, 24);
    EXPECT_EQ(color.zulGetBytesPerRow(), 27);
    EXPECT_EQ(color.zulGetChannels(), 3);
    const ZULImage odd(9, 4, 16, true);
    EXPECT_EQ(odd.zulGetBytesPerRow(), 0);
    EXPECT_EQ(odd.zulGetChannels(), 0);
    EXPECT_FALSE(odd.zulHasImageData());
}

TEST(ZULImageTest, AllocationIsWhiteAndRefusesEmptyOrHugeSizes)
{
    ZULImage image(10, 3, 24, true);
    ASSERT_EQ(image.zulGetImageDataSize(), 90u);
    for (std::size_t i = 0; i < 90; ++i) {
        ASSERT_EQ(image.zulGetImageData()[i], 255);
    }
    ZULImage flat(0, 5, 8);
    EXPECT_NO_THROW(flat.zulAllocImageData());
    EXPECT_FALSE(flat.zulHasImageData());
    ZULImage negative(-8, 5, 8, true);
    EXPECT_FALSE(negative.zulHasImageData());

    // Beyond a side of 65,535 or 2^30 pixels nothing is allocated.
    for (const auto& [w, h] : {std::pair{65536, 1}, std::pair{1, 65536}, std::pair{40000, 40000}}) {
        ZULImage huge(w, h, 1);
        try {
            huge.zulAllocImageData();
            ADD_FAILURE() << w << " x " << h << " was allocated";
        } catch (const ZULException& e) {
            EXPECT_EQ(e.zulGetErrorCode(), 13);
        }
        EXPECT_FALSE(huge.zulHasImageData());
    }
    EXPECT_NO_THROW(ZULImage(65535, 8, 24, true));
}

TEST(ZULImageTest, PixelsOfOneBitImageFollowTheLayout)
{
    ZULImage image(9, 2, 1, true);
    std::memset(image.zulGetImageData(), 0, image.zulGetImageDataSize());
    image.zulSetPixel(8, 1, 1);
    EXPECT_EQ(image.zulGetRow(1)[1], 0x80);  // pixel 8 is bit 7 of the second byte
    image.zulSetPixel(0, 0, 255);
    image.zulSetPixel(7, 0, 1);
    EXPECT_EQ(image.zulGetRow(0)[0], 0x81);
    EXPECT_EQ(image.zulGetPixelValue(7, 0), 1);
    EXPECT_EQ(image.zulGetPixelValue(6, 0), 0);
    image.zulSetPixel(7, 0, 0);
    EXPECT_EQ(image.zulGetRow(0)[0], 0x80);
    EXPECT_EQ(image.zulGetPixelValue(8, 1), 1);

    ZULImage gray(3, 2, 8, true);
    gray.zulSetPixel(2, 1, 0x17F);  // the low byte is stored
    EXPECT_EQ(gray.zulGetPixelValue(2, 1), 0x7F);
    EXPECT_EQ(gray.zulGetRow(1)[2], 0x7F);
}

TEST(ZULImageTest, PixelAccessChecksInTheirOrder)
{
    ZULImage none(4, 4, 8);
    none.zulSetColorType(3);
    // zulSetPixel looks for pixels first, zulGetPixelValue for the format.
    expectZulError([&] { none.zulSetPixel(0, 0, 1); }, 5, "ZULImage:479: <ZULImage::zulSetPixel()> Image data is null!!");
    expectZulError([&] { none.zulGetPixelValue(0, 0); }, 7,
                   "ZULImage:517: <ZULImage::zulGetPixelValue()> Binary or Gray Scale FORMAT is needed in "
                   "zulGetPixelScale");
    none.zulSetColorType(2);
    expectZulError([&] { none.zulGetPixelValue(0, 0); }, 5,
                   "ZULImage:522: <ZULImage::zulGetPixelValue()> Image data is null!!");

    ZULImage color(4, 4, 24, true);
    color.zulSetColorType(3);
    expectZulError([&] { color.zulSetPixel(0, 0, 1); }, 7,
                   "ZULImage:484: <ZULImage::zulSetPixel()> Binary or Gray Scale FORMAT is needed in zulSetPixel");

    ZULImage gray(4, 3, 8, true);
    for (const auto& point : {std::pair{4, 0}, std::pair{0, 3}, std::pair{-1, 0}, std::pair{0, -1}}) {
        const int x = point.first;
        const int y = point.second;
        expectZulError([&] { gray.zulSetPixel(x, y, 0); }, 7, "ZULImage:492: <ZULImage::zulSetPixel()> Out Of Bound!!");
        expectZulError([&] { gray.zulGetPixelValue(x, y); }, 7,
                       "ZULImage:526: <ZULImage::zulGetPixelValue()> Out Of Bound!!");
    }
}

TEST(ZULImageTest, ColorPixelsAreWrittenOnlyInsideColourImages)
{
    ZULImage color(3, 2, 24, true);
    color.zulSetColorPixel(2, 1, 1, 2, 3);
    const unsigned char* p = color.zulGetRow(1) + 6;
    EXPECT_EQ(p[0], 1);
    EXPECT_EQ(p[1], 2);
    EXPECT_EQ(p[2], 3);
    const ZULImage before = color;
    color.zulSetColorPixel(3, 0, 0, 0, 0);
    color.zulSetColorPixel(0, -1, 0, 0, 0);
    EXPECT_EQ(std::memcmp(before.zulGetImageData(), color.zulGetImageData(), 18), 0);

    ZULImage gray(3, 2, 8, true);
    gray.zulSetColorPixel(0, 0, 0, 0, 0);
    EXPECT_EQ(gray.zulGetRow(0)[0], 255);
    ZULImage none(3, 2, 24);
    EXPECT_NO_THROW(none.zulSetColorPixel(0, 0, 0, 0, 0));
}

TEST(ZULImageTest, BinaryTestUsesCacheThenPixels)
{
    ZULImage gray(4, 2, 8, true);
    gray.zulGetRow(1)[3] = 0;
    EXPECT_TRUE(gray.zulIsBinary());
    gray.zulGetRow(0)[1] = 128;
    EXPECT_FALSE(gray.zulIsBinary());
    gray.zulSetBinaryState(1);
    EXPECT_TRUE(gray.zulIsBinary());
    gray.zulSetBinaryState(2);
    EXPECT_TRUE(ZULImage(4, 2, 1, true).zulIsBinary());
    EXPECT_FALSE(ZULImage(4, 2, 1).zulIsBinary());
    EXPECT_FALSE(ZULImage(4, 2, 24, true).zulIsBinary());
    EXPECT_EQ(gray.zulGetBinaryState(), 2);  // the answer is not stored
}

TEST(ZULImageTest, CopiesAreDeepAndCarryTheHeader)
{
    ZULImage source = randomImage(5, 3, 24, 1);
    source.zulSetColorType(3);
    source.zulSetFromFile(1);
    source.zulSetBinaryState(2);
    source.zulSetResolution(300.0f, 150.0f, 0);

    ZULImage copy(source);
    EXPECT_EQ(copy.zulGetColorType(), 3);
    EXPECT_EQ(copy.zulGetFromFile(), 1);
    EXPECT_EQ(copy.zulGetBinaryState(), 2);
    EXPECT_EQ(copy.zulGetXResolution(), 300.0f);
    EXPECT_EQ(copy.zulGetYResolution(), 150.0f);
    EXPECT_EQ(copy.zulGetResolutionInInches(), 0);
    EXPECT_EQ(copy.zulGetBytesPerRow(), 15);
    ASSERT_NE(copy.zulGetImageData(), source.zulGetImageData());
    EXPECT_EQ(std::memcmp(copy.zulGetImageData(), source.zulGetImageData(), 45), 0);

    ZULImage target(2, 2, 8, true);
    target = ZULImage(7, 1, 1);  // a source without pixels leaves none
    EXPECT_FALSE(target.zulHasImageData());
    EXPECT_EQ(target.zulGetBytesPerRow(), 1);

    ZULImage& self = copy;
    copy = self;
    ASSERT_TRUE(copy.zulHasImageData());
    EXPECT_EQ(std::memcmp(copy.zulGetImageData(), source.zulGetImageData(), 45), 0);

    const std::unique_ptr<ZULImage> clone = source.zulCloneImage();
    EXPECT_EQ(clone->zulGetBitsPerPixel(), 24);
    EXPECT_EQ(clone->zulGetBinaryState(), 2);
    EXPECT_EQ(clone->zulGetColorType(), 0);  // a clone takes size, depth, pixels and binaryState
    EXPECT_EQ(std::memcmp(clone->zulGetImageData(), source.zulGetImageData(), 45), 0);

    expectZulError([] { ZULImage(3, 3, 8).zulGetSafeImageData(); }, 5,
                   "ZULImage:374: <ZULIMage::zulGetSafeImageData()> Image Data is NULL!");
}

TEST(ZULImageTest, HeadAndBufferReplacementNeverLeaveAMismatchedBuffer)
{
    ZULImage image(4, 4, 8, true);
    image.zulSetImageHead(2, 8, 8, 300.0f, 300.0f, 1);  // same number of bytes: kept
    EXPECT_TRUE(image.zulHasImageData());
    EXPECT_EQ(image.zulGetXResolution(), 300.0f);
    image.zulSetImageHead(4, 4, 24, 300.0f, 300.0f, 1);  // more bytes needed: released
    EXPECT_FALSE(image.zulHasImageData());

    ZULImage::Buffer buffer(new unsigned char[48]());
    image.zulSetImageData(std::move(buffer));
    ASSERT_TRUE(image.zulHasImageData());
    EXPECT_EQ(image.zulGetImageDataSize(), 48u);
    EXPECT_EQ(image.zulGetRow(3)[11], 0);

    ZULImage depthless(4, 4, 12);
    depthless.zulSetImageData(ZULImage::Buffer(new unsigned char[16]));
    EXPECT_FALSE(depthless.zulHasImageData());

    image.zulInvertImage();
    EXPECT_EQ(image.zulGetRow(2)[5], 255);
}

TEST(ZULImageTest, SubImageBoundsAcceptTheEdgesOnly)
{
    const ZULImage page = randomImage(20, 10, 8, 2);
    ZULImage out;
    EXPECT_NO_THROW(page.zulSubImage(out, 15, 7, 5, 3));
    EXPECT_EQ(out.zulGetRow(2)[4], page.zulGetRow(9)[19]);
    expectZulError([&] { page.zulSubImage(out, 15, 7, 6, 3); }, 7, kSubImageBounds);
    expectZulError([&] { page.zulSubImage(out, 15, 7, 5, 4); }, 7, kSubImageBounds);
    expectZulError([&] { page.zulSubImage(out, -1, 0, 2, 2); }, 7, kSubImageBounds);
    // A negative size would copy backwards past the buffer.
    expectZulError([&] { page.zulSubImage(out, 5, 5, -2, 2); }, 7, kSubImageBounds);
    expectZulError([&] { page.zulSubImage(out, 2147483600, 0, 100, 1); }, 7, kSubImageBounds);
    expectZulError([] { ZULImage none(4, 4, 8); ZULImage o; none.zulSubImage(o, 0, 0, 1, 1); }, 5,
                   "ZULImage:610: <ZULImage::zulSubImage()> Image Data is NULL!");

    const ZULImage color = randomImage(4, 4, 24, 3);
    expectZulError([&] { color.zulSubByteImage(out, 0, 0, 1, 1); }, 7,
                   "ZULImage:582: <ZULImage::zulSubByteImage()> A BYTE image expected in ZULImage::zulGray2Binary!");
    expectZulError([&] { page.zulSubByteImage(out, 0, 0, 21, 1); }, 7,
                   "ZULImage:586: <ZULImage::zulSubByteImage()> Out Of Bounds!! Sub-image must have coordinates "
                   "within the larger image");
}

TEST(ZULImageTest, OneBitSubImagesEqualExpandCutAndPack)
{
    for (int width : {1, 7, 8, 9, 15, 16, 17, 33}) {
        const ZULImage page = randomImage(width, 5, 1, unsigned(width));
        for (int x = 0; x < width; ++x) {
            for (int w = 0; x + w <= width; ++w) {
                ZULImage sub;
                page.zulSubImage(sub, x, 1, w, 3);
                ASSERT_EQ(sub.zulGetWidth(), w);
                ASSERT_EQ(sub.zulGetBitsPerPixel(), 1);
                if (w == 0) {
                    EXPECT_FALSE(sub.zulHasImageData());
                    continue;
                }
                ZULImage gray, cut, expected;
                ZULImageConverter::zulBit2Byte(gray, page);
                gray.zulSubByteImage(cut, x, 1, w, 3);
                ZULImageConverter::zulByte2Bit(expected, cut, 127);
                ASSERT_EQ(sub.zulGetImageDataSize(), expected.zulGetImageDataSize());
                ASSERT_EQ(std::memcmp(sub.zulGetImageData(), expected.zulGetImageData(), sub.zulGetImageDataSize()), 0)
                    << "width " << width << " x " << x << " w " << w;
            }
        }
    }
}

TEST(ZULImageTest, ColourSubImageKeepsColorTypeAndMayReplaceItsSource)
{
    ZULImage page = randomImage(6, 4, 24, 4);
    page.zulSetColorType(3);
    const ZULImage original = page;
    page.zulSubImage(page, 5, 1, 1, 3);
    EXPECT_EQ(page.zulGetWidth(), 1);
    EXPECT_EQ(page.zulGetColorType(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(std::memcmp(page.zulGetRow(i), original.zulGetRow(1 + i) + 15, 3), 0);
    }
}

TEST(ZULImageTest, ChannelsSplitAndMergeBack)
{
    const ZULImage color = randomImage(5, 3, 24, 5);
    ZULImage red, green, blue, merged;
    color.zulGetChannelImage(red, 0);
    color.zulGetChannelImage(green, 1);
    color.zulGetChannelImage(blue, 2);
    EXPECT_EQ(green.zulGetBitsPerPixel(), 8);
    EXPECT_EQ(green.zulGetRow(2)[4], color.zulGetRow(2)[13]);
    ZULImage::zulMergeChannelImage(merged, red, green, blue);
    ASSERT_EQ(merged.zulGetImageDataSize(), 45u);
    EXPECT_EQ(std::memcmp(merged.zulGetImageData(), color.zulGetImageData(), 45), 0);
    ZULImage::zulMergeChannelImage(merged, blue, green, red);
    EXPECT_EQ(merged.zulGetRow(1)[0], color.zulGetRow(1)[2]);

    const std::string kChannel =
        "ZULImage:2160: <ZULImage::zulGetChannelImage()> channel is out of bounary in ZULImage::zulGetChannel!";
    expectZulError([&] { color.zulGetChannelImage(red, 3); }, 10, kChannel);
    expectZulError([&] { color.zulGetChannelImage(red, -1); }, 10, kChannel);
    expectZulError([&] { red.zulGetChannelImage(red, 0); }, 7,
                   "ZULImage:2157: <ZULImage::zulGetChannelImage()> Color image expected in ZULImage::zulGetChannel!");
    const ZULImage small(4, 3, 8, true);
    expectZulError([&] { ZULImage::zulMergeChannelImage(merged, red, small, blue); }, 7,
                   "ZULImage:2201: <ZULImage::zulMergeChannelImage()> The dimensions of all three input images "
                   "should be same in ZULImage::zulMergeChannelImage!");
    expectZulError([&] { ZULImage::zulMergeChannelImage(merged, red, color, blue); }, 7,
                   "ZULImage:2191: <ZULImage::zulMergeChannelImage()> Byte image expected in "
                   "ZULImage::zulMergeChannelImage!");
    const ZULImage empty(5, 3, 8);
    EXPECT_THROW(ZULImage::zulMergeChannelImage(merged, red, empty, blue), ZULException);

    EXPECT_EQ(color.zulGetChannel(3), nullptr);
    EXPECT_EQ(red.zulGetChannel(0), nullptr);
    EXPECT_EQ(ZULImage(5, 3, 24).zulGetChannel(0), nullptr);
    ASSERT_NE(color.zulGetChannel(2), nullptr);
    EXPECT_EQ(color.zulGetChannel(2)->zulGetRow(0)[1], color.zulGetRow(0)[5]);
    EXPECT_EQ(ZULImage::zulMergeChannel(red, small, blue), nullptr);
    EXPECT_EQ(ZULImage::zulMergeChannel(red, empty, blue), nullptr);
    ASSERT_NE(ZULImage::zulMergeChannel(red, green, blue), nullptr);
    EXPECT_EQ(ZULImage::zulMergeChannel(red, green, blue)->zulGetBitsPerPixel(), 24);
}

}  // namespace
