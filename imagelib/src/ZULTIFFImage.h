// TIFF pages through libtiff.
//
// Reading takes any page of a file.  Min-is-white and min-is-black pages of
// 1 and 8 bits in strips are read strip by strip straight into the image
// (min-is-white complemented, so white is always a set bit or a high byte);
// 8-bit palette pages become 24-bit colour through the colour map; every
// other layout libtiff can decode (colour, tiles, separate planes, 16 bits
// per sample, other photometric interpretations) is read through libtiff's
// RGBA interface into 24 bits, transparent areas over white.  Every layout is
// turned upright by the Orientation tag.  Resolutions default to 200; a page
// without a unit is in inches, one in centimetres is converted to (truncated)
// dots per inch.  Before allocating, the size is checked against the
// library's limits and the page's stored data (the last strip holding only
// the rows that remain).  libtiff's warnings and errors are never printed: a
// failure's message ends with libtiff's first error in parentheses.
//
// Writing produces a one-page, one-strip file, min-is-black, with CCITT
// Group 4 for 1-bit images and PackBits for 8- and 24-bit ones.
#pragma once

#include <string>
#include <tiffio.h>

#include "ZULImage.h"

class ZULTIFFImage {
public:
    virtual ~ZULTIFFImage() = default;

    // Page page (from 1) of an open handle.  Codes: 15 bad page number, 12 a
    // required tag missing, 3 a layout libtiff cannot decode, 1 no colour map,
    // 4 data that ends early or cannot be read, 13 no memory.
    ZULImage zulLoadImage(TIFF* tiff, int page) const;
    // Opens path; a file that cannot be opened gives an image without pixels,
    // a file that opens but is no readable TIFF raises code 4.
    ZULImage zulLoadImageAtPage(const std::string& path, int page) const;
    ZULImage zulLoadImage(const std::string& path) const { return zulLoadImageAtPage(path, 1); }

    // Writes image as the current page of tiff.  Code 8 for a compression the
    // depth cannot take or a depth other than 1, 8, 24; 5 without pixels; 1
    // when libtiff fails to write.
    void zulSaveImage(TIFF* tiff, const ZULImage& image, int compression) const;
    // Written beside path and renamed over it when complete; code 1
    // "<ZULTIFFImage::zulSaveImage()> Could not open for writing" when the
    // file cannot be made.
    void zulSaveImage(const std::string& path, const ZULImage& image) const;
};
