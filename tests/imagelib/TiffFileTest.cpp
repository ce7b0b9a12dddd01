// TIFF pages: photometric interpretations, resolution units, pages, the
// layouts read through libtiff's RGBA interface, and damaged files.
#include <gtest/gtest.h>

#include <functional>
#include <tiffio.h>

#include "FileTestSupport.h"
#include "ZULTIFFImage.h"

using namespace filetest;

namespace {

struct TiffPage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitsPerSample = 8;
    int samples = 1;
    int photometric = PHOTOMETRIC_MINISBLACK;
    int compression = COMPRESSION_NONE;
    std::function<void(TIFF*)> extraFields;
    Bytes data;  // the whole page, contiguous
};

// Writes pages with libtiff directly (one strip each unless the extra fields
// say otherwise).
void writeTiff(const std::string& path, const std::vector<TiffPage>& pages)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    for (const TiffPage& page : pages) {
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, page.width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, page.height);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, page.bitsPerSample);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, page.samples);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, page.photometric);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, page.compression);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        if (page.extraFields) {
            page.extraFields(tiff);
        }
        if (TIFFIsTiled(tiff) == 0) {
            ASSERT_GE(TIFFWriteEncodedStrip(tiff, 0, const_cast<unsigned char*>(page.data.data()),
                                            static_cast<tmsize_t>(page.data.size())),
                      0);
        }
        TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
}

Bytes imageBytes(const ZULImage& image)
{
    return Bytes(image.zulGetImageData(), image.zulGetImageData() + image.zulGetImageDataSize());
}

Bytes complement(Bytes bytes)
{
    for (unsigned char& b : bytes) {
        b = static_cast<unsigned char>(~b);
    }
    return bytes;
}

std::uint16_t compressionOf(const std::string& path)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    std::uint16_t compression = 0;
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFClose(tiff);
    return compression;
}

}  // namespace

TEST(TiffFile, MinIsWhiteLoadsLikeMinIsBlack)
{
    tavotest::TempDir dir;
    for (int bits : {1, 8}) {
        const ZULImage page = randomImage(21, 9, bits, 11);
        TiffPage black{21, 9, bits, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE, {}, imageBytes(page)};
        TiffPage white = black;
        white.photometric = PHOTOMETRIC_MINISWHITE;
        white.data = complement(black.data);
        writeTiff((dir / "black.tif").string(), {black});
        writeTiff((dir / "white.tif").string(), {white});
        const ZULImage fromBlack((dir / "black.tif").string());
        const ZULImage fromWhite((dir / "white.tif").string());
        EXPECT_TRUE(samePixels(fromBlack, page)) << bits;
        EXPECT_TRUE(samePixels(fromWhite, page)) << bits;
        EXPECT_EQ(fromWhite.zulGetColorType(), bits == 1 ? 1 : 2);
    }
}

// The bits after the last pixel of a row are always 0, whatever the decoder
// and the fresh buffer left there, so a page always loads to the same bytes.
TEST(TiffFile, BinaryRowPaddingIsClear)
{
    tavotest::TempDir dir;
    ZULImage page = randomImage(9, 40, 1, 12);
    for (int y = 0; y < 40; ++y) {
        page.zulGetRow(y)[1] |= 0x7F;
    }
    ASSERT_TRUE(page.zulSaveImage((dir / "g4.tif").string()));
    const TiffPage white{9, 40, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4, {}, complement(imageBytes(page))};
    writeTiff((dir / "white.tif").string(), {white});
    for (const char* name : {"g4.tif", "white.tif"}) {
        const ZULImage loaded((dir / name).string());
        EXPECT_TRUE(samePixels(loaded, page)) << name;
        for (int y = 0; y < 40; ++y) {
            EXPECT_EQ(loaded.zulGetRow(y)[1] & 0x7F, 0) << name << " row " << y;
        }
    }
}

TEST(TiffFile, WriterUsesGroup4ForBinaryAndPackBitsOtherwise)
{
    tavotest::TempDir dir;
    ASSERT_TRUE(randomImage(30, 20, 1, 1).zulSaveImage((dir / "b.tif").string()));
    ASSERT_TRUE(randomImage(30, 20, 8, 1).zulSaveImage((dir / "g.tif").string()));
    ASSERT_TRUE(randomImage(30, 20, 24, 1).zulSaveImage((dir / "c.tif").string()));
    EXPECT_EQ(compressionOf((dir / "b.tif").string()), COMPRESSION_CCITTFAX4);
    EXPECT_EQ(compressionOf((dir / "g.tif").string()), COMPRESSION_PACKBITS);
    EXPECT_EQ(compressionOf((dir / "c.tif").string()), COMPRESSION_PACKBITS);
}

