// Line boxes from the bands of the cleaned page, their ranking and the
// detection as a whole.
#include "textline/TextLines.h"

#include <algorithm>

#include "page/InkClustering.h"

namespace tavo {

namespace {

constexpr int kSmallestSide = 10;  // boxes narrower or lower than this are noise

}  // namespace

std::vector<LineBox> bandBoxes(const PageInk& ink, std::span<const int> bands)
{
    std::vector<LineBox> boxes;
    const int width = ink.width();
    for (size_t i = 0; i + 1 < bands.size(); i += 2) {
        const int top = bands[i];
        const int bottom = bands[i + 1];  // exclusive
        const std::vector<int> columns = ink.columnProfile(top, bottom);
        const int threshold = inkThreshold(columns);
        int left = 0;
        while (left < width && columns[static_cast<size_t>(left)] <= threshold)
            ++left;
        int right = width - 1;  // the scan from the right stops before column 0
        while (right > 0 && columns[static_cast<size_t>(right)] <= threshold)
            --right;
        if (left >= width || right <= 0)
            continue;

        // The ink counted reaches one row below the band and one column past
        // the box's width, as far as the page goes.
        int count = ink.inkInRow(bottom, left, right);
        for (int x = left; x <= right; ++x)
            count += columns[static_cast<size_t>(x)];
        boxes.push_back({left, top, right - left, bottom - top, count});
    }
    return boxes;
}

std::vector<LineBox> rankLineBoxes(std::vector<LineBox> boxes, int parameter)
{
    std::erase_if(boxes, [](const LineBox& b) { return b.width < kSmallestSide || b.height < kSmallestSide; });
    // Most ink first; boxes of equal ink keep page order (top row first), so
    // the same page always gives the same file.
    std::stable_sort(boxes.begin(), boxes.end(), [](const LineBox& a, const LineBox& b) {
        return a.inkCount != b.inkCount ? a.inkCount > b.inkCount : a.row < b.row;
    });

    const int count = static_cast<int>(boxes.size());
    if (parameter > 0 && parameter < count) {
        boxes.resize(static_cast<size_t>(parameter));
    } else if (parameter == 0) {
        std::vector<int> inks;
        inks.reserve(boxes.size());
        for (const LineBox& b : boxes)
            inks.push_back(b.inkCount);
        const int least = inkThreshold(inks);
        boxes.erase(std::find_if(boxes.begin(), boxes.end(), [least](const LineBox& b) { return b.inkCount < least; }),
                    boxes.end());
    }
    return boxes;
}

std::vector<ZULRectShape> detectTextLines(const ZULImage& page, int parameter)
{
    const PageInk ink = cleanPageInk(page);
    const std::vector<int> bands = lineBands(ink.rowProfile());
    std::vector<ZULRectShape> lines;
    for (const LineBox& b : rankLineBoxes(bandBoxes(ink, bands), parameter))
        lines.emplace_back(b.col, b.row, b.width, b.height);
    return lines;
}

}  // namespace tavo
