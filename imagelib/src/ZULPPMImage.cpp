#include "ZULPPMImage.h"

#include <cctype>
#include <cstdio>
#include <memory>
#include <vector>

#include "ZULAtomicFile.h"
#include "ZULException.h"
#include "ZULFileSupport.h"
#include "ZULImageConverter.h"

namespace {

constexpr const char* kSource = "..\\src\\ZULPPMImage";
constexpr const char* kLoad = "ZULPPMImage::zulLoadImage()";
constexpr const char* kSave = "ZULPPMImage::zulSaveImage()";
constexpr int kLargestMaximum = 65535;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void refuse(std::string_view why, int line)
{
    throw ZULException(4, ZULFileSupport::zulText(kLoad, why), kSource, line);
}

[[noreturn]] void badHeader(int line) { refuse("Damaged PNM header", line); }

// The next header number, after white space and comments.
int readNumber(std::FILE* file)
{
    int c = std::fgetc(file);
    while (c == '#' || (c != EOF && std::isspace(c) != 0)) {
        if (c == '#') {
            while (c != EOF && c != '\n' && c != '\r') {
                c = std::fgetc(file);
            }
        }
        c = std::fgetc(file);
    }
    if (c == EOF || std::isdigit(c) == 0) {
        badHeader(__LINE__);
    }
    long value = 0;
    while (c != EOF && std::isdigit(c) != 0) {
        value = value * 10 + (c - '0');
        if (value > 1000000000L) {
            badHeader(__LINE__);
        }
        c = std::fgetc(file);
    }
    // The byte after the number must be white space (for the last number it
    // is the one byte that ends the header).
    if (c == EOF || std::isspace(c) == 0) {
        badHeader(__LINE__);
    }
    return static_cast<int>(value);
}

// The depth the signature byte after "P" stands for; refuses the others with
// the reason.
int depthOf(int p, int kind, int after)
{
    const bool separated = after == '#' || (after != EOF && std::isspace(after) != 0);
    if (p != 'P' || kind < '1' || kind > '7' || !separated) {
        refuse("Not a PNM file (no P4, P5 or P6 signature)", __LINE__);
    }
    if (kind <= '3') {
        refuse("Plain-text PNM (P1, P2, P3) is not supported", __LINE__);
    }
    if (kind == '7') {
        refuse("PAM (P7) is not supported", __LINE__);
    }
    return kind == '4' ? 1 : kind == '5' ? 8 : 24;
}

// Stored samples of 1 or 2 bytes to bytes of 0..255.
void scaleSamples(const unsigned char* in, unsigned char* out, std::size_t count, int maximum)
{
    if (maximum > 255) {
        const auto top = static_cast<std::uint32_t>(maximum);
        for (std::size_t i = 0; i < count; ++i, in += 2) {
            const std::uint32_t v = std::min<std::uint32_t>((std::uint32_t{in[0]} << 8) | in[1], top);
            out[i] = static_cast<unsigned char>((v * 255 + top / 2) / top);
        }
        return;
    }
    unsigned char scale[256];
    for (int v = 0; v < 256; ++v) {
        scale[v] = static_cast<unsigned char>(v >= maximum ? 255 : (v * 255 + maximum / 2) / maximum);
    }
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = scale[in[i]];
    }
}

// A PBM's bits complemented (a set bit is black there) with the bits after
// each row's last pixel cleared.
void complementBits(unsigned char* pixels, int width, int height)
{
    const std::size_t rowBytes = static_cast<std::size_t>(ZULImageHead::zulRowBytes(width, 1));
    const auto last = static_cast<unsigned char>(width % 8 == 0 ? 0xFF : 0xFF << (8 - width % 8));
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
        unsigned char* row = pixels + y * rowBytes;
        for (std::size_t i = 0; i < rowBytes; ++i) {
            row[i] = static_cast<unsigned char>(~row[i]);
        }
        row[rowBytes - 1] &= last;
    }
}

}  // namespace

