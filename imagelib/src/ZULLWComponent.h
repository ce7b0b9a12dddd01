// One 8-connected ink component: its inclusive bounding box and its runs.
//
// The runs are in the labeller's order, not sorted by row: a component that
// grew without merging lists its bottom-most run first and its top-most last;
// when two components merged, the absorbed one's runs follow the absorber's.
#pragma once

#include <cstdint>
#include <vector>

#include "ZULDataruns.h"

class ZULImage;

class ZULLWComponent {
public:
    ZULLWComponent() = default;
    ZULLWComponent(const ZULLWComponent&) = default;
    ZULLWComponent& operator=(const ZULLWComponent&) = default;
    ZULLWComponent(ZULLWComponent&&) = default;
    ZULLWComponent& operator=(ZULLWComponent&&) = default;
    virtual ~ZULLWComponent() = default;

    std::int32_t width() const { return right - left + 1; }
    std::int32_t height() const { return bottom - top + 1; }

    // A copy of the runs.
    std::vector<ZULDataruns> zulGetDataruns() const { return runs; }

    // out becomes an allocated 8-bit width x height image, white except for
    // the component's pixels, which are 0, placed relative to (left, top).
    // Returns out.
    ZULImage& zulComponentImage(ZULImage& out) const;

    std::int32_t top = 0;
    std::int32_t bottom = 0;  // inclusive
    std::int32_t left = 0;
    std::int32_t right = 0;   // inclusive
    std::vector<ZULDataruns> runs;
};
