// Binary PPM ("P6") files of 24-bit colour.
//
// The header is "P6", width, height and the maximum value, separated by white
// space, with "#" comments to the end of a line; one white-space byte ends
// it.  Samples of a file whose maximum is below 255 are scaled to 0..255.
#pragma once

#include <string>

#include "ZULImage.h"

class ZULPPMImage {
public:
    // A file that does not open gives an image without pixels.  A file that
    // is not a "P6" file, or whose maximum value is 256 or more, prints
    // "Format is not PPM\n" and gives an image without pixels.  Raises code 4
    // for a damaged header or a file that ends before its last pixel, 13
    // when the pixels cannot be allocated.
    ZULImage zulLoadImage(const std::string& path) const;

    // Images of other depths are converted to 24 bits first.  Written beside
    // path and renamed over it when complete; raises code 1 when the file
    // cannot be written, 5 without pixels.
    void zulSaveImage(const std::string& path, const ZULImage& image) const;
};
