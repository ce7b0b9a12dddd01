#include "lines/InkMap.h"

#include <algorithm>

namespace tavo {

namespace {

// Map pixels along the shorter side of the page: enough for line structure
// (a line body stays several map pixels high) at a small share of the work.
constexpr int kMapShortSide = 900;
// Background blocks across the shorter side of the map.
constexpr int kBackgroundBlocks = 14;
// The share of a block's pixels darker than its background level: paper
// dominates every block that is not a solid stain.
constexpr int kBackgroundPercent = 70;
// Blocks whose background is darker than this share of the page's paper,
// reached from the image's border through such blocks, lie off the page
// (the scanner lid, a dark table, the book's edge); dark pixels in and next
// to them are the page's surroundings, not ink.
constexpr double kOffPageShare = 0.6;
// Thresholds outside this range are taken for a page of paper or of ink
// alone and clamped.
constexpr int kLowestLevel = 60;
constexpr int kHighestLevel = 200;
// Faint ink lies this share of the way from the threshold to white paper.
constexpr double kFaintShare = 0.45;

struct ReducedGrey {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> grey;
};

// The luminance of one row: (77 red + 150 green + 29 blue) / 256 for
// colour, the value for grey, 0 or 255 for 1-bit pixels.
void greyRow(const unsigned char* row, int bits, int width, int* grey)
{
    switch (bits) {
    case 24:
        for (int x = 0; x < width; ++x, row += 3)
            grey[x] = (77 * row[0] + 150 * row[1] + 29 * row[2]) >> 8;
        break;
    case 8:
        for (int x = 0; x < width; ++x)
            grey[x] = row[x];
        break;
    case 1:
        for (int x = 0; x < width; ++x)
            grey[x] = ((row[x >> 3] >> (7 - (x & 7))) & 1) != 0 ? 255 : 0;
        break;
    default:
        std::fill(grey, grey + width, 255);
        break;
    }
}

struct Background {
    std::vector<int> level;      // of every block, smoothed over its neighbours
    std::vector<bool> offPage;   // a block in or next to the dark surroundings of the page
    int paper = 255;             // median block level
};

Background backgroundBlocks(const ReducedGrey& map, int block, int bw, int bh)
{
    std::vector<int> level(static_cast<size_t>(bw) * static_cast<size_t>(bh));
    std::vector<int> histogram(256);
    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            std::fill(histogram.begin(), histogram.end(), 0);
            int total = 0;
            for (int y = by * block; y < std::min(map.height, (by + 1) * block); ++y) {
                const std::uint8_t* row = map.grey.data() + static_cast<size_t>(y) * static_cast<size_t>(map.width);
                for (int x = bx * block; x < std::min(map.width, (bx + 1) * block); ++x) {
                    ++histogram[row[x]];
                    ++total;
                }
            }
            const int wanted = total * kBackgroundPercent / 100;
            int seen = 0;
            int g = 0;
            while (g < 255 && seen + histogram[static_cast<size_t>(g)] <= wanted)
                seen += histogram[static_cast<size_t>(g++)];
            level[static_cast<size_t>(by * bw + bx)] = std::max(g, 1);
        }
    }
    std::vector<int> smooth(level.size());
    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            int s = 0;
            int n = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int x = bx + dx;
                    const int y = by + dy;
                    if (x >= 0 && y >= 0 && x < bw && y < bh) {
                        s += level[static_cast<size_t>(y * bw + x)];
                        ++n;
                    }
                }
            }
            smooth[static_cast<size_t>(by * bw + bx)] = s / n;
        }
    }
    Background background;
    std::vector<int> sorted = level;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
    background.paper = sorted[sorted.size() / 2];
    // Dark blocks reached from the border through dark blocks.
    std::vector<bool> dark(level.size(), false);
    std::vector<int> todo;
    auto reach = [&](int bx, int by) {
        const size_t b = static_cast<size_t>(by * bw + bx);
        if (!dark[b] && level[b] < kOffPageShare * background.paper) {
            dark[b] = true;
            todo.push_back(by * bw + bx);
        }
    };
    for (int bx = 0; bx < bw; ++bx) {
        reach(bx, 0);
        reach(bx, bh - 1);
    }
    for (int by = 0; by < bh; ++by) {
        reach(0, by);
        reach(bw - 1, by);
    }
    while (!todo.empty()) {
        const int b = todo.back();
        todo.pop_back();
        const int bx = b % bw;
        const int by = b / bw;
        if (bx > 0)
            reach(bx - 1, by);
        if (bx + 1 < bw)
            reach(bx + 1, by);
        if (by > 0)
            reach(bx, by - 1);
        if (by + 1 < bh)
            reach(bx, by + 1);
    }
    background.offPage.assign(level.size(), false);
    for (int by = 0; by < bh; ++by) {
        for (int bx = 0; bx < bw; ++bx) {
            if (!dark[static_cast<size_t>(by * bw + bx)])
                continue;
            for (int y = std::max(0, by - 1); y <= std::min(bh - 1, by + 1); ++y)
                for (int x = std::max(0, bx - 1); x <= std::min(bw - 1, bx + 1); ++x)
                    background.offPage[static_cast<size_t>(y * bw + x)] = true;
        }
    }
    background.level = std::move(smooth);
    return background;
}

