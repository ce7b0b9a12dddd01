// -word and -segword on an A4 page at 300 dpi (2480 x 3508, 8-bit grey TIFF)
// with 25 text lines of 8 words of one to three PAWs each, against loading
// the page and making its colour working copy, which both commands do first.
// Each command should take at most twice as long as that.
//
// The -word input is the -paw output of the page, made once before timing.
#include "align/Paw.h"
#include "align/Words.h"
#include "util/Report.h"
#include "BenchPages.h"

#include <benchmark/benchmark.h>

namespace {

constexpr tavobench::PageLayout kPage{.depth = 8, .lines = 25, .wordsPerLine = 8, .pawsPerWord = 0, .seed = 7};

// The page as page.tif, its line zones with the text as lines.xml and their
// PAW cuts as paw.xml.
const tavobench::TempFolder& benchFolder()
{
    static const tavobench::TempFolder folder("word-bench", [](const tavobench::TempFolder& files) {
        const tavobench::GeneratedPage page = tavobench::handwritingPage(kPage);
        tavobench::savePage(page.image, files.path("page.tif"));
        tavobench::writeLineZones(files.file("lines.xml"), page.lines, {.after = " status=\"OK\""});
        tavo::Report report("-paw");
        tavo::runPaw(files.wide("page.tif"), files.wide("lines.xml"), files.wide("paw.xml"), report);
    });
    return folder;
}

void BM_LoadWorkingPage(benchmark::State& state)
{
    tavobench::timeLoadWorkingPage(state, "-word", benchFolder(), "page.tif");
}
BENCHMARK(BM_LoadWorkingPage)->Unit(benchmark::kMillisecond);

void BM_Word(benchmark::State& state)
{
    tavobench::timeCommand(state, tavo::runWord, "-word", benchFolder(), "page.tif", "paw.xml", "temp.xml");
}
BENCHMARK(BM_Word)->Unit(benchmark::kMillisecond);

void BM_SegWord(benchmark::State& state)
{
    tavobench::timeCommand(state, tavo::runSegWord, "-segword", benchFolder(), "page.tif", "lines.xml", "temp.xml");
}
BENCHMARK(BM_SegWord)->Unit(benchmark::kMillisecond);

}  // namespace
