// Synthetic pages for the text line tests: white pages with black blocks.
#pragma once

#include "ZULImage.h"

namespace tavotest {

// A white 8-bit page.
inline ZULImage whitePage(int width, int height) { return ZULImage(width, height, 8, true); }

// Sets the block of columns left..left+width-1 and rows top..top+height-1.
inline void fillBlock(ZULImage& page, int left, int top, int width, int height, unsigned char value = 0)
{
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            page.zulGetRow(y)[x] = value;
}

// A handwriting-like line on an 8-bit page: blocks of 30 x 50 pixels (small
// enough to survive cleaning) every 40 columns from left, count blocks.
inline void drawLine(ZULImage& page, int left, int top, int count)
{
    for (int i = 0; i < count; ++i)
        fillBlock(page, left + 40 * i, top, 30, 50);
}

}  // namespace tavotest
