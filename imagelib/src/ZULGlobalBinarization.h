// A fixed threshold over the whole page: a pixel is paper (255) when its grey
// value is at least the threshold, ink (0) otherwise.
#pragma once

#include <cstdint>

#include "ZULBinarization.h"

class ZULGlobalBinarization : public ZULBinarization {
public:
    explicit ZULGlobalBinarization(std::int32_t value = 128) : threshold(value) {}

    // 1-bit sources are only expanded to 0/255; 24-bit ones are reduced to
    // grey first.  A threshold outside 0..255 raises ZULException code 14.
    // The result carries binaryState 1.
    ZULImage& zulBinarizeImage(ZULImage& out, const ZULImage& src) override;

    std::int32_t threshold;
};
