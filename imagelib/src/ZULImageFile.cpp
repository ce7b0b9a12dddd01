// ZULImage's file operations: the format is chosen by extension and the
// codec classes do the work.
#include "ZULImageFile.h"

#include <array>
#include <string_view>

#include "ZULBMPImage.h"
#include "ZULImage.h"
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

}  // namespace

int ZULImageFile::zulGetImageFormat(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) {
        return kUnknown;
    }
    const std::string_view extension = std::string_view(path).substr(dot + 1);
    for (const Spelling& spelling : kSpellings) {
        if (spelling.extension == extension) {
            return spelling.format;
        }
    }
    return kUnknown;
}

bool ZULImage::zulLoadImage(const std::string& path)
{
    zulSetImageData(nullptr);
    switch (ZULImageFile::zulGetImageFormat(path)) {
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

bool ZULImage::zulSaveImage(const std::string& path) const
{
    switch (ZULImageFile::zulGetImageFormat(path)) {
    case ZULImageFile::kPPM:
        ZULPPMImage().zulSaveImage(path, *this);
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
