// A point in image pixels: x the column, y the row.
#pragma once

#include <cstdint>

class ZULPoint {
public:
    ZULPoint() = default;
    ZULPoint(std::int32_t px, std::int32_t py) : x(px), y(py) {}
    ZULPoint(const ZULPoint&) = default;
    ZULPoint& operator=(const ZULPoint&) = default;
    virtual ~ZULPoint() = default;

    bool operator==(const ZULPoint& other) const { return x == other.x && y == other.y; }

    std::int32_t x = 0;
    std::int32_t y = 0;
};
