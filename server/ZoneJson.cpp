#include "server/ZoneJson.h"

#include "util/Strings.h"

#include <cmath>

namespace tavo {

using nlohmann::json;

namespace {

// Coordinates far beyond any page are refused rather than wrapped.
constexpr double kMaxCoordinate = 1e7;

json boxJson(const EditBox& b) { return json::array({b.x, b.y, b.w, b.h}); }

json pointsJson(const std::vector<std::pair<int, int>>& points)
{
    json out = json::array();
    for (const auto& [x, y] : points)
        out.push_back(json::array({x, y}));
    return out;
}

struct Reader {
    size_t index;

    [[noreturn]] void fail(const std::string& what) const
    {
        throw EditError("zone " + std::to_string(index) + ": " + what);
    }

    int number(const json& value, const char* field) const
    {
        if (!value.is_number())
            fail(std::string(field) + " is not a number");
        const double v = value.get<double>();
        if (!std::isfinite(v) || std::abs(v) > kMaxCoordinate)
            fail(std::string(field) + " is out of range");
        return static_cast<int>(std::lround(v));
    }

    int field(const json& zone, const char* name) const
    {
        const auto at = zone.find(name);
        if (at == zone.end())
            fail(std::string("no ") + name);
        return number(*at, name);
    }

    std::vector<int> tuple(const json& value, size_t size, const char* field) const
    {
        if (!value.is_array() || value.size() != size)
            fail(std::string(field) + " holds an entry that is not " + std::to_string(size) + " numbers");
        std::vector<int> out;
        for (const json& v : value)
            out.push_back(number(v, field));
        return out;
    }

    const json* list(const json& zone, const char* name) const
    {
        const auto at = zone.find(name);
        if (at == zone.end() || at->is_null())
            return nullptr;
        if (!at->is_array())
            fail(std::string(name) + " is not a list");
        return &*at;
    }

    std::vector<std::pair<int, int>> points(const json& zone, const char* name) const
    {
        std::vector<std::pair<int, int>> out;
        if (const json* all = list(zone, name))
            for (const json& p : *all) {
                const std::vector<int> v = tuple(p, 2, name);
                out.emplace_back(v[0], v[1]);
            }
        return out;
    }

    std::u16string text(const json& value, const char* field) const
    {
        if (!value.is_string())
            fail(std::string(field) + " is not a string");
        const std::string& utf8 = value.get_ref<const std::string&>();
        if (utf8.size() > kMaxTextLength)
            fail(std::string(field) + " is too long");
        return wideFromUtf8(utf8);
    }
};

}  // namespace

json zoneToJson(const EditZone& z)
{
    json out = {{"kind", z.isLine ? "line" : "word"},
                {"x", z.box.x},
                {"y", z.box.y},
                {"w", z.box.w},
                {"h", z.box.h},
                {"text", utf8FromWide(z.text)},
                {"confidence", nullptr},
                {"doubt", nullptr},
                {"checked", z.checked},
                {"pawboxes", json::array()},
                {"polygon", pointsJson(z.polygon)},
                {"baseline", pointsJson(z.baseline)},
                {"ref", z.ref}};
    out["line"] = z.line >= 0 ? json(z.line) : json(nullptr);
    if (z.confidence)
        out["confidence"] = std::round(*z.confidence * 100) / 100;
    if (z.doubt)
        out["doubt"] = utf8FromWide(*z.doubt);
    for (const EditBox& b : z.pawboxes)
        out["pawboxes"].push_back(boxJson(b));
    return out;
}

json zonesToJson(const std::vector<EditZone>& zones)
{
    json out = json::array();
    for (const EditZone& z : zones)
        out.push_back(zoneToJson(z));
    return out;
}

std::vector<EditZone> zonesFromJson(const json& zones)
{
    if (!zones.is_array())
        throw EditError("zones is not a list");
    if (zones.size() > kMaxZones)
        throw EditError("too many zones");
    std::vector<EditZone> out;
    out.reserve(zones.size());
    for (size_t i = 0; i < zones.size(); ++i) {
        const Reader r{i};
        const json& z = zones[i];
        if (!z.is_object())
            r.fail("is not an object");
        EditZone zone;
        const auto kind = z.find("kind");
        if (kind == z.end() || !kind->is_string() || (*kind != "line" && *kind != "word"))
            r.fail("kind is neither \"line\" nor \"word\"");
        zone.isLine = *kind == "line";
        if (const auto line = z.find("line"); line != z.end() && !line->is_null())
            zone.line = r.number(*line, "line");
        zone.box = {r.field(z, "x"), r.field(z, "y"), r.field(z, "w"), r.field(z, "h")};
        if (zone.box.w < 0 || zone.box.h < 0)
            r.fail("negative size");
        const auto text = z.find("text");
        if (text == z.end())
            r.fail("no text");
        zone.text = r.text(*text, "text");
        if (const auto c = z.find("confidence"); c != z.end() && !c->is_null()) {
            if (!c->is_number() || !std::isfinite(c->get<double>()))
                r.fail("confidence is not a number");
            zone.confidence = std::clamp(c->get<double>(), 0.0, 1.0);
        }
        if (const auto d = z.find("doubt"); d != z.end() && !d->is_null())
            zone.doubt = r.text(*d, "doubt");
        if (const auto c = z.find("checked"); c != z.end() && !c->is_null()) {
            if (!c->is_boolean())
                r.fail("checked is not true or false");
            zone.checked = c->get<bool>();
        }
        if (const json* paws = r.list(z, "pawboxes"))
            for (const json& p : *paws) {
                const std::vector<int> v = r.tuple(p, 4, "pawboxes");
                zone.pawboxes.push_back({v[0], v[1], v[2], v[3]});
            }
        zone.polygon = r.points(z, "polygon");
        zone.baseline = r.points(z, "baseline");
        if (const auto ref = z.find("ref"); ref != z.end() && !ref->is_null())
            zone.ref = std::max(0, r.number(*ref, "ref"));
        out.push_back(std::move(zone));
    }
    return out;
}

EditOp editOpFromJson(const json& op)
{
    if (!op.is_object())
        throw EditError("op is not an object");
    const auto type = op.find("type");
    if (type == op.end() || !type->is_string())
        throw EditError("op has no type");
    const Reader r{0};
    auto get = [&](const char* name) {
        const auto at = op.find(name);
        if (at == op.end() || !at->is_number())
            throw EditError(std::string("op has no number ") + name);
        return r.number(*at, name);
    };
    EditOp out;
    if (*type == "split") {
        out.type = EditOp::Type::Split;
        out.zone = get("zone");
        out.x = get("x");
    } else if (*type == "merge") {
        out.type = EditOp::Type::Merge;
        out.zone = get("a");
        out.other = get("b");
    } else if (*type == "move") {
        out.type = EditOp::Type::Move;
        out.zone = get("zone");
        out.dir = get("dir");
    } else if (*type == "renumber") {
        out.type = EditOp::Type::Renumber;
    } else {
        throw EditError("unknown op type");
    }
    return out;
}

}  // namespace tavo
