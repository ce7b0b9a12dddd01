// The binarizers: each turns a page into an 8-bit image holding only 0 (ink)
// and 255 (paper).
#pragma once

class ZULImage;

class ZULBinarization {
public:
    ZULBinarization() = default;
    ZULBinarization(const ZULBinarization&) = default;
    ZULBinarization& operator=(const ZULBinarization&) = default;
    virtual ~ZULBinarization();

    // Fills out with the binarized form of src and returns out.
    virtual ZULImage& zulBinarizeImage(ZULImage& out, const ZULImage& src) = 0;
};
