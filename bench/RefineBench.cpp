// -refine and -render on an A4 page at 300 dpi (2480 x 3508) with 25
// roughly drawn line zones of 29 cuts each, against loading the page alone.
// Each command should take at most three times as long.  The page is stored
// three ways, since the cost of loading depends on the format: 8-bit grey
// TIFF (PackBits), 8-bit grey JPEG and 1-bit TIFF (Group 4).
#include "RenderZones.h"
#include "Report.h"
#include "ShrinkRefine.h"
#include "Strings.h"

#include "ZULImage.h"
#include "ZULImageConverter.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int kPageWidth = 2480;
constexpr int kPageHeight = 3508;
constexpr int kLines = 25;
constexpr int kLineLeft = 240;
constexpr int kLineWidth = 2000;
constexpr int kLineHeight = 90;
constexpr int kLinePitch = 130;
constexpr int kFirstRow = 200;
constexpr int kCuts = 29;

class RefinePage {
public:
    RefinePage() : dir_(fs::temp_directory_path() / ("tavo-refine-bench-" + std::to_string(::getpid())))
    {
        fs::create_directories(dir_);
        writePage();
        writeXml();
    }
    ~RefinePage() { fs::remove_all(dir_); }

    std::u16string path(const std::string& name) const { return tavo::toWide((dir_ / name).string()); }

private:
    // PAWs of 20 to 60 columns between gaps of 8 to 30: a baseline stroke
    // and upright strokes, some with a descender below the line.
    void writePage() const
    {
        ZULImage page(kPageWidth, kPageHeight, 8, true);
        std::mt19937 random(11);
        std::uniform_int_distribution<int> pawWidth(20, 60), gap(8, 30), top(5, 40), descender(0, 3);
        auto fill = [&page](int x0, int y0, int x1, int y1) {
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    page.zulGetRow(y)[x] = 20;
        };
        for (int line = 0; line < kLines; ++line) {
            const int baseline = kFirstRow + line * kLinePitch + 60;
            for (int x = kLineLeft + 10; x < kLineLeft + kLineWidth - 70;) {
                const int width = pawWidth(random);
                fill(x, baseline, x + width, baseline + 6);
                fill(x, baseline - 60 + top(random), x + 5, baseline);
                fill(x + width - 5, baseline - 60 + top(random), x + width, baseline);
                if (descender(random) == 0)
                    fill(x + width / 2, baseline, x + width / 2 + 4, baseline + 38);
                x += width + gap(random);
            }
        }
        ZULImage bits;
        ZULImageConverter::zulByte2Bit(bits, page, 128);
        if (!page.zulSaveImage((dir_ / "grey.tif").string()) || !page.zulSaveImage((dir_ / "grey.jpg").string()) ||
            !bits.zulSaveImage((dir_ / "bits.tif").string()))
            throw std::runtime_error("cannot write the benchmark page");
    }

    // Zones drawn a few pixels off the ink, with evenly spread cuts.
    void writeXml() const
    {
        std::ofstream xml(dir_ / "in.xml", std::ios::binary);
        xml << "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            << "<DL_PAGE tavo_type=\"DL_PAGE\" width=\"2480\" height=\"3508\">\r\n";
        for (int line = 0; line < kLines; ++line) {
            std::string offsets;
            for (int i = 1; i <= kCuts; ++i) {
                if (i > 1)
                    offsets += ',';
                offsets += std::to_string(i * kLineWidth / (kCuts + 1));
            }
            xml << "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"" << line + 1 << "\" col=\"" << kLineLeft + 4
                << "\" row=\"" << kFirstRow + line * kLinePitch + 8 << "\" width=\"" << kLineWidth
                << "\" height=\"" << kLineHeight << "\" offsets=\"" << offsets
                << "\" contents=\"\" woffsets=\"1 \"> </DL_ZONE>\r\n";
        }
        xml << "</DL_PAGE>\r\n";
    }

    fs::path dir_;
};

const RefinePage& refinePage()
{
    static const RefinePage page;
    return page;
}

void BM_LoadPage(benchmark::State& state, const std::string& page)
{
    const std::string name = tavo::utf8FromWide(refinePage().path(page));
    for (auto _ : state) {
        ZULImage page;
        if (!page.zulLoadImage(name))
            state.SkipWithError("cannot load the page");
        benchmark::DoNotOptimize(page.zulGetImageData());
    }
}

void BM_Refine(benchmark::State& state, const std::string& page)
{
    const RefinePage& files = refinePage();
    for (auto _ : state) {
        tavo::Report report("-refine");
        tavo::runRefine(files.path(page), files.path("in.xml"), files.path("temp.xml"), report);
        if (report.hasUnchangedZones())
            state.SkipWithError("zones were left unchanged");
    }
}

// The drawn page is written as a colour TIFF.
void BM_Render(benchmark::State& state, const std::string& page)
{
    const RefinePage& files = refinePage();
    for (auto _ : state) {
        tavo::Report report("-render");
        tavo::runRender(files.path(page), files.path("in.xml"), files.path("drawn.tif"), report);
    }
}

#define TAVO_REFINE_BENCH(format, file)                                                          \
    BENCHMARK_CAPTURE(BM_LoadPage, format, std::string(file))->Unit(benchmark::kMillisecond);   \
    BENCHMARK_CAPTURE(BM_Refine, format, std::string(file))->Unit(benchmark::kMillisecond);     \
    BENCHMARK_CAPTURE(BM_Render, format, std::string(file))->Unit(benchmark::kMillisecond)

TAVO_REFINE_BENCH(grey_tiff, "grey.tif");
TAVO_REFINE_BENCH(grey_jpeg, "grey.jpg");
TAVO_REFINE_BENCH(bits_tiff, "bits.tif");

}  // namespace
