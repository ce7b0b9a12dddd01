// The ink components of a reduced page, measured and sorted into what makes
// line bodies, what hangs on them (dots, diacritics) and what is no writing
// at all (ruling, borders, stains).
#pragma once

#include <vector>

#include "lines/InkMap.h"
#include "ZULRunLabeller.h"

namespace tavo {

// Sizes measured on the page, in map pixels.
struct PageMeasures {
    double stroke = 1;  // median horizontal run of ink
    double body = 4;    // median height of the components that are not specks
};

enum class PieceKind { Body, Mark, Noise };

struct InkComponent {
    ZULRunLabeller::Box box;
    PieceKind kind = PieceKind::Noise;
    int ink = 0;              // pixels
    double centreX = 0;       // ink centroid
    double centreY = 0;
};

struct PageComponents {
    PageMeasures measures;
    std::vector<InkComponent> components;
    std::vector<ZULRunLabeller::Run> runs;  // every component's runs, as labelled
};

// Erases ruling (horizontal runs much longer than a body is high, vertical
// runs several bodies tall) from the map, labels what is left and sorts the
// components: huge ones and long ones along the map's border are noise,
// specks smaller than a stroke too.
PageComponents findPageComponents(InkMap& map);

// The measures of a labelling (defaults when it holds no ink).
PageMeasures measurePage(const ZULRunLabeller::Labelling& labelling);

}  // namespace tavo
