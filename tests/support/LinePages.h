// Small handwriting-like pages drawn in memory for the line finder's tests:
// lines of words, each word a baseline stroke with letters rising from it,
// at a chosen height, with dots, page numbers and touching strokes on demand.
#pragma once

#include <algorithm>

#include "ZULImage.h"

namespace tavotest {

constexpr int kStroke = 3;
constexpr int kBody = 18;    // letter height above the baseline
constexpr int kPitch = 64;   // baseline to baseline

inline ZULImage blankPage(int width, int height)
{
    ZULImage page(width, height, 8, true);
    for (int y = 0; y < height; ++y)
        std::fill(page.zulGetRow(y), page.zulGetRow(y) + width, 255);
    return page;
}

inline void fillBox(ZULImage& page, int left, int top, int width, int height, unsigned char grey = 0)
{
    for (int y = std::max(0, top); y < std::min(page.zulGetHeight(), top + height); ++y)
        for (int x = std::max(0, left); x < std::min(page.zulGetWidth(), left + width); ++x)
            page.zulGetRow(y)[x] = grey;
}

// Words of varying length right to left from column right down to column
// left along the baseline, letters every few strokes; grey for pencil.
inline void drawLine(ZULImage& page, int baseline, int left, int right, unsigned char grey = 0)
{
    int x = right;
    int word = 0;
    while (x - 40 > left) {
        const int length = 40 + (word * 37) % 50;
        fillBox(page, x - length, baseline - kStroke, length, kStroke, grey);
        for (int letter = x - length; letter < x; letter += 11)
            fillBox(page, letter, baseline - kBody + (letter % 3) * 2, kStroke, kBody - (letter % 3) * 2, grey);
        x -= length + 14;
        ++word;
    }
}

}  // namespace tavotest
