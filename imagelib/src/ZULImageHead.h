// The header of a ZULImage: size, depth and the layout of its pixel rows.
//
// Layout (the whole program relies on it): rows top first with no padding;
// bytesPerRow is width for 8-bit, 3 x width for 24-bit (red, green, blue) and
// (width + 7) / 8 for 1-bit (leftmost pixel in the most significant bit, a set
// bit is white).
#pragma once

#include <cstddef>
#include <cstdint>

class ZULImageHead {
public:
    // Largest image the library will allocate pixels for.
    static constexpr std::int32_t kMaxSide = 65535;
    static constexpr std::int64_t kMaxPixels = std::int64_t{1} << 30;

    ZULImageHead() = default;
    ZULImageHead(const ZULImageHead&) = default;
    ZULImageHead& operator=(const ZULImageHead&) = default;
    virtual ~ZULImageHead() = default;

    // Sets channels (1 for 1- and 8-bit, 3 for 24-bit) and bytesPerRow from
    // width and bitsPerPixel; any other depth leaves both at 0.
    void zulDeriveLayout();

    // bytesPerRow x height for the given size, computed in 64 bits.  Raises
    // ZULException (code 13) when a side is above kMaxSide, the pixel count
    // above kMaxPixels or the depth is not 1, 8 or 24; returns 0 when a side
    // is not positive.
    static std::size_t zulCheckedBufferSize(std::int64_t width, std::int64_t height, int bits);

    // bytesPerRow by the layout rule, 0 for other depths or a non-positive
    // width, saturated at INT32_MAX.
    static std::int32_t zulRowBytes(std::int64_t width, int bits);

    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitsPerPixel = 0;
    std::int32_t channels = 0;
    std::int32_t colorType = 0;  // 0 not set, 1 binary, 2 gray, 3 colour
    std::int32_t bytesPerRow = 0;
    std::int32_t fromFile = 0;
    float xResolution = 0.0f;
    float yResolution = 0.0f;
    std::uint8_t resolutionInInches = 1;
    std::uint8_t binaryState = 0;  // 0 unknown, 1 binary, 2 not binary
};
