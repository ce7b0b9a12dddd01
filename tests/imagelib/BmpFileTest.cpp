// BMP files: the written layout, palettes, orientation, the pixel-data
// offset, damaged files, and the shared BMP test set read against a small
// reference decoder written here.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>

#include "FileTestSupport.h"
#include "ZULBMPImage.h"

using namespace filetest;

namespace {

void put32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
    }
}

void put16(Bytes& b, std::size_t at, std::uint16_t v)
{
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

// A file with a 40-byte info header; rows are given in file order, each
// already padded.  gap puts unused bytes between palette and pixels.
Bytes makeBmp(std::int32_t width, std::int32_t height, int bits, const std::vector<std::array<int, 3>>& palette,
              const Bytes& rows, std::uint32_t gap = 0, std::uint32_t compression = 0)
{
    const std::uint32_t offset = 54 + 4 * static_cast<std::uint32_t>(palette.size()) + gap;
    Bytes b(offset, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, offset + static_cast<std::uint32_t>(rows.size()));
    put32(b, 10, offset);
    put32(b, 14, 40);
    put32(b, 18, static_cast<std::uint32_t>(width));
    put32(b, 22, static_cast<std::uint32_t>(height));
    put16(b, 26, 1);
    put16(b, 28, static_cast<std::uint16_t>(bits));
    put32(b, 30, compression);
    put32(b, 46, static_cast<std::uint32_t>(palette.size()));
    for (std::size_t i = 0; i < palette.size(); ++i) {
        b[54 + 4 * i] = static_cast<unsigned char>(palette[i][2]);
        b[55 + 4 * i] = static_cast<unsigned char>(palette[i][1]);
        b[56 + 4 * i] = static_cast<unsigned char>(palette[i][0]);
    }
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

ZULImage loadBytes(const tavotest::TempDir& dir, const Bytes& bytes)
{
    writeBytes(dir / "t.bmp", bytes);
    return ZULBMPImage().zulLoadImage((dir / "t.bmp").string());
}

int gray(const std::array<int, 3>& c) { return (299 * c[0] + 587 * c[1] + 114 * c[2]) / 1000; }

// Decodes the uncompressed 1-, 8- and 24-bit files pixel by pixel from the
// raw bytes; nothing when the file is of another kind or too short.
std::optional<ZULImage> referenceDecode(const Bytes& b)
{
    if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') {
        return std::nullopt;
    }
    const std::uint32_t offset = le32(b, 10);
    const std::uint32_t headerSize = le32(b, 14);
    std::int64_t width = 0;
    std::int64_t height = 0;
    int bits = 0;
    std::uint32_t compression = 0;
    std::uint32_t used = 0;
    std::size_t entrySize = 4;
    if (headerSize == 12) {
        width = le16(b, 18);
        height = le16(b, 20);
        bits = le16(b, 24);
        entrySize = 3;
    } else if (headerSize >= 40 && b.size() >= 54) {
        width = static_cast<std::int32_t>(le32(b, 18));
        height = static_cast<std::int32_t>(le32(b, 22));
        bits = le16(b, 28);
        compression = le32(b, 30);
        used = le32(b, 46);
    } else {
        return std::nullopt;
    }
    const std::int64_t rows = std::abs(height);
    if ((bits != 1 && bits != 8 && bits != 24) || compression != 0 || width <= 0 || rows == 0 ||
        width > 65535 || rows > 65535 || offset < 14 + headerSize) {
        return std::nullopt;
    }
    const std::int64_t stride = (width * bits + 31) / 32 * 4;
    if (static_cast<std::int64_t>(offset) + stride * (rows - 1) + (width * bits + 7) / 8 >
        static_cast<std::int64_t>(b.size())) {
        return std::nullopt;
    }
    std::vector<std::array<int, 3>> palette;
    if (bits <= 8) {
        std::int64_t count = used != 0 ? used : (1 << bits);
        count = std::min<std::int64_t>(
            {count, 1 << bits, static_cast<std::int64_t>((offset - 14 - headerSize) / entrySize)});
        for (std::int64_t i = 0; i < count; ++i) {
            const std::size_t at = 14 + headerSize + i * entrySize;
            palette.push_back({b[at + 2], b[at + 1], b[at]});
        }
    }
    const auto colour = [&](int index) {
        return index < static_cast<int>(palette.size()) ? palette[index] : std::array<int, 3>{0, 0, 0};
    };
    ZULImage image(static_cast<int>(width), static_cast<int>(rows), bits, true);
    for (int y = 0; y < rows; ++y) {
        const std::size_t row = offset + static_cast<std::size_t>(height > 0 ? rows - 1 - y : y) * stride;
        for (int x = 0; x < width; ++x) {
            if (bits == 24) {
                for (int c = 0; c < 3; ++c) {
                    image.zulGetRow(y)[3 * x + c] = b[row + 3 * x + 2 - c];
                }
            } else if (bits == 8) {
                image.zulGetRow(y)[x] = static_cast<unsigned char>(palette.empty() ? b[row + x] : gray(colour(b[row + x])));
            } else {
                const int index = (b[row + x / 8] >> (7 - x % 8)) & 1;
                int lighter = gray(colour(index)) - gray(colour(1 - index));
                if (palette.empty()) {
                    lighter = index == 1 ? 1 : -1;
                }
                const bool white = lighter > 0 || (lighter == 0 && index == 1);
                unsigned char& byte = image.zulGetRow(y)[x / 8];
                byte = static_cast<unsigned char>(white ? byte | (0x80 >> (x % 8)) : byte & ~(0x80 >> (x % 8)));
            }
        }
    }
    return image;
}

std::vector<std::filesystem::path> suiteFiles(const char* folder)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(TAVO_TESTDATA) / "bmpsuite" / folder)) {
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

TEST(BmpFile, WrittenLayoutOfAnEightBitPage)
{
    tavotest::TempDir dir;
    ZULImage image = randomImage(10, 3, 8, 5);
    image.zulSetResolution(300.0f, 300.0f, 1);
    ASSERT_TRUE(image.zulSaveImage((dir / "p.bmp").string()));
    const Bytes b = readBytes(dir / "p.bmp");
    ASSERT_EQ(b.size(), 54U + 1024U + 3U * 12U);
    EXPECT_EQ(le16(b, 0), 19778);
    EXPECT_EQ(le32(b, 2), b.size());
    EXPECT_EQ(le32(b, 10), 1078U);
    EXPECT_EQ(le32(b, 14), 40U);
    EXPECT_EQ(le16(b, 28), 8);
    EXPECT_EQ(le32(b, 34), 36U);
    EXPECT_EQ(le32(b, 38), 300U);  // stored as it is, not converted to metres
    EXPECT_EQ(le32(b, 42), 300U);
    EXPECT_EQ(le32(b, 46), 256U);
    EXPECT_EQ(le32(b, 54 + 4 * 200), 0xC8C8C8C8U);
    // The first file row is the last image row, followed by two zero bytes.
    EXPECT_TRUE(std::equal(b.begin() + 1078, b.begin() + 1088, image.zulGetRow(2)));
    EXPECT_EQ(b[1088], 0);
    EXPECT_EQ(b[1089], 0);
    const ZULImage loaded((dir / "p.bmp").string());
    EXPECT_TRUE(samePixels(loaded, image));
    EXPECT_FLOAT_EQ(loaded.zulGetXResolution(), 300.0f);
}

TEST(BmpFile, BinaryPageKeepsBitsAndWhitePaletteEntry)
{
    tavotest::TempDir dir;
    const ZULImage image = randomImage(13, 4, 1, 8);
    ASSERT_TRUE(image.zulSaveImage((dir / "b.bmp").string()));
    const Bytes b = readBytes(dir / "b.bmp");
    EXPECT_EQ(le32(b, 54), 0U);
    EXPECT_EQ(le32(b, 58), 0xFFFFFFFFU);
    EXPECT_TRUE(samePixels(ZULImage((dir / "b.bmp").string()), image));
}

TEST(BmpFile, PalettesAreApplied)
{
    tavotest::TempDir dir;
    // Entry 0 white: a clear bit is white, so memory holds the complement.
    const ZULImage inverted = loadBytes(dir, makeBmp(8, 1, 1, {{255, 255, 255}, {0, 0, 0}}, {0xF0, 0, 0, 0}));
    EXPECT_EQ(inverted.zulGetRow(0)[0], 0x0F);
    // Colour entries of an 8-bit file become their gray.
    const ZULImage colours =
        loadBytes(dir, makeBmp(3, 1, 8, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {0, 1, 2, 0}));
    EXPECT_EQ(colours.zulGetRow(0)[0], 76);
    EXPECT_EQ(colours.zulGetRow(0)[1], 149);
    EXPECT_EQ(colours.zulGetRow(0)[2], 29);
}

TEST(BmpFile, TopDownRowsAndPixelOffset)
{
    tavotest::TempDir dir;
    const Bytes rows{1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    const ZULImage topDown = loadBytes(dir, makeBmp(2, -2, 24, {}, rows, 20));
    ASSERT_EQ(topDown.zulGetHeight(), 2);
    EXPECT_EQ(topDown.zulGetRow(0)[0], 3);  // first file row on top, red first
    EXPECT_EQ(topDown.zulGetRow(1)[2], 7);
    const ZULImage bottomUp = loadBytes(dir, makeBmp(2, 2, 24, {}, rows));
    EXPECT_EQ(bottomUp.zulGetRow(1)[0], 3);
}

TEST(BmpFile, DamagedAndUnsupportedFilesAreRefused)
{
    tavotest::TempDir dir;
    const Bytes good = makeBmp(10, 4, 8, {{0, 0, 0}}, Bytes(48, 9));
    Bytes cut(good.begin(), good.end() - 13);
    expectZulError([&] { loadBytes(dir, cut); }, 4, "ZULBMPImage:234: <ZULBMPImage::zulLoadImage()> Unknow File Format");
    Bytes notBmp = good;
    notBmp[0] = 'X';
    expectZulError([&] { loadBytes(dir, notBmp); }, 4);
    expectZulError([&] { loadBytes(dir, makeBmp(4, 1, 4, {}, Bytes(4, 0))); }, 8,
                   "ZULBMPImage:185: <ZULBMPImage::zulLoadImage()> ZULBMP does not  support 4 bits");
    expectZulError([&] { loadBytes(dir, makeBmp(4, 1, 32, {}, Bytes(16, 0))); }, 8);
    expectZulError([&] { loadBytes(dir, makeBmp(4, 1, 8, {}, Bytes(4, 0), 0, 1)); }, 8);
    // A header claiming 60000 x 60000 pixels in a file of a few bytes.
    expectZulError([&] { loadBytes(dir, makeBmp(60000, 60000, 24, {}, Bytes(64, 0))); }, 4);
    expectZulError([&] { loadBytes(dir, makeBmp(20000, 20000, 24, {}, Bytes(64, 0))); }, 4);
    expectZulError([&] { loadBytes(dir, makeBmp(-5, 2, 8, {}, Bytes(16, 0))); }, 4);
    expectZulError([&] { loadBytes(dir, Bytes{'B', 'M', 0}); }, 4);
}

// The good files read exactly as the reference decodes them, or are refused
// as unsupported (other depths, compression).
TEST(BmpSuite, GoodFilesReadCorrectly)
{
    int read = 0;
    for (const auto& file : suiteFiles("g")) {
        SCOPED_TRACE(file.filename().string());
        const std::optional<ZULImage> expected = referenceDecode(readBytes(file));
        if (!expected) {
            expectZulError([&] { ZULBMPImage().zulLoadImage(file.string()); }, 8);
            continue;
        }
        const ZULImage loaded = ZULBMPImage().zulLoadImage(file.string());
        EXPECT_TRUE(samePixels(loaded, *expected));
        ++read;
    }
    EXPECT_GE(read, 16);
}

// Questionable and bad files read as the reference decodes them, or are
// refused with a ZULException; nothing else may happen.
TEST(BmpSuite, OtherFilesReadCorrectlyOrAreRefused)
{
    for (const char* folder : {"q", "b"}) {
        for (const auto& file : suiteFiles(folder)) {
            SCOPED_TRACE(file.string());
            const std::optional<ZULImage> expected = referenceDecode(readBytes(file));
            try {
                const ZULImage loaded = ZULBMPImage().zulLoadImage(file.string());
                EXPECT_TRUE(loaded.zulHasImageData());
                if (expected) {
                    EXPECT_TRUE(samePixels(loaded, *expected));
                }
            } catch (const ZULException& e) {
                EXPECT_TRUE(e.zulGetErrorCode() == 4 || e.zulGetErrorCode() == 8) << e.what();
            }
        }
    }
}
