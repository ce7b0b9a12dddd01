// -words on an A4 page at 300 dpi (2480 x 3508, 8-bit grey TIFF) with 25 text
// lines of 10 words of one to three PAWs each, against loading the page and
// making its colour working copy, which it does first, and against the
// described word path (-segword, then -splitword) on the same line zones.
// -words should stay under 100 ms of CPU for such a page.
#include "BenchPages.h"
#include "util/Report.h"
#include "align/SplitWord.h"
#include "align/Words.h"
#include "words/WordsCommand.h"

#include <benchmark/benchmark.h>

namespace {

constexpr tavobench::PageLayout kPage{.depth = 8, .lines = 25, .wordsPerLine = 10, .pawsPerWord = 0, .seed = 11};

// The page as page.tif and its line zones with the text as lines.xml.
const tavobench::TempFolder& benchFolder()
{
    static const tavobench::TempFolder folder("words-bench", [](const tavobench::TempFolder& files) {
        const tavobench::GeneratedPage page = tavobench::handwritingPage(kPage);
        tavobench::savePage(page.image, files.path("page.tif"));
        tavobench::writeLineZones(files.file("lines.xml"), page.lines);
    });
    return folder;
}

void BM_LoadWorkingPage(benchmark::State& state)
{
    tavobench::timeLoadWorkingPage(state, "-words", benchFolder(), "page.tif");
}
BENCHMARK(BM_LoadWorkingPage)->Unit(benchmark::kMillisecond);

void BM_Words(benchmark::State& state)
{
    tavobench::timeCommand(
        state,
        [](const std::u16string& image, const std::u16string& in, const std::u16string& out, tavo::Report& r) {
            tavo::runWords(image, in, out, tavo::ReadingMode::RightToLeft, r);
        },
        "-words", benchFolder(), "page.tif", "lines.xml", "words.xml");
}
BENCHMARK(BM_Words)->Unit(benchmark::kMillisecond);

void BM_SegWordThenSplitWord(benchmark::State& state)
{
    tavobench::timeCommand(
        state,
        [](const std::u16string& image, const std::u16string& in, const std::u16string& out, tavo::Report& r) {
            tavo::runSegWord(image, in, out, r);
            tavo::runSplitWord(image, out, out, tavo::ReadingMode::RightToLeft, r);
        },
        "-segword", benchFolder(), "page.tif", "lines.xml", "segmented.xml");
}
BENCHMARK(BM_SegWordThenSplitWord)->Unit(benchmark::kMillisecond);

}  // namespace
