// Writes the seed files of the image reader fuzz targets: small valid files
// of every format and depth, in FOLDER/tiff, bmp, ppm, jpeg and png.
#include <cstdio>
#include <filesystem>
#include <string>
#include <tiffio.h>

#include "ZULImage.h"

namespace {

ZULImage patterned(int width, int height, int bits)
{
    ZULImage image(width, height, bits, true);
    unsigned char* data = image.zulGetImageData();
    for (std::size_t i = 0; i < image.zulGetImageDataSize(); ++i) {
        data[i] = static_cast<unsigned char>((i * 37 + i / 7) & 0xFF);
    }
    image.zulSetResolution(300.0f, 300.0f, 1);
    return image;
}

// A min-is-white page in centimetres, with two pages, written by libtiff.
void writeTwoPageTiff(const std::string& path)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    unsigned char row[3] = {0xF0, 0x0F, 0xAA};
    for (int page = 0; page < 2; ++page) {
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 20U);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 4U);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, page == 0 ? COMPRESSION_LZW : COMPRESSION_CCITTFAX3);
        TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 118.11);
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 118.11);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 2U);
        for (std::uint32_t y = 0; y < 4; ++y) {
            TIFFWriteScanline(tiff, row, y, 0);
        }
        TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const struct {
        const char* format;
        const char* extension;
    } formats[] = {{"tiff", "tif"}, {"bmp", "bmp"}, {"ppm", "ppm"}, {"jpeg", "jpg"}, {"png", "png"}};
    for (const auto& format : formats) {
        std::filesystem::create_directories(folder / format.format);
        for (int bits : {1, 8, 24}) {
            for (int width : {9, 16}) {
                const std::string name = std::to_string(bits) + "-" + std::to_string(width) + "." + format.extension;
                patterned(width, 5, bits).zulSaveImage((folder / format.format / name).string());
            }
        }
    }
    writeTwoPageTiff((folder / "tiff" / "pages.tif").string());
    return 0;
}
