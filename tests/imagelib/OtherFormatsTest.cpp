// PPM, JPEG and PNG specifics: headers, scaling, damaged files.
#include <gtest/gtest.h>

#include <png.h>

#include "FileTestSupport.h"
#include "ZULJPEGImage.h"
#include "ZULPNGImage.h"
#include "ZULPPMImage.h"

using namespace filetest;

namespace {

Bytes textBytes(const std::string& text, std::size_t pixelBytes, unsigned char value = 7)
{
    Bytes bytes(text.begin(), text.end());
    bytes.insert(bytes.end(), pixelBytes, value);
    return bytes;
}

ZULImage loadPpm(const tavotest::TempDir& dir, const Bytes& bytes)
{
    writeBytes(dir / "t.ppm", bytes);
    return ZULPPMImage().zulLoadImage((dir / "t.ppm").string());
}

Bytes cutInHalf(const Bytes& bytes)
{
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2));
}

}  // namespace

TEST(PpmFile, HeaderWithCommentsLoads)
{
    tavotest::TempDir dir;
    const ZULImage image = loadPpm(dir, textBytes("P6\n# one\n# two\n3 2\n255\n", 18));
    ASSERT_TRUE(image.zulHasImageData());
    EXPECT_EQ(image.zulGetWidth(), 3);
    EXPECT_EQ(image.zulGetHeight(), 2);
    EXPECT_EQ(image.zulGetColorType(), 3);
    EXPECT_EQ(image.zulGetRow(1)[8], 7);
    // The whole header on one line is a PPM too.
    EXPECT_EQ(loadPpm(dir, textBytes("P6 3 2 255\n", 18)).zulGetWidth(), 3);
}

TEST(PpmFile, OtherSignaturesAreRefusedWithTheReason)
{
    tavotest::TempDir dir;
    const struct {
        const char* header;
        const char* why;
    } cases[] = {
        {"P3\n3 2\n255\n", "Plain-text PNM (P1, P2, P3) is not supported"},
        {"P7\nWIDTH 3\n", "PAM (P7) is not supported"},
        {"P9\n3 2\n255\n", "Not a PNM file (no P4, P5 or P6 signature)"},
        {"BM\n3 2\n255\n", "Not a PNM file (no P4, P5 or P6 signature)"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStdout();
        expectZulErrorEnding([&] { loadPpm(dir, textBytes(c.header, 36)); }, 4,
                             std::string("<ZULPPMImage::zulLoadImage()> ") + c.why);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << c.header;
    }
}

TEST(PpmFile, SmallMaximumIsScaled)
{
    tavotest::TempDir dir;
    Bytes bytes = textBytes("P6\n1 1\n15\n", 0);
    bytes.insert(bytes.end(), {0, 15, 7});
    const ZULImage image = loadPpm(dir, bytes);
    EXPECT_EQ(image.zulGetRow(0)[0], 0);
    EXPECT_EQ(image.zulGetRow(0)[1], 255);
    EXPECT_EQ(image.zulGetRow(0)[2], 119);
}

TEST(PpmFile, ShortOrDamagedFilesRaise)
{
    tavotest::TempDir dir;
    ZULImage image;
    writeBytes(dir / "s.ppm", textBytes("P6\n4 4\n255\n", 47));
    expectZulError([&] { image.zulLoadImage((dir / "s.ppm").string()); }, 4);
    EXPECT_FALSE(image.zulHasImageData());
    expectZulError([&] { loadPpm(dir, textBytes("P6\nx 4\n255\n", 48)); }, 4);
    expectZulError([&] { loadPpm(dir, textBytes("P6\n4\n", 0)); }, 4);
    expectZulError([&] { loadPpm(dir, textBytes("P6\n4 4\n0\n", 48)); }, 4);
    expectZulError([&] { loadPpm(dir, textBytes("P6\n70000 2\n255\n", 48)); }, 4);
    expectZulError([&] { loadPpm(dir, textBytes("P6\n30000 30000\n255\n", 48)); }, 4);
}

TEST(JpegFile, DamagedFilesRaiseInsteadOfGivingHalfAnImage)
{
    tavotest::TempDir dir;
    const std::string path = (dir / "p.jpg").string();
    ASSERT_TRUE(randomImage(64, 64, 24, 2).zulSaveImage(path));
    const Bytes good = readBytes(path);
    writeBytes(path, cutInHalf(good));
    ZULImage image;
    testing::internal::CaptureStderr();
    expectZulErrorEnding([&] { image.zulLoadImage(path); }, 4,
                         "<ZULJPEGImage::zulLoadImage()> Could not decode the JPEG data (Premature end of JPEG file)");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // libjpeg's words are in the message only
    EXPECT_FALSE(image.zulHasImageData());
    // Reading the size alone refuses the file just as loading it does.
    int width = 0, height = 0;
    testing::internal::CaptureStderr();
    expectZulErrorEnding([&] { ZULImage::zulReadImageSize(path, width, height); }, 4,
                         "Could not decode the JPEG data (Premature end of JPEG file)");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(ZULImage::zulReadImageSize((dir / "none.jpg").string(), width, height));
    // A BMP under a JPEG name.
    ASSERT_TRUE(randomImage(4, 4, 8, 1).zulSaveImage((dir / "b.bmp").string()));
    std::filesystem::rename(dir / "b.bmp", path);
    testing::internal::CaptureStderr();
    expectZulError([&] { ZULJPEGImage().zulLoadImage(path); }, 4);
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(ZULJPEGImage().zulLoadImage((dir / "none.jpg").string()).zulHasImageData());
}

TEST(PngFile, PaletteTransparencyAndSixteenBitFiles)
{
    tavotest::TempDir dir;
    const std::string path = (dir / "p.png").string();
    // A palette file and a 16-bit gray file written with libpng directly.
    const auto write = [&](int bitDepth, int colourType, const Bytes& row, bool transparent = false) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, file);
        png_set_IHDR(png, info, 2, 1, bitDepth, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_color palette[2] = {{255, 0, 0}, {0, 0, 255}};
        png_byte alpha[1] = {0};
        if (colourType == PNG_COLOR_TYPE_PALETTE) {
            png_set_PLTE(png, info, palette, 2);
        }
        if (transparent) {
            png_set_tRNS(png, info, alpha, 1, nullptr);
        }
        png_write_info(png, info);
        png_write_row(png, row.data());
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
    };
    write(8, PNG_COLOR_TYPE_PALETTE, {1, 0});
    const ZULImage colour(path);
    ASSERT_EQ(colour.zulGetBitsPerPixel(), 24);
    EXPECT_EQ(Bytes(colour.zulGetImageData(), colour.zulGetImageData() + 6), (Bytes{0, 0, 255, 255, 0, 0}));
    // A transparent entry is composed over white.
    write(8, PNG_COLOR_TYPE_PALETTE, {1, 0}, true);
    const ZULImage composed(path);
    EXPECT_EQ(Bytes(composed.zulGetImageData(), composed.zulGetImageData() + 6), (Bytes{0, 0, 255, 255, 255, 255}));
    write(16, PNG_COLOR_TYPE_GRAY, {0x12, 0x34, 0xFF, 0xFF});
    const ZULImage gray(path);
    ASSERT_EQ(gray.zulGetBitsPerPixel(), 8);
    EXPECT_EQ(gray.zulGetRow(0)[0], 0x12);
    EXPECT_EQ(gray.zulGetRow(0)[1], 0xFF);
}