ZULImage ZULPPMImage::zulLoadImage(const std::string& path) const
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return ZULImage();
    }
    const int p = std::fgetc(file.get());
    const int kind = std::fgetc(file.get());
    const int after = std::fgetc(file.get());
    const int bits = depthOf(p, kind, after);
    std::ungetc(after, file.get());
    const int width = readNumber(file.get());
    const int height = readNumber(file.get());
    const int maximum = bits == 1 ? 1 : readNumber(file.get());
    if (maximum == 0 || maximum > kLargestMaximum) {
        badHeader(__LINE__);
    }
    ZULFileSupport::zulCheckSize(width, height, kSource, kLoad);
    const std::size_t size = static_cast<std::size_t>(ZULImageHead::zulRowBytes(width, bits)) * height;
    const std::size_t stored = bits == 1 || maximum <= 255 ? size : 2 * size;
    const std::int64_t fileSize = ZULFileSupport::zulFileSize(path);
    const long headerEnd = std::ftell(file.get());
    ZULFileSupport::zulCheckAvailable(stored, fileSize < 0 || headerEnd < 0 ? -1 : fileSize - headerEnd, kSource,
                                      kLoad);
    ZULImage::Buffer pixels = ZULFileSupport::zulAllocate(size);
    if (!pixels) {
        throw ZULException(13, ZULFileSupport::zulText(kLoad, "Could not allocate enough memory for the image"),
                           kSource, __LINE__);
    }
    std::vector<unsigned char> wide(stored == size ? 0 : stored);
    unsigned char* target = wide.empty() ? pixels.get() : wide.data();
    if (std::fread(target, 1, stored, file.get()) != stored) {
        refuse("File is too short for its image size", __LINE__);
    }
    if (bits == 1) {
        complementBits(pixels.get(), width, height);
    } else if (maximum != 255) {
        scaleSamples(target, pixels.get(), size, maximum);
    }
    ZULImage image;
    image.zulSetImageHead(width, height, bits, 0.0f, 0.0f, 1);
    image.zulSetImageData(std::move(pixels));
    image.zulSetColorType(bits == 1 ? 1 : bits == 8 ? 2 : 3);
    image.zulSetFromFile(1);
    return image;
}

void ZULPPMImage::zulSaveImage(const std::string& path, const ZULImage& image, int bits) const
{
    if (!image.zulHasImageData()) {
        throw ZULException(5, ZULFileSupport::zulText(kSave, "Image Data is NULL!"), kSource, __LINE__);
    }
    ZULImage converted;
    const ZULImage* page = &image;
    if (bits != 0 && image.zulGetBitsPerPixel() != bits) {
        const int target = bits == 1 ? ZULImageConverter::kBinary
                           : bits == 8 ? ZULImageConverter::kGray
                                       : ZULImageConverter::kColor;
        ZULImageConverter::zulConvertImage(converted, image, target);
        page = &converted;
    }
    const int depth = page->zulGetBitsPerPixel();
    std::vector<unsigned char> bitsOut;
    const unsigned char* data = page->zulGetImageData();
    if (depth == 1) {
        bitsOut.assign(data, data + page->zulGetImageDataSize());
        complementBits(bitsOut.data(), page->zulGetWidth(), page->zulGetHeight());
        data = bitsOut.data();
    }
    ZULAtomicFile output(path, kSource, kSave);
    FilePtr file(std::fopen(output.zulTempPath().c_str(), "wb"));
    if (!file) {
        throw ZULException(1, ZULFileSupport::zulText(kSave, "Could not open for writing"), kSource, __LINE__);
    }
    const int width = page->zulGetWidth();
    const int height = page->zulGetHeight();
    const int header = depth == 1   ? std::fprintf(file.get(), "P4\n%d %d\n", width, height)
                       : depth == 8 ? std::fprintf(file.get(), "P5\n%d %d\n255\n", width, height)
                                    : std::fprintf(file.get(), "P6\n%d %d\n255\n", width, height);
    const bool written =
        header > 0 && std::fwrite(data, 1, page->zulGetImageDataSize(), file.get()) == page->zulGetImageDataSize();
    if (!written || std::fclose(file.release()) != 0) {
        throw ZULException(1, ZULFileSupport::zulText(kSave, "Could not write the file"), kSource, __LINE__);
    }
    output.zulCommit();
}
