// A rectangle outline: four sides from (x, y) down to (x, y + height - 1),
// right to (x + width - 1, y + height - 1), up to (x + width - 1, y) and back
// to (x, y).
#pragma once

#include <cstdint>

#include "ZULShape.h"

class ZULRectShape : public ZULShape {
public:
    ZULRectShape() = default;
    ZULRectShape(std::int32_t px, std::int32_t py, std::int32_t w, std::int32_t h)
        : x(px), y(py), width(w), height(h) {}

    void zulDraw(ZULImage& image) const override;

    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};
