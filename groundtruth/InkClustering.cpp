#include "InkClustering.h"

#include <algorithm>
#include <cstdint>

namespace tavo {

namespace {

constexpr int kPasses = 5;
constexpr std::int64_t kLowStart = 255;

std::int64_t distance(std::int64_t a, std::int64_t b) { return a > b ? a - b : b - a; }

}  // namespace

InkCentres clusterInk(std::span<const int> counts)
{
    std::int64_t low = kLowStart;
    std::int64_t high = 0;
    for (const int v : counts) {
        low = std::min<std::int64_t>(low, v);
        high = std::max<std::int64_t>(high, v);
    }
    for (int pass = 0; pass < kPasses; ++pass) {
        // Both sizes start at 1, so an empty cluster pulls its centre to 0.
        std::int64_t lowSum = 0, lowSize = 1, highSum = 0, highSize = 1;
        for (const int v : counts) {
            if (distance(v, low) < distance(v, high)) {
                lowSum += v;
                ++lowSize;
            } else {
                highSum += v;
                ++highSize;
            }
        }
        low = lowSum / lowSize;
        high = highSum / highSize;
    }
    return {static_cast<int>(low), static_cast<int>(high)};
}

int lowInkLevel(std::span<const int> counts) { return clusterInk(counts).low; }

int inkThreshold(std::span<const int> counts)
{
    const InkCentres c = clusterInk(counts);
    return c.high - (c.high - c.low) / 3;
}

}  // namespace tavo
