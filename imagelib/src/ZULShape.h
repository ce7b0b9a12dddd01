// A drawable outline.  Shapes draw one pixel wide in color, only on 24-bit
// images, and skip whatever lies outside the image.
#pragma once

#include <array>
#include <cstdint>

class ZULImage;

class ZULShape {
public:
    using Color = std::array<std::uint8_t, 3>;  // red, green, blue

    ZULShape() = default;
    ZULShape(const ZULShape&) = default;
    ZULShape& operator=(const ZULShape&) = default;
    virtual ~ZULShape();

    virtual void zulDraw(ZULImage& image) const = 0;

    Color color{255, 0, 0};
    Color secondColor{0, 0, 0};  // carried by copies, not drawn
    std::uint8_t styleFlag = 0;  // carried by copies, not drawn
    std::int32_t styleValue = 0; // carried by copies, not drawn
    std::int32_t lineWidth = 1;  // carried by copies; drawing is one pixel wide
};
