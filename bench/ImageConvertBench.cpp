// Depth conversion and sub-image cost on an A4 page at 300 dpi (2480 x 3508).
#include <benchmark/benchmark.h>

#include <random>

#include "BenchPages.h"
#include "ZULImage.h"
#include "ZULImageConverter.h"

namespace {

ZULImage randomPage(int bits)
{
    ZULImage page(tavobench::kPageWidth, tavobench::kPageHeight, bits, true);
    std::mt19937 random(42);
    unsigned char* p = page.zulGetImageData();
    for (std::size_t i = 0; i < page.zulGetImageDataSize(); ++i) {
        p[i] = static_cast<unsigned char>(random());
    }
    return page;
}

// One conversion of a random page of the given depth per iteration, into
// an image kept across iterations.
template <class Convert>
void convertPage(benchmark::State& state, int bits, Convert convert)
{
    const ZULImage page = randomPage(bits);
    ZULImage out;
    for (auto _ : state) {
        convert(out, page);
        benchmark::DoNotOptimize(out.zulGetImageData());
    }
}

void BM_Color2Gray(benchmark::State& state)
{
    convertPage(state, 24, [](ZULImage& out, const ZULImage& page) { ZULImageConverter::zulColor2Gray(out, page); });
}

void BM_Bit2Color(benchmark::State& state)
{
    convertPage(state, 1, [](ZULImage& out, const ZULImage& page) { ZULImageConverter::zulBit2Color(out, page); });
}

void BM_Byte2Bit(benchmark::State& state)
{
    convertPage(state, 8, [](ZULImage& out, const ZULImage& page) { ZULImageConverter::zulByte2Bit(out, page, 128); });
}

// A text line's rectangle (2400 x 150) cut out of a page of the given depth.
void BM_SubImageLine(benchmark::State& state)
{
    convertPage(state, static_cast<int>(state.range(0)),
                [](ZULImage& line, const ZULImage& page) { page.zulSubImage(line, 37, 1700, 2400, 150); });
}

// Nine runs of each, reported as their mean, median and spread.
void nineRuns(benchmark::internal::Benchmark* bench)
{
    bench->Repetitions(9)->ReportAggregatesOnly(true);
}

BENCHMARK(BM_Color2Gray)->Unit(benchmark::kMillisecond)->Apply(nineRuns);
BENCHMARK(BM_Bit2Color)->Unit(benchmark::kMillisecond)->Apply(nineRuns);
BENCHMARK(BM_Byte2Bit)->Unit(benchmark::kMillisecond)->Apply(nineRuns);
BENCHMARK(BM_SubImageLine)->Arg(24)->Arg(8)->Arg(1)->Unit(benchmark::kMicrosecond)->Apply(nineRuns);

}  // namespace
