#include "ZULBMPImage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <vector>

#include "ZULAtomicFile.h"
#include "ZULException.h"
#include "ZULFileBasedIO.h"
#include "ZULFileSupport.h"

namespace {

constexpr const char* kSource = "..\\src\\ZULBMPImage";
constexpr const char* kLoad = "ZULBMPImage::zulLoadImage()";
constexpr const char* kSave = "ZULBMPImage::zulSaveImage()";
constexpr const char* kUnknownFormat = "<ZULBMPImage::zulLoadImage()> Unknow File Format";
constexpr const char* kNoMemory =
    "<ZULBMPImage::zulLoadImage()> Could not allocate enough memory for the uncompressed image";

constexpr int kLinePalette = 113;
constexpr int kLineRows1 = 167;
constexpr int kLineAlloc1 = 147;
constexpr int kLineFourBits = 185;
constexpr int kLineAlloc8 = 217;
constexpr int kLineRows8 = 234;
constexpr int kLineAlloc24 = 278;
constexpr int kLineRows24 = 292;

constexpr std::int64_t kFileHeaderSize = 14;
constexpr std::int64_t kCoreHeaderSize = 12;
constexpr std::int64_t kInfoHeaderSize = 40;
constexpr std::int64_t kMaxHeaderSize = 4096;

std::uint32_t le32(const unsigned char* p)
{
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

std::uint16_t le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

int grayOf(int red, int green, int blue) { return (299 * red + 587 * green + 114 * blue) / 1000; }

// The fields of the file and info headers that decoding uses.
struct BmpHeader {
    std::uint32_t dataOffset = 0;
    std::int64_t headerEnd = 0;  // first byte after the info header
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: rows stored top row first
    int bits = 0;
    std::uint32_t compression = 0;
    std::int32_t yPixelsPerMetre = 0;
    std::uint32_t colorsUsed = 0;
    int paletteEntrySize = 4;
};

BmpHeader readHeader(ZULIOStream& stream)
{
    unsigned char fileHeader[kFileHeaderSize];
    unsigned char info[kInfoHeaderSize] = {};
    if (stream.zulRead(fileHeader, sizeof fileHeader) == 0 || fileHeader[0] != 'B' || fileHeader[1] != 'M' ||
        stream.zulRead(info, 4) == 0) {
        throw ZULException(4, kUnknownFormat, kSource, __LINE__);
    }
    BmpHeader header;
    header.dataOffset = le32(fileHeader + 10);
    const std::int64_t infoSize = le32(info);
    header.headerEnd = kFileHeaderSize + infoSize;
    if (infoSize == kCoreHeaderSize) {
        if (stream.zulRead(info + 4, 8) == 0) {
            throw ZULException(4, kUnknownFormat, kSource, __LINE__);
        }
        header.width = le16(info + 4);
        header.height = le16(info + 6);
        header.bits = le16(info + 10);
        header.paletteEntrySize = 3;
        return header;
    }
    // Info headers of 16 bytes and more share the 40-byte layout; the fields
    // a short (OS/2) header lacks read as 0 and longer headers are skipped.
    if (infoSize < 16 || infoSize > kMaxHeaderSize) {
        throw ZULException(4, kUnknownFormat, kSource, __LINE__);
    }
    const std::int64_t stored = std::min(infoSize, kInfoHeaderSize);
    if (stream.zulRead(info + 4, static_cast<std::size_t>(stored - 4)) == 0 ||
        !stream.zulSkip(infoSize - stored)) {
        throw ZULException(4, kUnknownFormat, kSource, __LINE__);
    }
    header.width = static_cast<std::int32_t>(le32(info + 4));
    header.height = static_cast<std::int32_t>(le32(info + 8));
    header.bits = le16(info + 14);
    header.compression = le32(info + 16);
    header.yPixelsPerMetre = static_cast<std::int32_t>(le32(info + 28));
    header.colorsUsed = le32(info + 32);
    return header;
}

void checkDepthAndCompression(const BmpHeader& header)
{
    constexpr std::uint32_t kJpegData = 4;
    constexpr std::uint32_t kPngData = 5;
    if (header.bits == 4) {
        throw ZULException(8, "<ZULBMPImage::zulLoadImage()> ZULBMP does not  support 4 bits", kSource,
                           kLineFourBits);
    }
    const bool embedded = header.compression == kJpegData || header.compression == kPngData;
    if (header.bits != 1 && header.bits != 8 && header.bits != 24 && !embedded) {
        throw ZULException(8,
                           ZULFileSupport::zulText(kLoad, "ZULBMP does not support " +
                                                              std::to_string(header.bits) + " bits"),
                           kSource, __LINE__);
    }
    if (header.compression != 0) {
        throw ZULException(8, ZULFileSupport::zulText(kLoad, "ZULBMP does not support compressed files"),
                           kSource, __LINE__);
    }
}

// Where the pixel rows start: the offset field when it points past the
// headers, else directly after a full palette (files that leave it 0).
std::int64_t pixelStart(const BmpHeader& header, std::int64_t fullPalette)
{
    if (header.dataOffset == 0) {
        return header.headerEnd + fullPalette * header.paletteEntrySize;
    }
    if (header.dataOffset < header.headerEnd) {
        throw ZULException(4, kUnknownFormat, kSource, __LINE__);
    }
    return header.dataOffset;
}

// Reads the palette entries that lie before the pixel rows and maps each
// index to a gray level.  Returns the number of entries read.
int readPalette(ZULIOStream& stream, const BmpHeader& header, std::int64_t start, std::array<int, 256>& gray)
{
    gray.fill(0);
    if (header.bits > 8) {
        return 0;
    }
    const std::int64_t declared = header.colorsUsed != 0 ? header.colorsUsed : (std::int64_t{1} << header.bits);
    const std::int64_t room = (start - header.headerEnd) / header.paletteEntrySize;
    const std::int64_t count = std::min({declared, std::int64_t{1} << header.bits, room});
    std::vector<unsigned char> entries(static_cast<std::size_t>(count * header.paletteEntrySize));
    if (stream.zulRead(entries.data(), entries.size()) == 0) {
        throw ZULException(4, kUnknownFormat, kSource, kLinePalette);
    }
    for (std::int64_t i = 0; i < count; ++i) {
        const unsigned char* entry = entries.data() + i * header.paletteEntrySize;
        gray[static_cast<std::size_t>(i)] = grayOf(entry[2], entry[1], entry[0]);
    }
    return static_cast<int>(count);
}

// Turns one stored row into an image row.
void convertRow(int bits, const unsigned char* in, unsigned char* out, int width, int rowBytes,
                const std::array<unsigned char, 256>& map)
{
    if (bits == 24) {
        for (int x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
        return;
    }
    for (int i = 0; i < rowBytes; ++i) {
        out[i] = map[in[i]];
    }
}

}  // namespace

ZULImage ZULBMPImage::zulLoadImage(ZULIOStream& stream) const
{
    const BmpHeader header = readHeader(stream);
    checkDepthAndCompression(header);
    ZULFileSupport::zulCheckSize(header.width, header.height < 0 ? -header.height : header.height, kSource, kLoad);
    const int width = static_cast<int>(header.width);
    const int height = static_cast<int>(header.height < 0 ? -header.height : header.height);
    const int bits = header.bits;
    const int rowBytes = ZULImageHead::zulRowBytes(width, bits);
    const std::int64_t stride = (std::int64_t{width} * bits + 31) / 32 * 4;

    const std::int64_t start = pixelStart(header, header.bits <= 8 ? (std::int64_t{1} << header.bits) : 0);
    std::array<int, 256> paletteGray{};
    const int entries = readPalette(stream, header, start, paletteGray);
    const std::int64_t consumed =
        header.headerEnd + static_cast<std::int64_t>(entries) * header.paletteEntrySize;
    const int rowsLine = bits == 1 ? kLineRows1 : bits == 8 ? kLineRows8 : kLineRows24;

    // The rows must be in the file before anything is allocated; the padding
    // of the last row may be missing.
    const std::int64_t size = stream.zulSize();
    const std::uint64_t needed = static_cast<std::uint64_t>(start) +
                                 static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(height - 1) +
                                 static_cast<std::uint64_t>(rowBytes);
    if (size >= 0 && needed > static_cast<std::uint64_t>(size)) {
        throw ZULException(4, kUnknownFormat, kSource, rowsLine);
    }
    if (!stream.zulSkip(start - consumed)) {
        throw ZULException(4, kUnknownFormat, kSource, rowsLine);
    }

    // Index to stored byte: 8-bit pixels take the gray of their entry (the
    // identity when the file has no palette); 1-bit rows are complemented
    // when entry 0 is the lighter one, so that white is always a set bit.
    std::array<unsigned char, 256> map{};
    for (int i = 0; i < 256; ++i) {
        if (bits == 8) {
            map[i] = static_cast<unsigned char>(entries > 0 ? paletteGray[i] : i);
        } else {
            const bool invert = entries > 0 && paletteGray[0] > paletteGray[1];
            map[i] = static_cast<unsigned char>(invert ? 255 - i : i);
        }
    }

    ZULImage::Buffer pixels = ZULFileSupport::zulAllocate(static_cast<std::size_t>(rowBytes) * height);
    if (!pixels) {
        throw ZULException(13, kNoMemory, kSource, bits == 1 ? kLineAlloc1 : bits == 8 ? kLineAlloc8 : kLineAlloc24);
    }
    std::vector<unsigned char> row(static_cast<std::size_t>(stride));
    const bool bottomUp = header.height > 0;
    for (int r = 0; r < height; ++r) {
        const std::size_t count = r + 1 < height ? row.size() : static_cast<std::size_t>(rowBytes);
        if (stream.zulRead(row.data(), count) == 0) {
            throw ZULException(4, kUnknownFormat, kSource, rowsLine);
        }
        const int y = bottomUp ? height - 1 - r : r;
        convertRow(bits, row.data(), pixels.get() + static_cast<std::size_t>(y) * rowBytes, width, rowBytes, map);
    }

    ZULImage image;
    const float resolution = bits == 1 ? 0.0f : static_cast<float>(header.yPixelsPerMetre);
    image.zulSetImageHead(width, height, bits, resolution, resolution, 1);
    image.zulSetImageData(std::move(pixels));
    image.zulSetFromFile(1);
    return image;
}

namespace {

void writeOrFail(bool ok)
{
    if (!ok) {
        throw ZULException(1, ZULFileSupport::zulText(kSave, "Could not write the file"), kSource, __LINE__);
    }
}

// Resolutions go into the pixels-per-metre fields as integers, unconverted.
std::int32_t storedResolution(float resolution)
{
    if (!(resolution > 0.0f)) {
        return 0;
    }
    if (resolution >= static_cast<float>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(resolution);
}

}  // namespace

void ZULBMPImage::zulSaveImage(ZULIOStream& stream, const ZULImage& image) const
{
    if (!image.zulHasImageData()) {
        throw ZULException(5, ZULFileSupport::zulText(kSave, "Image Data is NULL!"), kSource, __LINE__);
    }
    const int bits = image.zulGetBitsPerPixel();
    if (bits != 1 && bits != 8 && bits != 24) {
        throw ZULException(8, ZULFileSupport::zulText(kSave, "Only 1, 8 and 24 bit images can be written"),
                           kSource, __LINE__);
    }
    const int width = image.zulGetWidth();
    const int height = image.zulGetHeight();
    const int rowBytes = image.zulGetBytesPerRow();
    const int pad = (4 - rowBytes % 4) % 4;
    const int entries = bits == 1 ? 2 : bits == 8 ? 256 : 0;
    const std::uint64_t imageSize = static_cast<std::uint64_t>(height) * static_cast<std::uint64_t>(rowBytes + pad);
    constexpr int kOrder = 0;

    bool ok = stream.zulWriteInt16(19778, kOrder) != 0;
    ok = ok && stream.zulWriteInt32(static_cast<std::int32_t>(imageSize + 4U * entries + 54U), kOrder) != 0;
    ok = ok && stream.zulWriteInt16(0, kOrder) != 0 && stream.zulWriteInt16(0, kOrder) != 0;
    ok = ok && stream.zulWriteInt32(4 * entries + 54, kOrder) != 0;
    ok = ok && stream.zulWriteInt32(40, kOrder) != 0;
    ok = ok && stream.zulWriteInt32(width, kOrder) != 0 && stream.zulWriteInt32(height, kOrder) != 0;
    ok = ok && stream.zulWriteInt16(1, kOrder) != 0 && stream.zulWriteInt16(static_cast<std::int16_t>(bits), kOrder) != 0;
    ok = ok && stream.zulWriteInt32(0, kOrder) != 0;
    ok = ok && stream.zulWriteInt32(static_cast<std::int32_t>(imageSize), kOrder) != 0;
    ok = ok && stream.zulWriteInt32(storedResolution(image.zulGetXResolution()), kOrder) != 0;
    ok = ok && stream.zulWriteInt32(storedResolution(image.zulGetYResolution()), kOrder) != 0;
    ok = ok && stream.zulWriteInt32(entries, kOrder) != 0 && stream.zulWriteInt32(0, kOrder) != 0;
    writeOrFail(ok);

    std::vector<unsigned char> palette(static_cast<std::size_t>(entries) * 4);
    for (int i = 0; i < entries; ++i) {
        const auto value = static_cast<unsigned char>(bits == 1 ? (i == 0 ? 0 : 255) : i);
        std::memset(palette.data() + 4 * i, value, 4);
    }
    writeOrFail(stream.zulWrite(palette.data(), palette.size()) != 0);

    std::vector<unsigned char> row(static_cast<std::size_t>(rowBytes + pad), 0);
    for (int y = height - 1; y >= 0; --y) {
        const unsigned char* in = image.zulGetRow(y);
        if (bits == 24) {
            unsigned char* out = row.data();
            for (int x = 0; x < width; ++x, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
        } else {
            std::memcpy(row.data(), in, static_cast<std::size_t>(rowBytes));
        }
        writeOrFail(stream.zulWrite(row.data(), row.size()) != 0);
    }
}

ZULImage ZULBMPImage::zulLoadImage(const std::string& path) const
{
    ZULFileBasedIO stream(path, "rb");
    if (!stream.zulIsOpen()) {
        return ZULImage();
    }
    return zulLoadImage(stream);
}

void ZULBMPImage::zulSaveImage(const std::string& path, const ZULImage& image) const
{
    ZULAtomicFile output(path, kSource, kSave);
    {
        ZULFileBasedIO stream(output.zulTempPath(), "wb");
        if (!stream.zulIsOpen()) {
            throw ZULException(1, ZULFileSupport::zulText(kSave, "Could not open for writing"), kSource, __LINE__);
        }
        zulSaveImage(stream, image);
        writeOrFail(stream.zulClose() == 0);
    }
    output.zulCommit();
}
