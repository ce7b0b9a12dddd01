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

// The verdict of a zone that may carry a doubt: a zone in doubt is doubtful
// (failed below kFailedBelow) whatever its confidence, since a word's
// confidence is the chance that it is right and a zone may be doubted at a
// high chance; one without a doubt is judged by its confidence alone, as
// files written before doubts decided the verdict.
inline ZoneVerdict verdictOf(double confidence, bool doubted)
{
    if (!doubted)
        return verdictOf(confidence);
    return confidence < kFailedBelow ? ZoneVerdict::Failed : ZoneVerdict::Doubtful;
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
