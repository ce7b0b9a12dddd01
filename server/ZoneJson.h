// The zones and edit operations as the editor sends and receives them
// (JSON; see docs/editor.md).
#pragma once

#include "server/ZoneEdits.h"

#include <nlohmann/json.hpp>

#include <vector>

namespace tavo {

nlohmann::json zoneToJson(const EditZone& zone);
nlohmann::json zonesToJson(const std::vector<EditZone>& zones);

// Reads a "zones" array; throws EditError naming the zone and the field that
// is missing or malformed.  Numbers are rounded to whole pixels; a text
// longer than kMaxTextLength or more than kMaxZones zones are refused.
std::vector<EditZone> zonesFromJson(const nlohmann::json& zones);
EditOp editOpFromJson(const nlohmann::json& op);

constexpr size_t kMaxZones = 200000;
constexpr size_t kMaxTextLength = 100000;

}  // namespace tavo
