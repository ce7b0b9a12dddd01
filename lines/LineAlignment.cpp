#include "LineAlignment.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace tavo {

namespace {

// Costs in units of the log ratio of ink to expected ink.
constexpr double kMissText = 1.6;      // a text line without ink
constexpr double kSkipInk = 1.2;       // a candidate of median length left out
constexpr double kSplitLine = 0.5;     // two pieces for one text line
constexpr double kBodyWeight = 0.3;    // body count against PAW count
constexpr double kMaxStep = 4.0;
// Cost of a pitch less between two matched candidates than the text lines
// between them ask for.  A pitch or two more costs less, up to a cap; a gap
// of many pitches more is taken for layout (a heading, a date or a
// signature standing apart) and costs a fixed amount.
constexpr double kGapWeight = 1.0;
constexpr double kWideGapWeight = 0.3;
constexpr double kWideGapCap = 1.0;
constexpr double kBlockGap = 3.0;
constexpr double kBlockGapCost = 0.5;
// A step of the alignment leaves out at most this many text lines or
// candidates.
constexpr int kWindow = 6;
// Two pieces of one line overlap each other by at most this share of the
// shorter one.
constexpr double kPieceOverlap = 0.3;

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// Length per character and bodies per PAW, from the longest candidates as
// many as there are text lines.
std::pair<double, double> inkRates(const std::vector<TextSize>& texts, const std::vector<InkSize>& ink)
{
    std::vector<InkSize> longest = ink;
    std::sort(longest.begin(), longest.end(), [](const InkSize& a, const InkSize& b) { return a.length > b.length; });
    longest.resize(std::min(longest.size(), texts.size()));
    double length = 0;
    double bodies = 0;
    for (const InkSize& s : longest) {
        length += s.length;
        bodies += s.bodies;
    }
    double characters = 0;
    double paws = 0;
    for (const TextSize& t : texts) {
        characters += t.characters;
        paws += t.paws;
    }
    return {length / std::max(characters, 1.0), bodies / std::max(paws, 1.0)};
}

}  // namespace

