#include "ZULImageConverter.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <exception>
#include <new>
#include <tuple>
#include <utility>

#include "ZULException.h"

namespace {

constexpr const char* kSource = "..\\src\\ZULImageConverter";
constexpr const char* kImageSource = "..\\src\\ZULImage";

// Gray weights: gray = (299 red + 587 green + 114 blue) / 1000.
using WeightTable = std::array<std::uint32_t, 256>;
constexpr WeightTable makeWeights(std::uint32_t weight)
{
    WeightTable table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        table[i] = weight * i;
    }
    return table;
}
constexpr WeightTable kRedWeight = makeWeights(299);
constexpr WeightTable kGreenWeight = makeWeights(587);
constexpr WeightTable kBlueWeight = makeWeights(114);

// The pixels of one 1-bit byte, most significant bit first, as gray (set bit
// 255, clear bit 0) and as colour (each gray value three times).
template <std::size_t BytesPerPixel>
using Expansion = std::array<std::array<unsigned char, 8 * BytesPerPixel>, 256>;
template <std::size_t BytesPerPixel>
constexpr Expansion<BytesPerPixel> makeExpansion()
{
    Expansion<BytesPerPixel> table{};
    for (std::size_t v = 0; v < 256; ++v) {
        for (std::size_t k = 0; k < 8; ++k) {
            const unsigned char gray = ((v >> (7 - k)) & 1) != 0 ? 255 : 0;
            for (std::size_t c = 0; c < BytesPerPixel; ++c) {
                table[v][k * BytesPerPixel + c] = gray;
            }
        }
    }
    return table;
}
constexpr Expansion<1> kBitToGray = makeExpansion<1>();
constexpr Expansion<3> kBitToColor = makeExpansion<3>();

// Expands one 1-bit row of width pixels through one of the tables above.
template <typename Table>
void expandBitRow(const unsigned char* in, int width, unsigned char* out, const Table& table)
{
    constexpr std::size_t BytesPerPixel = std::tuple_size_v<typename Table::value_type> / 8;
    const int whole = width / 8;
    for (int c = 0; c < whole; ++c) {
        std::memcpy(out, table[in[c]].data(), 8 * BytesPerPixel);
        out += 8 * BytesPerPixel;
    }
    if (const int rest = width % 8; rest != 0) {
        std::memcpy(out, table[in[whole]].data(), std::size_t(rest) * BytesPerPixel);
    }
}

// Packs one 8-bit row: a set bit where the pixel is at least threshold; the
// unused low bits of the last byte are 0.
void packRow(const unsigned char* in, int width, unsigned threshold, unsigned char* out)
{
    const int whole = width / 8;
    for (int c = 0; c < whole; ++c, in += 8) {
        unsigned v = 0;
        for (int k = 0; k < 8; ++k) {
            v = (v << 1) | (in[k] >= threshold ? 1u : 0u);
        }
        out[c] = static_cast<unsigned char>(v);
    }
    if (const int rest = width % 8; rest != 0) {
        unsigned v = 0;
        for (int k = 0; k < rest; ++k) {
            v |= (in[k] >= threshold ? 1u : 0u) << (7 - k);
        }
        out[whole] = static_cast<unsigned char>(v);
    }
}

// Packs one 24-bit row: a set bit where every channel reaches its threshold.
void packColorRow(const unsigned char* in, int width, const std::array<unsigned, 3>& t, unsigned char* out)
{
    std::memset(out, 0, (std::size_t(width) + 7) / 8);
    for (int x = 0; x < width; ++x, in += 3) {
        if (in[0] >= t[0] && in[1] >= t[1] && in[2] >= t[2]) {
            out[x / 8] = static_cast<unsigned char>(out[x / 8] | (0x80u >> (x % 8)));
        }
    }
}

