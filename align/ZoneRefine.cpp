#include "align/ZoneRefine.h"

#include "page/InkBox.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace tavo {

namespace {

constexpr std::int64_t kTakeTolerance = 15;  // how far a taken component may reach past the zone
constexpr int kCutWindow = 10;               // how far a cut may move to leave the ink
constexpr int kMargin = 1;                   // white border kept around the fitted ink

int saturate(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// Whether the last two columns and rows of an 8-bit page hold no ink.
bool edgesWhite(const ZULImage& page)
{
    const int width = page.zulGetWidth();
    const int height = page.zulGetHeight();
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = page.zulGetRow(y);
        if (y >= height - 2) {
            if (!std::all_of(row, row + width, [](unsigned char v) { return v != 0; }))
                return false;
        } else if (row[width - 2] == 0 || row[width - 1] == 0) {
            return false;
        }
    }
    return true;
}

// A region of a page; a region of a binary page is marked binary, so that
// the component labeller does not scan it again to find out.
ZULImage region(const ZULImage& page, bool binary, std::int64_t x, std::int64_t y, std::int64_t w,
                std::int64_t h)
{
    ZULImage part;
    page.zulSubImage(part, static_cast<int>(x), static_cast<int>(y), static_cast<int>(w), static_cast<int>(h));
    if (binary)
        part.zulSetBinaryState(1);
    return part;
}

}  // namespace

struct ZoneRefiner::Edges {
    std::int64_t left;
    std::int64_t top;
    std::int64_t right;   // exclusive
    std::int64_t bottom;  // exclusive

    // The part of the box on a page of the given size; false when none is.
    bool clipTo(std::int64_t width, std::int64_t height)
    {
        left = std::max<std::int64_t>(left, 0);
        top = std::max<std::int64_t>(top, 0);
        right = std::min(right, width);
        bottom = std::min(bottom, height);
        return left < right && top < bottom;
    }
};

std::vector<int> blackColumnProfile(const ZULImage& binaryPage, const ZULRectShape& box)
{
    std::vector<int> counts(static_cast<size_t>(std::max(box.width, 0)), 0);
    if (!binaryPage.zulHasImageData() || binaryPage.zulGetBitsPerPixel() != 8)
        return counts;
    // The last column and the last row of the box are not counted.
    const std::int64_t x0 = std::max<std::int64_t>(box.x, 0);
    const std::int64_t x1 = std::min<std::int64_t>(std::int64_t{box.x} + box.width - 1,
                                                   binaryPage.zulGetWidth());
    const std::int64_t y0 = std::max<std::int64_t>(box.y, 0);
    const std::int64_t y1 = std::min<std::int64_t>(std::int64_t{box.y} + box.height - 1,
                                                   binaryPage.zulGetHeight());
    for (std::int64_t y = y0; y < y1; ++y) {
        const unsigned char* row = binaryPage.zulGetRow(static_cast<int>(y));
        for (std::int64_t x = x0; x < x1; ++x)
            counts[static_cast<size_t>(x - box.x)] += row[x] == 0 ? 1 : 0;
    }
    return counts;
}

std::vector<int> adjustCuts(const std::vector<int>& cuts, std::vector<int> profile)
{
    const int w = static_cast<int>(profile.size());
    for (int c : cuts) {
        if (c < 0 || c >= w)
            return cuts;
    }

    // A white gap that holds a cut is no longer free: mark it from the ink
    // column on its left through the ink column on its right.  Later cuts in
    // the same gap find it marked, so every gap is walked once.
    for (int c : cuts) {
        if (profile[static_cast<size_t>(c)] != 0)
            continue;
        int left = c;
        while (left >= 0 && profile[static_cast<size_t>(left)] == 0)
            --left;
        left = std::max(left, 0);
        int right = c;
        while (right <= w - 2 && profile[static_cast<size_t>(right)] == 0)
            ++right;
        right = std::min(right, w - 1);
        std::fill(profile.begin() + left, profile.begin() + right + 1, 1);
    }

    // Every cut now stands on a non-zero column; each looks for the first
    // free column of its window, bounded by its neighbours as they were.
    std::vector<int> moved = cuts;
    for (size_t i = 0; i < cuts.size(); ++i) {
        const int before = i == 0 ? 0 : cuts[i - 1];
        const int after = i + 1 == cuts.size() ? w - 1 : cuts[i + 1];
        const int c = cuts[i];
        if (profile[static_cast<size_t>(c)] == 0)
            continue;
        const int first = std::max(c - kCutWindow, before);
        const int last = std::min(c + kCutWindow, after);
        for (int x = first; x <= last; ++x) {
            if (profile[static_cast<size_t>(x)] == 0) {
                moved[i] = x;
                break;
            }
        }
    }
    return moved;
}

