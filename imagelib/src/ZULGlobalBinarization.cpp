#include "ZULGlobalBinarization.h"

#include <cstddef>

#include "ZULException.h"
#include "ZULImage.h"
#include "ZULImageConverter.h"

namespace {
constexpr const char* kSource = "..\\src\\ZULGlobalBinarization";
constexpr int kLineThreshold = 10;
}  // namespace

ZULImage& ZULGlobalBinarization::zulBinarizeImage(ZULImage& out, const ZULImage& src)
{
    if (threshold < 0 || threshold > 255)
        throw ZULException(14, "<ZULGlobalBinarization::zulBinarizeImage()> threshold must between 0 and 255",
                           kSource, kLineThreshold);
    ZULImage gray;
    if (src.zulGetBitsPerPixel() == 1) {
        ZULImageConverter::zulBit2Byte(out, src);
        return out;
    }
    if (src.zulGetBitsPerPixel() == 24)
        ZULImageConverter::zulColor2Gray(gray, src);
    else
        gray = src;
    if (unsigned char* p = gray.zulGetImageData()) {
        const std::size_t size = gray.zulGetImageDataSize();
        const auto t = static_cast<unsigned char>(threshold);
        for (std::size_t i = 0; i < size; ++i)
            p[i] = p[i] >= t ? 255 : 0;
    }
    gray.zulSetBinaryState(1);
    out = std::move(gray);
    return out;
}
