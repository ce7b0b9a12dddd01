// The ink of a cleaned page as horizontal runs grouped by row, so that the
// profiles of line detection cost time in proportion to the ink, not to the
// page area.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ZULImage.h"
#include "ZULRunLabeller.h"

namespace tavo {

class PageInk {
public:
    // Half-open columns [start, end) of one row.
    struct Run {
        std::int32_t start = 0;
        std::int32_t end = 0;
    };

    PageInk() = default;

    // The runs of the chosen components of a labelling (which must lie on a
    // width x height page).
    static PageInk fromLabelling(int width, int height, const ZULRunLabeller::Labelling& labelled,
                                 std::span<const int> chosen);
    // The pixels below 128 of an 8-bit page; any other page has no ink.
    static PageInk fromImage(const ZULImage& page);

    int width() const { return width_; }
    int height() const { return height_; }
    std::span<const Run> row(int y) const
    {
        return {runs_.data() + rowStart_[static_cast<size_t>(y)],
                runs_.data() + rowStart_[static_cast<size_t>(y) + 1]};
    }

    // Ink pixels of every row.
    std::vector<int> rowProfile() const;
    // Ink pixels of every column over rows top..bottom-1.
    std::vector<int> columnProfile(int top, int bottom) const;
    // Ink pixels of row y in columns first..last.
    int inkInRow(int y, int first, int last) const;

    // An 8-bit page, white except for the ink, which is 0; no pixels when
    // the page has no size.
    ZULImage render() const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Run> runs_;
    std::vector<size_t> rowStart_{0};  // runs of row y: rowStart_[y] .. rowStart_[y + 1]
};

}  // namespace tavo
