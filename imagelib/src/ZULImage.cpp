#include "ZULImage.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <utility>

#include "ZULException.h"

namespace {

constexpr const char* kSource = "..\\src\\ZULImage";

// Bytes a header describes, or 0 when it describes no pixels.
std::size_t describedSize(const ZULImageHead& head)
{
    if (head.width <= 0 || head.height <= 0 || head.bytesPerRow <= 0) {
        return 0;
    }
    return static_cast<std::size_t>(head.bytesPerRow) * static_cast<std::size_t>(head.height);
}

bool insideImage(const ZULImageHead& head, int x, int y)
{
    return x >= 0 && y >= 0 && x < head.width && y < head.height;
}

// x, y, w, h lie within a width x height image (sums in 64 bits).
bool regionInside(const ZULImageHead& head, int x, int y, int w, int h)
{
    return x >= 0 && y >= 0 && w >= 0 && h >= 0 && std::int64_t{x} + w <= head.width &&
           std::int64_t{y} + h <= head.height;
}

}  // namespace

ZULImage::ZULImage() = default;

ZULImage::ZULImage(int width, int height, int bits)
{
    m_head.width = width;
    m_head.height = height;
    m_head.bitsPerPixel = bits;
    m_head.zulDeriveLayout();
}

ZULImage::ZULImage(int width, int height, int bits, bool allocate) : ZULImage(width, height, bits)
{
    if (allocate) {
        zulAllocImageData();
    }
}

ZULImage::ZULImage(const ZULImage& other) { zulCopyImage(other); }

ZULImage& ZULImage::operator=(const ZULImage& other) { return zulCopyImage(other); }

ZULImage::ZULImage(ZULImage&& other) noexcept
    : m_head(other.m_head), m_data(std::move(other.m_data)), m_size(std::exchange(other.m_size, 0))
{
}

