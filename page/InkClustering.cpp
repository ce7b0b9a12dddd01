#include "page/InkClustering.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tavo {

namespace {

constexpr int kPasses = 5;
constexpr std::int64_t kLowStart = 255;

std::int64_t distance(std::int64_t a, std::int64_t b) { return a > b ? a - b : b - a; }

// The five passes over the counts, each value v taken weight(v) times.
// Both cluster sizes start at 1, so an empty cluster pulls its centre to 0.
template <class Values, class Weight>
InkCentres cluster(const Values& values, Weight weight, std::int64_t low, std::int64_t high)
{
    for (int pass = 0; pass < kPasses; ++pass) {
        std::int64_t lowSum = 0, lowSize = 1, highSum = 0, highSize = 1;
        for (const int v : values) {
            const std::int64_t n = weight(v);
            if (distance(v, low) < distance(v, high)) {
                lowSum += n * v;
                lowSize += n;
            } else {
                highSum += n * v;
                highSize += n;
            }
        }
        low = lowSum / lowSize;
        high = highSum / highSize;
    }
    return {static_cast<int>(low), static_cast<int>(high)};
}

}  // namespace

InkCentres clusterInk(std::span<const int> counts)
{
    std::int64_t low = kLowStart;
    std::int64_t high = 0;
    for (const int v : counts) {
        low = std::min<std::int64_t>(low, v);
        high = std::max<std::int64_t>(high, v);
    }
    // Profiles hold many counts of few values (a column's ink is at most
    // the band's height): the passes then run over the distinct values.
    if (high < static_cast<std::int64_t>(counts.size()) && low >= 0) {
        std::vector<std::int64_t> frequency(static_cast<size_t>(high) + 1, 0);
        std::vector<int> values;
        for (const int v : counts)
            if (frequency[static_cast<size_t>(v)]++ == 0)
                values.push_back(v);
        return cluster(values, [&frequency](int v) { return frequency[static_cast<size_t>(v)]; }, low, high);
    }
    return cluster(counts, [](int) { return std::int64_t{1}; }, low, high);
}

int lowInkLevel(std::span<const int> counts) { return clusterInk(counts).low; }

int inkThreshold(std::span<const int> counts)
{
    const InkCentres c = clusterInk(counts);
    return c.high - (c.high - c.low) / 3;
}

}  // namespace tavo
