#include "review/ZoneOverlap.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <queue>
#include <set>
#include <utility>

namespace tavo {

namespace {

double overlapArea(const ZoneBox& a, const ZoneBox& b)
{
    const int w = std::min(a.col + a.width, b.col + b.width) - std::max(a.col, b.col);
    const int h = std::min(a.row + a.height, b.row + b.height) - std::max(a.row, b.row);
    return w > 0 && h > 0 ? double(w) * double(h) : 0;
}

double areaOf(const ZoneBox& z) { return std::max(1.0, double(z.width) * double(z.height)); }

// Zones of width in [2^k, 2^(k+1)) go to class k.
int widthClass(int width) { return std::bit_width(static_cast<unsigned>(width)) - 1; }

}  // namespace

std::vector<double> overlapShares(const std::vector<ZoneEntry>& zones)
{
    std::vector<size_t> order(zones.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return zones[a].box.row < zones[b].box.row; });
    std::vector<double> share(zones.size(), 0.0);

    // The open zones: by width class, ordered by left column; and by the row
    // below their last, to close them.
    constexpr int kClasses = 32;
    std::vector<std::set<std::pair<int, size_t>>> open(kClasses);
    using Closing = std::pair<std::int64_t, size_t>;
    std::priority_queue<Closing, std::vector<Closing>, std::greater<>> closing;

    for (const size_t b : order) {
        const ZoneBox& second = zones[b].box;
        while (!closing.empty() && closing.top().first <= second.row) {
            const size_t a = closing.top().second;
            open[widthClass(zones[a].box.width)].erase({zones[a].box.col, a});
            closing.pop();
        }
        if (second.width <= 0 || second.height <= 0)
            continue;
        int compared = 0;
        for (int k = 0; k < kClasses && compared < kMostCompared; ++k) {
            // A zone of this class that starts further left ends before this one.
            const std::int64_t reach = std::int64_t{1} << (k + 1);
            const int from = static_cast<int>(std::max<std::int64_t>(INT32_MIN, second.col - reach));
            for (auto it = open[k].lower_bound({from, 0});
                 it != open[k].end() && it->first < second.col + second.width && compared < kMostCompared;
                 ++it, ++compared) {
                const size_t a = it->second;
                if (!zones[a].outline.empty() && !zones[b].outline.empty())
                    continue;
                const double area = overlapArea(zones[a].box, second);
                if (area <= 0)
                    continue;
                share[a] = std::max(share[a], area / areaOf(zones[a].box));
                share[b] = std::max(share[b], area / areaOf(second));
            }
        }
        open[widthClass(second.width)].insert({second.col, b});
        closing.push({std::int64_t{second.row} + second.height, b});
    }
    return share;
}

}  // namespace tavo