ZULImage& ZULImage::operator=(ZULImage&& other) noexcept
{
    if (this != &other) {
        m_head = other.m_head;
        m_data = std::move(other.m_data);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

ZULImage::~ZULImage() = default;

void ZULImage::releaseImageData()
{
    m_data.reset();
    m_size = 0;
}

ZULImage& ZULImage::zulCopyImage(const ZULImage& other)
{
    if (this == &other) {
        return *this;
    }
    // Copy the pixels first so that a failed copy leaves this image as it was.
    Buffer pixels = other.m_data ? other.zulGetSafeImageData() : nullptr;
    ZULImageHead head;
    head.width = other.m_head.width;
    head.height = other.m_head.height;
    head.bitsPerPixel = other.m_head.bitsPerPixel;
    head.xResolution = other.m_head.xResolution;
    head.yResolution = other.m_head.yResolution;
    head.resolutionInInches = other.m_head.resolutionInInches;
    head.zulDeriveLayout();
    head.colorType = other.m_head.colorType;
    head.fromFile = other.m_head.fromFile;
    head.binaryState = other.m_head.binaryState;
    m_head = head;
    m_data = std::move(pixels);
    m_size = m_data ? other.m_size : 0;
    return *this;
}

void ZULImage::zulSetImageHead(int width, int height, int bits, float xResolution, float yResolution,
                               std::uint8_t resolutionInInches)
{
    m_head.width = width;
    m_head.height = height;
    m_head.bitsPerPixel = bits;
    m_head.xResolution = xResolution;
    m_head.yResolution = yResolution;
    m_head.resolutionInInches = resolutionInInches;
    m_head.zulDeriveLayout();
    if (m_data && describedSize(m_head) != m_size) {
        releaseImageData();
    }
}

void ZULImage::zulSetImageData(Buffer buffer)
{
    releaseImageData();
    const std::size_t size = describedSize(m_head);
    if (size != 0 && buffer) {
        m_data = std::move(buffer);
        m_size = size;
    }
}

void ZULImage::zulSetResolution(float xResolution, float yResolution, std::uint8_t resolutionInInches)
{
    m_head.xResolution = xResolution;
    m_head.yResolution = yResolution;
    m_head.resolutionInInches = resolutionInInches;
}

void ZULImage::zulAllocImageData()
{
    releaseImageData();
    if (m_head.bytesPerRow <= 0 || m_head.width <= 0 || m_head.height <= 0) {
        return;
    }
    // Refuses sizes beyond the library's limits before anything is allocated.
    const std::size_t size = ZULImageHead::zulCheckedBufferSize(m_head.width, m_head.height, m_head.bitsPerPixel);
    m_head.bytesPerRow = ZULImageHead::zulRowBytes(m_head.width, m_head.bitsPerPixel);
    Buffer buffer(new (std::nothrow) unsigned char[size]);
    if (!buffer) {
        throw ZULException(13, "<ZULImage::zulAllocImageData()> Error Allocating Image Data memory", kSource, 410);
    }
    std::memset(buffer.get(), 255, size);
    m_data = std::move(buffer);
    m_size = size;
}

ZULImage::Buffer ZULImage::zulGetSafeImageData() const
{
    if (!m_data) {
        throw ZULException(5, "<ZULIMage::zulGetSafeImageData()> Image Data is NULL!", kSource, 374);
    }
    Buffer copy(new (std::nothrow) unsigned char[m_size]);
    if (!copy) {
        throw ZULException(13, "<ZULIMage::zulGetSafeImageData()> Error Allocating Image Data memory", kSource, 380);
    }
    std::memcpy(copy.get(), m_data.get(), m_size);
    return copy;
}

std::unique_ptr<ZULImage> ZULImage::zulCloneImage() const
{
    auto clone = std::make_unique<ZULImage>(m_head.width, m_head.height, m_head.bitsPerPixel);
    if (m_data) {
        clone->m_data = zulGetSafeImageData();
        clone->m_size = m_size;
    }
    clone->m_head.binaryState = m_head.binaryState;
    return clone;
}

void ZULImage::zulInvertImage()
{
    unsigned char* p = m_data.get();
    for (std::size_t i = 0; i < zulGetImageDataSize(); ++i) {
        p[i] = static_cast<unsigned char>(~p[i]);
    }
}

void ZULImage::zulSetPixel(int x, int y, int value)
{
    if (!m_data) {
        throw ZULException(5, "<ZULImage::zulSetPixel()> Image data is null!!", kSource, 479);
    }
    if (m_head.colorType > 2) {
        throw ZULException(7, "<ZULImage::zulSetPixel()> Binary or Gray Scale FORMAT is needed in zulSetPixel",
                           kSource, 484);
    }
    if (!insideImage(m_head, x, y)) {
        throw ZULException(7, "<ZULImage::zulSetPixel()> Out Of Bound!!", kSource, 492);
    }
    unsigned char* row = zulGetRow(y);
    if (m_head.bitsPerPixel == 8) {
        row[x] = static_cast<unsigned char>(value & 0xFF);
        return;
    }
    unsigned char& byte = row[(std::size_t(x) * std::size_t(m_head.bitsPerPixel)) / 8];
    const auto mask = static_cast<unsigned char>(0x80u >> (x % 8));
    byte = static_cast<unsigned char>(value != 0 ? (byte | mask) : (byte & ~mask));
}

int ZULImage::zulGetPixelValue(int x, int y) const
{
    if (m_head.colorType > 2) {
        throw ZULException(7,
                           "<ZULImage::zulGetPixelValue()> Binary or Gray Scale FORMAT is needed in zulGetPixelScale",
                           kSource, 517);
    }
    if (!m_data) {
        throw ZULException(5, "<ZULImage::zulGetPixelValue()> Image data is null!!", kSource, 522);
    }
    if (!insideImage(m_head, x, y)) {
        throw ZULException(7, "<ZULImage::zulGetPixelValue()> Out Of Bound!!", kSource, 526);
    }
    const unsigned char* row = zulGetRow(y);
    if (m_head.bitsPerPixel == 8) {
        return row[x];
    }
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

void ZULImage::zulSetColorPixel(int x, int y, std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    if (!m_data || m_head.bitsPerPixel != 24 || !insideImage(m_head, x, y)) {
        return;
    }
    unsigned char* p = zulGetRow(y) + 3 * std::size_t(x);
    p[0] = red;
    p[1] = green;
    p[2] = blue;
}

bool ZULImage::zulIsBinary() const
{
    if (m_head.binaryState == 1 || m_head.binaryState == 2) {
        return m_head.binaryState == 1;
    }
    if (!m_data) {
        return false;
    }
    if (m_head.bitsPerPixel == 1) {
        return true;
    }
    if (m_head.bitsPerPixel != 8) {
        return false;
    }
    const unsigned char* p = m_data.get();
    return std::all_of(p, p + m_size, [](unsigned char v) { return v == 0 || v == 255; });
}

ZULImage& ZULImage::zulSubByteImage(ZULImage& out, int x, int y, int w, int h) const
{
    if (!m_data) {
        throw ZULException(5, "<ZULImage::zulSubByteImage()> Image Data is NULL!", kSource, 577);
    }
    if (m_head.bitsPerPixel != 8) {
        throw ZULException(7, "<ZULImage::zulSubByteImage()> A BYTE image expected in ZULImage::zulGray2Binary!",
                           kSource, 582);
    }
    if (!regionInside(m_head, x, y, w, h)) {
        throw ZULException(7,
                           "<ZULImage::zulSubByteImage()> Out Of Bounds!! Sub-image must have coordinates within "
                           "the larger image",
                           kSource, 586);
    }
    ZULImage result(w, h, 8, true);
    if (result.m_data) {
        for (int i = 0; i < h; ++i) {
            std::memcpy(result.zulGetRow(i), zulGetRow(y + i) + x, std::size_t(w));
        }
    }
    out = std::move(result);
    return out;
}

namespace {

// Copies bits x..x+w-1 of every row of a 1-bit image into a w-pixel-wide
// 1-bit image; the unused low bits of each output row end up 0.
void copyBitRegion(const ZULImage& src, ZULImage& dst, int x, int y)
{
    const int w = dst.zulGetWidth();
    const int outBytes = dst.zulGetBytesPerRow();
    const int srcBytes = src.zulGetBytesPerRow();
    const int shift = x % 8;
    const unsigned lastMask = (w % 8 == 0) ? 0xFFu : (0xFFu << (8 - w % 8)) & 0xFFu;
    for (int i = 0; i < dst.zulGetHeight(); ++i) {
        const unsigned char* in = src.zulGetRow(y + i) + x / 8;
        const int available = srcBytes - x / 8;  // bytes of the row from in onwards
        unsigned char* out = dst.zulGetRow(i);
        for (int c = 0; c < outBytes; ++c) {
            unsigned v = unsigned(in[c]) << shift;
            if (shift != 0 && c + 1 < available) {
                v |= unsigned(in[c + 1]) >> (8 - shift);
            }
            out[c] = static_cast<unsigned char>(v);
        }
        out[outBytes - 1] = static_cast<unsigned char>(out[outBytes - 1] & lastMask);
    }
}

}  // namespace

ZULImage& ZULImage::zulSubImage(ZULImage& out, int x, int y, int w, int h) const
{
    if (!m_data) {
        throw ZULException(5, "<ZULImage::zulSubImage()> Image Data is NULL!", kSource, 610);
    }
    if (!regionInside(m_head, x, y, w, h)) {
        throw ZULException(7,
                           "<ZULImage::zulSubImage()> Out Of Bounds!! Sub-image must have coordinates within the "
                           "larger image",
                           kSource, 615);
    }
    switch (m_head.bitsPerPixel) {
    case 1: {
        // The same bits that expanding to gray, cutting and packing at 127
        // would give, copied directly so the cost follows the region's size.
        ZULImage result(w, h, 1, true);
        if (result.m_data) {
            copyBitRegion(*this, result, x, y);
        }
        out = std::move(result);
        return out;
    }
    case 8:
        return zulSubByteImage(out, x, y, w, h);
    case 24: {
        ZULImage result(w, h, 24, true);
        result.m_head.colorType = m_head.colorType;
        if (result.m_data) {
            for (int i = 0; i < h; ++i) {
                std::memcpy(result.zulGetRow(i), zulGetRow(y + i) + 3 * std::size_t(x), 3 * std::size_t(w));
            }
        }
        out = std::move(result);
        return out;
    }
    default:
        throw ZULException(11, "<ZULImage::SubImage()> only supports 1, 8, and 24 bits", kSource, 651);
    }
}

ZULImage& ZULImage::zulGetChannelImage(ZULImage& out, int channel) const
{
    if (!m_data) {
        throw ZULException(5, "<ZULImage::zulGetChannelImage()> Image Data is NULL!", kSource, 2153);
    }
    if (m_head.bitsPerPixel != 24) {
        throw ZULException(7, "<ZULImage::zulGetChannelImage()> Color image expected in ZULImage::zulGetChannel!",
                           kSource, 2157);
    }
    if (static_cast<unsigned>(channel) > 2) {
        throw ZULException(10,
                           "<ZULImage::zulGetChannelImage()> channel is out of bounary in ZULImage::zulGetChannel!",
                           kSource, 2160);
    }
    ZULImage result(m_head.width, m_head.height, 8, true);
    const unsigned char* in = m_data.get() + channel;
    unsigned char* dst = result.m_data.get();
    const std::size_t pixels = result.m_size;
    for (std::size_t i = 0; i < pixels; ++i) {
        dst[i] = in[3 * i];
    }
    out = std::move(result);
    return out;
}

ZULImage& ZULImage::zulMergeChannelImage(ZULImage& out, const ZULImage& first, const ZULImage& second,
                                         const ZULImage& third)
{
    if (first.m_head.bitsPerPixel != 8 || second.m_head.bitsPerPixel != 8 || third.m_head.bitsPerPixel != 8) {
        throw ZULException(7,
                           "<ZULImage::zulMergeChannelImage()> Byte image expected in "
                           "ZULImage::zulMergeChannelImage!",
                           kSource, 2191);
    }
    const int w = first.m_head.width;
    const int h = first.m_head.height;
    if (second.m_head.width != w || third.m_head.width != w || second.m_head.height != h ||
        third.m_head.height != h) {
        throw ZULException(7,
                           "<ZULImage::zulMergeChannelImage()> The dimensions of all three input images should be "
                           "same in ZULImage::zulMergeChannelImage!",
                           kSource, 2201);
    }
    if (!first.m_data || !second.m_data || !third.m_data) {
        throw ZULException(5, "<ZULImage::zulMergeChannelImage()> Image Data is NULL!", kSource, __LINE__);
    }
    ZULImage result(w, h, 24, true);
    const unsigned char* a = first.m_data.get();
    const unsigned char* b = second.m_data.get();
    const unsigned char* c = third.m_data.get();
    unsigned char* dst = result.m_data.get();
    const std::size_t pixels = first.m_size;
    for (std::size_t i = 0; i < pixels; ++i) {
        dst[3 * i] = a[i];
        dst[3 * i + 1] = b[i];
        dst[3 * i + 2] = c[i];
    }
    out = std::move(result);
    return out;
}

std::unique_ptr<ZULImage> ZULImage::zulGetChannel(int channel) const
{
    if (!m_data || m_head.bitsPerPixel != 24 || static_cast<unsigned>(channel) > 2) {
        return nullptr;
    }
    try {
        auto result = std::make_unique<ZULImage>();
        zulGetChannelImage(*result, channel);
        return result;
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::unique_ptr<ZULImage> ZULImage::zulMergeChannel(const ZULImage& first, const ZULImage& second,
                                                    const ZULImage& third)
{
    try {
        auto result = std::make_unique<ZULImage>();
        zulMergeChannelImage(*result, first, second, third);
        return result;
    } catch (const std::exception&) {
        return nullptr;
    }
}
