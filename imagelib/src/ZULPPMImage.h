// Binary portable anymap files: PBM ("P4", 1-bit), PGM ("P5", 8-bit gray) and
// PPM ("P6", 24-bit colour), as scanners and image tools write them.
//
// The header is the signature, width, height and (except for PBM) the
// maximum value, separated by white space, with "#" comments to the end of a
// line; one white-space byte ends it.  Samples are scaled from 0..maximum to
// 0..255 (rounded); a maximum above 255 means two bytes per sample, most
// significant first.  In a PBM a set bit is black, so bits are complemented
// into the image's convention (a set bit white).
#pragma once

#include <string>

#include "ZULImage.h"

class ZULPPMImage {
public:
    // A file that does not open gives an image without pixels.  Raises code
    // 4 for a file that is no binary PBM, PGM or PPM (the message says which
    // signature it has), a damaged header or a file that ends before its
    // last pixel, 13 when the pixels cannot be allocated.
    ZULImage zulLoadImage(const std::string& path) const;

    // A PPM: images of other depths are converted to 24 bits first.
    void zulSaveImage(const std::string& path, const ZULImage& image) const { zulSaveImage(path, image, 24); }
    // bits 1 writes a PBM, 8 a PGM, 24 a PPM, converting the image to that
    // depth first (ZULImageConverter::zulConvertImage); 0 keeps the image's
    // depth.  Written beside path and renamed over it when complete; raises
    // code 1 when the file cannot be written, 5 without pixels.
    void zulSaveImage(const std::string& path, const ZULImage& image, int bits) const;
};
