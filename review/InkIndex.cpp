#include "review/InkIndex.h"

#include "ZULNiblackBinarization.h"
#include "ZULImage.h"
#include "ZULImageConverter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace tavo {

namespace {

// The middle value; 0 for none.
double median(std::vector<int>& values)
{
    if (values.empty())
        return 0;
    auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The height below which half of the ink lies, each component counting
// with its pixels: the specks of a photographed or dusty page are many but
// hold little ink, so they do not pull the letter height down.  0 for none.
double inkWeightedMedian(std::vector<std::pair<int, long>>& heights)
{
    if (heights.empty())
        return 0;
    std::sort(heights.begin(), heights.end());
    long total = 0;
    for (const auto& h : heights)
        total += h.second;
    long seen = 0;
    for (const auto& [height, pixels] : heights) {
        seen += pixels;
        if (2 * seen >= total)
            return height;
    }
    return heights.back().first;
}

// A component at least this many stroke widths high is a letter body or
// a tall letter; dots and marks are lower.
constexpr double kBodyStrokes = 2.5;
// A component is a body when its larger side reaches this share of the
// body height.
constexpr double kBodyShare = 0.5;
// A component wider than this many body heights, or taller than the
// second, is no writing.
constexpr double kRulingWide = 10, kRulingTall = 4;
// Grid cells span this many body heights, so a zone looks at few cells.
constexpr double kCellBodies = 2;

}  // namespace

InkIndex::InkIndex(const ZULImage& page)
    : InkIndex(ZULRunLabeller::zulLabelRuns(page), page.zulGetWidth(), page.zulGetHeight())
{
}

InkIndex::InkIndex(ZULRunLabeller::Labelling ink, int width, int height)
    : ink_(std::move(ink)), width_(width), height_(height)
{
    std::vector<int> runLengths;
    runLengths.reserve(ink_.runs.size());
    for (const auto& run : ink_.runs)
        runLengths.push_back(run.end - run.start);
    stroke_ = std::max(1.0, median(runLengths));

    pixels_.reserve(ink_.components.size());
    std::vector<std::pair<int, long>> heights;  // height, pixels
    for (const Box& c : ink_.components) {
        long count = 0;
        for (int r = c.firstRun; r < c.firstRun + c.runCount; ++r)
            count += ink_.runs[static_cast<size_t>(r)].end - ink_.runs[static_cast<size_t>(r)].start;
        pixels_.push_back(count);
        const int h = c.bottom - c.top + 1;
        if (h >= kBodyStrokes * stroke_)
            heights.emplace_back(h, count);
    }
    body_ = std::max(2 * stroke_, inkWeightedMedian(heights));

    cell_ = std::max(8, static_cast<int>(kCellBodies * body_));
    columns_ = std::max(1, (width_ + cell_ - 1) / cell_);
    rows_ = std::max(1, (height_ + cell_ - 1) / cell_);
    grid_.resize(static_cast<size_t>(columns_) * static_cast<size_t>(rows_));
    for (int i = 0; i < componentCount(); ++i) {
        const Box& c = component(i);
        const CellRange r = cells(c.left, c.top, c.right, c.bottom);
        for (int y = r.y0; y <= r.y1; ++y)
            for (int x = r.x0; x <= r.x1; ++x)
                grid_[static_cast<size_t>(y) * static_cast<size_t>(columns_) + static_cast<size_t>(x)].push_back(i);
    }
}

InkIndex InkIndex::ofPage(const ZULImage& page, ZULImage* keepGrey)
{
    if (!page.zulHasImageData() || page.zulGetBitsPerPixel() == 1)
        return InkIndex(page);
    // The components of the Niblack map, labelled without the map itself.
    ZULNiblackBinarization niblack(15, 15, -0.2, 5, 50);
    if (page.zulGetBitsPerPixel() == 8 && !keepGrey)
        return InkIndex(niblack.zulInkComponents(page), page.zulGetWidth(), page.zulGetHeight());
    ZULImage grey;
    ZULImageConverter::zulConvertImage(grey, page, ZULImageConverter::kGray);
    InkIndex ink(niblack.zulInkComponents(grey), page.zulGetWidth(), page.zulGetHeight());
    if (keepGrey)
        *keepGrey = std::move(grey);
    return ink;
}

InkIndex::CellRange InkIndex::cells(int left, int top, int right, int bottom) const
{
    auto clampX = [&](int v) { return std::clamp(v / cell_, 0, columns_ - 1); };
    auto clampY = [&](int v) { return std::clamp(v / cell_, 0, rows_ - 1); };
    return {clampX(std::max(left, 0)), clampY(std::max(top, 0)), clampX(std::max(right, 0)),
            clampY(std::max(bottom, 0))};
}

std::vector<int> InkIndex::touching(const ZoneBox& box) const
{
    std::vector<int> found;
    if (box.width <= 0 || box.height <= 0)
        return found;
    const int right = box.col + box.width - 1;
    const int bottom = box.row + box.height - 1;
    if (right < 0 || bottom < 0 || box.col >= width_ || box.row >= height_)
        return found;
    const CellRange r = cells(box.col, box.row, right, bottom);
    for (int y = r.y0; y <= r.y1; ++y)
        for (int x = r.x0; x <= r.x1; ++x)
            for (int i : grid_[static_cast<size_t>(y) * static_cast<size_t>(columns_) + static_cast<size_t>(x)]) {
                const Box& c = component(i);
                if (c.right >= box.col && c.left <= right && c.bottom >= box.row && c.top <= bottom)
                    found.push_back(i);
            }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

long InkIndex::pixelsInside(int i, const ZoneBox& box) const
{
    const Box& c = component(i);
    const int right = box.col + box.width;  // one past
    const int bottom = box.row + box.height;
    long count = 0;
    for (int r = c.firstRun; r < c.firstRun + c.runCount; ++r) {
        const auto& run = ink_.runs[static_cast<size_t>(r)];
        if (run.row < box.row || run.row >= bottom)
            continue;
        count += std::max(0, std::min(run.end, right) - std::max(run.start, box.col));
    }
    return count;
}

long InkIndex::pixelsInside(int i, const ZoneArea& area) const
{
    if (!area.outlined())
        return pixelsInside(i, area.box);
    const Box& c = component(i);
    const ZoneBox& box = area.box;
    long count = 0;
    for (int r = c.firstRun; r < c.firstRun + c.runCount; ++r) {
        const auto& run = ink_.runs[static_cast<size_t>(r)];
        if (run.row < box.row || run.row >= box.row + box.height)
            continue;
        const int from = std::max(run.start, box.col), to = std::min(run.end, box.col + box.width);
        for (int x = from; x < to; ++x) {
            const auto column = static_cast<size_t>(x - box.col);
            count += area.top[column] <= run.row && run.row <= area.bottom[column];
        }
    }
    return count;
}

ZoneArea zoneArea(const ZoneBox& box, const std::vector<std::pair<int, int>>& outline)
{
    ZoneArea area{box, {}, {}};
    if (outline.empty() || box.width <= 0 || box.height <= 0)
        return area;
    area.top.assign(static_cast<size_t>(box.width), std::numeric_limits<int>::max());
    area.bottom.assign(static_cast<size_t>(box.width), std::numeric_limits<int>::min());
    // Every edge marks the rows it passes at each column it spans, so the
    // cost is the outline's length, not its points times the width.
    for (size_t k = 0; k < outline.size(); ++k) {
        auto [x0, y0] = outline[k];
        auto [x1, y1] = outline[(k + 1) % outline.size()];
        if (x0 > x1) {
            std::swap(x0, x1);
            std::swap(y0, y1);
        }
        const int from = std::max(x0, box.col), to = std::min(x1, box.col + box.width - 1);
        for (int x = from; x <= to; ++x) {
            const double t = x1 == x0 ? 0.0 : double(x - x0) / double(x1 - x0);
            const int lo = x1 == x0 ? std::min(y0, y1) : static_cast<int>(std::floor(y0 + t * (y1 - y0)));
            const int hi = x1 == x0 ? std::max(y0, y1) : static_cast<int>(std::ceil(y0 + t * (y1 - y0)));
            const auto column = static_cast<size_t>(x - box.col);
            area.top[column] = std::min(area.top[column], lo);
            area.bottom[column] = std::max(area.bottom[column], hi);
        }
    }
    return area;
}

bool InkIndex::isBody(int i) const
{
    const Box& c = component(i);
    return std::max(c.bottom - c.top + 1, c.right - c.left + 1) >= kBodyShare * body_;
}

bool InkIndex::isRuling(int i) const
{
    const Box& c = component(i);
    return c.right - c.left + 1 > kRulingWide * body_ || c.bottom - c.top + 1 > kRulingTall * body_;
}

}  // namespace tavo
