#include "InkBox.h"

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

}  // namespace

ZULRectShape inkBox(const ZULImage& grey)
{
    const int width = grey.zulGetWidth();
    const int height = grey.zulGetHeight();
    if (width <= 0 || height <= 0)
        return ZULRectShape(0, 0, 0, 0);
    if (!grey.zulHasImageData() || grey.zulGetBitsPerPixel() != 8)
        return ZULRectShape(0, 0, width, height);

    // Column and row counts of dark pixels in one pass over the image.
    std::vector<int> columns(static_cast<size_t>(width), 0);
    std::vector<int> rows(static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        const unsigned char* pixel = grey.zulGetRow(y);
        int dark = 0;
        for (int x = 0; x < width; ++x) {
            const int isDark = pixel[x] < 128 ? 1 : 0;
            columns[static_cast<size_t>(x)] += isDark;
            dark += isDark;
        }
        rows[static_cast<size_t>(y)] = dark;
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