// The fast compression loses nothing at any depth, keeps the resolution,
// and leaves the default output as it was.
TEST(PngFile, FastCompressionIsLosslessAndLeavesTheDefaultAlone)
{
    tavotest::TempDir dir;
    const std::string fast = (dir / "fast.png").string();
    const std::string small = (dir / "small.png").string();
    for (int bits : {1, 8, 24}) {
        ZULImage image = bits == 1 ? randomImage(300, 200, 1, 3) : smoothImage(300, 200, bits);
        image.zulSetResolution(300.0f, 300.0f, 1);
        ZULPNGImage(ZULPNGImage::kFast).zulSaveImage(fast, image);
        const ZULImage loaded(fast);
        EXPECT_TRUE(samePixels(loaded, image)) << bits;
        EXPECT_FLOAT_EQ(loaded.zulGetXResolution(), 300.0f) << bits;
        ASSERT_TRUE(image.zulSaveImage(small));
        EXPECT_EQ(readBytes(small), (ZULPNGImage().zulSaveImage(fast, image), readBytes(fast))) << bits;
    }
}

TEST(PngFile, DamagedFilesRaise)
{
    tavotest::TempDir dir;
    const std::string path = (dir / "p.png").string();
    ASSERT_TRUE(randomImage(64, 64, 8, 2).zulSaveImage(path));
    writeBytes(path, cutInHalf(readBytes(path)));
    testing::internal::CaptureStderr();
    expectZulError([&] { ZULPNGImage().zulLoadImage(path); }, 4);
    testing::internal::GetCapturedStderr();
    writeBytes(path, textBytes("P6\n1 1\n255\n", 3));
    expectZulError([&] { ZULPNGImage().zulLoadImage(path); }, 4);
}
