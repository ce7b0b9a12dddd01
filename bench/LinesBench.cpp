// -lines on an A4 page at 300 dpi (2480 x 3508) with 25 handwriting-like
// lines, as 24-bit colour and as 8-bit grey (argument 24 or 8): the line
// finder on the page in memory, and the whole command with loading the page
// and writing the file.  Twice the page area (argument 2) should take about
// twice as long.  The finder should stay under 100 ms on A4.
#include "BenchPages.h"
#include "lines/LinesCommand.h"
#include "util/Report.h"

#include "ZULImage.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <random>
#include <string>

namespace {

constexpr int kLines = 25;

// Word pieces along each line, dots above and below, on paper that darkens
// towards one side; height is the page's height in A4 heights.
ZULImage linesPage(int bits, int heights)
{
    const int height = tavobench::kPageHeight * heights;
    ZULImage grey(tavobench::kPageWidth, height, 8, true);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < tavobench::kPageWidth; ++x)
            grey.zulGetRow(y)[x] = static_cast<unsigned char>(235 - 40 * x / tavobench::kPageWidth);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pieceWidth(15, 90), pieceHeight(20, 80), gap(6, 40), dot(0, 2);
    for (int line = 0; line < kLines * heights; ++line) {
        const int base = tavobench::lineRow(line) + 90;
        for (int x = tavobench::kLineLeft; x < tavobench::kLineLeft + tavobench::kLineWidth;) {
            const int w = pieceWidth(random);
            const int h = pieceHeight(random);
            tavobench::fillRect(grey, x, base - h, x + w, base - h + 8, 30);
            tavobench::fillRect(grey, x, base - 8, x + w, base, 30);
            tavobench::fillRect(grey, x, base - h, x + 6, base, 30);
            if (dot(random) == 0)
                tavobench::fillRect(grey, x + w / 2, base - h - 18, x + w / 2 + 8, base - h - 10, 20);
            x += w + gap(random);
        }
    }
    if (bits == 8)
        return grey;
    ZULImage colour(grey.zulGetWidth(), height, 24, true);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < grey.zulGetWidth(); ++x) {
            const int g = grey.zulGetRow(y)[x];
            colour.zulSetColorPixel(x, y, static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(g),
                                    static_cast<std::uint8_t>(g < 100 ? 140 : g));
        }
    return colour;
}

std::vector<std::u16string> transcription(int heights)
{
    return std::vector<std::u16string>(static_cast<size_t>(kLines * heights),
                                       u"في البيت كتاب جديد ذهب الولد إلى المدرسة قرأ المعلم الرسالة");
}

void BM_FindLines(benchmark::State& state)
{
    const int heights = static_cast<int>(state.range(1));
    const ZULImage page = linesPage(static_cast<int>(state.range(0)), heights);
    const std::vector<std::u16string> text = transcription(heights);
    for (auto _ : state)
        benchmark::DoNotOptimize(tavo::findTranscriptionLines(page, text));
}
BENCHMARK(BM_FindLines)->Args({24, 1})->Args({8, 1})->Args({24, 2})->Unit(benchmark::kMillisecond);

const tavobench::TempFolder& benchFolder()
{
    static const tavobench::TempFolder folder("lines-bench", [](const tavobench::TempFolder& files) {
        tavobench::savePage(linesPage(24, 1), files.path("page.tif"));
        std::ofstream text(files.file("page.txt"), std::ios::binary);
        for (int line = 0; line < kLines; ++line)
            text << "في البيت كتاب جديد ذهب الولد إلى المدرسة قرأ المعلم الرسالة\n";
    });
    return folder;
}

void BM_LinesCommand(benchmark::State& state)
{
    const std::u16string page = benchFolder().wide("page.tif"), text = benchFolder().wide("page.txt"),
                         out = benchFolder().wide("out.xml");
    for (auto _ : state) {
        tavo::Report report("-lines");
        tavo::runLines(page, text, out, report);
    }
}
BENCHMARK(BM_LinesCommand)->Unit(benchmark::kMillisecond);

}  // namespace
