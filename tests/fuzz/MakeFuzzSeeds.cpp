// Writes the seed files of the image reader fuzz targets: small valid files
// of every format and depth, in FOLDER/tiff, bmp, ppm, jpeg and png.
#include <cstdio>
#include <filesystem>
#include <png.h>
#include <string>
#include <tiffio.h>
#include <vector>

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

// One small page in each layout the strip reader leaves to the RGBA
// interface or reads through the colour map.
void writeLayoutTiffs(const std::filesystem::path& folder)
{
    std::vector<unsigned char> bytes(16 * 16 * 6);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<unsigned char>(i * 13);
    }
    std::vector<std::uint16_t> map(256);
    for (int i = 0; i < 256; ++i) {
        map[i] = static_cast<std::uint16_t>(i * 257);
    }
    const struct {
        const char* name;
        int bits;
        int samples;
        int photometric;
        int planar;
        bool tiled;
        int compression;
    } layouts[] = {
        {"palette.tif", 8, 1, PHOTOMETRIC_PALETTE, PLANARCONFIG_CONTIG, false, COMPRESSION_ADOBE_DEFLATE},
        {"tiled.tif", 8, 1, PHOTOMETRIC_MINISBLACK, PLANARCONFIG_CONTIG, true, COMPRESSION_NONE},
        {"gray16.tif", 16, 1, PHOTOMETRIC_MINISWHITE, PLANARCONFIG_CONTIG, false, COMPRESSION_LZW},
        {"planes.tif", 8, 3, PHOTOMETRIC_RGB, PLANARCONFIG_SEPARATE, false, COMPRESSION_NONE},
        {"gray4.tif", 4, 1, PHOTOMETRIC_MINISBLACK, PLANARCONFIG_CONTIG, false, COMPRESSION_PACKBITS},
    };
    for (const auto& layout : layouts) {
        TIFF* tiff = TIFFOpen((folder / layout.name).string().c_str(), "w");
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 16U);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 16U);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.bits);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.samples);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, layout.photometric);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, layout.planar);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, layout.compression);
        if (layout.photometric == PHOTOMETRIC_PALETTE) {
            TIFFSetField(tiff, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
        }
        if (layout.tiled) {
            TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16U);
            TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16U);
            TIFFWriteEncodedTile(tiff, 0, bytes.data(), 256);
        } else {
            const tmsize_t plane = 16 * (16 * layout.bits / 8);
            for (int s = 0; s < (layout.planar == PLANARCONFIG_SEPARATE ? layout.samples : 1); ++s) {
                TIFFWriteEncodedStrip(tiff, static_cast<std::uint32_t>(s), bytes.data(),
                                      layout.planar == PLANARCONFIG_SEPARATE ? plane : plane * layout.samples);
            }
        }
        TIFFClose(tiff);
    }
}

// PNG files the reader must transform: palette with transparency, 16-bit
// gray with alpha, interlaced colour.
void writeOtherPngs(const std::filesystem::path& folder)
{
    const struct {
        const char* name;
        int bitDepth;
        int colourType;
        int interlace;
    } kinds[] = {
        {"palette.png", 4, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE},
        {"gray-alpha16.png", 16, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_INTERLACE_NONE},
        {"interlaced.png", 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_ADAM7},
    };
    for (const auto& kind : kinds) {
        // Palette indices 0 and 1 only; other kinds any bytes.
        std::vector<unsigned char> row(12 * 2 * 4, kind.colourType == PNG_COLOR_TYPE_PALETTE ? 0x10 : 0x5A);
        std::FILE* file = std::fopen((folder / kind.name).string().c_str(), "wb");
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, file);
        png_set_IHDR(png, info, 12, 6, kind.bitDepth, kind.colourType, kind.interlace, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_color palette[2] = {{255, 0, 0}, {0, 0, 255}};
        png_byte alpha[1] = {0};
        if (kind.colourType == PNG_COLOR_TYPE_PALETTE) {
            png_set_PLTE(png, info, palette, 2);
            png_set_tRNS(png, info, alpha, 1, nullptr);
        }
        png_write_info(png, info);
        const int passes = kind.interlace == PNG_INTERLACE_ADAM7 ? png_set_interlace_handling(png) : 1;
        for (int pass = 0; pass < passes; ++pass) {
            for (int y = 0; y < 6; ++y) {
                png_write_row(png, row.data());
            }
        }
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
    }
}

// A turned page with a partial last strip, uncompressed; a 16-bit PGM; a
// JPEG with an EXIF block (orientation 6, 240 dpi) spliced in after SOI.
void writeScannerAndPhoneFiles(const std::filesystem::path& folder)
{
    TIFF* tiff = TIFFOpen((folder / "tiff" / "turned.tif").string().c_str(), "w");
    unsigned char row[24] = {1, 2, 3, 250, 251, 252};
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 24U);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 5U);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_RIGHTTOP);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 2U);
    for (std::uint32_t y = 0; y < 5; ++y) {
        TIFFWriteScanline(tiff, row, y, 0);
    }
    TIFFClose(tiff);
    std::FILE* pgm = std::fopen((folder / "ppm" / "wide.pgm").string().c_str(), "wb");
    const char wide[] = "P5\n2 2\n65535\n\x12\x34\xFF\xFF\x00\x01\x80\x00";
    std::fwrite(wide, 1, sizeof wide - 1, pgm);
    std::fclose(pgm);
    const std::string jpeg = (folder / "jpeg" / "8-9.jpg").string();
    std::FILE* in = std::fopen(jpeg.c_str(), "rb");
    std::vector<unsigned char> bytes(1 << 16);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), in));
    std::fclose(in);
    const unsigned char exif[] = {0xFF, 0xE1, 0, 78, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 4,
                                  1, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0, 1, 0x1A, 0, 5, 0, 0, 0, 1, 0, 0, 0, 62,
                                  1, 0x1B, 0, 5, 0, 0, 0, 1, 0, 0, 0, 62, 1, 0x28, 0, 3, 0, 0, 0, 1, 0, 2, 0, 0,
                                  0, 0, 0, 0, 0, 0, 0, 240, 0, 0, 0, 1};
    bytes.insert(bytes.begin() + 2, std::begin(exif), std::end(exif));
    std::FILE* out = std::fopen((folder / "jpeg" / "exif.jpg").string().c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
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
            // The anymap writer keeps 1- and 8-bit pages as PBM and PGM.
            if (format.extension == std::string("ppm")) {
                patterned(9, 5, bits).zulSaveImage((folder / "ppm" / (std::to_string(bits) + ".pnm")).string());
            }
        }
    }
    writeTwoPageTiff((folder / "tiff" / "pages.tif").string());
    writeLayoutTiffs(folder / "tiff");
    writeOtherPngs(folder / "png");
    writeScannerAndPhoneFiles(folder);
    return 0;
}
