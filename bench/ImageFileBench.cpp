// Loading and saving an A4 page at 300 dpi (2480 x 3508) in the formats pages
// usually come in, and libtiff alone reading and writing the same TIFF files,
// which is the yardstick for the TIFF paths (load plus save should cost at
// most 1.2 times libtiff alone; loading an uncompressed page as image tools
// write it, in strips of about 8 KiB, likewise).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <tiffio.h>
#include <vector>

#include "BenchPages.h"
#include "ZULImage.h"
#include "ZULPNGImage.h"

namespace {

constexpr int kWidth = 2480;
constexpr int kHeight = 3508;

// A page of handwriting-like strokes on 40 lines; the gray and colour pages
// add scanner noise to a light background.
ZULImage makePage(int bits)
{
    std::mt19937 random(2024);
    std::vector<unsigned char> ink(static_cast<std::size_t>(kWidth) * kHeight, 0);
    for (int line = 0; line < 40; ++line) {
        const int top = 150 + line * 80;
        for (int x = 150; x < kWidth - 200;) {
            const int word = 60 + static_cast<int>(random() % 200);
            for (int stroke = 0; stroke < word / 6; ++stroke) {
                const int sx = x + static_cast<int>(random() % word);
                const int sy = top + static_cast<int>(random() % 30);
                const int w = 2 + static_cast<int>(random() % 5);
                const int h = 8 + static_cast<int>(random() % 25);
                for (int y = sy; y < sy + h && y < kHeight; ++y) {
                    for (int i = sx; i < sx + w && i < kWidth; ++i) {
                        ink[static_cast<std::size_t>(y) * kWidth + i] = 1;
                    }
                }
            }
            x += word + 30 + static_cast<int>(random() % 40);
        }
    }
    ZULImage page(kWidth, kHeight, bits, true);
    page.zulSetResolution(300.0f, 300.0f, 1);
    for (int y = 0; y < kHeight; ++y) {
        unsigned char* row = page.zulGetRow(y);
        for (int x = 0; x < kWidth; ++x) {
            const bool isInk = ink[static_cast<std::size_t>(y) * kWidth + x] != 0;
            if (bits == 1) {
                if (isInk) {
                    row[x / 8] = static_cast<unsigned char>(row[x / 8] & ~(0x80 >> (x % 8)));
                }
                continue;
            }
            const int value = isInk ? 40 + static_cast<int>(random() % 20) : 225 + static_cast<int>(random() % 20);
            for (int c = 0; c < bits / 8; ++c) {
                row[x * (bits / 8) + c] = static_cast<unsigned char>(value - 10 * c);
            }
        }
    }
    return page;
}

const ZULImage& page(int bits)
{
    static const ZULImage binary = makePage(1);
    static const ZULImage gray = makePage(8);
    static const ZULImage colour = makePage(24);
    return bits == 1 ? binary : bits == 8 ? gray : colour;
}

std::string benchPath(const std::string& name)
{
    static const tavobench::TempFolder folder("image-bench");
    return folder.path(name);
}

// The page uncompressed as image tools write it: libtiff's default strips of
// about 8 KiB, the last one partial.
void writeUncompressed(const std::string& path, int bits)
{
    const ZULImage& image = page(bits);
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(kWidth));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(kHeight));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits == 24 ? 8 : bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, bits == 24 ? 3 : 1);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, bits == 24 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    for (int y = 0; y < kHeight; ++y) {
        TIFFWriteScanline(tiff, const_cast<unsigned char*>(image.zulGetRow(y)), static_cast<std::uint32_t>(y), 0);
    }
    TIFFClose(tiff);
}

// The page saved once under name, for the load benchmarks ("plain" names:
// uncompressed by libtiff).
std::string savedPage(int bits, const std::string& name)
{
    const std::string path = benchPath(name);
    if (std::filesystem::exists(path)) {
        return path;
    }
    if (name.rfind("plain", 0) == 0) {
        writeUncompressed(path, bits);
    } else {
        page(bits).zulSaveImage(path);
    }
    return path;
}

void setBytes(benchmark::State& state, int bits)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(page(bits).zulGetImageDataSize()));
}

