// The reading-order chain of a word-level ground-truth file: every zone names
// the zone read after it with `nextZoneID`.  checkReadingOrder finds the one
// chain of a file or reports why there is none.
#pragma once

#include "groundtruth/ZoneDocument.h"
#include "util/Report.h"

#include <optional>
#include <string>
#include <vector>

namespace tavo {

// The single chain of a file.  Links are kept sorted by the ids that occur,
// so a hostile id such as 2000000000 costs one entry, not a table of that
// size, and a lookup is a binary search.
struct ReadingOrder {
    struct Link {
        int id = 0;
        int next = 0;  // nextZoneID; 0 ends the chain
        std::u16string line;
    };

    int head = 0;
    std::vector<Link> links;  // ascending ids, one per id: the last zone with it

    // 0 for an id without a zone or with no successor.
    int next(int id) const;
    // The empty line for an id that no zone has.
    const std::u16string& line(int id) const;
    const Link* find(int id) const;
};

// Reads `id` (as a whole attribute), `nextZoneID` and `status` of every zone
// in file order.  A zone with status "EXTRA" and no nextZoneID is skipped; one
// with a nextZoneID stops the check.  On failure the reasons are printed to
// the report ("Extra in Stream", one "Multiple Reading Orders" line per head
// in ascending order, "No Reading Order Found" or "Cycle Found in Reading
// Order") and nullopt is returned.  n log n in the number of zones.
std::optional<ReadingOrder> checkReadingOrder(std::vector<DocumentZone> zones, Report& report);

// The same check for a caller that keeps the zones: the links carry no line,
// so a large file is not held twice.
std::optional<ReadingOrder> checkReadingChain(const std::vector<DocumentZone>& zones, Report& report);

}  // namespace tavo
