// JPEG files through libjpeg: gray (1 component) and RGB colour.
//
// Reading turns the page upright by its EXIF orientation and takes the
// resolution from the JFIF density, else from EXIF (centimetres become dots
// per inch, rounded; unknown stays 0).  libjpeg's errors end the call through
// a long jump back to it; its messages are never printed: a failure's message
// ends with libjpeg's in parentheses.  A file that ends early is an error,
// not a half-filled image.
#pragma once

#include <functional>
#include <string>

#include "ZULImage.h"

class ZULJPEGImage {
public:
    // 8-bit for a gray file, 24-bit for a colour one; a file that does not
    // open gives an image without pixels.  Raises code 4 when libjpeg cannot
    // decode the file, 8 for a colour space other than gray, YCbCr or RGB,
    // 13 when the pixels cannot be allocated.
    ZULImage zulLoadImage(const std::string& path) const;
    // zulLoadImage's image in gray: a colour file's rows are converted as
    // they are decoded (ZULImageConverter::zulColor2GrayRow), so the colour
    // page is never held; the same pixels as converting zulLoadImage's image
    // and the same failures.
    ZULImage zulLoadGrayImage(const std::string& path) const;
    // zulLoadImage's rows, top first, handed to row(y, pixels) as they are
    // decoded, after begin(head) with the image's size, depth and
    // resolution: the page is never held.  False, with nothing handed on,
    // when the file does not open or its EXIF orientation turns it (its
    // rows are not the page's); otherwise zulLoadImage's failures.
    bool zulReadRows(const std::string& path, const std::function<void(const ZULImageHead&)>& begin,
                     const std::function<void(int, const unsigned char*)>& row) const;

    // The width and height zulLoadImage's image would have (turned upright
    // by the EXIF orientation), from a decode at an eighth of the size that
    // skips colour and most of the inverse transform: a few times faster,
    // and it refuses, with the same codes, the files zulLoadImage refuses,
    // but for code 13 (no page-sized buffer is allocated).  False when the
    // file does not open.
    bool zulReadSize(const std::string& path, int& width, int& height) const;

    // Baseline, quality 95; 1-bit images are written as gray.  A resolution
    // in inches is stored as the JFIF density in dots per inch.  Written beside
    // path and renamed over it when complete; raises code 1 when the file
    // cannot be written, 5 without pixels, 8 for another depth.
    void zulSaveImage(const std::string& path, const ZULImage& image) const;
};
