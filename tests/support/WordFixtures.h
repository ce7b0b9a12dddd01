// Small synthetic pages for the word tests: white 24-bit pages with grey or
// black blocks standing for pieces of words.
#pragma once

#include "ZULImage.h"

#include <cstdint>
#include <string>

namespace wordtest {

inline ZULImage whitePage(int width, int height, int bits = 24)
{
    return ZULImage(width, height, bits, true);
}

// Fills columns x0..x1 and rows y0..y1 (inclusive) with one grey value.
inline void fillBlock(ZULImage& page, int x0, int y0, int x1, int y1, int grey)
{
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            if (page.zulGetBitsPerPixel() == 24) {
                const auto g = static_cast<std::uint8_t>(grey);
                page.zulSetColorPixel(x, y, g, g, g);
            } else {
                page.zulSetPixel(x, y, grey);
            }
        }
    }
}

inline bool isRed(const ZULImage& page, int x, int y)
{
    const unsigned char* p = page.zulGetRow(y) + 3 * x;
    return p[0] == 255 && p[1] == 0 && p[2] == 0;
}

inline bool hasRed(const ZULImage& page)
{
    for (int y = 0; y < page.zulGetHeight(); ++y) {
        for (int x = 0; x < page.zulGetWidth(); ++x) {
            if (isRed(page, x, y))
                return true;
        }
    }
    return false;
}

inline const std::u16string kHead =
    u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" segmentation=\"word\" ";

// Three PAWs of Arabic text, one per word or joined into words by the tests.
inline const std::u16string kPaw1 = u"\u0645\u0646";
inline const std::u16string kPaw2 = u"\u0628\u0627";
inline const std::u16string kPaw3 = u"\u0643\u062A";

}  // namespace wordtest
