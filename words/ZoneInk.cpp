#include "words/ZoneInk.h"

#include "util/Strings.h"
#include "ZULRunLabeller.h"

#include <algorithm>
#include <cmath>
#include <array>
#include <optional>
#include <cstdlib>
#include <string>

namespace tavo {

namespace {

// Two classes whose means differ by less than this are paper and its noise.
constexpr double kMinInkContrast = 20.0;
// The share of a component's ink that must lie inside the zone's outline.
constexpr double kInsideOutline = 0.5;
// A component crossing the whole zone with less ink per row than this many
// stroke widths is a rule, not a letter.
constexpr int kRuleStrokes = 2;
// How far, in body heights, a mark may lie from the body it belongs to.
constexpr double kMarkReach = 1.5;
// A mark at least this long (in body heights) may be a letter's bar.
constexpr double kBarLength = 0.5;
// A bar holds no more ink than a stroke this many stroke widths thick along
// its box's diagonal.
constexpr double kBarStroke = 1.25;

// The inside of an outline row by row: for every row of the zone, the
// column intervals between the outline's crossings of the row's middle.
class OutlineRows {
public:
    OutlineRows(const std::vector<std::pair<int, int>>& poly, int rows) : inside_(static_cast<size_t>(rows))
    {
        std::vector<double> xs;
        for (int y = 0; y < rows; ++y) {
            const double my = y + 0.5;
            xs.clear();
            for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
                const double xi = poly[i].first, yi = poly[i].second;
                const double xj = poly[j].first, yj = poly[j].second;
                if ((yi > my) != (yj > my))
                    xs.push_back(xi + (xj - xi) * (my - yi) / (yj - yi));
            }
            std::sort(xs.begin(), xs.end());
            for (size_t k = 0; k + 1 < xs.size(); k += 2)
                inside_[static_cast<size_t>(y)].emplace_back(xs[k], xs[k + 1]);
        }
    }

    // How many pixels of a run (zone coordinates) lie inside.
    double inside(const InkRun& r) const
    {
        if (r.row < 0 || r.row >= static_cast<int>(inside_.size()))
            return 0;
        double n = 0;
        for (const auto& [from, to] : inside_[static_cast<size_t>(r.row)])
            n += std::max(0.0, std::min<double>(r.end, to) - std::max<double>(r.start, from));
        return n;
    }

private:
    std::vector<std::vector<std::pair<double, double>>> inside_;
};

// Paper brightness over the zone: the 90th percentile of blocks about as
// large as the line is high, interpolated between block centres, so that
// shading across a photographed page does not pass for ink.
std::vector<float> paperLevel(const ZULImage& grey, int block)
{
    const int w = grey.zulGetWidth(), h = grey.zulGetHeight();
    const int bx = (w + block - 1) / block, by = (h + block - 1) / block;
    std::vector<float> level(static_cast<size_t>(bx * by));
    for (int j = 0; j < by; ++j) {
        for (int i = 0; i < bx; ++i) {
            std::array<int, 256> hist{};
            int count = 0;
            for (int y = j * block; y < std::min(h, (j + 1) * block); ++y) {
                const unsigned char* row = grey.zulGetRow(y);
                for (int x = i * block; x < std::min(w, (i + 1) * block); ++x, ++count)
                    ++hist[row[x]];
            }
            int v = 255;
            for (int seen = 0; v > 0 && (seen += hist[static_cast<size_t>(v)]) < count / 4;)
                --v;
            level[static_cast<size_t>(j * bx + i)] = static_cast<float>(std::max(v, 1));
        }
    }
    std::vector<float> paper(static_cast<size_t>(w) * h);
    auto cell = [&](int i, int j) { return level[static_cast<size_t>(j * bx + i)]; };
    // What depends on the column alone, worked out once.
    struct Column {
        int i0, i1;
        float ax;
    };
    std::vector<Column> columns(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x) {
        const float fx = std::clamp((x + 0.5f) / block - 0.5f, 0.0f, static_cast<float>(bx - 1));
        const int i0 = static_cast<int>(fx), i1 = std::min(i0 + 1, bx - 1);
        columns[static_cast<size_t>(x)] = {i0, i1, fx - i0};
    }
    for (int y = 0; y < h; ++y) {
        const float fy = std::clamp((y + 0.5f) / block - 0.5f, 0.0f, static_cast<float>(by - 1));
        const int j0 = static_cast<int>(fy), j1 = std::min(j0 + 1, by - 1);
        const float ay = fy - j0;
        float* out = paper.data() + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x) {
            const Column& c = columns[static_cast<size_t>(x)];
            const float ax = c.ax;
            out[x] = (1 - ay) * ((1 - ax) * cell(c.i0, j0) + ax * cell(c.i1, j0)) +
                     ay * ((1 - ax) * cell(c.i0, j1) + ax * cell(c.i1, j1));
        }
    }
    return paper;
}

