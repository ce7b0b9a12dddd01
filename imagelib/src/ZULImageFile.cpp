// ZULImage's file operations: the format is chosen by extension (by content
// when the extension decides nothing) and the codec classes do the work.
#include "ZULImageFile.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "ZULBMPImage.h"
#include "ZULException.h"
#include "ZULImage.h"
#include "ZULImageConverter.h"
#include "ZULJPEGImage.h"
#include "ZULPNGImage.h"
#include "ZULPPMImage.h"
#include "ZULTIFFImage.h"

namespace {

struct Spelling {
    std::string_view extension;
    int format;
};

// In the order they are compared.
constexpr std::array<Spelling, 21> kSpellings{{
    {"tif", ZULImageFile::kTIFF},  {"TIF", ZULImageFile::kTIFF},  {"Tif", ZULImageFile::kTIFF},
    {"tiff", ZULImageFile::kTIFF}, {"TIFF", ZULImageFile::kTIFF}, {"Tiff", ZULImageFile::kTIFF},
    {"ppm", ZULImageFile::kPPM},   {"PPM", ZULImageFile::kPPM},   {"Ppm", ZULImageFile::kPPM},
    {"bmp", ZULImageFile::kBMP},   {"BMP", ZULImageFile::kBMP},   {"Bmp", ZULImageFile::kBMP},
    {"jpg", ZULImageFile::kJPEG},  {"JPG", ZULImageFile::kJPEG},  {"Jpg", ZULImageFile::kJPEG},
    {"jpeg", ZULImageFile::kJPEG}, {"JPEG", ZULImageFile::kJPEG}, {"Jpeg", ZULImageFile::kJPEG},
    {"png", ZULImageFile::kPNG},   {"PNG", ZULImageFile::kPNG},   {"Png", ZULImageFile::kPNG},
}};

// Lower-case spellings for any case.
constexpr std::array<Spelling, 12> kLowerSpellings{{
    {"tif", ZULImageFile::kTIFF}, {"tiff", ZULImageFile::kTIFF}, {"bmp", ZULImageFile::kBMP},
    {"jpg", ZULImageFile::kJPEG}, {"jpeg", ZULImageFile::kJPEG}, {"jpe", ZULImageFile::kJPEG},
    {"jfif", ZULImageFile::kJPEG}, {"png", ZULImageFile::kPNG},  {"ppm", ZULImageFile::kPPM},
    {"pgm", ZULImageFile::kPPM},  {"pbm", ZULImageFile::kPPM},   {"pnm", ZULImageFile::kPPM},
}};

std::string_view extensionOf(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string_view() : std::string_view(path).substr(dot + 1);
}

std::string lowerExtension(const std::string& path)
{
    std::string extension(extensionOf(path));
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return extension;
}

}  // namespace

int ZULImageFile::zulGetImageFormat(const std::string& path)
{
    if (path.rfind('.') == std::string::npos) {
        return kUnknown;
    }
    const std::string_view extension = extensionOf(path);
    for (const Spelling& spelling : kSpellings) {
        if (spelling.extension == extension) {
            return spelling.format;
        }
    }
    return kUnknown;
}

int ZULImageFile::zulGetAnyCaseFormat(const std::string& path)
{
    const int format = zulGetImageFormat(path);
    if (format != kUnknown) {
        return format;
    }
    const std::string extension = lowerExtension(path);
    for (const Spelling& spelling : kLowerSpellings) {
        if (spelling.extension == extension) {
            return spelling.format;
        }
    }
    return kUnknown;
}

int ZULImageFile::zulGetContentFormat(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return -1;
    }
    unsigned char head[8] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    const auto starts = [&](const char* magic, std::size_t size) {
        return got >= size && std::memcmp(head, magic, size) == 0;
    };
    if (starts("II*\0", 4) || starts("MM\0*", 4) || starts("II+\0", 4) || starts("MM\0+", 4)) {
        return kTIFF;
    }
    if (starts("\x89PNG\r\n\x1a\n", 8)) {
        return kPNG;
    }
    if (starts("\xFF\xD8\xFF", 3)) {
        return kJPEG;
    }
    if (starts("BM", 2)) {
        return kBMP;
    }
    if (got >= 2 && head[0] == 'P' && head[1] >= '1' && head[1] <= '7') {
        return kPPM;
    }
    return kUnknown;
}

