// The overlap share of every zone, against comparing every pair.
#include "review/ZoneOverlap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

std::vector<double> everyPair(const std::vector<tavo::ZoneEntry>& zones)
{
    std::vector<double> share(zones.size(), 0.0);
    for (size_t a = 0; a < zones.size(); ++a)
        for (size_t b = 0; b < zones.size(); ++b) {
            const tavo::ZoneBox &p = zones[a].box, &q = zones[b].box;
            const int w = std::min(p.col + p.width, q.col + q.width) - std::max(p.col, q.col);
            const int h = std::min(p.row + p.height, q.row + q.height) - std::max(p.row, q.row);
            if (a == b || w <= 0 || h <= 0 || (!zones[a].outline.empty() && !zones[b].outline.empty()))
                continue;
            share[a] = std::max(share[a], double(w) * h / std::max(1.0, double(p.width) * p.height));
        }
    return share;
}

// Word rows, page-high columns, very wide zones, empty and outlined zones
// mixed: every pair that shares area is found.
TEST(ZoneOverlap, AgreesWithEveryPair)
{
    std::mt19937 random(7);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int round = 0; round < 40; ++round) {
        std::vector<tavo::ZoneEntry> zones(static_cast<size_t>(pick(1, 300)));
        for (tavo::ZoneEntry& zone : zones) {
            switch (pick(0, 3)) {
            case 0: zone.box = {pick(0, 2000), 0, pick(1, 3), 3000}; break;         // page high
            case 1: zone.box = {pick(0, 500), pick(0, 2900), pick(1000, 2000), pick(0, 60)}; break;
            default: zone.box = {pick(0, 2400), pick(0, 2900), pick(0, 90), pick(1, 60)}; break;
            }
            if (pick(0, 4) == 0)
                zone.outline = {{zone.box.col, zone.box.row}};
        }
        EXPECT_EQ(tavo::overlapShares(zones), everyPair(zones)) << "round " << round;
    }
}

}  // namespace
