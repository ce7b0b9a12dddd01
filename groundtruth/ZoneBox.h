// The rectangle of a zone line in page pixels, and the two tests of whether
// it lies on a page.
#pragma once

#include <string_view>

namespace tavo {

// Zone geometry read with atoi rules (leading blanks and a sign allowed,
// digits up to the first other character, no digits give 0).
struct ZoneBox {
    int col = 0;
    int row = 0;
    int width = 0;
    int height = 0;
};
ZoneBox readZoneBox(std::u16string_view line);

// The strict page test of -paw: non-negative corner and size, and
// col + width < page width, row + height < page height (a zone that ends on
// the page's right or bottom edge is refused).
bool zoneInsidePage(const ZoneBox& box, int pageWidth, int pageHeight);

// Whether the box is a valid sub-image of the page: non-negative corner and
// size, ending at most on the page edge.
bool zoneFitsPage(const ZoneBox& box, int pageWidth, int pageHeight);

}  // namespace tavo
