#include "ZULImageHead.h"

#include <limits>

#include "ZULException.h"

namespace {
constexpr const char* kSource = "..\\src\\ZULImageHead";
}

std::int32_t ZULImageHead::zulRowBytes(std::int64_t width, int bits)
{
    if (width <= 0) {
        return 0;
    }
    std::int64_t bytes = 0;
    switch (bits) {
    case 1: bytes = (width + 7) / 8; break;
    case 8: bytes = width; break;
    case 24: bytes = 3 * width; break;
    default: return 0;
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(bytes > kMax ? kMax : bytes);
}

void ZULImageHead::zulDeriveLayout()
{
    channels = (bitsPerPixel == 1 || bitsPerPixel == 8) ? 1 : (bitsPerPixel == 24 ? 3 : 0);
    bytesPerRow = channels == 0 ? 0 : zulRowBytes(width, bitsPerPixel);
}

std::size_t ZULImageHead::zulCheckedBufferSize(std::int64_t width, std::int64_t height, int bits)
{
    if (bits != 1 && bits != 8 && bits != 24) {
        throw ZULException(13, "<ZULImageHead::zulCheckedBufferSize()> Only 1, 8 and 24 bit images can hold pixels",
                           kSource, __LINE__);
    }
    if (width <= 0 || height <= 0) {
        return 0;
    }
    if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels) {
        throw ZULException(13, "<ZULImageHead::zulCheckedBufferSize()> Image size beyond the supported limits",
                           kSource, __LINE__);
    }
    return static_cast<std::size_t>(zulRowBytes(width, bits)) * static_cast<std::size_t>(height);
}
