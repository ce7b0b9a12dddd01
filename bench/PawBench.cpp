// -paw on an A4 page at 300 dpi (2480 x 3508, 8-bit grey TIFF) with 25 text
// lines of ten words of three PAWs, against loading the page and making its
// colour working copy, which the command does first.  The command should
// take at most twice as long.
#include "align/Paw.h"
#include "page/PageFile.h"
#include "util/Report.h"
#include "BenchPages.h"

#include "ZULImage.h"

#include <benchmark/benchmark.h>

namespace {

constexpr tavobench::PageLayout kPage{.depth = 8, .lines = 25, .wordsPerLine = 10, .pawsPerWord = 3, .seed = 7};
constexpr int kSeparators = kPage.wordsPerLine * kPage.pawsPerWord - 1;

// The page as page.tif and its line zones, with the text, as in.xml.
const tavobench::TempFolder& benchFolder()
{
    static const tavobench::TempFolder folder("paw-bench", [](const tavobench::TempFolder& files) {
        const tavobench::GeneratedPage page = tavobench::handwritingPage(kPage);
        tavobench::savePage(page.image, files.path("page.tif"));
        tavobench::writeLineZones(files.file("in.xml"), page.lines);
    });
    return folder;
}

void BM_LoadWorkingPage(benchmark::State& state)
{
    tavobench::timeLoadWorkingPage(state, "-paw", benchFolder(), "page.tif");
}
BENCHMARK(BM_LoadWorkingPage)->Unit(benchmark::kMillisecond);

// The column cuts of the 25 lines alone, on a page already in memory.
void BM_ZoneCuts(benchmark::State& state)
{
    tavo::Report report("-paw");
    const ZULImage page = tavo::loadWorkingPage(benchFolder().wide("page.tif"), report);
    for (auto _ : state)
        for (int line = 0; line < kPage.lines; ++line) {
            const tavo::ZoneBox box{tavobench::kLineLeft, tavobench::lineRow(line), tavobench::kLineWidth,
                                    tavobench::kLineHeight};
            benchmark::DoNotOptimize(tavo::findZoneCuts(page, box, kSeparators));
        }
}
BENCHMARK(BM_ZoneCuts)->Unit(benchmark::kMillisecond);

void BM_Paw(benchmark::State& state)
{
    tavobench::timeCommand(state, tavo::runPaw, "-paw", benchFolder(), "page.tif", "in.xml", "temp.xml");
}
BENCHMARK(BM_Paw)->Unit(benchmark::kMillisecond);

}  // namespace
