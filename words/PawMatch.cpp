#include "words/PawMatch.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavo {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr size_t kMaxCells = 4'000'000;
constexpr int kMaxMerge = 4;         // bodies of one Arabic PAW
constexpr int kMaxForeignMerge = 12; // bodies of one Latin or digit token
constexpr int kMaxSplit = 3;         // PAWs in one body
constexpr double kWidthWeight = 2.0;
constexpr double kMergeCost = 0.6;
constexpr double kForeignMergeCost = 0.1;
constexpr double kSplitCost = 1.5;
constexpr double kMissCost = 4.0;
constexpr double kWeakMissCost = 1.0;
constexpr double kGapCostCap = 6.0;
constexpr int kGapNeighbours = 3;  // bodies on each side that a gap is measured between

// Leftmost and rightmost ink column of every row of a body.
struct RowSpan {
    int top = 0;
    std::vector<int> left, right;
};

RowSpan rowSpan(const InkPart& body)
{
    RowSpan s;
    s.top = body.box.top;
    s.left.assign(static_cast<size_t>(body.box.height()), std::numeric_limits<int>::max());
    s.right.assign(static_cast<size_t>(body.box.height()), -1);
    for (const InkRun& r : body.runs) {
        const size_t y = static_cast<size_t>(r.row - s.top);
        s.left[y] = std::min(s.left[y], r.start);
        s.right[y] = std::max(s.right[y], r.end - 1);
    }
    return s;
}

// The horizontal white between the ink of a (on the left) and b (on the
// right), row by row where both have ink, else between their boxes.
int inkGap(const InkPart& a, const RowSpan& sa, const InkPart& b, const RowSpan& sb)
{
    const int top = std::max(a.box.top, b.box.top);
    const int bottom = std::min(a.box.bottom, b.box.bottom);
    int gap = std::numeric_limits<int>::max();
    for (int y = top; y <= bottom; ++y) {
        const int r = sa.right[static_cast<size_t>(y - sa.top)];
        const int l = sb.left[static_cast<size_t>(y - sb.top)];
        if (r >= 0 && l != std::numeric_limits<int>::max())
            gap = std::min(gap, l - r - 1);
    }
    return gap == std::numeric_limits<int>::max() ? b.box.left - a.box.right - 1 : gap;
}

// The column of from..to (page columns, columns[0] being column left) with
// the least ink, the nearest to target among equals; -1 for an empty range.
int thinnestColumn(const std::vector<int>& columns, int left, int from, int to, int target)
{
    int best = -1;
    for (int x = from; x <= to; ++x) {
        const int ink = columns[static_cast<size_t>(x - left)];
        if (best < 0 || ink < columns[static_cast<size_t>(best - left)] ||
            (ink == columns[static_cast<size_t>(best - left)] && std::abs(x - target) < std::abs(best - target)))
            best = x;
    }
    return best;
}

class Matcher {
public:
    Matcher(const ZoneInk& ink, const LinePlan& plan) : ink_(ink), plan_(plan)
    {
        n_ = ink.bodies.size();
        m_ = plan.paws.size();
        measureGaps();
        double widths = 0, weights = 0;
        for (const InkPart& b : ink.bodies)
            widths += b.box.width();
        for (const ExpectedPaw& p : plan.paws)
            weights += p.weight;
        scale_ = weights > 0 ? widths / weights : 1;
        // A gap that contradicts its boundary costs one unit per two strokes
        // and two fifths of the body height: handwritten hands space PAWs and
        // words unevenly (a pen lifted inside a PAW, two words written close),
        // so the gaps tip the balance only where they disagree clearly and
        // the widths the letters predict decide the rest.
        gapUnit_ = std::max(1.0, 2.0 * ink.stroke + 0.4 * ink.bodyHeight);
    }

    PawAlignment run()
    {
        solve();
        // Once matched, the widths of the matched groups say better how wide
        // this hand writes a unit of weight; one more pass uses that.
        double widths = 0, weights = 0;
        for (size_t j = 0; j < m_; ++j) {
            if (result_.paws[j].slices.empty())
                continue;
            for (const InkSlice& s : result_.paws[j].slices)
                widths += s.to - s.from + 1;
            weights += plan_.paws[j].weight;
        }
        if (weights > 0 && widths > 0) {
            scale_ = widths / weights;
            solve();
        }
        return std::move(result_);
    }

private:
    enum Step : unsigned char { kNone, kGroup, kSplit, kSkipBody, kMissPaw };
    struct Cell {
        double cost = kInf;
        Step step = kNone;
        unsigned char count = 0;  // bodies grouped or PAWs split
    };