void grayRowFromColor(const unsigned char* in, int width, unsigned char* out)
{
    for (int x = 0; x < width; ++x, in += 3) {
        out[x] = static_cast<unsigned char>((kRedWeight[in[0]] + kGreenWeight[in[1]] + kBlueWeight[in[2]]) / 1000);
    }
}

// A w x h image whose buffer is obtained here, so that a failed allocation
// raises the caller's own exception.  The buffer is left unfilled.
ZULImage newImage(int w, int h, int bits, int failCode, const char* failText, int failLine)
{
    ZULImage image(w, h, bits);
    const std::size_t size = ZULImageHead::zulCheckedBufferSize(w, h, bits);
    ZULImage::Buffer buffer(new (std::nothrow) unsigned char[size]);
    if (!buffer) {
        throw ZULException(failCode, failText, kSource, failLine);
    }
    image.zulSetImageData(std::move(buffer));
    return image;
}

void copyResolution(ZULImage& out, const ZULImage& src)
{
    out.zulSetResolution(src.zulGetXResolution(), src.zulGetYResolution(), src.zulGetResolutionInInches());
}

// The checks a colour source meets when it is split into its channels.
void checkColorSource(const ZULImage& src)
{
    if (!src.zulHasImageData()) {
        throw ZULException(5, "<ZULImage::zulGetChannelImage()> Image Data is NULL!", kImageSource, 2153);
    }
    if (src.zulGetBitsPerPixel() != 24) {
        throw ZULException(7, "<ZULImage::zulGetChannelImage()> Color image expected in ZULImage::zulGetChannel!",
                           kImageSource, 2157);
    }
}

void checkThreshold(int threshold)
{
    if (static_cast<unsigned>(threshold) > 255) {
        throw ZULException(7, "<ZULImageConverter::zulByte2Bit()> threshold must between 0 and 255", kSource, 269);
    }
}

bool validPercent(double percent) { return percent >= 0.0 && percent <= 1.0; }

bool hasDepth(const ZULImage* src, int bits)
{
    return src != nullptr && src->zulHasImageData() && src->zulGetBitsPerPixel() == bits;
}

