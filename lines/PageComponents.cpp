#include "lines/PageComponents.h"

#include <algorithm>
#include <cmath>

namespace tavo {

namespace {

// Ruling: a horizontal run this many bodies long, a vertical one this many
// bodies tall.  Handwriting joins letters along the line but seldom over
// more than a few bodies without a break, and its tallest letters stay
// within about three bodies.
constexpr double kRulingLength = 8.0;
constexpr double kRulingHeight = 4.5;
// Ruling across this share of the page or more goes before the page is
// measured.
constexpr int kPageRuling = 3;
// Ruling is thin: this many strokes above and below it the page is paper.
constexpr double kRulingReach = 2.0;
// A component this many bodies high is a stain, a frame or a border, not
// writing.
constexpr double kHugeExtent = 6.0;
// A thin upright stroke this many bodies tall, at most this many strokes
// wide, is a frame or column rule (no letter stands so tall alone).
constexpr double kRuleHeight = 3.5;
constexpr double kRuleWidth = 3.0;
// Along the border, a component this many bodies long is the scanner's edge
// or the page's surroundings.
constexpr double kBorderExtent = 3.0;
// A blot (a stain, foxing, a scorch mark) is pale, broad and solid: its
// runs average this many strokes or more, it covers this share of its box
// or more, and it is less than this share as dark as the page's ink
// (writing, even a broad heading, is darker; faint writing is thinner; a
// rubric in red, pale and broad, leaves paper between its strokes).
constexpr double kBlotRuns = 3.0;
constexpr double kBlotFill = 0.4;
constexpr double kBlotDarkness = 0.5;
// A line body is at least this share of the median body high, or this many
// bodies wide; smaller ink is a mark that hangs on a body.
constexpr double kBodyHeightShare = 0.5;
constexpr double kBodyWidthShare = 1.0;

template <typename T>
double median(std::vector<T> values)
{
    if (values.empty())
        return 0;
    const size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid), values.end());
    return static_cast<double>(values[mid]);
}

// Ink pixels of row y, columns [from, to); none outside the map.
int rowInk(const InkMap& map, int y, int from, int to)
{
    if (y < 0 || y >= map.height)
        return 0;
    const unsigned char* row = map.binary.zulGetRow(y);
    return static_cast<int>(std::count(row + from, row + to, 0));
}

int columnInk(const InkMap& map, int x, int from, int to)
{
    if (x < 0 || x >= map.width)
        return 0;
    int n = 0;
    for (int y = from; y < to; ++y)
        n += map.binary.zulGetRow(y)[x] == 0 ? 1 : 0;
    return n;
}

// Paints over thin horizontal and vertical ink runs longer than the limits:
// thin when the rows (columns) reach beyond a couple of strokes either side
// are mostly paper, so a long run inside a blob stays.  Both directions are
// found before either is painted, so crossing grid lines are seen whole.
bool eraseRuling(InkMap& map, int longest, int tallest, int reach)
{
    struct Segment {
        int along;  // row of a horizontal run, column of a vertical one
        int first;
        int end;
    };
    std::vector<Segment> rows;
    for (int y = 0; y < map.height; ++y) {
        const unsigned char* row = map.binary.zulGetRow(y);
        int x = 0;
        while (x < map.width) {
            if (row[x] != 0) {
                ++x;
                continue;
            }
            int end = x;
            while (end < map.width && row[end] == 0)
                ++end;
            const int half = (end - x) / 2;
            if (end - x > longest && rowInk(map, y - reach, x, end) < half && rowInk(map, y + reach, x, end) < half)
                rows.push_back({y, x, end});
            x = end;
        }
    }
    // Column runs, kept per column while the rows go by.
    std::vector<Segment> columns;
    std::vector<int> start(static_cast<size_t>(map.width), -1);
    auto closeRun = [&](int x, int end) {
        const int first = start[static_cast<size_t>(x)];
        const int half = (end - first) / 2;
        if (first >= 0 && end - first > tallest && columnInk(map, x - reach, first, end) < half &&
            columnInk(map, x + reach, first, end) < half)
            columns.push_back({x, first, end});
        start[static_cast<size_t>(x)] = -1;
    };
    for (int y = 0; y < map.height; ++y) {
        const unsigned char* row = map.binary.zulGetRow(y);
        for (int x = 0; x < map.width; ++x) {
            if (row[x] == 0) {
                if (start[static_cast<size_t>(x)] < 0)
                    start[static_cast<size_t>(x)] = y;
            } else if (start[static_cast<size_t>(x)] >= 0) {
                closeRun(x, y);
            }
        }
    }
    for (int x = 0; x < map.width; ++x)
        closeRun(x, map.height);
    for (const Segment& r : rows)
        std::fill(map.binary.zulGetRow(r.along) + r.first, map.binary.zulGetRow(r.along) + r.end, 255);
    for (const Segment& c : columns) {
        for (int y = c.first; y < c.end; ++y)
            map.binary.zulGetRow(y)[c.along] = 255;
    }
    return !rows.empty() || !columns.empty();
}

}  // namespace