ZoneRefiner::ZoneRefiner(const ZULImage& binaryPage)
    : page_(binaryPage), binary_(binaryPage.zulGetBitsPerPixel() == 8 && binaryPage.zulIsBinary())
{
    // Every zone's search area ends two columns and two rows short of the
    // page's right and bottom edges and reaches 85 pixels past where a taken
    // component may end, so the components of the page without those
    // columns and rows are exactly the ones the search areas would give.
    const int width = page_.zulGetWidth() - 2;
    const int height = page_.zulGetHeight() - 2;
    if (!binary_ || width <= 0 || height <= 0)
        return;
    if (edgesWhite(page_))
        components_.zulExtractComponents(page_);  // the same components, without a copy
    else
        components_.zulExtractComponents(region(page_, binary_, 0, 0, width, height));

    const std::vector<ZULLWComponent>& all = components_.zulComponents();
    byTop_.resize(all.size());
    for (size_t i = 0; i < all.size(); ++i)
        byTop_[i] = static_cast<int>(i);
    std::sort(byTop_.begin(), byTop_.end(),
              [&all](int a, int b) { return all[static_cast<size_t>(a)].top < all[static_cast<size_t>(b)].top; });
}

ZoneRefiner::Edges ZoneRefiner::grow(const ZULRectShape& box) const
{
    const std::int64_t x = box.x;
    const std::int64_t y = box.y;
    const std::int64_t right = x + box.width;
    const std::int64_t bottom = y + box.height;
    Edges grown{x, y, right, bottom};

    const std::vector<ZULLWComponent>& all = components_.zulComponents();
    auto it = std::lower_bound(byTop_.begin(), byTop_.end(), y - kTakeTolerance,
                               [&all](int index, std::int64_t row) { return all[static_cast<size_t>(index)].top < row; });
    // A component overlaps the box only when it starts above its bottom.
    for (; it != byTop_.end() && all[static_cast<size_t>(*it)].top < bottom; ++it) {
        const ZULLWComponent& c = all[static_cast<size_t>(*it)];
        const std::int64_t cRight = std::int64_t{c.right} + 1;
        const std::int64_t cBottom = std::int64_t{c.bottom} + 1;
        const bool overlaps = std::min(cRight, right) - std::max<std::int64_t>(c.left, x) > 0 &&
                              std::min(cBottom, bottom) - std::max<std::int64_t>(c.top, y) > 0;
        const bool near = c.left >= x - kTakeTolerance && c.top >= y - kTakeTolerance &&
                          cRight <= right + kTakeTolerance && cBottom <= bottom + kTakeTolerance;
        if (!overlaps || !near)
            continue;
        grown.left = std::max<std::int64_t>(std::min<std::int64_t>(grown.left, c.left), 1);
        grown.top = std::max<std::int64_t>(std::min<std::int64_t>(grown.top, c.top), 1);
        grown.right = std::min<std::int64_t>(std::max(grown.right, cRight), page_.zulGetWidth());
        grown.bottom = std::min<std::int64_t>(std::max(grown.bottom, cBottom), page_.zulGetHeight());
    }
    return grown;
}

bool ZoneRefiner::refine(ZULRectShape& box, std::vector<int>& cuts) const
{
    const std::int64_t width = page_.zulGetWidth();
    const std::int64_t height = page_.zulGetHeight();
    Edges grown = grow(box);
    if (!page_.zulHasImageData() || !grown.clipTo(width, height))
        return false;

    ZULImage area = region(page_, binary_, grown.left, grown.top, grown.right - grown.left, grown.bottom - grown.top);
    removeSpecks(area);
    const ZULRectShape ink = inkBox(area);
    Edges fitted{grown.left + ink.x - kMargin, grown.top + ink.y - kMargin,
                 grown.left + ink.x + ink.width + kMargin, grown.top + ink.y + ink.height + kMargin};
    fitted.clipTo(width, height);
    const ZULRectShape refined(static_cast<int>(fitted.left), static_cast<int>(fitted.top),
                               static_cast<int>(fitted.right - fitted.left),
                               static_cast<int>(fitted.bottom - fitted.top));

    // Cuts count from the zone's left edge, which has moved.
    const std::int64_t shift = std::int64_t{box.x} - refined.x;
    for (int& c : cuts)
        c = saturate(c + shift);
    cuts = adjustCuts(cuts, blackColumnProfile(page_, refined));
    box = refined;
    return true;
}

}  // namespace tavo
