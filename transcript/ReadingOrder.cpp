#include "ReadingOrder.h"

#include "Strings.h"
#include "ZoneLine.h"

#include <string>

namespace tavo {

namespace {

int intAttribute(std::u16string_view name, const std::u16string& line)
{
    return parseInt(toNarrow(getAttribute(name, line)));
}

std::string zoneMessage(int id, const char* text)
{
    return "Zone " + std::to_string(id) + text;
}

}  // namespace

int ReadingOrder::next(int id) const
{
    auto it = successor.find(id);
    return it == successor.end() ? 0 : it->second;
}

const std::u16string& ReadingOrder::line(int id) const
{
    static const std::u16string empty;
    auto it = lines.find(id);
    return it == lines.end() ? empty : it->second;
}

std::optional<ReadingOrder> checkReadingOrder(const std::vector<DocumentZone>& zones,
                                              Report& report)
{
    ReadingOrder order;
    std::map<int, int> predecessor;  // nextZoneID -> the id of the zone naming it
    for (const DocumentZone& zone : zones) {
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
        order.successor[id] = next;
        predecessor[next] = id;
        order.lines[id] = zone.text;
    }

    // A head starts a chain: it has a successor and no zone names it (a
    // predecessor of 0 counts as none).  Negative ids never start a chain.
    std::vector<int> heads;
    for (const auto& [id, next] : order.successor) {
        if (id < 0 || next == 0)
            continue;
        auto named = predecessor.find(id);
        if (named == predecessor.end() || named->second == 0)
            heads.push_back(id);
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

}  // namespace tavo
