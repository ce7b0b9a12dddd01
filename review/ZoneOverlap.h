// How much of each zone another zone covers, for the "overlap" measure of
// the confidence.
#pragma once

#include "review/ZoneFile.h"

#include <vector>

namespace tavo {

// The largest share of each zone's area (boxes already on the page) that one
// other zone covers; two outlined zones are never compared, since their
// boxes may share rows without sharing ink.  A row sweep keeps the zones
// still open by width class and left column, so a zone meets only the open
// zones whose columns can reach its own, and at most kMostCompared of them:
// n log n in the zones, whatever rows they share.
std::vector<double> overlapShares(const std::vector<ZoneEntry>& zones);

// More open zones within reach of one zone than any page has; a hostile file
// with more is scored on the first ones met.
constexpr int kMostCompared = 512;

}  // namespace tavo
