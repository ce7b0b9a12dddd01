#include "LineAlignment.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavo {

namespace {

// Costs in units of the log ratio of ink to expected ink.
constexpr double kMissText = 1.6;      // a text line without ink
constexpr double kSkipInk = 1.2;       // a candidate of median length left out
constexpr double kSplitLine = 0.5;     // two pieces for one text line
constexpr double kBodyWeight = 0.3;    // body count against PAW count
constexpr double kMaxStep = 4.0;
// Two pieces of one line overlap each other by at most this share of the
// shorter one.
constexpr double kPieceOverlap = 0.3;

enum class Step : unsigned char { None, SkipInk, MissText, Match, Split };

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

std::vector<LineMatch> alignLines(const std::vector<TextSize>& texts, const std::vector<InkSize>& ink)
{
    const size_t n = texts.size();
    const size_t m = ink.size();
    std::vector<LineMatch> result(n);
    if (n == 0)
        return result;
    const auto [perCharacter, perPaw] = inkRates(texts, ink);
    std::vector<double> expected(n);
    for (size_t i = 0; i < n; ++i)
        expected[i] = perCharacter * texts[i].characters;
    const double typical = std::max(median(expected), 1.0);

    auto compare = [&](size_t i, double length, double bodies) {
        const double lengthCost = std::abs(std::log((length + 1) / (expected[i] + 1)));
        const double bodyCost = std::abs(std::log((bodies + 1) / (perPaw * texts[i].paws + 1)));
        return std::min(kMaxStep, lengthCost + kBodyWeight * bodyCost);
    };
    auto skipCost = [&](size_t j) { return kSkipInk * std::min(ink[j].length / typical, 1.5); };
    auto missCost = [&](size_t i) { return kMissText * (0.5 + 0.5 * std::min(expected[i] / typical, 1.0)); };
    auto sideBySide = [&](size_t j) {
        const InkSize& a = ink[j];
        const InkSize& b = ink[j + 1];
        const double overlap = std::min(a.right, b.right) - std::max(a.left, b.left);
        return overlap <= kPieceOverlap * std::min(a.length, b.length);
    };

    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> cost((n + 1) * (m + 1), inf);
    std::vector<Step> step((n + 1) * (m + 1), Step::None);
    auto at = [&](size_t i, size_t j) { return i * (m + 1) + j; };
    cost[0] = 0;
    for (size_t i = 0; i <= n; ++i) {
        for (size_t j = 0; j <= m; ++j) {
            const size_t here = at(i, j);
            auto relax = [&](double value, Step s) {
                if (value < cost[here]) {
                    cost[here] = value;
                    step[here] = s;
                }
            };
            if (j > 0)
                relax(cost[at(i, j - 1)] + skipCost(j - 1), Step::SkipInk);
            if (i > 0)
                relax(cost[at(i - 1, j)] + missCost(i - 1), Step::MissText);
            if (i > 0 && j > 0)
                relax(cost[at(i - 1, j - 1)] + compare(i - 1, ink[j - 1].length, ink[j - 1].bodies), Step::Match);
            if (i > 0 && j > 1 && sideBySide(j - 2))
                relax(cost[at(i - 1, j - 2)] + kSplitLine +
                          compare(i - 1, ink[j - 2].length + ink[j - 1].length, ink[j - 2].bodies + ink[j - 1].bodies),
                      Step::Split);
        }
    }
    size_t i = n;
    size_t j = m;
    while (i > 0 || j > 0) {
        const size_t here = at(i, j);
        switch (step[here]) {
        case Step::SkipInk:
            --j;
            break;
        case Step::MissText:
            --i;
            result[i].cost = cost[here] - cost[at(i, j)];
            break;
        case Step::Match:
            --i;
            --j;
            result[i] = {static_cast<int>(j), static_cast<int>(j), cost[here] - cost[at(i, j)]};
            break;
        case Step::Split:
            --i;
            j -= 2;
            result[i] = {static_cast<int>(j), static_cast<int>(j + 1), cost[here] - cost[at(i, j)]};
            break;
        case Step::None:
            return result;
        }
    }
    return result;
}

}  // namespace tavo