void BM_Load(benchmark::State& state, int bits, const std::string& name)
{
    const std::string path = savedPage(bits, name);
    for (auto _ : state) {
        ZULImage image;
        benchmark::DoNotOptimize(image.zulLoadImage(path));
    }
    setBytes(state, bits);
}

void BM_Save(benchmark::State& state, int bits, const std::string& name)
{
    const std::string path = benchPath("out-" + name);
    const ZULImage& image = page(bits);
    for (auto _ : state) {
        benchmark::DoNotOptimize(image.zulSaveImage(path));
    }
    std::filesystem::remove(path);
    setBytes(state, bits);
}

// libtiff alone: the strips of the saved file into one buffer.
// PNG as the new commands write it (run lengths only) against the default
// (level 6) that -render and the other described commands keep; "bytes" is
// the file's size.
void BM_SavePng(benchmark::State& state, int bits, ZULPNGImage::Compression compression)
{
    const std::string path = benchPath("out.png");
    const ZULImage& image = page(bits);
    for (auto _ : state) {
        ZULPNGImage(compression).zulSaveImage(path, image);
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
    setBytes(state, bits);
}

void BM_LibtiffDecode(benchmark::State& state, int bits, const std::string& name)
{
    const std::string path = savedPage(bits, name);
    std::vector<unsigned char> buffer(page(bits).zulGetImageDataSize());
    for (auto _ : state) {
        TIFF* tiff = TIFFOpen(path.c_str(), "r");
        tmsize_t filled = 0;
        for (std::uint32_t s = 0; s < TIFFNumberOfStrips(tiff); ++s) {
            filled += TIFFReadEncodedStrip(tiff, s, buffer.data() + filled, -1);
        }
        TIFFClose(tiff);
        benchmark::DoNotOptimize(filled);
    }
    setBytes(state, bits);
}

// libtiff alone: the page as one strip, min-is-black, as the library writes it.
void BM_LibtiffEncode(benchmark::State& state, int bits)
{
    const std::string path = benchPath("libtiff.tif");
    const ZULImage& image = page(bits);
    for (auto _ : state) {
        TIFF* tiff = TIFFOpen(path.c_str(), "w");
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(kWidth));
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(kHeight));
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, bits == 1 ? COMPRESSION_CCITTFAX4 : COMPRESSION_PACKBITS);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 300.0);
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 300.0);
        TIFFWriteEncodedStrip(tiff, 0, const_cast<unsigned char*>(image.zulGetImageData()),
                              static_cast<tmsize_t>(image.zulGetImageDataSize()));
        TIFFClose(tiff);
    }
    std::filesystem::remove(path);
    setBytes(state, bits);
}

}  // namespace

BENCHMARK_CAPTURE(BM_Load, tiff_1bit_g4, 1, "g4.tif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibtiffDecode, tiff_1bit_g4, 1, "g4.tif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Save, tiff_1bit_g4, 1, "g4.tif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibtiffEncode, tiff_1bit_g4, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, tiff_8bit, 8, "gray.tif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibtiffDecode, tiff_8bit, 8, "gray.tif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Save, tiff_8bit, 8, "gray.tif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibtiffEncode, tiff_8bit, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, tiff_8bit_uncompressed, 8, "plain-gray.tif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibtiffDecode, tiff_8bit_uncompressed, 8, "plain-gray.tif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, tiff_1bit_uncompressed, 1, "plain-binary.tif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibtiffDecode, tiff_1bit_uncompressed, 1, "plain-binary.tif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SavePng, png_8bit_level6, 8, ZULPNGImage::kSmall)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SavePng, png_8bit_fast, 8, ZULPNGImage::kFast)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SavePng, png_24bit_level6, 24, ZULPNGImage::kSmall)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SavePng, png_24bit_fast, 24, ZULPNGImage::kFast)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, bmp_24bit, 24, "colour.bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Save, bmp_24bit, 24, "colour.bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, ppm_24bit, 24, "colour.ppm")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Save, ppm_24bit, 24, "colour.ppm")->Unit(benchmark::kMillisecond);
