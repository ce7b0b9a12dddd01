#include "page/InkBox.h"

#include "ZULInk.h"
#include "ZULLWConnectedComponents.h"

#include <algorithm>
#include <vector>

namespace tavo {

namespace {

// First and last index whose count differs from the smallest count; first >
// last when every count is the same.
std::pair<int, int> differingSpan(const std::vector<int>& counts)
{
    const int least = *std::min_element(counts.begin(), counts.end());
    int first = 0;
    int last = static_cast<int>(counts.size()) - 1;
    while (first <= last && counts[first] == least)
        ++first;
    while (last >= first && counts[last] == least)
        --last;
    return {first, last};
}

constexpr int kSpeckSide = 3;

// The rows of an area are short stretches a page row apart, which the
// processor does not fetch ahead by itself: each row asks for the one this
// many rows below it.
constexpr int kRowsAhead = 4;

void prefetch(const unsigned char* bytes, size_t count)
{
    constexpr size_t kCacheLine = 64;
    for (size_t i = 0; i < count; i += kCacheLine)
        __builtin_prefetch(bytes + i);
}

}  // namespace

ZULRectShape inkBox(const ZULImage& grey)
{
    const ZULRectShape whole(0, 0, grey.zulGetWidth(), grey.zulGetHeight());
    if (grey.zulGetBitsPerPixel() != 8 && whole.width > 0 && whole.height > 0)
        return whole;
    return inkBox(grey, whole);
}

ZULRectShape inkBox(const ZULImage& image, const ZULRectShape& area)
{
    const int width = area.width;
    const int height = area.height;
    if (width <= 0 || height <= 0)
        return ZULRectShape(0, 0, 0, 0);
    const int bits = image.zulGetBitsPerPixel();
    if (!image.zulHasImageData() || (bits != 1 && bits != 8 && bits != 24))
        return ZULRectShape(0, 0, width, height);

    // Column and row counts of ink in one pass over the area.
    std::vector<int> columns(static_cast<size_t>(width), 0);
    std::vector<int> rows(static_cast<size_t>(height), 0);
    const size_t firstByte = static_cast<size_t>(area.x) * static_cast<size_t>(bits) / 8;
    const size_t rowBytes = (static_cast<size_t>(width) * static_cast<size_t>(bits) + 7) / 8;
    for (int y = 0; y < height; ++y) {
        if (y + kRowsAhead < height)
            prefetch(image.zulGetRow(area.y + y + kRowsAhead) + firstByte, rowBytes);
        rows[static_cast<size_t>(y)] =
            ZULInk::zulAddInkColumns(image.zulGetRow(area.y + y), bits, area.x, width, columns.data());
    }

    const auto [left, right] = differingSpan(columns);
    const auto [top, bottom] = differingSpan(rows);
    if (left > right || top > bottom)
        return ZULRectShape(0, 0, width, height);
    return ZULRectShape(left, top, right - left + 1, bottom - top + 1);
}

void removeSpecks(ZULImage& grey)
{
    ZULLWConnectedComponents components;
    if (!components.zulExtractComponents(grey))
        return;  // not a binary 8-bit image: specks are kept
    for (const ZULLWComponent& c : components.zulGetAllComponents()) {
        if (c.bottom - c.top + 1 > kSpeckSide || c.right - c.left + 1 > kSpeckSide)
            continue;
        for (int y = c.top; y <= c.bottom; ++y) {
            for (int x = c.left; x <= c.right; ++x)
                grey.zulSetPixel(x, y, 255);
        }
    }
}

}  // namespace tavo
