// The image file format of a path: by its extension, and for a file whose
// extension decides nothing, by its first bytes.
#pragma once

#include <string>

class ZULImageFile {
public:
    static constexpr int kUnknown = 0;
    static constexpr int kTIFF = 1;
    static constexpr int kBMP = 2;
    static constexpr int kJPEG = 3;
    static constexpr int kPPM = 4;  // the portable anymaps: PBM, PGM and PPM
    static constexpr int kPNG = 5;

    // The text after the last "." of path compared exactly with the known
    // spellings: tif TIF Tif tiff TIFF Tiff; ppm PPM Ppm; bmp BMP Bmp;
    // jpg JPG Jpg jpeg JPEG Jpeg; png PNG Png.  Any other spelling, and a
    // path without an extension, is kUnknown.
    static int zulGetImageFormat(const std::string& path);

    // zulGetImageFormat, else the extension in any case among tif tiff bmp
    // jpg jpeg jpe jfif png ppm pgm pbm pnm; kUnknown for the rest.
    static int zulGetAnyCaseFormat(const std::string& path);

    // The format a file's first bytes show (TIFF and BigTIFF in either byte
    // order, BMP, JPEG, PNG, a "P" and a digit for the anymaps); kUnknown
    // when they show none, -1 when the file does not open.
    static int zulGetContentFormat(const std::string& path);

    // The depth a save under path converts to: 1 for .pbm, 8 for .pgm, 24
    // for .ppm, 0 (the image's own) for everything else.
    static int zulGetSaveDepth(const std::string& path);
};
