// -refine and -render on an A4 page at 300 dpi (2480 x 3508) with 25
// roughly drawn line zones of 29 cuts each, against loading the page alone.
// Each command should take at most three times as long.  The page is stored
// three ways, since the cost of loading depends on the format: 8-bit grey
// TIFF (PackBits), 8-bit grey JPEG and 1-bit TIFF (Group 4).
#include "align/ShrinkRefine.h"
#include "page/Render.h"
#include "util/Report.h"
#include "BenchPages.h"

#include "ZULImage.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr tavobench::PageLayout kPage{.depth = 8, .lines = 25, .wordsPerLine = 10, .pawsPerWord = 3, .seed = 11};

// The page as grey.tif, grey.jpg and bits.tif, and in.xml: zones drawn a
// few pixels off the ink, with 29 evenly spread cuts and no text.
const tavobench::TempFolder& refineFolder()
{
    static const tavobench::TempFolder folder("refine-bench", [](const tavobench::TempFolder& files) {
        const tavobench::GeneratedPage grey = tavobench::handwritingPage(kPage);
        tavobench::savePage(grey.image, files.path("grey.tif"));
        tavobench::savePage(grey.image, files.path("grey.jpg"));
        tavobench::PageLayout bits = kPage;
        bits.depth = 1;
        tavobench::savePage(tavobench::handwritingPage(bits).image, files.path("bits.tif"));
        tavobench::writeLineZones(files.file("in.xml"), std::vector<std::string>(grey.lines.size()),
                                  {.shiftX = 4, .shiftY = 8, .cuts = 29, .after = " woffsets=\"1 \""});
    });
    return folder;
}

void BM_LoadPage(benchmark::State& state, const std::string& page)
{
    const std::string name = refineFolder().path(page);
    for (auto _ : state) {
        ZULImage page;
        if (!page.zulLoadImage(name))
            state.SkipWithError("cannot load the page");
        benchmark::DoNotOptimize(page.zulGetImageData());
    }
}

void BM_Refine(benchmark::State& state, const std::string& page)
{
    tavobench::timeCommand(state, tavo::runRefine, "-refine", refineFolder(), page, "in.xml", "temp.xml");
}

// The drawn page is written as a colour TIFF.
void BM_Render(benchmark::State& state, const std::string& page)
{
    tavobench::timeCommand(state, tavo::runRender, "-render", refineFolder(), page, "in.xml", "drawn.tif");
}

#define TAVO_REFINE_BENCH(format, file)                                                          \
    BENCHMARK_CAPTURE(BM_LoadPage, format, std::string(file))->Unit(benchmark::kMillisecond);   \
    BENCHMARK_CAPTURE(BM_Refine, format, std::string(file))->Unit(benchmark::kMillisecond);     \
    BENCHMARK_CAPTURE(BM_Render, format, std::string(file))->Unit(benchmark::kMillisecond)

TAVO_REFINE_BENCH(grey_tiff, "grey.tif");
TAVO_REFINE_BENCH(grey_jpeg, "grey.jpg");
TAVO_REFINE_BENCH(bits_tiff, "bits.tif");

}  // namespace
