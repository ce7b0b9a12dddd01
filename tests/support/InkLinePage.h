// Line images for the word finder tests: PAWs drawn as a baseline stroke with
// an upright stroke at its right end, 4 pixels thick, on a white 24-bit page.
#pragma once

#include "ZULImage.h"

#include <string>

namespace wordstest {

constexpr int kStroke = 4;
constexpr int kBase = 60;        // bottom row of the baseline strokes
constexpr int kAscent = 30;      // height of the upright strokes

inline void fill(ZULImage& page, int x0, int y0, int x1, int y1)
{
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            page.zulSetColorPixel(x, y, 0, 0, 0);
}

inline void drawPaw(ZULImage& page, int left, int right)
{
    fill(page, left, kBase - kStroke + 1, right, kBase);
    fill(page, right - kStroke + 1, kBase - kAscent + 1, right, kBase);
}

inline ZULImage whitePage() { return ZULImage(400, 120, 24, true); }

// A line zone over columns 20..379 and rows 10..99 of the page.
inline std::u16string lineZone(const std::u16string& contents)
{
    return u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" col=\"20\" row=\"10\" width=\"360\" "
           u"height=\"90\" offsets=\"\" contents=\"" + contents + u"\" segmentation=\"word\" > </DL_ZONE>";
}

// Words of one PAW each, from narrow (la) to wide (sami').
inline const std::u16string kBayt = u"\u0628\u064A\u062A";
inline const std::u16string kMin = u"\u0645\u0646";
inline const std::u16string kLa = u"\u0644\u0627";
inline const std::u16string kSami = u"\u0633\u0645\u0639";

}  // namespace wordstest