int ZULImageFile::zulGetSaveDepth(const std::string& path)
{
    const std::string extension = lowerExtension(path);
    return extension == "pbm" ? 1 : extension == "pgm" ? 8 : extension == "ppm" ? 24 : 0;
}

namespace {

// The format by extension, else by content; raises code 4 for neither.
int loadFormat(const std::string& path)
{
    int format = ZULImageFile::zulGetImageFormat(path);
    if (format == ZULImageFile::kUnknown) {
        format = ZULImageFile::zulGetContentFormat(path);
        if (format == ZULImageFile::kUnknown) {
            throw ZULException(4, "unknown format: not TIFF, BMP, JPEG, PNG or PNM");
        }
    }
    return format;
}

}  // namespace

bool ZULImage::zulLoadGrayImage(const std::string& path)
{
    zulSetImageData(nullptr);
    if (loadFormat(path) == ZULImageFile::kJPEG) {
        *this = ZULJPEGImage().zulLoadGrayImage(path);
    } else {
        ZULImage page;
        if (page.zulLoadImage(path)) {
            if (page.zulGetBitsPerPixel() == 1 || page.zulGetBitsPerPixel() == 24) {
                ZULImageConverter::zulConvertImage(*this, page, ZULImageConverter::kGray);
            } else {
                *this = std::move(page);
            }
        }
    }
    if (!zulHasImageData()) {
        return false;
    }
    zulSetBinaryState(0);
    return true;
}

bool ZULImage::zulLoadImage(const std::string& path)
{
    zulSetImageData(nullptr);
    const int format = loadFormat(path);
    switch (format) {
    case ZULImageFile::kPPM:
        *this = ZULPPMImage().zulLoadImage(path);
        break;
    case ZULImageFile::kJPEG:
        *this = ZULJPEGImage().zulLoadImage(path);
        break;
    case ZULImageFile::kBMP:
        *this = ZULBMPImage().zulLoadImage(path);
        break;
    case ZULImageFile::kTIFF:
        *this = ZULTIFFImage().zulLoadImage(path);
        break;
    case ZULImageFile::kPNG:
        *this = ZULPNGImage().zulLoadImage(path);
        break;
    default:
        return false;
    }
    if (!zulHasImageData()) {
        return false;
    }
    zulSetBinaryState(zulIsBinary() ? 1 : 2);
    return true;
}

bool ZULImage::zulReadImageSize(const std::string& path, int& width, int& height)
{
    int format = ZULImageFile::zulGetImageFormat(path);
    if (format == ZULImageFile::kUnknown) {
        format = ZULImageFile::zulGetContentFormat(path);
    }
    if (format == ZULImageFile::kJPEG) {
        return ZULJPEGImage().zulReadSize(path, width, height);
    }
    ZULImage image;
    if (!image.zulLoadImage(path)) {
        return false;
    }
    width = image.zulGetWidth();
    height = image.zulGetHeight();
    return true;
}

bool ZULImage::zulSaveImage(const std::string& path) const
{
    switch (ZULImageFile::zulGetAnyCaseFormat(path)) {
    case ZULImageFile::kPPM:
        ZULPPMImage().zulSaveImage(path, *this, ZULImageFile::zulGetSaveDepth(path));
        return true;
    case ZULImageFile::kJPEG:
        ZULJPEGImage().zulSaveImage(path, *this);
        return true;
    case ZULImageFile::kBMP:
        ZULBMPImage().zulSaveImage(path, *this);
        return true;
    case ZULImageFile::kTIFF:
        ZULTIFFImage().zulSaveImage(path, *this);
        return true;
    case ZULImageFile::kPNG:
        ZULPNGImage().zulSaveImage(path, *this);
        return true;
    default:
        return false;
    }
}