    void measureGaps()
    {
        std::vector<RowSpan> spans;
        spans.reserve(n_);
        for (const InkPart& b : ink_.bodies)
            spans.push_back(rowSpan(b));
        gaps_.assign(n_, 0);
        std::vector<int> sorted;
        for (size_t i = 1; i < n_; ++i) {
            int gap = std::numeric_limits<int>::max();
            for (size_t a = i; a < std::min(n_, i + kGapNeighbours); ++a)
                for (size_t b = i >= kGapNeighbours ? i - kGapNeighbours : 0; b < i; ++b)
                    gap = std::min(gap, inkGap(ink_.bodies[a], spans[a], ink_.bodies[b], spans[b]));
            gaps_[i] = gap;
            sorted.push_back(gap);
        }
        // The threshold that leaves as many gaps above it as there are word
        // boundaries in the text.
        std::sort(sorted.begin(), sorted.end(), std::greater<int>());
        const size_t boundaries = plan_.words.empty() ? 0 : plan_.words.size() - 1;
        if (sorted.empty())
            threshold_ = 0;
        else if (boundaries == 0)
            threshold_ = sorted.front() + ink_.stroke;
        else if (boundaries >= sorted.size())
            threshold_ = sorted.back() - 1;
        else
            threshold_ = 0.5 * (sorted[boundaries - 1] + sorted[boundaries]);
    }

    double widthCost(int width, double expected) const
    {
        const double pad = 2.0 * ink_.stroke;
        return kWidthWeight * std::fabs(std::log((width + pad) / (expected * scale_ + pad)));
    }

    // The cost of a boundary before body i when PAW j starts there.
    double boundaryCost(size_t i, size_t j) const
    {
        if (i == 0 || j == 0)
            return 0;
        const double g = gaps_[i];
        const double miss = plan_.paws[j].wordStart ? threshold_ - g : g - threshold_;
        return std::min(kGapCostCap, std::max(0.0, miss / gapUnit_));
    }

    double skipCost(size_t i) const
    {
        const double size = ink_.bodies[i].pixels / (1.5 * ink_.stroke * ink_.bodyHeight);
        return 1.0 + 2.0 * std::min(1.0, size);
    }

    Cell& at(size_t i, size_t j) { return table_[i * (m_ + 1) + j]; }

    void relax(size_t i, size_t j, double cost, Step step, int count)
    {
        Cell& c = at(i, j);
        if (cost < c.cost)
            c = {cost, step, static_cast<unsigned char>(count)};
    }

    void solve()
    {
        table_.assign((n_ + 1) * (m_ + 1), Cell{});
        at(0, 0).cost = 0;
        for (size_t i = 0; i <= n_; ++i) {
            for (size_t j = 0; j <= m_; ++j) {
                const double here = at(i, j).cost;
                if (here == kInf)
                    continue;
                if (j < m_) {
                    const ExpectedPaw& paw = plan_.paws[j];
                    relax(i, j + 1, here + (paw.weak ? kWeakMissCost : kMissCost), kMissPaw, 1);
                }
                if (i == n_)
                    continue;
                relax(i + 1, j, here + skipCost(i), kSkipBody, 1);
                if (j == m_)
                    continue;
                const double boundary = boundaryCost(i, j);
                groupSteps(i, j, here + boundary);
                double expected = plan_.paws[j].weight;
                for (size_t s = 2; s <= kMaxSplit && j + s <= m_; ++s) {
                    expected += plan_.paws[j + s - 1].weight;
                    relax(i + 1, j + s,
                          here + boundary + widthCost(ink_.bodies[i].box.width(), expected) +
                              kSplitCost * static_cast<double>(s - 1),
                          kSplit, static_cast<int>(s));
                }
            }
        }
        backtrack();
    }

    void groupSteps(size_t i, size_t j, double base)
    {
        const ExpectedPaw& paw = plan_.paws[j];
        const size_t most = paw.foreign ? kMaxForeignMerge : kMaxMerge;
        int left = ink_.bodies[i].box.left;
        const int right = ink_.bodies[i].box.right;
        double inner = 0;
        for (size_t k = 1; k <= most && i + k <= n_; ++k) {
            const size_t last = i + k - 1;
            left = std::min(left, ink_.bodies[last].box.left);
            if (k > 1) {
                inner += (paw.foreign ? kForeignMergeCost : kMergeCost) +
                         std::min(kGapCostCap, std::max(0.0, (gaps_[last] - threshold_) / gapUnit_));
            }
            relax(i + k, j + 1, base + inner + widthCost(right - left + 1, paw.weight), kGroup,
                  static_cast<int>(k));
        }
    }

    void backtrack()
    {
        result_ = PawAlignment{};
        result_.paws.assign(m_, MatchedPaw{});
        size_t i = n_, j = m_;
        while (i > 0 || j > 0) {
            const Cell c = at(i, j);
            if (c.step == kMissPaw) {
                result_.paws[j - 1].cost = c.cost - at(i, j - 1).cost;
                --j;
            } else if (c.step == kSkipBody) {
                --i;
            } else if (c.step == kGroup) {
                const size_t first = i - c.count;
                MatchedPaw& paw = result_.paws[j - 1];
                for (size_t b = first; b < i; ++b)
                    paw.slices.push_back({static_cast<int>(b), ink_.bodies[b].box.left, ink_.bodies[b].box.right});
                paw.merged = c.count > 1 && !plan_.paws[j - 1].foreign;
                describe(paw, first, j - 1, c.cost - at(first, j - 1).cost);
                i = first;
                --j;
            } else {  // kSplit
                splitBody(i - 1, j - c.count, c.count, c.cost - at(i - 1, j - c.count).cost);
                --i;
                j -= c.count;
            }
        }
    }

