// The page reduced for line finding: grey, corrected for uneven light and
// binarised, at a scale where the line structure is still plain but the
// work is a fraction of the page's.
#pragma once

#include <cstdint>
#include <vector>

#include "ZULImage.h"

namespace tavo {

struct InkMap {
    int width = 0;   // of the reduced map
    int height = 0;
    int scale = 1;   // page pixels per map pixel, each way
    // 8-bit map, ink 0 and paper 255, as the run labeller reads it.
    ZULImage binary;
    // The grey map it was thresholded from, divided by its background, and
    // the threshold.
    std::vector<std::uint8_t> grey;
    int level = 0;
};

// scale: page pixels per map pixel, chosen from the page's shorter side.
int inkMapScale(int pageWidth, int pageHeight);

// Reduces the luminance (which keeps black, blue and red ink dark and light
// ruling light; each map pixel between the mean and the darkest of its block, so
// thin strokes survive), divides by a background estimated over blocks of a
// fixed share of the page and thresholds at the Otsu level of the result.
// A page without pixels gives an empty map.
InkMap makeInkMap(const ZULImage& page);

// makeInkMap for a page that arrives row by row, top first (a scan decoded
// as it is read): each block of rows is reduced as soon as it is in, so the
// page is never held.  finish() gives the same map as makeInkMap.
class InkMapRows {
public:
    InkMapRows(int pageWidth, int pageHeight, int bits);
    // The next row of the page (bytes as ZULImage holds them).
    void add(const unsigned char* row);
    InkMap finish();

private:
    int width_, height_, bits_, scale_;
    int next_ = 0;  // page rows added
    int mapWidth_, mapHeight_;
    std::vector<std::uint8_t> map_;
    std::vector<int> grey_, columnSum_, columnDarkest_;
};

// Thresholds rows [0, rows) of the map again, closer to the paper, so
// pencil and pale ink there become ink too (references and notes in the top
// margin).  Returns whether any faint ink was found there.
bool addFaintInk(InkMap& map, int rows);

// Otsu threshold of a 256-bin histogram: the grey level that best separates
// the two classes (values <= level are the dark class).
int otsuLevel(const std::vector<std::int64_t>& histogram);

}  // namespace tavo
