// Connected components and the binarization commands on an A4 page at
// 300 dpi (2480 x 3508) covered with handwriting-like strokes.
//
// Targets: component extraction at most 20 ms; -bin with a threshold at most
// 1.2 times loading and saving the page alone; -niblack at most 400 ms; peak
// memory of each command, run as its own process, at most 150 MB (counter
// peak_MB).
#include "page/BinarizeCommands.h"
#include "util/Report.h"
#include "util/Strings.h"
#include "BenchPages.h"
#include "RunProgram.h"

#include "ZULGlobalBinarization.h"
#include "ZULImage.h"
#include "ZULLWConnectedComponents.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

using tavobench::kPageHeight;
using tavobench::kPageWidth;

constexpr int kLinePitch = 120;
constexpr int kMargin = 200;

// Paper around 215 with faint noise; each text line holds words made of
// pen strokes: wavy curves with loops and ascenders, 3 to 6 pixels thick,
// darker in their middle than at their edges.
ZULImage strokePage()
{
    ZULImage page(kPageWidth, kPageHeight, 8, true);
    std::mt19937 random(11);
    for (int y = 0; y < kPageHeight; ++y) {
        unsigned char* row = page.zulGetRow(y);
        for (int x = 0; x < kPageWidth; ++x)
            row[x] = static_cast<unsigned char>(208 + random() % 15);
    }
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto dab = [&](double cx, double cy, double radius) {
        const int r = static_cast<int>(std::ceil(radius));
        for (int y = static_cast<int>(cy) - r; y <= static_cast<int>(cy) + r; ++y)
            for (int x = static_cast<int>(cx) - r; x <= static_cast<int>(cx) + r; ++x) {
                const double d = std::hypot(x - cx, y - cy);
                if (d > radius || x < 0 || y < 0 || x >= kPageWidth || y >= kPageHeight)
                    continue;
                const auto ink = static_cast<unsigned char>(40 + 120 * d / radius);
                unsigned char& p = page.zulGetRow(y)[x];
                p = std::min(p, ink);
            }
    };
    for (int base = kMargin + 60; base < kPageHeight - kMargin; base += kLinePitch) {
        int x = kPageWidth - kMargin;  // right to left
        while (x > kMargin + 100) {
            const int wordWidth = 60 + static_cast<int>(unit(random) * 180);
            const double radius = 1.5 + unit(random) * 1.5;
            const double amplitude = 8 + unit(random) * 14;
            const double frequency = 0.05 + unit(random) * 0.1;
            const double phase = unit(random) * 6.28;
            for (double t = 0; t < wordWidth; t += 0.5) {
                const double px = x - t;
                const double loop = std::sin(t * frequency * 3) * 6;
                const double py = base + amplitude * std::sin(t * frequency + phase) + loop;
                dab(px, py, radius);
            }
            for (int a = 0; a < 1 + static_cast<int>(unit(random) * 3); ++a) {  // ascenders and dots
                const double ax = x - unit(random) * wordWidth;
                const double height = 25 + unit(random) * 40;
                for (double t = 0; t < height; t += 0.5)
                    dab(ax + t * 0.15, base - t, radius);
                dab(ax + 10, base + 30, radius + 1);
            }
            x -= wordWidth + 25 + static_cast<int>(unit(random) * 30);
        }
    }
    return page;
}

// The page as page.tif; the commands write out.tif beside it.
const tavobench::TempFolder& benchFolder()
{
    static const tavobench::TempFolder folder("components-bench", [](const tavobench::TempFolder& files) {
        tavobench::savePage(strokePage(), files.path("page.tif"));
    });
    return folder;
}

std::string pagePath() { return benchFolder().path("page.tif"); }
std::string outPath() { return benchFolder().path("out.tif"); }

const ZULImage& binaryPage()
{
    static const ZULImage page = [] {
        ZULImage out;
        ZULGlobalBinarization(128).zulBinarizeImage(out, strokePage());
        out.zulSetBinaryState(0);  // make the extraction check the pixels itself
        return out;
    }();
    return page;
}

void BM_ExtractComponents(benchmark::State& state)
{
    const ZULImage& page = binaryPage();
    int count = 0;
    for (auto _ : state) {
        ZULLWConnectedComponents components;
        components.zulExtractComponents(page);
        count = components.zulGetComponentCount();
        benchmark::DoNotOptimize(count);
    }
    state.counters["components"] = count;
    state.SetItemsProcessed(state.iterations() * kPageWidth * kPageHeight);
}

void BM_LoadAndSavePage(benchmark::State& state)
{
    const std::string in = pagePath(), out = outPath();
    for (auto _ : state) {
        const ZULImage page(in);
        page.zulSaveImage(out);
    }
}

void runCommand(benchmark::State& state, const char* command, const char* threshold)
{
    const std::u16string in = benchFolder().wide("page.tif");
    const std::u16string out = benchFolder().wide("out.tif");
    const std::u16string level = tavo::toWide(threshold ? threshold : "");
    const int argc = threshold ? 5 : 4;
    for (auto _ : state) {
        tavo::Report report(command);
        if (std::string_view(command) == "-bin")
            tavo::runBin(argc, in, out, level, report);
        else if (std::string_view(command) == "-niblack")
            tavo::runNiblack(argc, in, out, level, report);
        else
            tavo::runKeepline(argc, in, out, report);
    }
}

void BM_BinFixedThreshold(benchmark::State& state) { runCommand(state, "-bin", "128"); }
void BM_BinClustering(benchmark::State& state) { runCommand(state, "-bin", nullptr); }
void BM_Niblack(benchmark::State& state) { runCommand(state, "-niblack", nullptr); }
void BM_Keepline(benchmark::State& state) { runCommand(state, "-keepline", nullptr); }

// Runs the program once per iteration and reports its peak resident memory.
void peakMemory(benchmark::State& state, const std::vector<std::string>& args)
{
    double peakMB = 0;
    for (auto _ : state) {
        const tavobench::ProgramRun run = tavobench::runProgram(benchFolder().dir(), TAVO_BINARY, args);
        if (run.status != 0)
            state.SkipWithError("the command failed");
        peakMB = std::max(peakMB, run.peakMB);
    }
    state.counters["peak_MB"] = peakMB;
}

void BM_PeakMemoryBin(benchmark::State& state) { peakMemory(state, {"-bin", pagePath(), outPath(), "128"}); }
void BM_PeakMemoryNiblack(benchmark::State& state) { peakMemory(state, {"-niblack", pagePath(), outPath()}); }
void BM_PeakMemoryKeepline(benchmark::State& state) { peakMemory(state, {"-keepline", pagePath(), outPath()}); }

BENCHMARK(BM_ExtractComponents)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAndSavePage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BinFixedThreshold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BinClustering)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Niblack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Keepline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakMemoryBin)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PeakMemoryNiblack)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PeakMemoryKeepline)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