    void describe(MatchedPaw& paw, size_t body, size_t j, double cost)
    {
        paw.cost = cost;
        paw.gap = boundaryCost(body, j) > 1.0;
        int left = paw.slices.front().from, right = paw.slices.front().to;
        for (const InkSlice& s : paw.slices) {
            left = std::min(left, s.from);
            right = std::max(right, s.to);
        }
        const double ratio = (right - left + 1) / (plan_.paws[j].weight * scale_ + ink_.stroke);
        paw.wide = ratio > 1.8;
        paw.narrow = ratio < 0.45;
    }

    // Cuts body i into count PAWs from j on at its thinnest columns near
    // where the expected widths put the cuts.
    void splitBody(size_t i, size_t j, size_t count, double cost)
    {
        const InkPart& body = ink_.bodies[i];
        const int left = body.box.left, right = body.box.right, width = body.box.width();
        std::vector<int> columns(static_cast<size_t>(width), 0);
        for (const InkRun& r : body.runs)
            for (int x = r.start; x < r.end; ++x)
                ++columns[static_cast<size_t>(x - left)];
        double total = 0;
        for (size_t p = 0; p < count; ++p)
            total += plan_.paws[j + p].weight;
        const int window = std::max(ink_.stroke, static_cast<int>(0.2 * width / static_cast<double>(count)));
        int upper = right;  // the piece being cut runs from its cut up to upper
        double done = 0;
        for (size_t p = 0; p < count; ++p) {
            MatchedPaw& paw = result_.paws[j + p];
            paw.split = true;
            paw.cost = cost / static_cast<double>(count);
            int cut = left;
            if (p + 1 < count) {
                done += plan_.paws[j + p].weight;
                const int target = right - static_cast<int>(std::lround(width * done / total));
                const int remaining = static_cast<int>(count - p - 1);
                cut = thinnestColumn(columns, left, std::max(left + remaining, target - window),
                                     std::min(upper, target + window), target);
                if (cut < 0)
                    cut = std::max(left + remaining, std::min(upper, target));
            }
            paw.slices.push_back({static_cast<int>(i), cut, upper});
            upper = cut - 1;
            if (upper < left)
                upper = left;
        }
        if (j > 0 || i > 0)
            result_.paws[j].gap = boundaryCost(i, j) > 1.0;
    }

    const ZoneInk& ink_;
    const LinePlan& plan_;
    size_t n_ = 0, m_ = 0;
    std::vector<int> gaps_;  // gaps_[i]: white before body i (i >= 1)
    double threshold_ = 0;
    double scale_ = 1;
    double gapUnit_ = 1;
    std::vector<Cell> table_;
    PawAlignment result_;
};

// Lays the PAWs out over the line's ink in proportion to their widths and
// gives each the bodies whose centre falls in its share.
PawAlignment layOutByWidth(const ZoneInk& ink, const LinePlan& plan)
{
    PawAlignment match;
    match.fallback = true;
    match.paws.assign(plan.paws.size(), MatchedPaw{});
    if (ink.bodies.empty() || plan.paws.empty())
        return match;
    int left = ink.bodies.front().box.left, right = ink.bodies.front().box.right;
    for (const InkPart& b : ink.bodies) {
        left = std::min(left, b.box.left);
        right = std::max(right, b.box.right);
    }
    double total = 0;
    for (const ExpectedPaw& p : plan.paws)
        total += p.weight;
    std::vector<double> ends;  // right-to-left share boundaries
    double done = 0;
    for (const ExpectedPaw& p : plan.paws) {
        done += p.weight;
        ends.push_back(right - (right - left + 1) * done / std::max(total, 1e-9));
    }
    for (size_t b = 0; b < ink.bodies.size(); ++b) {
        const double centre = 0.5 * (ink.bodies[b].box.left + ink.bodies[b].box.right);
        const size_t j = std::min<size_t>(
            static_cast<size_t>(std::upper_bound(ends.begin(), ends.end(), centre, std::greater<double>()) - ends.begin()),
            ends.size() - 1);
        match.paws[j].slices.push_back({static_cast<int>(b), ink.bodies[b].box.left, ink.bodies[b].box.right});
    }
    return match;
}

}  // namespace

PawAlignment matchPaws(const ZoneInk& ink, const LinePlan& plan)
{
    const size_t cells = (ink.bodies.size() + 1) * (plan.paws.size() + 1);
    if (cells > kMaxCells || ink.bodies.empty())
        return layOutByWidth(ink, plan);
    return Matcher(ink, plan).run();
}

}  // namespace tavo
