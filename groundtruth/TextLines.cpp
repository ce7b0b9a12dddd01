// Line boxes from the bands of the cleaned page, their ranking and the
// detection as a whole.
#include "TextLines.h"

#include <algorithm>

#include "InkClustering.h"

namespace tavo {

namespace {

constexpr unsigned char kInkBelow = 128;
constexpr int kSmallestSide = 10;  // boxes narrower or lower than this are noise

void addRowInk(const unsigned char* row, std::vector<int>& columns)
{
    const size_t width = columns.size();
    for (size_t x = 0; x < width; ++x)
        columns[x] += row[x] < kInkBelow;
}

int rowInk(const unsigned char* row, int first, int last)
{
    int ink = 0;
    for (int x = first; x <= last; ++x)
        ink += row[x] < kInkBelow;
    return ink;
}

}  // namespace

std::vector<LineBox> bandBoxes(const ZULImage& cleaned, std::span<const int> bands)
{
    std::vector<LineBox> boxes;
    if (!cleaned.zulHasImageData())
        return boxes;
    const int width = cleaned.zulGetWidth();
    const int height = cleaned.zulGetHeight();
    std::vector<int> columns(static_cast<size_t>(width));
    for (size_t i = 0; i + 1 < bands.size(); i += 2) {
        const int top = std::max(bands[i], 0);
        const int bottom = std::min(bands[i + 1], height);  // exclusive
        if (top >= bottom)
            continue;
        std::fill(columns.begin(), columns.end(), 0);
        for (int y = top; y < bottom; ++y)
            addRowInk(cleaned.zulGetRow(y), columns);

        const int threshold = inkThreshold(columns);
        int left = 0;
        while (left < width && columns[static_cast<size_t>(left)] <= threshold)
            ++left;
        int right = width - 1;  // the scan from the right stops before column 0
        while (right > 0 && columns[static_cast<size_t>(right)] <= threshold)
            --right;
        if (left == width || right == 0)
            continue;

        // The ink counted reaches one row below the band and one column past
        // the box's width, as far as the page goes.
        int ink = 0;
        for (int x = left; x <= right; ++x)
            ink += columns[static_cast<size_t>(x)];
        if (bottom < height)
            ink += rowInk(cleaned.zulGetRow(bottom), left, right);
        boxes.push_back({left, top, right - left, bottom - top, ink});
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
    const ZULImage cleaned = cleanPageForLines(page);
    const std::vector<int> bands = lineBands(rowInkProfile(cleaned));
    std::vector<ZULRectShape> lines;
    for (const LineBox& b : rankLineBoxes(bandBoxes(cleaned, bands), parameter))
        lines.emplace_back(b.col, b.row, b.width, b.height);
    return lines;
}

}  // namespace tavo
