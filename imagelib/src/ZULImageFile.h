// The image file format of a path, chosen by its extension.
#pragma once

#include <string>

class ZULImageFile {
public:
    static constexpr int kUnknown = 0;
    static constexpr int kTIFF = 1;
    static constexpr int kBMP = 2;
    static constexpr int kJPEG = 3;
    static constexpr int kPPM = 4;
    static constexpr int kPNG = 5;

    // The text after the last "." of path compared exactly with the known
    // spellings: tif TIF Tif tiff TIFF Tiff; ppm PPM Ppm; bmp BMP Bmp;
    // jpg JPG Jpg jpeg JPEG Jpeg; png PNG Png.  Any other spelling, and a
    // path without an extension, is kUnknown.
    static int zulGetImageFormat(const std::string& path);
};