// Divides every map pixel by the background interpolated between block
// centres; the dark surroundings of the page become paper.
void normalise(ReducedGrey& map)
{
    const int block = std::max(4, std::min(map.width, map.height) / kBackgroundBlocks);
    const int bw = (map.width + block - 1) / block;
    const int bh = (map.height + block - 1) / block;
    const Background background = backgroundBlocks(map, block, bw, bh);
    const std::vector<int>& level = background.level;
    const int dark = static_cast<int>(kOffPageShare * background.paper);
    auto at = [&](int bx, int by) {
        return level[static_cast<size_t>(std::clamp(by, 0, bh - 1) * bw + std::clamp(bx, 0, bw - 1))];
    };
    // What depends on the column alone, worked out once: the blocks left and
    // right of it, its weight between them and its block.
    struct Column {
        int left, right, block;
        float weight;
    };
    std::vector<Column> columns(static_cast<size_t>(map.width));
    for (int x = 0; x < map.width; ++x) {
        const float fx = (static_cast<float>(x) + 0.5f) / static_cast<float>(block) - 0.5f;
        const int bx = static_cast<int>(fx < 0 ? -1 : fx);
        columns[static_cast<size_t>(x)] = {bx, bx + 1, x / block, fx - static_cast<float>(bx)};
    }
    for (int y = 0; y < map.height; ++y) {
        const float fy = (static_cast<float>(y) + 0.5f) / static_cast<float>(block) - 0.5f;
        const int by = static_cast<int>(fy < 0 ? -1 : fy);
        const float wy = fy - static_cast<float>(by);
        const size_t offRow = static_cast<size_t>((y / block) * bw);
        std::uint8_t* row = map.grey.data() + static_cast<size_t>(y) * static_cast<size_t>(map.width);
        for (int x = 0; x < map.width; ++x) {
            const Column& c = columns[static_cast<size_t>(x)];
            const float wx = c.weight;
            const float top = static_cast<float>(at(c.left, by)) * (1 - wx) + static_cast<float>(at(c.right, by)) * wx;
            const float bottom =
                static_cast<float>(at(c.left, by + 1)) * (1 - wx) + static_cast<float>(at(c.right, by + 1)) * wx;
            if (row[x] < dark && background.offPage[offRow + static_cast<size_t>(c.block)]) {
                row[x] = 255;
                continue;
            }
            const float paper = top * (1 - wy) + bottom * wy;
            const float v = static_cast<float>(row[x]) * 255.0f / std::max(paper, 1.0f);
            row[x] = static_cast<std::uint8_t>(std::min(v, 255.0f));
        }
    }
}

}  // namespace

int inkMapScale(int pageWidth, int pageHeight)
{
    return std::max(1, (std::min(pageWidth, pageHeight) + kMapShortSide / 2) / kMapShortSide);
}

int otsuLevel(const std::vector<std::int64_t>& histogram)
{
    double total = 0;
    double weighted = 0;
    for (size_t g = 0; g < histogram.size(); ++g) {
        total += static_cast<double>(histogram[g]);
        weighted += static_cast<double>(g) * static_cast<double>(histogram[g]);
    }
    double darkCount = 0;
    double darkSum = 0;
    double best = -1;
    int level = 127;
    for (size_t g = 0; g + 1 < histogram.size(); ++g) {
        darkCount += static_cast<double>(histogram[g]);
        darkSum += static_cast<double>(g) * static_cast<double>(histogram[g]);
        const double lightCount = total - darkCount;
        if (darkCount == 0 || lightCount == 0)
            continue;
        const double diff = darkSum / darkCount - (weighted - darkSum) / lightCount;
        const double between = darkCount * lightCount * diff * diff;
        if (between > best) {
            best = between;
            level = static_cast<int>(g);
        }
    }
    return level;
}

