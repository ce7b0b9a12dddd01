// Matching the main bodies of a line's ink, right to left, to the PAWs its
// transcription expects, by dynamic programming: several bodies may make one
// PAW (a broken stroke), one body may hold several PAWs (touching PAWs, split
// at their thinnest column), a body may be left over (a speck) and a PAW may
// find no ink.  Word boundaries are wanted at the wide ink-to-ink gaps and
// PAW boundaries at the narrow ones.
#pragma once

#include "words/ZoneInk.h"
#include "words/PawPlan.h"

#include <string>
#include <vector>

namespace tavo {

// Columns [from, to] (zone coordinates, inclusive) of one body.
struct InkSlice {
    int body = 0;
    int from = 0;
    int to = 0;
};

struct MatchedPaw {
    std::vector<InkSlice> slices;  // empty when the PAW found no ink
    double cost = 0;               // of its own step and the boundary before it
    bool merged = false, split = false, wide = false, narrow = false, gap = false;
};

struct PawAlignment {
    std::vector<MatchedPaw> paws;  // one per expected PAW, text order
    bool fallback = false;         // too large to match: PAWs laid out by width
};

// The cheapest assignment of ink.bodies to plan.paws.  Lines whose table
// would exceed a few million cells are laid out in proportion to the
// expected widths instead (PawAlignment::fallback).
PawAlignment matchPaws(const ZoneInk& ink, const LinePlan& plan);

}  // namespace tavo