// Runs a raising conversion into a new heap image; null if it raises.
template <typename Convert>
ZULImageConverter::ImagePtr onHeap(Convert&& convert)
{
    try {
        auto out = std::make_unique<ZULImage>();
        convert(*out);
        return out;
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace

ZULImage& ZULImageConverter::zulBit2Byte(ZULImage& out, const ZULImage& src)
{
    if (!src.zulHasImageData()) {
        throw ZULException(5, "<ZULImageConverter::zulBit2Byte()> Image Data is NULL!", kSource, 16);
    }
    if (src.zulGetBitsPerPixel() != 1) {
        throw ZULException(7, "<ZULImageConverter::zulBit2Byte()> Bit image expected in ZULImage::zulBinary2Gray!",
                           kSource, 21);
    }
    const int w = src.zulGetWidth();
    ZULImage result =
        newImage(w, src.zulGetHeight(), 8, 5, "<ZULImageConverter::zulBinary2Gray()> Image Data is NULL!", 30);
    for (int y = 0; y < src.zulGetHeight(); ++y) {
        expandBitRow(src.zulGetRow(y), w, result.zulGetRow(y), kBitToGray);
    }
    copyResolution(result, src);
    out = std::move(result);
    return out;
}

ZULImage& ZULImageConverter::zulGray2Color(ZULImage& out, const ZULImage& src)
{
    static constexpr const char* kNoData = "<ZULImageConverter::zulGray2Color()> Image Data is NULL!";
    if (src.zulGetBitsPerPixel() != 8) {
        throw ZULException(7, "<ZULImageConverter::zulGray2Color()> Gray image expected in ZULImage::zulGray2Color!",
                           kSource, 76);
    }
    if (!src.zulHasImageData()) {
        throw ZULException(5, kNoData, kSource, 84);
    }
    const int w = src.zulGetWidth();
    ZULImage result = newImage(w, src.zulGetHeight(), 24, 5, kNoData, 90);
    for (int y = 0; y < src.zulGetHeight(); ++y) {
        const unsigned char* in = src.zulGetRow(y);
        unsigned char* dst = result.zulGetRow(y);
        for (int x = 0; x < w; ++x, dst += 3) {
            dst[0] = dst[1] = dst[2] = in[x];
        }
    }
    copyResolution(result, src);
    out = std::move(result);
    return out;
}

ZULImage& ZULImageConverter::zulBit2Color(ZULImage& out, const ZULImage& src)
{
    static constexpr const char* kNoData = "<ZULImageConverter::zulBit2Color()> Image Data is NULL!";
    if (!src.zulHasImageData()) {
        throw ZULException(5, kNoData, kSource, 123);
    }
    if (src.zulGetBitsPerPixel() != 1) {
        throw ZULException(7, "<ZULImageConverter::zulBit2Color()> Bit image expected in ZULImage::zulBinary2Color!",
                           kSource, 129);
    }
    const int w = src.zulGetWidth();
    ZULImage result = newImage(w, src.zulGetHeight(), 24, 5, kNoData, 137);
    for (int y = 0; y < src.zulGetHeight(); ++y) {
        expandBitRow(src.zulGetRow(y), w, result.zulGetRow(y), kBitToColor);
    }
    result.zulSetResolution(src.zulGetXResolution(), src.zulGetYResolution(), 1);
    out = std::move(result);
    return out;
}

ZULImage& ZULImageConverter::zulByte2Bit(ZULImage& out, const ZULImage& src, int threshold)
{
    if (!src.zulHasImageData()) {
        throw ZULException(5, "<ZULImageConverter::zulByte2Bit()> Image Data is NULL!", kSource, 259);
    }
    if (src.zulGetBitsPerPixel() != 8) {
        throw ZULException(7, "<ZULImageConverter::zulByte2Bit()> A BYTE image expected in ZULImage::zulGray2Binary!",
                           kSource, 264);
    }
    checkThreshold(threshold);
    const int w = src.zulGetWidth();
    ZULImage result(w, src.zulGetHeight(), 1, true);
    for (int y = 0; y < src.zulGetHeight(); ++y) {
        packRow(src.zulGetRow(y), w, static_cast<unsigned>(threshold), result.zulGetRow(y));
    }
    copyResolution(result, src);
    out = std::move(result);
    return out;
}

void ZULImageConverter::zulColor2GrayRow(const unsigned char* rgb, int width, unsigned char* gray)
{
    grayRowFromColor(rgb, width, gray);
}

ZULImage& ZULImageConverter::zulColor2Gray(ZULImage& out, const ZULImage& src)
{
    if (src.zulGetBitsPerPixel() != 24) {
        throw ZULException(7, "<ZULImageConverter::zulColor2Gray()> A BYTE image expected in ZULImage::zulColor2Gary!",
                           kSource, 311);
    }
    if (!src.zulHasImageData()) {
        throw ZULException(5, "<ZULImageConverter::zulColor2Gray()> Image Data is NULL!", kSource, 316);
    }
    const int w = src.zulGetWidth();
    ZULImage result(w, src.zulGetHeight(), 8, true);
    for (int y = 0; y < src.zulGetHeight(); ++y) {
        grayRowFromColor(src.zulGetRow(y), w, result.zulGetRow(y));
    }
    copyResolution(result, src);
    out = std::move(result);
    return out;
}

// Equivalent to splitting the channels, packing each at its threshold,
// merging them, reducing to gray and packing at 240: a pixel is white exactly
// when all three channels reach their thresholds, since any black channel
// pulls the weighted gray to 225 or below.  Done in one pass over the pixels.
ZULImage& ZULImageConverter::zulDownscaleColor2Binary_threshold(ZULImage& out, const ZULImage& src, int tRed,
                                                                int tGreen, int tBlue)
{
    if (src.zulGetChannels() == 1) {
        throw ZULException(7,
                           "<ZULImageConverter::zulDownscaleColor2Binary_threshold()> A Color image is expected in "
                           "percentThresholdBinarization!!",
                           kSource, 355);
    }
    checkColorSource(src);
    checkThreshold(tRed);
    checkThreshold(tGreen);
    checkThreshold(tBlue);
    const std::array<unsigned, 3> thresholds{unsigned(tRed), unsigned(tGreen), unsigned(tBlue)};
    const int w = src.zulGetWidth();
    ZULImage result(w, src.zulGetHeight(), 1, true);
    for (int y = 0; y < src.zulGetHeight(); ++y) {
        packColorRow(src.zulGetRow(y), w, thresholds, result.zulGetRow(y));
    }
    copyResolution(result, src);
    out = std::move(result);
    return out;
}

ZULImage& ZULImageConverter::zulDownscaleColor2Binary_percentThreshold(ZULImage& out, const ZULImage& src,
                                                                       double percent)
{
    if (!validPercent(percent)) {
        throw ZULException(7,
                           "<ZULImageConverter::zulDownscaleColor2Binary_percentThreshold()> Percentage must be from "
                           "0.0 to 1.0 !!",
                           kSource, 477);
    }
    if (src.zulGetChannels() == 1) {
        throw ZULException(7,
                           "<ZULImageConverter::zulDownscaleColor2Binary_percentThreshold()> A Color image is "
                           "expected in percentThresholdBinarization!!",
                           kSource, 492);
    }
    checkColorSource(src);
    // Each channel's threshold lies at percent of the sum of its darkest and
    // brightest value (the midpoint of its range for 0.5).
    std::array<unsigned, 3> low{255, 255, 255};
    std::array<unsigned, 3> high{0, 0, 0};
    const unsigned char* p = src.zulGetImageData();
    const std::size_t size = src.zulGetImageDataSize();
    for (std::size_t i = 0; i < size; i += 3) {
        for (std::size_t c = 0; c < 3; ++c) {
            const unsigned v = p[i + c];
            low[c] = v < low[c] ? v : low[c];
            high[c] = v > high[c] ? v : high[c];
        }
    }
    const auto threshold = [&](std::size_t c) { return static_cast<int>(percent * double(low[c] + high[c])); };
    return zulDownscaleColor2Binary_threshold(out, src, threshold(0), threshold(1), threshold(2));
}

ZULImage& ZULImageConverter::zulConvertImage(ZULImage& out, const ZULImage& src, int target)
{
    static constexpr const char* kNotYet = "<ZULImageConverter::zulConvertImage()> Not Yet Implemented!";
    if (!src.zulHasImageData()) {
        throw ZULException(5, "<ZULImageConverter::zulConvertImage()> Image Data is NULL!", kSource, 185);
    }
    const int bits = src.zulGetBitsPerPixel();
    switch (target) {
    case kBinary:
        if (bits == 1) return out = src;
        if (bits == 8) return zulByte2Bit(out, src, 127);
        if (bits == 24) return zulDownscaleColor2Binary_percentThreshold(out, src, 0.5);
        throw ZULException(11,
                           "<ZULImageConverter::zulConvertImage()> ZULImageConverter::zulConvertImage() Only "
                           "supports Upscaling of images.!",
                           kSource, 243);
    case kGray:
        if (bits == 1) return zulBit2Byte(out, src);
        if (bits == 8) return out = src;
        if (bits == 24) return zulColor2Gray(out, src);
        throw ZULException(3, kNotYet, kSource, 225);
    case kColor:
        if (bits == 1) return zulBit2Color(out, src);
        if (bits == 8) return zulGray2Color(out, src);
        if (bits == 24) return out = src;
        throw ZULException(3, kNotYet, kSource, 205);
    default:
        throw ZULException(11,
                           "<ZULImageConverter::zulConvertImage()> ZULImageConverter::zulConvertImage() Only "
                           "Supports 1, 8 and 24 bit images!",
                           kSource, 247);
    }
}

ZULImageConverter::ImagePtr ZULImageConverter::zulCreateConvertedImage(const ZULImage* src, int target)
{
    if (src == nullptr || !src->zulHasImageData()) {
        return nullptr;
    }
    const int bits = src->zulGetBitsPerPixel();
    const int from = bits == 1 ? kBinary : bits == 8 ? kGray : bits == 24 ? kColor : 0;
    if (from == 0 || target < kBinary || target > kColor) {
        return nullptr;
    }
    if (from == target) {
        try {
            return src->zulCloneImage();
        } catch (const std::exception&) {
            return nullptr;
        }
    }
    switch (from * 10 + target) {
    case 12: return zulCreateBit2Byte(src);
    case 13: return zulCreateBit2Color(src);
    case 21: return zulCreateByte2Bit(src, 127);
    case 23: return zulCreateGray2Color(src);
    case 31: return zulCreateColor2Binary_percentThreshold(src, 0.5);
    default: return zulCreateColor2Gray(src);
    }
}

ZULImageConverter::ImagePtr ZULImageConverter::zulCreateBit2Byte(const ZULImage* src)
{
    if (!hasDepth(src, 1)) {
        return nullptr;
    }
    ImagePtr out = onHeap([&](ZULImage& o) { zulBit2Byte(o, *src); });
    if (out) {
        out->zulSetBinaryState(1);
    }
    return out;
}

ZULImageConverter::ImagePtr ZULImageConverter::zulCreateGray2Color(const ZULImage* src)
{
    return hasDepth(src, 8) ? onHeap([&](ZULImage& o) { zulGray2Color(o, *src); }) : nullptr;
}

ZULImageConverter::ImagePtr ZULImageConverter::zulCreateBit2Color(const ZULImage* src)
{
    return hasDepth(src, 1) ? onHeap([&](ZULImage& o) { zulBit2Color(o, *src); }) : nullptr;
}

ZULImageConverter::ImagePtr ZULImageConverter::zulCreateByte2Bit(const ZULImage* src, int threshold)
{
    if (!hasDepth(src, 8) || static_cast<unsigned>(threshold) > 255) {
        return nullptr;
    }
    ImagePtr out = onHeap([&](ZULImage& o) { zulByte2Bit(o, *src, threshold); });
    if (out) {
        out->zulSetBinaryState(1);
    }
    return out;
}

ZULImageConverter::ImagePtr ZULImageConverter::zulCreateColor2Gray(const ZULImage* src)
{
    return hasDepth(src, 24) ? onHeap([&](ZULImage& o) { zulColor2Gray(o, *src); }) : nullptr;
}

ZULImageConverter::ImagePtr ZULImageConverter::zulCreateColor2Binary_threshold(const ZULImage* src, int tRed,
                                                                               int tGreen, int tBlue)
{
    if (!hasDepth(src, 24)) {
        return nullptr;
    }
    ImagePtr out = onHeap([&](ZULImage& o) { zulDownscaleColor2Binary_threshold(o, *src, tRed, tGreen, tBlue); });
    if (out) {
        out->zulSetBinaryState(1);
    }
    return out;
}

ZULImageConverter::ImagePtr ZULImageConverter::zulCreateColor2Binary_percentThreshold(const ZULImage* src,
                                                                                      double percent)
{
    if (!hasDepth(src, 24) || !validPercent(percent)) {
        return nullptr;
    }
    ImagePtr out = onHeap([&](ZULImage& o) { zulDownscaleColor2Binary_percentThreshold(o, *src, percent); });
    if (out) {
        out->zulSetBinaryState(1);
    }
    return out;
}