namespace {

// The map of a reduced page: normalised and thresholded.
InkMap mapOf(ReducedGrey grey, int scale)
{
    InkMap map;
    map.scale = scale;
    normalise(grey);
    std::vector<std::int64_t> histogram(256);
    for (std::uint8_t g : grey.grey)
        ++histogram[g];
    const int level = std::clamp(otsuLevel(histogram), kLowestLevel, kHighestLevel);
    map.width = grey.width;
    map.height = grey.height;
    map.level = level;
    map.grey = std::move(grey.grey);
    map.binary = ZULImage(map.width, map.height, 8, true);
    for (int y = 0; y < map.height; ++y) {
        const std::uint8_t* src = map.grey.data() + static_cast<size_t>(y) * static_cast<size_t>(map.width);
        unsigned char* dst = map.binary.zulGetRow(y);
        for (int x = 0; x < map.width; ++x)
            dst[x] = src[x] <= level ? 0 : 255;
    }
    return map;
}

}  // namespace

// Each map pixel: the mean and the darkest of its block of page pixels
// (blocks at the right and bottom edges cut to the page), halfway between.
// The block's rows are summed column by column first, then across.
InkMapRows::InkMapRows(int pageWidth, int pageHeight, int bits)
    : width_(pageWidth), height_(pageHeight), bits_(bits), scale_(inkMapScale(pageWidth, pageHeight)),
      mapWidth_((pageWidth + scale_ - 1) / scale_), mapHeight_((pageHeight + scale_ - 1) / scale_),
      map_(static_cast<size_t>(mapWidth_) * static_cast<size_t>(mapHeight_)),
      grey_(static_cast<size_t>(pageWidth)), columnSum_(static_cast<size_t>(pageWidth), 0),
      columnDarkest_(static_cast<size_t>(pageWidth), 255)
{
}

void InkMapRows::add(const unsigned char* row)
{
    if (next_ >= height_)
        return;
    greyRow(row, bits_, width_, grey_.data());
    for (size_t x = 0; x < grey_.size(); ++x) {
        columnSum_[x] += grey_[x];
        columnDarkest_[x] = std::min(columnDarkest_[x], grey_[x]);
    }
    ++next_;
    if (next_ % scale_ != 0 && next_ != height_)
        return;
    // A block of rows is in: its map row.
    const int my = (next_ - 1) / scale_;
    const int rows = next_ - my * scale_;
    std::uint8_t* dst = map_.data() + static_cast<size_t>(my) * static_cast<size_t>(mapWidth_);
    for (int mx = 0; mx < mapWidth_; ++mx) {
        const int last = std::min(width_, (mx + 1) * scale_);
        int sum = 0;
        int darkest = 255;
        for (int x = mx * scale_; x < last; ++x) {
            sum += columnSum_[static_cast<size_t>(x)];
            darkest = std::min(darkest, columnDarkest_[static_cast<size_t>(x)]);
        }
        const int count = rows * (last - mx * scale_);
        dst[mx] = static_cast<std::uint8_t>((sum / count + darkest) / 2);
    }
    std::fill(columnSum_.begin(), columnSum_.end(), 0);
    std::fill(columnDarkest_.begin(), columnDarkest_.end(), 255);
}

InkMap InkMapRows::finish()
{
    ReducedGrey grey{mapWidth_, mapHeight_, std::move(map_)};
    return mapOf(std::move(grey), scale_);
}

InkMap makeInkMap(const ZULImage& page)
{
    const int pw = page.zulGetWidth();
    const int ph = page.zulGetHeight();
    if (pw <= 0 || ph <= 0 || !page.zulHasImageData())
        return InkMap{};
    InkMapRows rows(pw, ph, page.zulGetBitsPerPixel());
    for (int y = 0; y < ph; ++y)
        rows.add(page.zulGetRow(y));
    return rows.finish();
}

bool addFaintInk(InkMap& map, int rows)
{
    const int faint = map.level + static_cast<int>(kFaintShare * (255 - map.level));
    bool added = false;
    for (int y = 0; y < std::min(rows, map.height); ++y) {
        const std::uint8_t* src = map.grey.data() + static_cast<size_t>(y) * static_cast<size_t>(map.width);
        unsigned char* dst = map.binary.zulGetRow(y);
        for (int x = 0; x < map.width; ++x) {
            // Ruling erased from the map comes back, to be found again.
            if (src[x] <= faint && dst[x] != 0) {
                dst[x] = 0;
                added = added || src[x] > map.level;
            }
        }
    }
    return added;
}

}  // namespace tavo
