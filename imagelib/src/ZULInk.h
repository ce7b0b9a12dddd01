// Ink: the pixels whose grey value is below 128.
//
// A colour pixel's grey value is (299 red + 587 green + 114 blue) / 1000, so
// it is ink exactly when the weighted sum is below 128 x 1000; the test needs
// no division and no grey copy.  An 8-bit pixel is ink below 128, a 1-bit
// pixel when its bit is clear (black).  The row operations read the pixels
// in place, eight or more at a time, and pass over colour groups that are
// all paper or all ink without weighing each pixel.
#pragma once

#include <cstdint>

class ZULInk {
public:
    static constexpr int kInkBelow = 128;

    static bool zulIsColourInk(const unsigned char* rgb)
    {
        return 299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2] < kInkBelow * 1000;
    }

    // Number of 64-bit words zulPackRow writes for a row of width pixels.
    static int zulPackedWords(int width) { return (width + 63) / 64; }

    // Packs the width pixels of one row of a 1-, 8- or 24-bit image into
    // zulPackedWords(width) words: bit k of word j is set when pixel
    // 64 j + k is ink.  The bits past the row's end are clear.  Returns
    // whether the row holds any ink.
    static bool zulPackRow(const unsigned char* row, int bits, int width, std::uint64_t* packed);

    // Adds one to counts[i] for every ink pixel first + i (i < width) of one
    // row of a 1-, 8- or 24-bit image and returns how many there were.
    static int zulAddInkColumns(const unsigned char* row, int bits, int first, int width, int* counts);
};
