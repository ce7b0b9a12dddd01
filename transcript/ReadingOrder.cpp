#include "transcript/ReadingOrder.h"

#include "groundtruth/ZoneLine.h"
#include "util/Strings.h"

#include <algorithm>
#include <string>
#include <utility>

namespace tavo {

namespace {

std::string zoneMessage(int id, const char* text)
{
    return "Zone " + std::to_string(id) + text;
}

// Sorts by key and keeps, for every key, the entry that came last, as
// repeated assignments to a map would.
template <typename T, typename Key>
void keepLastPerKey(std::vector<T>& entries, Key key)
{
    std::stable_sort(entries.begin(), entries.end(),
                     [&](const T& a, const T& b) { return key(a) < key(b); });
    size_t kept = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i + 1 < entries.size() && key(entries[i + 1]) == key(entries[i]))
            continue;
        if (kept != i)
            entries[kept] = std::move(entries[i]);
        ++kept;
    }
    entries.resize(kept);
}

struct Named {
    int next;  // a nextZoneID value, 0 included
    int by;  // the id of the zone naming it
};

}  // namespace

const ReadingOrder::Link* ReadingOrder::find(int id) const
{
    auto it = std::lower_bound(links.begin(), links.end(), id,
                               [](const Link& link, int value) { return link.id < value; });
    return it != links.end() && it->id == id ? &*it : nullptr;
}

int ReadingOrder::next(int id) const
{
    const Link* link = find(id);
    return link ? link->next : 0;
}

const std::u16string& ReadingOrder::line(int id) const
{
    static const std::u16string empty;
    const Link* link = find(id);
    return link ? link->line : empty;
}

namespace {

// The check of checkReadingOrder; lineOf gives each link its line.
template <class Zones, class LineOf>
std::optional<ReadingOrder> checkOrder(Zones& zones, LineOf lineOf, Report& report)
{
    ReadingOrder order;
    std::vector<Named> predecessor;
    for (auto& zone : zones) {
        const int id = parseInt(toNarrow(getIdAttribute(zone.text)));
        int next = intAttribute(u"nextZoneID", zone.text);
        if (getAttribute(u"status", zone.text) == u"EXTRA") {
            if (next == -1)
                continue;
            report.printLine(zoneMessage(id, " : Extra in Stream"));
            return std::nullopt;
        }
        if (next == -1)
            next = 0;
        order.links.push_back({id, next, lineOf(zone)});
        predecessor.push_back({next, id});
    }
    keepLastPerKey(order.links, [](const ReadingOrder::Link& link) { return link.id; });
    keepLastPerKey(predecessor, [](const Named& named) { return named.next; });

    // A head starts a chain: it has a successor and no zone names it (a
    // predecessor of 0 counts as none).  Negative ids never start a chain.
    std::vector<int> heads;
    for (const ReadingOrder::Link& link : order.links) {
        if (link.id < 0 || link.next == 0)
            continue;
        auto named = std::lower_bound(predecessor.begin(), predecessor.end(), link.id,
                                      [](const Named& n, int value) { return n.next < value; });
        if (named == predecessor.end() || named->next != link.id || named->by == 0)
            heads.push_back(link.id);
    }

    if (heads.size() == 1) {
        order.head = heads.front();
        return order;
    }
    if (heads.size() > 1) {
        for (int head : heads)
            report.printLine(zoneMessage(head, ": Multiple Reading Orders"));
        return std::nullopt;
    }
    // Two zones naming each other count as no order at all, a longer ring as
    // a cycle.
    report.printLine(predecessor.size() <= 2 ? "No Reading Order Found"
                                             : "Cycle Found in Reading Order");
    return std::nullopt;
}

}  // namespace

std::optional<ReadingOrder> checkReadingOrder(std::vector<DocumentZone> zones, Report& report)
{
    return checkOrder(zones, [](DocumentZone& zone) { return std::move(zone.text); }, report);
}

std::optional<ReadingOrder> checkReadingChain(const std::vector<DocumentZone>& zones, Report& report)
{
    return checkOrder(zones, [](const DocumentZone&) { return std::u16string(); }, report);
}

}  // namespace tavo
