// Two-means clustering of a list of non-negative counts (the ink of rows,
// columns or line boxes) into a low and a high centre.
//
// The centres start at the smallest count (but at most 255) and the largest
// count (at least 0).  Five passes follow: a count joins the low cluster when
// it is strictly nearer the low centre, otherwise the high one; each centre
// becomes its cluster's sum divided by one more than its size, truncated.
// An empty list leaves both centres at 0.
//
// The functions take a span so that any contiguous list of counts serves.
#pragma once

#include <span>

namespace tavo {

struct InkCentres {
    int low = 0;
    int high = 0;
};

InkCentres clusterInk(std::span<const int> counts);

// The low centre: the ink level of the quiet rows or columns.
int lowInkLevel(std::span<const int> counts);

// The high centre less a third of the distance between the centres.
int inkThreshold(std::span<const int> counts);

}  // namespace tavo