// The zone with its paper brought to white.
ZULImage flattenPaper(const ZULImage& grey)
{
    const int w = grey.zulGetWidth(), h = grey.zulGetHeight();
    const std::vector<float> paper = paperLevel(grey, std::clamp(h / 2, 24, 96));
    ZULImage flat(w, h, 8, true);
    for (int y = 0; y < h; ++y) {
        const unsigned char* src = grey.zulGetRow(y);
        unsigned char* dst = flat.zulGetRow(y);
        for (int x = 0; x < w; ++x) {
            const float v = 255.0f * src[x] / paper[static_cast<size_t>(y) * w + x];
            dst[x] = static_cast<unsigned char>(std::min(255.0f, v));
        }
    }
    return flat;
}

int typicalRunLength(const std::vector<ZULRunLabeller::Run>& runs)
{
    std::vector<int> counts(64, 0);
    for (const ZULRunLabeller::Run& r : runs)
        ++counts[static_cast<size_t>(std::min(r.end - r.start, 63))];
    // Single pixels are mostly noise; strokes are rarely that thin.
    return static_cast<int>(std::max_element(counts.begin() + 2, counts.end() - 1) - counts.begin());
}

// The rows around the densest row that hold at least a quarter of its ink:
// the band where the letters' bodies meet the baseline.
std::pair<int, int> coreBand(const std::vector<int>& rowInk)
{
    const auto peak = std::max_element(rowInk.begin(), rowInk.end());
    const int floor = std::max(1, *peak / 4);
    int top = static_cast<int>(peak - rowInk.begin());
    int bottom = top;
    while (top > 0 && rowInk[static_cast<size_t>(top - 1)] >= floor)
        --top;
    while (bottom + 1 < static_cast<int>(rowInk.size()) &&
           rowInk[static_cast<size_t>(bottom + 1)] >= floor)
        ++bottom;
    return {top, bottom};
}

int horizontalOverlap(const InkBoxI& a, const InkBoxI& b)
{
    return std::min(a.right, b.right) - std::max(a.left, b.left);
}

// Whether a component is a long stroke falling to the left (its left end
// lower by at least a quarter of its length): the bar of a kaf or gaf written
// apart from its body, reaching out over the next word.
bool isBar(const InkPart& part, int bodyHeight)
{
    const int width = part.box.width();
    if (width < kBarLength * bodyHeight || width <= part.box.height())
        return false;
    // Mean rows of the ink in the leftmost and rightmost quarter.
    const int quarter = std::max(1, width / 4);
    long leftRows = 0, leftCount = 0, rightRows = 0, rightCount = 0;
    for (const InkRun& r : part.runs) {
        const int inLeft = std::min(r.end, part.box.left + quarter) - r.start;
        const int inRight = r.end - std::max(r.start, part.box.right + 1 - quarter);
        if (inLeft > 0) {
            leftRows += static_cast<long>(r.row) * inLeft;
            leftCount += inLeft;
        }
        if (inRight > 0) {
            rightRows += static_cast<long>(r.row) * inRight;
            rightCount += inRight;
        }
    }
    return leftCount > 0 && rightCount > 0 &&
           4 * (leftRows * rightCount - rightRows * leftCount) >= static_cast<long>(width) * leftCount * rightCount;
}