PageMeasures measurePage(const ZULRunLabeller::Labelling& labelling)
{
    PageMeasures m;
    std::vector<int> runLengths;
    runLengths.reserve(labelling.runs.size());
    for (const auto& run : labelling.runs)
        runLengths.push_back(run.end - run.start);
    if (runLengths.empty())
        return m;
    m.stroke = std::max(1.0, median(runLengths));
    std::vector<int> heights;
    for (const auto& c : labelling.components) {
        const int h = c.bottom - c.top + 1;
        const int w = c.right - c.left + 1;
        if (h >= 2 * m.stroke || w >= 3 * m.stroke)
            heights.push_back(h);
    }
    if (!heights.empty())
        m.body = std::max(2.0 * m.stroke, median(heights));
    return m;
}

PageComponents findPageComponents(InkMap& map)
{
    PageComponents page;
    if (map.width <= 0 || map.height <= 0)
        return page;
    ZULRunLabeller::Labelling labelling = ZULRunLabeller::zulLabelRuns(map.binary);
    PageMeasures m = measurePage(labelling);
    // Ruling across the page first: a grid joins all the writing into one
    // component, and the page is measured once it is gone.
    if (eraseRuling(map, map.width / kPageRuling, map.height / kPageRuling,
                    static_cast<int>(std::ceil(kRulingReach * m.stroke)))) {
        labelling = ZULRunLabeller::zulLabelRuns(map.binary);
        m = measurePage(labelling);
    }
    if (eraseRuling(map, static_cast<int>(kRulingLength * m.body), static_cast<int>(kRulingHeight * m.body),
                    static_cast<int>(std::ceil(kRulingReach * m.stroke)))) {
        labelling = ZULRunLabeller::zulLabelRuns(map.binary);
        m = measurePage(labelling);
    }
    page.measures = m;
    page.runs = std::move(labelling.runs);
    page.components.reserve(labelling.components.size());
    const double speck = m.stroke * m.stroke / 2;
    // Darkness of each component: its mean depth below the threshold, as
    // a share of the threshold; the page's ink is the median of those of
    // body size.
    const bool withGrey = map.level > 0 &&
                          map.grey.size() == static_cast<size_t>(map.width) * static_cast<size_t>(map.height);
    auto bodySized = [&](const ZULRunLabeller::Box& box) {
        return box.bottom - box.top + 1 >= kBodyHeightShare * m.body ||
               box.right - box.left + 1 >= kBodyWidthShare * m.body;
    };
    std::vector<double> darkness(labelling.components.size(), 1.0);
    std::vector<double> inkDarkness;
    for (size_t k = 0; k < labelling.components.size(); ++k) {
        const auto& box = labelling.components[k];
        InkComponent c;
        c.box = box;
        double sx = 0;
        double sy = 0;
        double grey = 0;
        for (int i = 0; i < box.runCount; ++i) {
            const auto& run = page.runs[static_cast<size_t>(box.firstRun + i)];
            const int n = run.end - run.start;
            c.ink += n;
            sx += (run.start + run.end - 1) * 0.5 * n;
            sy += static_cast<double>(run.row) * n;
            if (withGrey) {
                const std::uint8_t* row = map.grey.data() + static_cast<size_t>(run.row) * static_cast<size_t>(map.width);
                for (int x = run.start; x < run.end; ++x)
                    grey += row[x];
            }
        }
        c.centreX = sx / std::max(c.ink, 1);
        c.centreY = sy / std::max(c.ink, 1);
        if (withGrey && c.ink >= speck && bodySized(box)) {
            darkness[k] = 1 - grey / (static_cast<double>(map.level) * c.ink);
            inkDarkness.push_back(darkness[k]);
        }
        page.components.push_back(c);
    }
    const double pageDarkness = median(inkDarkness);
    for (size_t k = 0; k < page.components.size(); ++k) {
        InkComponent& c = page.components[k];
        const auto& box = c.box;
        const double w = box.right - box.left + 1;
        const double h = box.bottom - box.top + 1;
        const bool onBorder = box.left == 0 || box.top == 0 || box.right == map.width - 1 ||
                              box.bottom == map.height - 1;
        const bool rule = h > kRuleHeight * m.body && w <= kRuleWidth * m.stroke;
        const bool blot = c.ink >= kBlotRuns * m.stroke * box.runCount && c.ink >= kBlotFill * w * h &&
                          darkness[k] < kBlotDarkness * pageDarkness;
        if (h > kHugeExtent * m.body || rule ||
            (onBorder && std::max(w, h) > kBorderExtent * m.body) || c.ink < speck || blot)
            c.kind = PieceKind::Noise;
        else if (bodySized(box))
            c.kind = PieceKind::Body;
        else
            c.kind = PieceKind::Mark;
    }
    return page;
}

}  // namespace tavo
