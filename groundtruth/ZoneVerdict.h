// The three verdicts a zone's confidence stands for, shared by the commands
// that write, draw and list them.
#pragma once

#include "groundtruth/ZoneLine.h"
#include "util/Strings.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace tavo {

enum class ZoneVerdict { Sure, Doubtful, Failed };

// Below this a zone is doubtful, below the second it has failed.
constexpr double kDoubtfulBelow = 0.5;
constexpr double kFailedBelow = 0.2;

inline ZoneVerdict verdictOf(double confidence)
{
    if (confidence < kFailedBelow)
        return ZoneVerdict::Failed;
    return confidence < kDoubtfulBelow ? ZoneVerdict::Doubtful : ZoneVerdict::Sure;
}

// The confidence attribute of a zone line, when it has a readable one
// (clamped to 0..1).
inline std::optional<double> zoneConfidence(std::u16string_view line)
{
    const std::optional<std::u16string> value = getWholeAttribute(line, u"confidence");
    if (!value || value->empty())
        return std::nullopt;
    const std::string text = toNarrow(*value);
    char* end = nullptr;
    const double c = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !(c == c))
        return std::nullopt;
    return c < 0 ? 0.0 : (c > 1 ? 1.0 : c);
}

}  // namespace tavo
