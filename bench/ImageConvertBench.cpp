// Depth conversion and sub-image cost on an A4 page at 300 dpi (2480 x 3508).
#include <benchmark/benchmark.h>

#include <random>

#include "ZULImage.h"
#include "ZULImageConverter.h"

namespace {

constexpr int kPageWidth = 2480;
constexpr int kPageHeight = 3508;

ZULImage randomPage(int bits)
{
    ZULImage page(kPageWidth, kPageHeight, bits, true);
    std::mt19937 random(42);
    unsigned char* p = page.zulGetImageData();
    for (std::size_t i = 0; i < page.zulGetImageDataSize(); ++i) {
        p[i] = static_cast<unsigned char>(random());
    }
    return page;
}

void BM_Color2Gray(benchmark::State& state)
{
    const ZULImage page = randomPage(24);
    ZULImage gray;
    for (auto _ : state) {
        ZULImageConverter::zulColor2Gray(gray, page);
        benchmark::DoNotOptimize(gray.zulGetImageData());
    }
}

void BM_Bit2Color(benchmark::State& state)
{
    const ZULImage page = randomPage(1);
    ZULImage color;
    for (auto _ : state) {
        ZULImageConverter::zulBit2Color(color, page);
        benchmark::DoNotOptimize(color.zulGetImageData());
    }
}

void BM_Byte2Bit(benchmark::State& state)
{
    const ZULImage page = randomPage(8);
    ZULImage bits;
    for (auto _ : state) {
        ZULImageConverter::zulByte2Bit(bits, page, 128);
        benchmark::DoNotOptimize(bits.zulGetImageData());
    }
}

// A text line's rectangle (2400 x 150) cut out of a page of the given depth.
void BM_SubImageLine(benchmark::State& state)
{
    const ZULImage page = randomPage(static_cast<int>(state.range(0)));
    ZULImage line;
    for (auto _ : state) {
        page.zulSubImage(line, 37, 1700, 2400, 150);
        benchmark::DoNotOptimize(line.zulGetImageData());
    }
}

#define TAVO_PAGE_BENCH(fn) BENCHMARK(fn)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true)

TAVO_PAGE_BENCH(BM_Color2Gray);
TAVO_PAGE_BENCH(BM_Bit2Color);
TAVO_PAGE_BENCH(BM_Byte2Bit);
BENCHMARK(BM_SubImageLine)
    ->Arg(24)
    ->Arg(8)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace
