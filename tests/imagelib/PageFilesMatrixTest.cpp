// Pages as scanners, phones and image tools write them, made at test time
// with libtiff and libjpeg from small pages and loaded back: every strip and
// tile layout, compression, byte order and orientation, and JPEG variants.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <jpeglib.h>
#include <tiffio.h>

#include "FileTestSupport.h"
#include "ZULException.h"
#include "ZULImageConverter.h"
#include "ZULJPEGImage.h"
#include "ZULTIFFImage.h"

using namespace filetest;

namespace {

struct TiffLayout {
    int rowsPerStrip = 0;  // 0 one strip, -1 libtiff's default (about 8 KiB)
    std::uint32_t tile = 0;
    int compression = COMPRESSION_NONE;
    int predictor = 0;
    bool planar = false;
    bool minIsWhite = false;
    const char* mode = "w";
    int orientation = 1;
};

// Writes image (1, 8 or 24 bits, stored as it is) with libtiff's own
// strip and tile writers; a second page when asked.
void writeTiff(const std::string& path, const ZULImage& image, const TiffLayout& l, int pages = 1)
{
    TIFF* tiff = TIFFOpen(path.c_str(), l.mode);
    ASSERT_NE(tiff, nullptr);
    const int bits = image.zulGetBitsPerPixel();
    const int samples = bits == 24 ? 3 : 1;
    const auto w = static_cast<std::uint32_t>(image.zulGetWidth());
    const auto h = static_cast<std::uint32_t>(image.zulGetHeight());
    for (int page = 0; page < pages; ++page) {
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, w);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, h);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits == 1 ? 1 : 8);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC,
                     bits == 24 ? PHOTOMETRIC_RGB : l.minIsWhite ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, l.planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, l.compression);
        TIFFSetField(tiff, TIFFTAG_ORIENTATION, l.orientation);
        if (l.predictor != 0) {
            TIFFSetField(tiff, TIFFTAG_PREDICTOR, l.predictor);
        }
        const std::uint32_t rowBytes = l.planar ? w : static_cast<std::uint32_t>(image.zulGetBytesPerRow());
        std::vector<unsigned char> buffer;
        if (l.tile != 0) {
            TIFFSetField(tiff, TIFFTAG_TILEWIDTH, l.tile);
            TIFFSetField(tiff, TIFFTAG_TILELENGTH, l.tile);
            const auto tileRow = static_cast<std::uint32_t>(TIFFTileRowSize(tiff));
            buffer.resize(static_cast<std::size_t>(TIFFTileSize(tiff)));
            for (std::uint32_t ty = 0; ty < h; ty += l.tile) {
                for (std::uint32_t tx = 0; tx < w; tx += l.tile) {
                    std::fill(buffer.begin(), buffer.end(), 0);
                    const std::uint32_t first = tx * static_cast<std::uint32_t>(bits) / 8;
                    for (std::uint32_t y = ty; y < std::min(h, ty + l.tile); ++y) {
                        const std::uint32_t count = std::min(tileRow, rowBytes - first);
                        std::copy_n(image.zulGetRow(static_cast<int>(y)) + first, count,
                                    buffer.begin() + (y - ty) * tileRow);
                    }
                    ASSERT_GE(TIFFWriteTile(tiff, buffer.data(), tx, ty, 0, 0), 0);
                }
            }
        } else {
            const int rows = l.rowsPerStrip;
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rows == 0 ? h : rows < 0 ? TIFFDefaultStripSize(tiff, 0) : rows);
            buffer.resize(rowBytes);
            for (int s = 0; s < (l.planar ? 3 : 1); ++s) {
                for (std::uint32_t y = 0; y < h; ++y) {
                    const unsigned char* row = image.zulGetRow(static_cast<int>(y));
                    for (std::uint32_t x = 0; x < rowBytes; ++x) {
                        const unsigned char v = l.planar ? row[3 * x + s] : row[x];
                        buffer[x] = l.minIsWhite ? static_cast<unsigned char>(~v) : v;
                    }
                    ASSERT_EQ(TIFFWriteScanline(tiff, buffer.data(), y, static_cast<std::uint16_t>(s)), 1);
                }
            }
        }
        TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
}

// Writes image with libjpeg, tweak setting its options, with the APP1
// blocks given.
void writeJpeg(const std::string& path, const ZULImage& image,
               const std::function<void(jpeg_compress_struct&)>& tweak, const std::vector<Bytes>& app1 = {})
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(image.zulGetWidth());
    info.image_height = static_cast<JDIMENSION>(image.zulGetHeight());
    info.input_components = image.zulGetBitsPerPixel() == 24 ? 3 : 1;
    info.in_color_space = info.input_components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    tweak(info);
    jpeg_start_compress(&info, TRUE);
    for (const Bytes& block : app1) {
        jpeg_write_marker(&info, JPEG_APP0 + 1, block.data(), static_cast<unsigned>(block.size()));
    }
    for (int y = 0; y < image.zulGetHeight(); ++y) {
        JSAMPROW row = const_cast<unsigned char*>(image.zulGetRow(y));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
}

// An EXIF block as phones write it (big-endian): orientation, both
// resolutions in inches.
Bytes exifBlock(int orientation, std::uint32_t dpi)
{
    Bytes b{'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 4};
    const auto put = [&](std::uint32_t v, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    const auto entry = [&](int tag, int type, std::uint32_t value) {
        put(tag, 2), put(type, 2), put(1, 4), put(value, type == 3 ? 2 : 4), type == 3 ? put(0, 2) : void();
    };
    entry(0x112, 3, orientation);
    entry(0x11A, 5, 62);
    entry(0x11B, 5, 70);
    entry(0x128, 3, 2);
    put(0, 4);
    put(dpi, 4), put(1, 4), put(dpi, 4), put(1, 4);
    return b;
}

// Largest difference of any byte (lossy formats).
int maxDifference(const ZULImage& a, const ZULImage& b)
{
    int most = 0;
    for (std::size_t i = 0; i < a.zulGetImageDataSize() && i < b.zulGetImageDataSize(); ++i) {
        most = std::max(most, std::abs(a.zulGetImageData()[i] - b.zulGetImageData()[i]));
    }
    return most;
}

// The page as a file of the given orientation stores it, by the tag's
// definition: stored row r, column c is the upright pixel at (x, y).
ZULImage storedAs(const ZULImage& upright, int orientation)
{
    const int w = upright.zulGetWidth();
    const int h = upright.zulGetHeight();
    const bool turned = orientation >= 5;
    ZULImage stored(turned ? h : w, turned ? w : h, upright.zulGetBitsPerPixel(), true);
    const int size = upright.zulGetBitsPerPixel() / 8;
    for (int r = 0; r < stored.zulGetHeight(); ++r) {
        for (int c = 0; c < stored.zulGetWidth(); ++c) {
            const bool mirrored = orientation == 2 || orientation == 3 || orientation == 6 || orientation == 7;
            const bool flipped = orientation == 3 || orientation == 4 || orientation == 7 || orientation == 8;
            int x = turned ? r : c;
            int y = turned ? c : r;
            x = mirrored ? w - 1 - x : x;
            y = flipped ? h - 1 - y : y;
            if (size == 0) {
                stored.zulSetPixel(c, r, bitAt(upright, x, y));
            } else {
                std::copy_n(upright.zulGetRow(y) + x * size, size, stored.zulGetRow(r) + c * size);
            }
        }
    }
    return stored;
}

}  // namespace

// Every strip layout, uncompressed, at every depth: the last strip holds only
// the rows that remain; tiles have partial edges.
TEST(PageFilesMatrix, UncompressedStripsAndTilesAtEveryDepth)
{
    tavotest::TempDir dir;
    const std::string path = (dir / "p.tif").string();
    for (int bits : {1, 8, 24}) {
        const ZULImage page = randomImage(300, 250, bits, 5);
        for (int rows : {0, -1, 1, 3, 8, 16, 37, 64}) {
            writeTiff(path, page, TiffLayout{rows});
            EXPECT_TRUE(samePixels(ZULImage(path), page)) << bits << " bits, rows per strip " << rows;
        }
        writeTiff(path, page, TiffLayout{0, 16});
        EXPECT_TRUE(samePixels(ZULImage(path), page)) << bits << " bits, tiles";
        if (bits != 24) {
            writeTiff(path, page, TiffLayout{37, 0, COMPRESSION_NONE, 0, false, true});
            EXPECT_TRUE(samePixels(ZULImage(path), page)) << bits << " bits, min-is-white";
        }
    }
    writeTiff(path, randomImage(300, 250, 24, 6), TiffLayout{37, 0, COMPRESSION_NONE, 0, true});
    EXPECT_TRUE(samePixels(ZULImage(path), randomImage(300, 250, 24, 6))) << "planar";
}

TEST(PageFilesMatrix, CompressionsByteOrdersBigTiffAndPages)
{
    tavotest::TempDir dir;
    const std::string path = (dir / "p.tif").string();
    const struct {
        int compression, predictor, bits;
    } cases[] = {
        {COMPRESSION_LZW, 0, 1},      {COMPRESSION_LZW, 2, 8},      {COMPRESSION_LZW, 2, 24},
        {COMPRESSION_ADOBE_DEFLATE, 0, 8}, {COMPRESSION_PACKBITS, 0, 24}, {COMPRESSION_CCITTFAX3, 0, 1},
        {COMPRESSION_CCITTFAX4, 0, 1}, {COMPRESSION_JPEG, 0, 8},    {COMPRESSION_JPEG, 0, 24},
    };
    for (const char* mode : {"wl", "wb", "w8"}) {
        for (const auto& c : cases) {
            const ZULImage page = c.compression == COMPRESSION_JPEG ? smoothImage(120, 90, c.bits)
                                                                    : randomImage(120, 90, c.bits, 9);
            writeTiff(path, page, TiffLayout{16, 0, c.compression, c.predictor, false, false, mode}, 2);
            const ZULImage second = ZULTIFFImage().zulLoadImageAtPage(path, 2);
            EXPECT_LE(maxDifference(second, page), c.compression == COMPRESSION_JPEG ? 8 : 0)
                << mode << " compression " << c.compression << " bits " << c.bits;
            EXPECT_TRUE(c.compression == COMPRESSION_JPEG || samePixels(second, page)) << c.compression;
        }
    }
}

// The same upright page stored in each of the eight orientations, at every
// depth, loads upright.
TEST(PageFilesMatrix, TiffOrientationOnEveryDepth)
{
    tavotest::TempDir dir;
    const std::string path = (dir / "o.tif").string();
    for (int bits : {1, 8, 24}) {
        const ZULImage upright = randomImage(21, 13, bits, 4);
        for (int orientation = 1; orientation <= 8; ++orientation) {
            writeTiff(path, storedAs(upright, orientation), TiffLayout{5, 0, COMPRESSION_NONE, 0, false, false, "w",
                                                                       orientation});
            EXPECT_TRUE(samePixels(ZULImage(path), upright)) << bits << " bits, orientation " << orientation;
        }
    }
}

TEST(PageFilesMatrix, TransparentTiffAreasAreWhite)
{
    tavotest::TempDir dir;
    const std::string path = (dir / "a.tif").string();
    const Bytes pixels{0, 0, 0, 0, 0, 0, 0, 255, 200, 100, 0, 128};
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 3U);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 1U);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFWriteEncodedStrip(tiff, 0, const_cast<unsigned char*>(pixels.data()), 12);
    TIFFClose(tiff);
    const ZULImage page(path);
    const Bytes loaded(page.zulGetImageData(), page.zulGetImageData() + 9);
    // Clear is white, opaque keeps its colour, half-clear is half white.
    const Bytes expected{255, 255, 255, 0, 0, 0, 227, 177, 127};
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_NEAR(loaded[i], expected[i], 1) << i;
    }
}

TEST(PageFilesMatrix, JpegVariantsOrientationAndDensity)
{
    tavotest::TempDir dir;
    const std::string path = (dir / "p.jpg").string();
    const ZULImage colour = smoothImage(64, 40, 24);
    const ZULImage gray = smoothImage(64, 40, 8);
    const std::function<void(jpeg_compress_struct&)> variants[] = {
        [](jpeg_compress_struct& i) { jpeg_simple_progression(&i); },
        [](jpeg_compress_struct& i) { i.restart_interval = 2; },
        [](jpeg_compress_struct& i) { i.density_unit = 2, i.X_density = 118, i.Y_density = 118; },
    };
    for (const auto& variant : variants) {
        for (const ZULImage* page : {&colour, &gray}) {
            writeJpeg(path, *page, variant);
            const ZULImage loaded(path);
            EXPECT_EQ(loaded.zulGetBitsPerPixel(), page->zulGetBitsPerPixel());
            EXPECT_LE(maxDifference(loaded, *page), 8);
            int width = 0, height = 0;
            ASSERT_TRUE(ZULImage::zulReadImageSize(path, width, height));
            EXPECT_EQ(width, 64);
            EXPECT_EQ(height, 40);
        }
    }
    EXPECT_FLOAT_EQ(ZULImage(path).zulGetXResolution(), 300.0f);  // 118 per centimetre, rounded

    // A phone's sideways photo: upright after loading, with EXIF's resolution
    // (an XMP block in APP1 before it).
    for (int orientation : {3, 6, 8}) {
        writeJpeg(path, storedAs(colour, orientation), [](jpeg_compress_struct& i) { i.write_JFIF_header = FALSE; },
                  {Bytes{'h', 't', 't', 'p', ':', '/', '/'}, exifBlock(orientation, 240)});
        const ZULImage loaded(path);
        EXPECT_EQ(loaded.zulGetWidth(), 64) << orientation;
        EXPECT_LE(maxDifference(loaded, colour), 8) << orientation;
        // The size without the pixels is the upright page's too.
        int width = 0, height = 0;
        ASSERT_TRUE(ZULImage::zulReadImageSize(path, width, height));
        EXPECT_EQ(width, 64) << orientation;
        EXPECT_EQ(height, 40) << orientation;
        EXPECT_FLOAT_EQ(loaded.zulGetYResolution(), 240.0f);
    }
    // The writer stores the resolution as the JFIF density.
    ZULImage page = gray;
    page.zulSetResolution(300.0f, 300.0f, 1);
    ASSERT_TRUE(page.zulSaveImage(path));
    EXPECT_FLOAT_EQ(ZULImage(path).zulGetXResolution(), 300.0f);
}

// -words and -check read a JPEG page in grey as it is decoded: the pixels,
// size and resolution of converting the colour page, for every variant and
// orientation, and the same refusal of a file cut short.
TEST(PageFilesMatrix, JpegReadInGrayIsTheConvertedColourPage)
{
    tavotest::TempDir dir;
    const std::string path = (dir / "p.jpg").string();
    const ZULImage colour = smoothImage(64, 40, 24);
    auto expectConverted = [&](const char* what) {
        ZULImage expected;
        ZULImageConverter::zulColor2Gray(expected, ZULImage(path));
        ZULImage gray;
        ASSERT_TRUE(gray.zulLoadGrayImage(path)) << what;
        EXPECT_TRUE(samePixels(gray, expected)) << what;
        EXPECT_EQ(gray.zulGetBinaryState(), 0) << what;
        EXPECT_FLOAT_EQ(gray.zulGetXResolution(), expected.zulGetXResolution()) << what;
    };
    writeJpeg(path, colour, [](jpeg_compress_struct& i) { jpeg_simple_progression(&i); });
    expectConverted("progressive");
    writeJpeg(path, colour, [](jpeg_compress_struct& i) { i.density_unit = 1, i.X_density = i.Y_density = 300; });
    expectConverted("baseline");
    for (int orientation : {3, 6}) {
        writeJpeg(path, storedAs(colour, orientation), [](jpeg_compress_struct& i) { i.write_JFIF_header = FALSE; },
                  {exifBlock(orientation, 240)});
        expectConverted("turned");
    }
    // A gray file is taken as it is.
    writeJpeg(path, smoothImage(64, 40, 8), [](jpeg_compress_struct&) {});
    ZULImage gray;
    ASSERT_TRUE(gray.zulLoadGrayImage(path));
    EXPECT_TRUE(samePixels(gray, ZULImage(path)));
    // Cut short: refused with the colour decode's code.
    writeJpeg(path, colour, [](jpeg_compress_struct&) {});
    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
    int code = 0;
    try {
        gray.zulLoadGrayImage(path);
    } catch (const ZULException& error) {
        code = error.zulGetErrorCode();
    }
    EXPECT_EQ(code, 4);
}

// -lines reads an upright JPEG row by row: the rows and head of zulLoadImage,
// nothing for a page its EXIF turns (its rows are not the page's), and the
// same failure, message and all, for a file cut short.
TEST(PageFilesMatrix, JpegRowsAreTheLoadedPageOrNothing)
{
    tavotest::TempDir dir;
    const std::string path = (dir / "p.jpg").string();
    for (const ZULImage& page : {smoothImage(64, 40, 24), smoothImage(50, 30, 8)}) {
        writeJpeg(path, page, [](jpeg_compress_struct& i) { i.density_unit = 1, i.X_density = i.Y_density = 200; });
        const ZULImage loaded(path);
        ZULImage rows(loaded.zulGetWidth(), loaded.zulGetHeight(), loaded.zulGetBitsPerPixel(), true);
        ZULImageHead head;
        int next = 0;
        ASSERT_TRUE(ZULJPEGImage().zulReadRows(
            path, [&](const ZULImageHead& h) { head = h; },
            [&](int y, const unsigned char* row) {
                ASSERT_EQ(y, next++);
                std::copy_n(row, rows.zulGetBytesPerRow(), rows.zulGetRow(y));
            }));
        EXPECT_EQ(next, loaded.zulGetHeight());
        EXPECT_EQ(head.width, loaded.zulGetWidth());
        EXPECT_EQ(head.bitsPerPixel, loaded.zulGetBitsPerPixel());
        EXPECT_FLOAT_EQ(head.xResolution, 200.0f);
        EXPECT_TRUE(samePixels(rows, loaded));
    }
    writeJpeg(path, storedAs(smoothImage(64, 40, 24), 6), [](jpeg_compress_struct& i) { i.write_JFIF_header = FALSE; },
              {exifBlock(6, 240)});
    int calls = 0;
    EXPECT_FALSE(ZULJPEGImage().zulReadRows(
        path, [&](const ZULImageHead&) { ++calls; }, [&](int, const unsigned char*) { ++calls; }));
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(ZULJPEGImage().zulReadRows(
        (dir / "none.jpg").string(), [](const ZULImageHead&) {}, [](int, const unsigned char*) {}));
    writeJpeg(path, smoothImage(64, 40, 24), [](jpeg_compress_struct&) {});
    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
    std::string loading, reading;
    try {
        const ZULImage cut(path);
    } catch (const ZULException& error) {
        loading = error.what();
    }
    try {
        ZULJPEGImage().zulReadRows(path, [](const ZULImageHead&) {}, [](int, const unsigned char*) {});
    } catch (const ZULException& error) {
        reading = error.what();
    }
    EXPECT_FALSE(loading.empty());
    EXPECT_EQ(reading, loading);
}
