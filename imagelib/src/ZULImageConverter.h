// Conversions between the three depths of the image model: 1-bit (binary),
// 8-bit (gray) and 24-bit (colour).  Every conversion keeps the source's
// resolutions, so a page keeps its dots per inch through any command.
//
// The raising conversions fill out from src and return out (out may be src
// itself); misuse raises ZULException.  The zulCreate... conversions never
// raise: they return a new image, or null when the source is missing, has no
// pixels or has the wrong depth, or a parameter is out of range.
#pragma once

#include <memory>

#include "ZULImage.h"

class ZULImageConverter {
public:
    // Conversion targets (the same numbers as colorType).
    static constexpr int kBinary = 1;
    static constexpr int kGray = 2;
    static constexpr int kColor = 3;

    using ImagePtr = std::unique_ptr<ZULImage>;

    static ZULImage& zulBit2Byte(ZULImage& out, const ZULImage& src);
    static ZULImage& zulGray2Color(ZULImage& out, const ZULImage& src);
    static ZULImage& zulBit2Color(ZULImage& out, const ZULImage& src);
    // A pixel becomes white (set bit) when it is at least threshold (0..255).
    static ZULImage& zulByte2Bit(ZULImage& out, const ZULImage& src, int threshold);
    // gray = (299 red + 587 green + 114 blue) / 1000.
    static ZULImage& zulColor2Gray(ZULImage& out, const ZULImage& src);
    // One row of zulColor2Gray: width RGB pixels to width gray bytes.
    static void zulColor2GrayRow(const unsigned char* rgb, int width, unsigned char* gray);
    // White exactly where all three channels reach their thresholds.
    static ZULImage& zulDownscaleColor2Binary_threshold(ZULImage& out, const ZULImage& src, int tRed,
                                                        int tGreen, int tBlue);
    // Channel thresholds at percent x (minimum + maximum) of each channel.
    static ZULImage& zulDownscaleColor2Binary_percentThreshold(ZULImage& out, const ZULImage& src,
                                                               double percent);
    // target kBinary, kGray or kColor.
    static ZULImage& zulConvertImage(ZULImage& out, const ZULImage& src, int target);

    static ImagePtr zulCreateConvertedImage(const ZULImage* src, int target);
    static ImagePtr zulCreateBit2Byte(const ZULImage* src);
    static ImagePtr zulCreateGray2Color(const ZULImage* src);
    static ImagePtr zulCreateBit2Color(const ZULImage* src);
    static ImagePtr zulCreateByte2Bit(const ZULImage* src, int threshold);
    static ImagePtr zulCreateColor2Gray(const ZULImage* src);
    static ImagePtr zulCreateColor2Binary_threshold(const ZULImage* src, int tRed, int tGreen, int tBlue);
    static ImagePtr zulCreateColor2Binary_percentThreshold(const ZULImage* src, double percent);
};
