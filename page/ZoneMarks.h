// The marks (red unless told otherwise) the PAW commands and -render leave on the working page.
#pragma once

#include "groundtruth/ZoneBox.h"

#include <array>
#include <cstdint>
#include <vector>

class ZULImage;

namespace tavo {

// Draws the zone frame and a vertical line at every cut (relative to
// box.col) on the working page in red (or the colour given), so later
// overlapping zones see ink.
using MarkColor = std::array<std::uint8_t, 3>;
constexpr MarkColor kMarkRed{255, 0, 0};
void markZone(ZULImage& page, const ZoneBox& box, const std::vector<int>& cuts, MarkColor color = kMarkRed);

}  // namespace tavo
