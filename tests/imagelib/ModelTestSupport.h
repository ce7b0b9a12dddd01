// Helpers shared by the image model, conversion and shape tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "ZULException.h"
#include "support/Fixtures.h"
#include "ZULImage.h"

// Runs call and checks that it raises a ZULException with this code and
// exactly this message.
template <typename Call>
void expectZulError(Call&& call, int code, const std::string& message)
{
    try {
        call();
        ADD_FAILURE() << "no ZULException, expected: " << message;
    } catch (const ZULException& e) {
        EXPECT_EQ(e.zulGetErrorCode(), code);
        EXPECT_EQ(std::string(e.what()), message);
    }
}

// Pixel x of row y of a 1-bit image, read by the layout rule.
inline int bitAt(const ZULImage& image, int x, int y)
{
    return (image.zulGetRow(y)[x / 8] >> (7 - x % 8)) & 1;
}

// Clears the meaningless low bits of the last byte of every 1-bit row, so
// that whole buffers can be compared with packed results.
inline void clearUnusedBits(ZULImage& image)
{
    const int rest = image.zulGetWidth() % 8;
    if (image.zulGetBitsPerPixel() != 1 || rest == 0) {
        return;
    }
    for (int y = 0; y < image.zulGetHeight(); ++y) {
        unsigned char& last = image.zulGetRow(y)[image.zulGetBytesPerRow() - 1];
        last = static_cast<unsigned char>(last & (0xFF << (8 - rest)));
    }
}

using tavotest::randomImage;
