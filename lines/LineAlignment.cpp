#include "lines/LineAlignment.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace tavo {

namespace {

// Costs in units of the log ratio of ink to expected ink.
constexpr double kMissText = 1.6;      // a text line without ink
constexpr double kMissForeign = 0.5;   // share of that for a line without Arabic script
constexpr double kSkipInk = 1.2;       // a candidate of median length left out
constexpr double kSplitLine = 0.5;     // two pieces for one text line
constexpr double kSharedBand = 0.6;    // two text lines in one band
// A band holds two lines only when its bodies stand this share of a pitch
// (root mean square) off its centre line: two lines a pitch apart give half.
constexpr double kBandSpread = 0.3;
constexpr double kBodyWeight = 0.3;    // body count against PAW count
constexpr double kMaxStep = 4.0;
// Letters of length the comparison of ink and text allows for.
constexpr double kLengthSlack = 2.0;
// Cost of a pitch less between two matched candidates than the text lines
// between them ask for.  A pitch or two more costs less, up to a cap; a gap
// of many pitches more is taken for layout (a heading, a date or a
// signature standing apart) and costs a fixed amount.
constexpr double kGapWeight = 1.0;
constexpr double kWideGapWeight = 0.3;
constexpr double kWideGapCap = 1.0;
constexpr double kBlockGap = 3.0;
constexpr double kBlockGapCost = 0.5;
constexpr double kShortGapShare = 0.25;
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
                                  double pitch, double* total)
{
    const int n = static_cast<int>(texts.size());
    const int m = static_cast<int>(ink.size());
    std::vector<LineMatch> result(static_cast<size_t>(n));
    if (total)
        *total = 0;
    if (n == 0)
        return result;
    const std::pair<double, double> rates = inkRates(texts, ink);
    const double perCharacter = rates.first;
    const double perPaw = rates.second;
    std::vector<double> expected(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        expected[static_cast<size_t>(i)] = perCharacter * texts[static_cast<size_t>(i)].characters;
    const double typical = std::max(median(expected), 1.0);
    // Lengths agree within a couple of letters: a page number, a catchword
    // or a one-word line is as likely a stroke or two as its letter count
    // says (digits and small letters are narrow, their dots no length).
    const double slack = 1 + kLengthSlack * perCharacter;
    pitch = std::max(pitch, 1.0);

    // A candidate against text line i, or against lines i - 1 and i
    // stacked in one band.
    auto compare = [&](int i, double length, double bodies, bool band) {
        const size_t t = static_cast<size_t>(i);
        const double lengthWanted = band ? std::max(expected[t], expected[t - 1]) : expected[t];
        const double pawsWanted = band ? texts[t].paws + texts[t - 1].paws : texts[t].paws;
        const double lengthCost = std::abs(std::log((length + slack) / (lengthWanted + slack)));
        const double bodyCost = std::abs(std::log((bodies + 1) / (perPaw * pawsWanted + 1)));
        // Latin or digits alone have no PAWs to count.
        const bool paws = texts[t].arabic || (band && texts[t - 1].arabic);
        return std::min(kMaxStep, lengthCost + (paws ? kBodyWeight * bodyCost : 0));
    };
    // Prefix sums: texts 0..i-1 without ink, candidates 0..j-1 left out.
    std::vector<double> missed(static_cast<size_t>(n) + 1);
    for (int i = 0; i < n; ++i) {
        const size_t t = static_cast<size_t>(i);
        missed[t + 1] = missed[t] + kMissText * (texts[t].arabic ? 1.0 : kMissForeign) *
                                        (0.5 + 0.5 * std::min(expected[t] / typical, 1.0));
    }
    std::vector<double> skipped(static_cast<size_t>(m) + 1);
    for (int j = 0; j < m; ++j)
        skipped[static_cast<size_t>(j) + 1] = skipped[static_cast<size_t>(j)] +
            kSkipInk * std::min(ink[static_cast<size_t>(j)].length / typical, 1.5);
    auto missCost = [&](int from, int to) { return missed[static_cast<size_t>(to)] - missed[static_cast<size_t>(from)]; };
    auto skipCost = [&](int from, int to) { return skipped[static_cast<size_t>(to)] - skipped[static_cast<size_t>(from)]; };
    auto gapCost = [&](int upper, int lower, double lines) {
        const InkSize& a = ink[static_cast<size_t>(upper)];
        const InkSize& b = ink[static_cast<size_t>(lower)];
        const double excess = (b.centre - a.centre) / pitch - lines;
        // Short lines (a reference, a date, a salutation, a signature) stand
        // apart more freely than lines of the body.
        const double shorter = std::clamp(std::min(a.length, b.length) / typical, kShortGapShare, 1.0);
        if (std::min(a.right, b.right) < std::max(a.left, b.left))  // side by side: any height
            return shorter * std::max(0.0, std::min(kWideGapCap, kWideGapWeight * excess));
        if (excess <= 0)
            return std::min(kMaxStep, -kGapWeight * excess);
        return shorter * (excess > kBlockGap ? kBlockGapCost : std::min(kWideGapCap, kWideGapWeight * excess));
    };
    auto sideBySide = [&](int j) {
        const InkSize& a = ink[static_cast<size_t>(j)];
        const InkSize& b = ink[static_cast<size_t>(j) + 1];
        const double overlap = std::min(a.right, b.right) - std::max(a.left, b.left);
        return overlap <= kPieceOverlap * std::min(a.length, b.length);
    };

    // State (i, j, kind): text i ends at candidate j.  Kinds: candidate j
    // alone, candidates j - 1 and j side by side, or candidate j holding
    // text lines i - 1 and i stacked (its centre half a line above i's).
    enum Kind { kAlone = 0, kPieces = 1, kBand = 2, kKinds = 3 };
    struct State {
        double cost = std::numeric_limits<double>::infinity();
        double step = 0;
        int from = -1;  // previous state, -1 for the start
    };
    auto index = [&](int i, int j, int kind) {
        return (static_cast<size_t>(i) * static_cast<size_t>(m) + static_cast<size_t>(j)) * kKinds + static_cast<size_t>(kind);
    };
    auto position = [](int i, int kind) { return i - (kind == kBand ? 0.5 : 0.0); };
    std::vector<State> states(static_cast<size_t>(n) * static_cast<size_t>(m) * kKinds);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            for (int kind = 0; kind < kKinds; ++kind) {
                const int firstInk = kind == kPieces ? j - 1 : j;
                const int firstText = kind == kBand ? i - 1 : i;
                if (firstInk < 0 || firstText < 0 || (kind == kPieces && !sideBySide(firstInk)) ||
                    (kind == kBand && ink[static_cast<size_t>(j)].spread < kBandSpread * pitch))
                    continue;
                const InkSize& a = ink[static_cast<size_t>(j)];
                const InkSize& b = ink[static_cast<size_t>(firstInk)];
                const double step = kind == kPieces ? compare(i, a.length + b.length, a.bodies + b.bodies, false) + kSplitLine
                                                     : compare(i, a.length, a.bodies, kind == kBand) +
                                                           (kind == kBand ? kSharedBand : 0);
                State& s = states[index(i, j, kind)];
                s = {missCost(0, firstText) + skipCost(0, firstInk) + step, step, -1};
                for (int i0 = std::max(0, firstText - kWindow); i0 < firstText; ++i0) {
                    for (int j0 = std::max(0, firstInk - kWindow); j0 < firstInk; ++j0) {
                        for (int kind0 = 0; kind0 < kKinds; ++kind0) {
                            const State& p = states[index(i0, j0, kind0)];
                            const double c = p.cost + missCost(i0 + 1, firstText) + skipCost(j0 + 1, firstInk) +
                                             gapCost(j0, firstInk, position(i, kind) - position(i0, kind0)) + step;
                            if (c < s.cost)
                                s = {c, step, static_cast<int>(index(i0, j0, kind0))};
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
            for (int kind = 0; kind < kKinds; ++kind) {
                const double c = states[index(i, j, kind)].cost + missCost(i + 1, n) + skipCost(j + 1, m);
                if (c < best) {
                    best = c;
                    last = static_cast<int>(index(i, j, kind));
                }
            }
        }
    }
    if (total)
        *total = best;
    for (int k = last; k >= 0; k = states[static_cast<size_t>(k)].from) {
        const int kind = k % kKinds;
        const int j = (k / kKinds) % m;
        const int i = (k / kKinds) / m;
        const double step = states[static_cast<size_t>(k)].step;
        if (kind == kBand) {
            result[static_cast<size_t>(i) - 1] = {j, j, step / 2, 1};
            result[static_cast<size_t>(i)] = {j, j, step / 2, 2};
        } else {
            result[static_cast<size_t>(i)] = {kind == kPieces ? j - 1 : j, j, step, 0};
        }
    }
    return result;
}

}  // namespace tavo
