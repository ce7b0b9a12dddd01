// The red marks the PAW commands and -render leave on the working page.
#pragma once

#include "groundtruth/ZoneBox.h"

#include <vector>

class ZULImage;

namespace tavo {

// Draws the zone frame and a vertical line at every cut (relative to
// box.col) on the working page in red, so later overlapping zones see ink.
void markZone(ZULImage& page, const ZoneBox& box, const std::vector<int>& cuts);

}  // namespace tavo