// The point of a mark that tells whose it is: its centre, but for a bar the
// lower end it was drawn down to, over its own letter.
std::pair<long, long> markAnchor(const InkPart& mark, int bodyHeight)
{
    if (!isBar(mark, bodyHeight))
        return {(mark.box.left + mark.box.right) / 2, (mark.box.top + mark.box.bottom) / 2};
    const int quarter = std::max(1, mark.box.width() / 4);
    long rows = 0, count = 0;
    for (const InkRun& r : mark.runs) {
        const int in = std::min(r.end, mark.box.left + quarter) - r.start;
        if (in > 0) {
            rows += static_cast<long>(r.row) * in;
            count += in;
        }
    }
    return {mark.box.left + quarter / 2, rows / std::max(1L, count)};
}

// How far a mark's anchor is from a body's nearest ink, horizontal distance
// counting double: marks sit over or under the letters they belong to.
long markDistance(std::pair<long, long> anchor, const InkPart& body)
{
    const auto [cx, cy] = anchor;
    long best = -1;
    for (const InkRun& r : body.runs) {
        const long dx = std::max({0L, r.start - cx, cx - (r.end - 1)});
        const long dy = r.row - cy;
        const long d = 4 * dx * dx + dy * dy;
        if (best < 0 || d < best)
            best = d;
    }
    return best;
}

}  // namespace

void InkBoxI::add(const InkBoxI& o)
{
    if (o.empty())
        return;
    if (empty()) {
        *this = o;
        return;
    }
    left = std::min(left, o.left);
    top = std::min(top, o.top);
    right = std::max(right, o.right);
    bottom = std::max(bottom, o.bottom);
}

void InkBoxI::addRun(const InkRun& r)
{
    add({r.start, r.row, r.end - 1, r.row});
}

int inkThresholdOf(const ZULImage& grey)
{
    std::array<double, 256> hist{};
    const int w = grey.zulGetWidth();
    const int h = grey.zulGetHeight();
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = grey.zulGetRow(y);
        for (int x = 0; x < w; ++x)
            ++hist[row[x]];
    }
    const double total = static_cast<double>(w) * h;
    double sumAll = 0;
    for (int v = 0; v < 256; ++v)
        sumAll += v * hist[static_cast<size_t>(v)];
    double below = 0, sumBelow = 0, best = -1;
    int threshold = 0;
    double contrast = 0;
    for (int t = 1; t < 256; ++t) {
        below += hist[static_cast<size_t>(t - 1)];
        sumBelow += (t - 1) * hist[static_cast<size_t>(t - 1)];
        const double above = total - below;
        if (below == 0 || above == 0)
            continue;
        const double m0 = sumBelow / below, m1 = (sumAll - sumBelow) / above;
        const double between = below * above * (m1 - m0) * (m1 - m0);
        if (between > best) {
            best = between;
            threshold = t;
            contrast = m1 - m0;
        }
    }
    return contrast < kMinInkContrast ? 0 : threshold;
}