std::vector<LineMatch> alignLines(const std::vector<TextSize>& texts, const std::vector<InkSize>& ink,
                                  double pitch)
{
    const int n = static_cast<int>(texts.size());
    const int m = static_cast<int>(ink.size());
    std::vector<LineMatch> result(static_cast<size_t>(n));
    if (n == 0)
        return result;
    const std::pair<double, double> rates = inkRates(texts, ink);
    const double perCharacter = rates.first;
    const double perPaw = rates.second;
    std::vector<double> expected(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        expected[static_cast<size_t>(i)] = perCharacter * texts[static_cast<size_t>(i)].characters;
    const double typical = std::max(median(expected), 1.0);
    pitch = std::max(pitch, 1.0);

    auto compare = [&](int i, double length, double bodies) {
        const size_t t = static_cast<size_t>(i);
        const double lengthCost = std::abs(std::log((length + 1) / (expected[t] + 1)));
        const double bodyCost = std::abs(std::log((bodies + 1) / (perPaw * texts[t].paws + 1)));
        return std::min(kMaxStep, lengthCost + kBodyWeight * bodyCost);
    };
    // Prefix sums: texts 0..i-1 without ink, candidates 0..j-1 left out.
    std::vector<double> missed(static_cast<size_t>(n) + 1);
    for (int i = 0; i < n; ++i)
        missed[static_cast<size_t>(i) + 1] = missed[static_cast<size_t>(i)] +
            kMissText * (0.5 + 0.5 * std::min(expected[static_cast<size_t>(i)] / typical, 1.0));
    std::vector<double> skipped(static_cast<size_t>(m) + 1);
    for (int j = 0; j < m; ++j)
        skipped[static_cast<size_t>(j) + 1] = skipped[static_cast<size_t>(j)] +
            kSkipInk * std::min(ink[static_cast<size_t>(j)].length / typical, 1.5);
    auto missCost = [&](int from, int to) { return missed[static_cast<size_t>(to)] - missed[static_cast<size_t>(from)]; };
    auto skipCost = [&](int from, int to) { return skipped[static_cast<size_t>(to)] - skipped[static_cast<size_t>(from)]; };
    auto gapCost = [&](int upper, int lower, int lines) {
        const double gap = (ink[static_cast<size_t>(lower)].centre - ink[static_cast<size_t>(upper)].centre) / pitch;
        const double excess = gap - lines;
        const InkSize& a = ink[static_cast<size_t>(upper)];
        const InkSize& b = ink[static_cast<size_t>(lower)];
        if (std::min(a.right, b.right) < std::max(a.left, b.left))
            return std::max(0.0, std::min(kWideGapCap, kWideGapWeight * excess));  // side by side: any height
        if (excess <= 0)
            return std::min(kMaxStep, -kGapWeight * excess);
        return excess > kBlockGap ? kBlockGapCost : std::min(kWideGapCap, kWideGapWeight * excess);
    };
    auto sideBySide = [&](int j) {
        const InkSize& a = ink[static_cast<size_t>(j)];
        const InkSize& b = ink[static_cast<size_t>(j) + 1];
        const double overlap = std::min(a.right, b.right) - std::max(a.left, b.left);
        return overlap <= kPieceOverlap * std::min(a.length, b.length);
    };

    // State (i, j, split): text i ends at candidate j, made of candidate j
    // alone or of j - 1 and j.
    struct State {
        double cost = std::numeric_limits<double>::infinity();
        double step = 0;
        int from = -1;  // previous state, -1 for the start
    };
    auto index = [&](int i, int j, int split) { return (static_cast<size_t>(i) * static_cast<size_t>(m) + static_cast<size_t>(j)) * 2 + static_cast<size_t>(split); };
    std::vector<State> states(static_cast<size_t>(n) * static_cast<size_t>(m) * 2);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            for (int split = 0; split < 2; ++split) {
                const int first = j - split;
                if (first < 0 || (split && !sideBySide(first)))
                    continue;
                const double length = ink[static_cast<size_t>(j)].length + (split ? ink[static_cast<size_t>(first)].length : 0);
                const double bodies = ink[static_cast<size_t>(j)].bodies + (split ? ink[static_cast<size_t>(first)].bodies : 0);
                const double step = compare(i, length, bodies) + (split ? kSplitLine : 0);
                State& s = states[index(i, j, split)];
                s = {missCost(0, i) + skipCost(0, first) + step, step, -1};
                for (int i0 = std::max(0, i - kWindow); i0 < i; ++i0) {
                    for (int j0 = std::max(0, first - kWindow); j0 < first; ++j0) {
                        for (int split0 = 0; split0 < 2; ++split0) {
                            const State& p = states[index(i0, j0, split0)];
                            const double c = p.cost + missCost(i0 + 1, i) + skipCost(j0 + 1, first) +
                                             gapCost(j0, first, i - i0) + step;
                            if (c < s.cost)
                                s = {c, step, static_cast<int>(index(i0, j0, split0))};
                        }
                    }
                }
            }
        }
    }
    double best = missCost(0, n) + skipCost(0, m);
    int last = -1;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            for (int split = 0; split < 2; ++split) {
                const double c = states[index(i, j, split)].cost + missCost(i + 1, n) + skipCost(j + 1, m);
                if (c < best) {
                    best = c;
                    last = static_cast<int>(index(i, j, split));
                }
            }
        }
    }
    for (int k = last; k >= 0; k = states[static_cast<size_t>(k)].from) {
        const int split = k % 2;
        const int j = (k / 2) % m;
        const int i = (k / 2) / m;
        result[static_cast<size_t>(i)] = {j - split, j, states[static_cast<size_t>(k)].step};
    }
    return result;
}

}  // namespace tavo
