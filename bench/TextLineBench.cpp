// -textline on an A4 page at 300 dpi (2480 x 3508) with 25 handwriting-like
// lines, against loading the page alone, for the page as an 8-bit grey TIFF
// (argument 8) and as a 1-bit TIFF (argument 1).  The command should take at
// most three times as long as the load.
#include "textline/PageDocument.h"
#include "util/Report.h"
#include "BenchPages.h"

#include "ZULImage.h"
#include "ZULImageConverter.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>

namespace {

using tavobench::kPageHeight;
using tavobench::kPageWidth;

constexpr int kLines = 25;
constexpr int kLineRight = tavobench::kLineLeft + tavobench::kLineWidth;

void fill(ZULImage& page, int left, int top, int width, int height, unsigned char value)
{
    tavobench::fillRect(page, left, top, left + width, top + height, value);
}

// Each line: word pieces 15 to 90 columns wide and 20 to 80 rows high (the
// wider and higher ones are removed as blobs, as long connected strokes
// are), dots above and below, and a little scanner noise.
ZULImage textLinePage()
{
    ZULImage page(kPageWidth, kPageHeight, 8, true);
    std::mt19937 random(11);
    std::uniform_int_distribution<int> pieceWidth(15, 90), pieceHeight(20, 80), gap(6, 40), shift(0, 20),
        grey(0, 90), dot(0, 2), noiseX(0, kPageWidth - 1), noiseY(0, kPageHeight - 1);
    for (int line = 0; line < kLines; ++line) {
        const int base = tavobench::lineRow(line) + 90;
        for (int x = tavobench::kLineLeft; x < kLineRight;) {
            const int width = pieceWidth(random);
            const int height = pieceHeight(random);
            fill(page, x, base - height + shift(random) / 4, width, height - 4, static_cast<unsigned char>(grey(random)));
            if (dot(random) == 0)
                fill(page, x + width / 2, base - height - 18, 8, 8, 20);
            if (dot(random) == 1)
                fill(page, x + width / 3, base + 12, 8, 8, 20);
            x += width + gap(random);
        }
    }
    for (int i = 0; i < 2000; ++i)
        fill(page, noiseX(random) % (kPageWidth - 2), noiseY(random) % (kPageHeight - 2), 2, 2, 60);
    return page;
}

// The page as page8.tif and, at threshold 128, as page1.tif.
const tavobench::TempFolder& benchFolder()
{
    static const tavobench::TempFolder folder("textline-bench", [](const tavobench::TempFolder& files) {
        const ZULImage page = textLinePage();
        ZULImage bits;
        ZULImageConverter::zulByte2Bit(bits, page, 128);
        tavobench::savePage(page, files.path("page8.tif"));
        tavobench::savePage(bits, files.path("page1.tif"));
    });
    return folder;
}

std::string pageName(const benchmark::State& state)
{
    return "page" + std::to_string(state.range(0)) + ".tif";
}

void BM_LoadPage(benchmark::State& state)
{
    const std::string path = benchFolder().path(pageName(state));
    for (auto _ : state) {
        ZULImage page;
        if (!page.zulLoadImage(path))
            state.SkipWithError("cannot load the page");
        benchmark::DoNotOptimize(page.zulGetImageData());
    }
}
BENCHMARK(BM_LoadPage)->Arg(8)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_TextLine(benchmark::State& state)
{
    const std::u16string page = benchFolder().wide(pageName(state)), out = benchFolder().wide("out.xml");
    for (auto _ : state) {
        tavo::Report report("-textline");
        tavo::writePageDocument(page, out, 0, report);
    }
}
BENCHMARK(BM_TextLine)->Arg(8)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