ZoneInk findLineInk(const ZULImage& zone, int marginTop, int marginBottom,
                    const std::vector<std::pair<int, int>>* outline)
{
    ZoneInk ink;
    const ZULImage grey = flattenPaper(zone);
    const int w = grey.zulGetWidth();
    const int h = grey.zulGetHeight();
    const int zoneEnd = h - marginBottom;  // first row below the zone
    std::optional<OutlineRows> rows;
    if (outline)
        rows.emplace(*outline, zoneEnd - marginTop);
    const int threshold = inkThresholdOf(grey);
    if (threshold == 0)
        return ink;
    ZULImage binary(w, h, 8, true);
    for (int y = 0; y < h; ++y) {
        const unsigned char* src = grey.zulGetRow(y);
        unsigned char* dst = binary.zulGetRow(y);
        for (int x = 0; x < w; ++x)
            dst[x] = src[x] < threshold ? 0 : 255;
    }
    const ZULRunLabeller::Labelling labelled = ZULRunLabeller::zulLabelRuns(binary);
    if (labelled.components.empty())
        return ink;

    ink.stroke = std::max(1, typicalRunLength(labelled.runs));
    std::vector<int> rowInk(static_cast<size_t>(zoneEnd - marginTop), 0);
    for (const ZULRunLabeller::Run& r : labelled.runs)
        if (r.row >= marginTop && r.row < zoneEnd)
            rowInk[static_cast<size_t>(r.row - marginTop)] += r.end - r.start;
    std::tie(ink.coreTop, ink.coreBottom) = coreBand(rowInk);
    ink.bodyHeight = std::max(ink.coreBottom - ink.coreTop + 1, 2 * ink.stroke);

    const double bodySize = std::max(2.2 * ink.stroke, 0.45 * ink.bodyHeight);
    const int coreMiddle = (ink.coreTop + ink.coreBottom) / 2;
    for (const ZULRunLabeller::Box& c : labelled.components) {
        InkPart part;
        for (int i = 0; i < c.runCount; ++i) {
            const ZULRunLabeller::Run& r = labelled.runs[static_cast<size_t>(c.firstRun + i)];
            if (r.row < marginTop || r.row >= zoneEnd)
                continue;
            part.runs.push_back({r.row - marginTop, r.start, r.end});
            part.box.addRun(part.runs.back());
            part.pixels += r.end - r.start;
        }
        if (part.runs.empty())
            continue;
        const bool touchesCore = part.box.top <= ink.coreBottom && part.box.bottom >= ink.coreTop;
        // A single thin stroke that runs on past both edges of the zone is
        // no letter of this line: a ruled margin, the page's edge, a fold.
        if (c.top < marginTop && c.bottom >= zoneEnd &&
            part.pixels < kRuleStrokes * ink.stroke * part.box.height())
            continue;
        if (rows) {
            double inside = 0;
            for (const InkRun& r : part.runs)
                inside += rows->inside(r);
            if (inside < kInsideOutline * part.pixels)
                continue;
        } else if ((c.top < marginTop && part.box.bottom < coreMiddle) ||
                   (c.bottom >= zoneEnd && part.box.top > coreMiddle)) {
            continue;  // a piece of the line above or below, cut by the zone's edge
        }
        const int size = std::max(part.box.width(), part.box.height());
        if (2 * part.pixels < ink.stroke * ink.stroke && size < ink.stroke)
            continue;  // noise
        // Letters' bodies reach down to the baseline; a bar of a single
        // stroke ending in the core band's top quarter is a mark over them.
        const bool overCore = 4 * (part.box.bottom - ink.coreTop) < ink.coreBottom - ink.coreTop &&
                              part.pixels <= kBarStroke * ink.stroke * std::hypot(part.box.width(), part.box.height()) &&
                              isBar(part, ink.bodyHeight);
        const bool main = (touchesCore && !overCore && size >= bodySize) || size >= 1.2 * ink.bodyHeight;
        (main ? ink.bodies : ink.marks).push_back(std::move(part));
    }
    if (ink.bodies.empty())
        std::swap(ink.bodies, ink.marks);
    std::sort(ink.bodies.begin(), ink.bodies.end(), [](const InkPart& a, const InkPart& b) {
        return a.box.right != b.box.right ? a.box.right > b.box.right : a.box.left > b.box.left;
    });
    for (InkPart& mark : ink.marks) {
        int best = 0;
        long bestDistance = -1;
        const int reach = ink.bodyHeight + mark.box.width();
        const std::pair<long, long> anchor = markAnchor(mark, ink.bodyHeight);
        for (size_t b = 0; b < ink.bodies.size(); ++b) {
            if (horizontalOverlap(mark.box, ink.bodies[b].box) < -reach && bestDistance >= 0)
                continue;
            const long d = markDistance(anchor, ink.bodies[b]);
            if (bestDistance < 0 || d < bestDistance) {
                bestDistance = d;
                best = static_cast<int>(b);
            }
        }
        // A mark far from every body of the line is a neighbour's.
        const long reachSquared = static_cast<long>(kMarkReach * kMarkReach * ink.bodyHeight * ink.bodyHeight);
        mark.owner = bestDistance <= reachSquared ? best : -1;
    }
    return ink;
}

}  // namespace tavo