TEST(TiffFile, CompressionThatTheDepthCannotTakeIsRefused)
{
    tavotest::TempDir dir;
    const std::string path = (dir / "x.tif").string();
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    const ZULImage binary = randomImage(8, 8, 1, 1);
    const ZULImage gray = randomImage(8, 8, 8, 1);
    expectZulError([&] { ZULTIFFImage().zulSaveImage(tiff, binary, COMPRESSION_PACKBITS); }, 8,
                   "ZULTIFFImage:384: <ZULTIFFImage::zulSaveImage()> Requested compression type not supported for "
                   "binary tiff images");
    expectZulError([&] { ZULTIFFImage().zulSaveImage(tiff, gray, COMPRESSION_CCITTFAX4); }, 8,
                   "ZULTIFFImage:390: <ZULTIFFImage::zulSaveImage()> Requested compression type not supported for "
                   "grayscale and color tiff images");
    TIFFClose(tiff);
}

TEST(TiffFile, ResolutionUnits)
{
    tavotest::TempDir dir;
    const struct {
        int unit;  // 0: no unit tag
        float resolution;
        float expected;
        int inches;
    } cases[] = {
        {RESUNIT_CENTIMETER, 100.0f, 254.0f, 1},
        {RESUNIT_CENTIMETER, 118.11f, 299.0f, 1},
        {RESUNIT_INCH, 300.0f, 300.0f, 1},
        {RESUNIT_NONE, 72.0f, 72.0f, 0},
        {0, 96.0f, 96.0f, 1},  // no unit tag: inches, the format's default
    };
    for (const auto& c : cases) {
        TiffPage page{4, 4, 8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE,
                      [&](TIFF* tiff) {
                          TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<double>(c.resolution));
                          TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<double>(c.resolution));
                          if (c.unit != 0) {
                              TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, c.unit);
                          }
                      },
                      Bytes(16, 7)};
        writeTiff((dir / "r.tif").string(), {page});
        const ZULImage loaded((dir / "r.tif").string());
        EXPECT_FLOAT_EQ(loaded.zulGetXResolution(), c.expected) << c.resolution;
        EXPECT_FLOAT_EQ(loaded.zulGetYResolution(), c.expected) << c.resolution;
        EXPECT_EQ(loaded.zulGetResolutionInInches(), c.inches) << c.resolution;
    }
    // Without resolution tags both resolutions are 200.
    writeTiff((dir / "n.tif").string(), {TiffPage{4, 4, 8, 1, PHOTOMETRIC_MINISBLACK, 1, {}, Bytes(16, 7)}});
    EXPECT_FLOAT_EQ(ZULImage((dir / "n.tif").string()).zulGetXResolution(), 200.0f);
}

TEST(TiffFile, PagesOfAMultiPageFile)
{
    tavotest::TempDir dir;
    const std::string path = (dir / "pages.tif").string();
    writeTiff(path, {TiffPage{3, 2, 8, 1, PHOTOMETRIC_MINISBLACK, 1, {}, Bytes(6, 10)},
                     TiffPage{5, 1, 8, 1, PHOTOMETRIC_MINISBLACK, 1, {}, Bytes(5, 20)}});
    const ZULImage second = ZULTIFFImage().zulLoadImageAtPage(path, 2);
    ASSERT_EQ(second.zulGetWidth(), 5);
    EXPECT_EQ(second.zulGetRow(0)[4], 20);
    EXPECT_EQ(ZULImage(path).zulGetWidth(), 3);
    expectZulError([&] { ZULTIFFImage().zulLoadImageAtPage(path, 3); }, 15,
                   "ZULTIFFImage:40: <ZULTIFFImage::zulLoadImage()> Invalid page number");
    expectZulError([&] { ZULTIFFImage().zulLoadImageAtPage(path, 0); }, 15,
                   "ZULTIFFImage:303: <ZULTIFFImage::zulLoadImageAtPage()> Page number can't be 0 (zero).");
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    expectZulError([&] { ZULTIFFImage().zulLoadImage(tiff, 0); }, 15,
                   "ZULTIFFImage:26: <ZULTIFFImage::zulLoadImage()> Page number can't be 0 (zero).");
    TIFFClose(tiff);
}

TEST(TiffFile, PalettePageBecomesColour)
{
    tavotest::TempDir dir;
    std::vector<std::uint16_t> red(256, 0);
    std::vector<std::uint16_t> green(256, 0);
    std::vector<std::uint16_t> blue(256, 0);
    red[1] = 65535;
    green[2] = 32768;  // 32768 x 255 / 65535 = 127
    blue[3] = 65535;
    TiffPage page{4, 1, 8, 1, PHOTOMETRIC_PALETTE, COMPRESSION_NONE,
                  [&](TIFF* tiff) { TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data()); },
                  Bytes{0, 1, 2, 3}};
    writeTiff((dir / "p.tif").string(), {page});
    const ZULImage loaded((dir / "p.tif").string());
    ASSERT_EQ(loaded.zulGetBitsPerPixel(), 24);
    EXPECT_EQ(loaded.zulGetColorType(), 3);
    EXPECT_EQ(imageBytes(loaded), (Bytes{0, 0, 0, 255, 0, 0, 0, 127, 0, 0, 0, 255}));
}

