#include "ZULOrientation.h"

#include <cstring>

#include "ZULException.h"
#include "ZULFileSupport.h"

namespace {

constexpr const char* kSource = "..\\src\\ZULOrientation";

// Where pixel (x, y) of the upright page is stored: at (x0 + x dxx + y dxy,
// y0 + x dyx + y dyy) of the stored one.
struct Walk {
    std::int64_t x0, dxx, dxy;
    std::int64_t y0, dyx, dyy;
};

Walk walkFor(int orientation, std::int64_t storedWidth, std::int64_t storedHeight)
{
    const std::int64_t right = storedWidth - 1;
    const std::int64_t bottom = storedHeight - 1;
    switch (orientation) {
    case 2: return {right, -1, 0, 0, 0, 1};
    case 3: return {right, -1, 0, bottom, 0, -1};
    case 4: return {0, 1, 0, bottom, 0, -1};
    case 5: return {0, 0, 1, 0, 1, 0};
    case 6: return {0, 0, 1, bottom, -1, 0};
    case 7: return {right, 0, -1, bottom, -1, 0};
    default: return {right, 0, -1, 0, 1, 0};  // 8
    }
}

}  // namespace

ZULImage ZULOrientation::zulUpright(ZULImage image, int orientation)
{
    const int bits = image.zulGetBitsPerPixel();
    if (orientation < 2 || orientation > 8 || !image.zulHasImageData() || (bits != 1 && bits != 8 && bits != 24)) {
        return image;
    }
    const bool turned = orientation >= 5;
    const int width = turned ? image.zulGetHeight() : image.zulGetWidth();
    const int height = turned ? image.zulGetWidth() : image.zulGetHeight();
    const std::size_t rowBytes = static_cast<std::size_t>(ZULImageHead::zulRowBytes(width, bits));
    ZULImage::Buffer pixels = ZULFileSupport::zulAllocate(rowBytes * static_cast<std::size_t>(height));
    if (!pixels) {
        throw ZULException(13, ZULFileSupport::zulText("ZULOrientation::zulUpright()", "Could not allocate the page"),
                           kSource, __LINE__);
    }
    if (bits == 1) {
        std::memset(pixels.get(), 0, rowBytes * static_cast<std::size_t>(height));
    }
    const Walk walk = walkFor(orientation, image.zulGetWidth(), image.zulGetHeight());
    const unsigned char* stored = image.zulGetImageData();
    const std::int64_t storedRow = image.zulGetBytesPerRow();
    const int size = bits / 8;
    for (int y = 0; y < height; ++y) {
        unsigned char* out = pixels.get() + static_cast<std::size_t>(y) * rowBytes;
        std::int64_t sx = walk.x0 + y * walk.dxy;
        std::int64_t sy = walk.y0 + y * walk.dyy;
        for (int x = 0; x < width; ++x, sx += walk.dxx, sy += walk.dyx) {
            if (bits == 1) {
                const unsigned bit = (stored[sy * storedRow + sx / 8] >> (7 - sx % 8)) & 1U;
                out[x / 8] = static_cast<unsigned char>(out[x / 8] | (bit << (7 - x % 8)));
            } else {
                std::memcpy(out + static_cast<std::ptrdiff_t>(x) * size, stored + sy * storedRow + sx * size,
                            static_cast<std::size_t>(size));
            }
        }
    }
    ZULImage upright;
    const float xResolution = turned ? image.zulGetYResolution() : image.zulGetXResolution();
    const float yResolution = turned ? image.zulGetXResolution() : image.zulGetYResolution();
    upright.zulSetImageHead(width, height, bits, xResolution, yResolution, image.zulGetResolutionInInches());
    upright.zulSetImageData(std::move(pixels));
    upright.zulSetColorType(image.zulGetColorType());
    upright.zulSetFromFile(image.zulGetFromFile());
    upright.zulSetBinaryState(image.zulGetBinaryState());
    return upright;
}
