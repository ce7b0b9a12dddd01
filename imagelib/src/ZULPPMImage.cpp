#include "ZULPPMImage.h"

#include <cctype>
#include <cstdio>
#include <memory>

#include "ZULAtomicFile.h"
#include "ZULException.h"
#include "ZULFileSupport.h"
#include "ZULImageConverter.h"

namespace {

constexpr const char* kSource = "..\\src\\ZULPPMImage";
constexpr const char* kLoad = "ZULPPMImage::zulLoadImage()";
constexpr const char* kSave = "ZULPPMImage::zulSaveImage()";
constexpr const char* kNotPpm = "Format is not PPM\n";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void badHeader(int line)
{
    throw ZULException(4, ZULFileSupport::zulText(kLoad, "Damaged PPM header"), kSource, line);
}

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
    // The byte after the number must be white space (for the maximum value
    // it is the one byte that ends the header).
    if (c == EOF || std::isspace(c) == 0) {
        badHeader(__LINE__);
    }
    return static_cast<int>(value);
}

}  // namespace

ZULImage ZULPPMImage::zulLoadImage(const std::string& path) const
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return ZULImage();
    }
    const int p = std::fgetc(file.get());
    const int six = std::fgetc(file.get());
    const int after = std::fgetc(file.get());
    if (p != 'P' || six != '6' || (after != '#' && (after == EOF || std::isspace(after) == 0))) {
        std::fputs(kNotPpm, stdout);
        return ZULImage();
    }
    std::ungetc(after, file.get());
    const int width = readNumber(file.get());
    const int height = readNumber(file.get());
    const int maximum = readNumber(file.get());
    if (maximum >= 256) {
        std::fputs(kNotPpm, stdout);
        return ZULImage();
    }
    if (maximum == 0) {
        badHeader(__LINE__);
    }
    ZULFileSupport::zulCheckSize(width, height, kSource, kLoad);
    const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
    const std::int64_t fileSize = ZULFileSupport::zulFileSize(path);
    const long headerEnd = std::ftell(file.get());
    ZULFileSupport::zulCheckAvailable(size, fileSize < 0 || headerEnd < 0 ? -1 : fileSize - headerEnd, kSource,
                                      kLoad);
    ZULImage::Buffer pixels = ZULFileSupport::zulAllocate(size);
    if (!pixels) {
        throw ZULException(13, ZULFileSupport::zulText(kLoad, "Could not allocate enough memory for the image"),
                           kSource, __LINE__);
    }
    if (std::fread(pixels.get(), 1, size, file.get()) != size) {
        throw ZULException(4, ZULFileSupport::zulText(kLoad, "File is too short for its image size"), kSource,
                           __LINE__);
    }
    if (maximum < 255) {
        unsigned char scale[256];
        for (int v = 0; v < 256; ++v) {
            scale[v] = static_cast<unsigned char>(v >= maximum ? 255 : (v * 255 + maximum / 2) / maximum);
        }
        for (std::size_t i = 0; i < size; ++i) {
            pixels[i] = scale[pixels[i]];
        }
    }
    ZULImage image;
    image.zulSetImageHead(width, height, 24, 0.0f, 0.0f, 1);
    image.zulSetImageData(std::move(pixels));
    image.zulSetColorType(3);
    image.zulSetFromFile(1);
    return image;
}

void ZULPPMImage::zulSaveImage(const std::string& path, const ZULImage& image) const
{
    if (!image.zulHasImageData()) {
        throw ZULException(5, ZULFileSupport::zulText(kSave, "Image Data is NULL!"), kSource, __LINE__);
    }
    ZULImage converted;
    const ZULImage* color = &image;
    if (image.zulGetBitsPerPixel() != 24) {
        ZULImageConverter::zulConvertImage(converted, image, ZULImageConverter::kColor);
        color = &converted;
    }
    ZULAtomicFile output(path, kSource, kSave);
    FilePtr file(std::fopen(output.zulTempPath().c_str(), "wb"));
    if (!file) {
        throw ZULException(1, ZULFileSupport::zulText(kSave, "Could not open for writing"), kSource, __LINE__);
    }
    const bool written =
        std::fprintf(file.get(), "P6\n%d %d\n255\n", color->zulGetWidth(), color->zulGetHeight()) > 0 &&
        std::fwrite(color->zulGetImageData(), 1, color->zulGetImageDataSize(), file.get()) ==
            color->zulGetImageDataSize();
    if (!written || std::fclose(file.release()) != 0) {
        throw ZULException(1, ZULFileSupport::zulText(kSave, "Could not write the file"), kSource, __LINE__);
    }
    output.zulCommit();
}
