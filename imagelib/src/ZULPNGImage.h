// PNG files through libpng, with the pixel conventions of the other formats:
// 1-bit gray (a set bit white), 8-bit gray and 24-bit RGB.
//
// Reading turns every other PNG into one of these: 16-bit samples are cut to
// 8, gray of 2 and 4 bits widens to 8, palettes become RGB, and transparency
// is composed over white.  The pHYs resolution in pixels per metre becomes
// dots per inch.  libpng's messages are never printed: a failure's message
// ends with libpng's error in parentheses.
#pragma once

#include <string>

#include "ZULImage.h"

class ZULPNGImage {
public:
    // How the pixels are deflated, both after the "up" filter: kSmall (zlib
    // level 6, what ZULImage::zulSaveImage writes) or kFast (gray and 1-bit:
    // run lengths only, zlib's Z_RLE, three times faster on a page and no
    // larger; colour: level 1, seven times faster and a tenth larger; see
    // bench/ImageFileBench.cpp).
    enum Compression { kSmall, kFast };
    explicit ZULPNGImage(Compression compression = kSmall) : m_compression(compression) {}

    // A file that does not open gives an image without pixels.  Raises code
    // 4 for a file that is no PNG or cannot be decoded, 13 when the pixels
    // cannot be allocated.
    ZULImage zulLoadImage(const std::string& path) const;

    // 1-bit and 8-bit gray or 24-bit RGB, with pHYs when the resolution is
    // known in inches.  Written beside path and renamed over it when
    // complete; raises code 1 when the file cannot be written, 5 without
    // pixels, 8 for another depth.
    void zulSaveImage(const std::string& path, const ZULImage& image) const;

private:
    Compression m_compression;
};