// Layouts the strip reader does not take go through the RGBA interface.
TEST(TiffFile, OtherLayoutsReadAsColour)
{
    tavotest::TempDir dir;
    // 16-bit gray: the high byte of each sample.
    Bytes sixteen;
    for (std::uint16_t v : {0x0000, 0x8000, 0xFFFF}) {
        sixteen.push_back(static_cast<unsigned char>(v & 0xFF));
        sixteen.push_back(static_cast<unsigned char>(v >> 8));
    }
    writeTiff((dir / "s.tif").string(), {TiffPage{3, 1, 16, 1, PHOTOMETRIC_MINISBLACK, 1, {}, sixteen}});
    const ZULImage wide((dir / "s.tif").string());
    ASSERT_EQ(wide.zulGetBitsPerPixel(), 24);
    EXPECT_EQ(imageBytes(wide), (Bytes{0, 0, 0, 128, 128, 128, 255, 255, 255}));

    // A tiled 8-bit page stays gray.
    Bytes tile(16 * 16, 0);
    tile[0] = 50;
    tile[17] = 200;
    const std::string tiled = (dir / "t.tif").string();
    TIFF* tiff = TIFFOpen(tiled.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 16U);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 16U);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16U);
    TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16U);
    TIFFWriteEncodedTile(tiff, 0, tile.data(), static_cast<tmsize_t>(tile.size()));
    TIFFClose(tiff);
    const ZULImage fromTiles(tiled);
    ASSERT_EQ(fromTiles.zulGetBitsPerPixel(), 8);
    EXPECT_EQ(fromTiles.zulGetRow(0)[0], 50);
    EXPECT_EQ(fromTiles.zulGetRow(1)[1], 200);
}

TEST(TiffFile, DamagedFilesAreRefused)
{
    tavotest::TempDir dir;
    const std::string good = (dir / "good.tif").string();
    ASSERT_TRUE(randomImage(200, 100, 8, 3).zulSaveImage(good));
    const Bytes bytes = readBytes(good);

    // The strip runs past the end of the file (its offset moved near the
    // end): the page cannot be read.
    Bytes moved = bytes;
    const std::uint32_t directory = le32(moved, 4);
    for (std::uint32_t e = 0; e < le16(moved, directory); ++e) {
        const std::size_t entry = directory + 2 + 12 * e;
        if (le16(moved, entry) == TIFFTAG_STRIPOFFSETS) {
            const auto at = static_cast<std::uint32_t>(moved.size() - 100);
            for (int i = 0; i < 4; ++i) {
                moved[entry + 8 + i] = static_cast<unsigned char>(at >> (8 * i));
            }
        }
    }
    const std::string shortFile = (dir / "short.tif").string();
    writeBytes(shortFile, moved);
    ZULImage image;
    // libtiff's explanation ends the one message; nothing is printed.
    testing::internal::CaptureStderr();
    expectZulError([&] { image.zulLoadImage(shortFile); }, 4,
                   "ZULTIFFImage:187: <ZULTIFFImage::zulLoadImage()> Read error on input strip (TIFFFillStrip: "
                   "Read error on strip 0; got 100 bytes, expected 20200)");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(image.zulHasImageData());
    // Cut in half, the directory is gone.
    writeBytes(shortFile, Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2)));
    testing::internal::CaptureStderr();
    expectZulError([&] { image.zulLoadImage(shortFile); }, 4);
    testing::internal::GetCapturedStderr();

    // A PNG under a TIFF name.
    ASSERT_TRUE(randomImage(5, 5, 8, 3).zulSaveImage((dir / "p.png").string()));
    std::filesystem::rename(dir / "p.png", dir / "p.tif");
    testing::internal::CaptureStderr();
    expectZulError([&] { ZULImage((dir / "p.tif").string()); }, 4);
    testing::internal::GetCapturedStderr();

    // Only the header of an uncompressed page claiming far more pixels than
    // the file holds.
    writeTiff((dir / "huge.tif").string(),
              {TiffPage{30000, 30000, 8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE,
                        [](TIFF* tiff) { TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 1U); }, Bytes(30000, 1)}});
    expectZulErrorEnding([&] { ZULImage((dir / "huge.tif").string()); }, 4,
                         "<ZULTIFFImage::zulLoadImage()> File is too short for its image size");
}
