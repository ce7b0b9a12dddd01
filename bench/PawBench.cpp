// -paw on an A4 page at 300 dpi (2480 x 3508, 8-bit grey TIFF) with 25 text
// lines, against loading the page and making its colour working copy, which
// the command does first.  The command should take at most twice as long.
#include "Paw.h"
#include "Report.h"
#include "Strings.h"

#include "ZULImage.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
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
constexpr int kFirstLineRow = 200;

// Ten words of three PAWs each: 29 separators per line.
std::string lineContents()
{
    const std::string word = "\xD8\xA8\xD8\xA7\xD8\xA8\xD8\xA7\xD8\xA8";  // beh alef beh alef beh
    std::string text;
    for (int i = 0; i < 10; ++i)
        text += (i ? " " : "") + word;
    return text;
}

class BenchPage {
public:
    BenchPage()
    {
        dir_ = fs::temp_directory_path() / ("tavo-paw-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        writePage();
        writeXml();
    }
    ~BenchPage() { fs::remove_all(dir_); }

    std::u16string page() const { return tavo::toWide((dir_ / "page.tif").string()); }
    std::u16string in() const { return tavo::toWide((dir_ / "in.xml").string()); }
    std::u16string out() const { return tavo::toWide((dir_ / "temp.xml").string()); }

private:
    // Handwriting-like PAWs of 20 to 60 columns with gaps of 8 to 30: a
    // baseline stroke and two or three upright strokes each, about a fifth
    // of the line box in ink.
    void writePage() const
    {
        ZULImage page(kPageWidth, kPageHeight, 8, true);
        std::mt19937 random(7);
        std::uniform_int_distribution<int> pawWidth(20, 60), gapWidth(8, 30), strokeTop(5, 40),
            strokes(2, 3);
        auto fill = [&page](int left, int top, int right, int bottom) {
            for (int y = top; y < bottom; ++y)
                for (int x = left; x < right; ++x)
                    page.zulGetRow(y)[x] = 30;
        };
        for (int line = 0; line < kLines; ++line) {
            const int row = kFirstLineRow + line * kLinePitch;
            const int baseline = row + 60;
            for (int x = kLineLeft + 10; x < kLineLeft + kLineWidth - 70;) {
                const int width = pawWidth(random);
                fill(x, baseline, x + width, baseline + 6);
                const int n = strokes(random);
                for (int i = 0; i < n; ++i) {
                    const int left = x + i * (width - 5) / std::max(1, n - 1);
                    fill(left, row + strokeTop(random), left + 5, baseline);
                }
                x += width + gapWidth(random);
            }
        }
        if (!page.zulSaveImage((dir_ / "page.tif").string()))
            throw std::runtime_error("cannot write the benchmark page");
    }

    void writeXml() const
    {
        std::ofstream xml(dir_ / "in.xml", std::ios::binary);
        xml << "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<TAVO>\r\n"
            << "<DL_PAGE tavo_type=\"DL_PAGE\" width=\"2480\" height=\"3508\">\r\n";
        for (int line = 0; line < kLines; ++line)
            xml << "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"" << line + 1 << "\" col=\"" << kLineLeft
                << "\" row=\"" << kFirstLineRow + line * kLinePitch << "\" width=\"" << kLineWidth
                << "\" height=\"" << kLineHeight << "\" contents=\"" << lineContents()
                << "\"> </DL_ZONE>\r\n";
        xml << "</DL_PAGE>\r\n</TAVO>\r\n";
    }

    fs::path dir_;
};

const BenchPage& benchPage()
{
    static const BenchPage page;
    return page;
}

void BM_LoadWorkingPage(benchmark::State& state)
{
    const BenchPage& files = benchPage();
    for (auto _ : state) {
        tavo::Report report("-paw");
        ZULImage page = tavo::loadWorkingPage(files.page(), report);
        benchmark::DoNotOptimize(page.zulGetImageData());
    }
}
BENCHMARK(BM_LoadWorkingPage)->Unit(benchmark::kMillisecond);

// The column cuts of the 25 lines alone, on a page already in memory.
void BM_ZoneCuts(benchmark::State& state)
{
    tavo::Report report("-paw");
    const ZULImage page = tavo::loadWorkingPage(benchPage().page(), report);
    for (auto _ : state)
        for (int line = 0; line < kLines; ++line) {
            const tavo::ZoneBox box{kLineLeft, kFirstLineRow + line * kLinePitch, kLineWidth, kLineHeight};
            benchmark::DoNotOptimize(tavo::findZoneCuts(page, box, 29));
        }
}
BENCHMARK(BM_ZoneCuts)->Unit(benchmark::kMillisecond);

void BM_Paw(benchmark::State& state)
{
    const BenchPage& files = benchPage();
    for (auto _ : state) {
        tavo::Report report("-paw");
        tavo::runPaw(files.page(), files.in(), files.out(), report);
        if (report.hasUnchangedZones())
            state.SkipWithError("zones were left unchanged");
    }
}
BENCHMARK(BM_Paw)->Unit(benchmark::kMillisecond);

}  // namespace
