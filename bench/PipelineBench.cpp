// The main job, command by command, through the built program: on an A4
// page at 300 dpi (2480 x 3508) and on a page of four times its area
// (4960 x 7016), both generated with handwriting-like Arabic lines.  Each
// benchmark is one command on one page; "peak_MB" is the command's peak
// resident memory.  The "pipeline" rows run all the commands in turn: the
// classic main job (method 0: -textline, -merge, -segword, -splitword,
// -verify, -render) and the one of tools/tavoalign-page (method 1: -lines,
// -words, -verify, -check, -render).
#include "BenchPages.h"
#include "RunProgram.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using tavobench::runProgram;
using Run = tavobench::ProgramRun;

struct Page {
    std::optional<tavobench::TempFolder> folder;
    int lines = 0;
    const fs::path& dir() const { return folder->dir(); }
};

// Generated once per size, kept for the whole run and removed at its end.
const Page& page(int scale)
{
    static Page pages[3];
    Page& p = pages[scale];
    if (!p.folder) {
        p.folder.emplace("pipeline-bench-" + std::to_string(scale));
        p.lines = 28 * scale;
        const Run made = runProgram(p.dir(), TAVO_MAKE_PAGE,
                                    {"--seed", "5", "--width", std::to_string(2480 * scale), "--height",
                                     std::to_string(3508 * scale), "--lines", std::to_string(p.lines),
                                     "--font", "KacstPen " + std::to_string(16 * scale), "page.tif",
                                     "page.txt"});
        if (made.status != 0)
            std::abort();
    }
    return p;
}

std::vector<std::vector<std::string>> steps(int lines, int method)
{
    if (method == 1)
        return {
            {"-lines", "page.tif", "page.txt", "merged.xml"},
            {"-words", "page.tif", "merged.xml", "words.xml", "-readorderRL"},
            {"-verify", "words.xml", "page.txt"},
            {"-check", "page.tif", "words.xml", "words.xml", "merged.xml"},
            {"-render", "page.tif", "words.xml", "overlay.png"},
        };
    return {
        {"-textline", "page.tif", "lines.xml", std::to_string(lines)},
        {"-merge", "page.txt", "lines.xml", "merged.xml"},
        {"-segword", "page.tif", "merged.xml", "segmented.xml"},
        {"-splitword", "page.tif", "segmented.xml", "words.xml", "-readorderRL"},
        {"-verify", "words.xml", "page.txt"},
        {"-render", "page.tif", "words.xml", "overlay.png"},
    };
}

void report(benchmark::State& state, double peakMB, int status)
{
    state.counters["peak_MB"] = peakMB;
    if (status != 0 && status != 3)
        state.SkipWithError("command failed");
}

// One step; the steps before it are run once, untimed, to make its input.
void BM_Step(benchmark::State& state)
{
    const int scale = static_cast<int>(state.range(0));
    const size_t step = static_cast<size_t>(state.range(1));
    const Page& p = page(scale);
    const auto all = steps(p.lines, static_cast<int>(state.range(2)));
    for (size_t i = 0; i < step; ++i)
        runProgram(p.dir(), TAVO_BINARY, all[i]);
    state.SetLabel(all[step][0] + (scale == 1 ? " A4" : " 4xA4"));
    Run last;
    for (auto _ : state) {
        last = runProgram(p.dir(), TAVO_BINARY, all[step]);
        state.SetIterationTime(last.seconds);
    }
    report(state, last.peakMB, last.status);
}

void BM_Pipeline(benchmark::State& state)
{
    const int scale = static_cast<int>(state.range(0));
    const int method = static_cast<int>(state.range(1));
    const Page& p = page(scale);
    state.SetLabel(std::string(method == 1 ? "lines+words " : "classic ") + (scale == 1 ? "A4" : "4xA4"));
    double peak = 0;
    int worst = 0;
    for (auto _ : state) {
        double seconds = 0;
        for (const auto& args : steps(p.lines, method)) {
            const Run run = runProgram(p.dir(), TAVO_BINARY, args);
            seconds += run.seconds;
            peak = std::max(peak, run.peakMB);
            worst = std::max(worst, run.status == 3 ? 0 : run.status);
        }
        state.SetIterationTime(seconds);
    }
    report(state, peak, worst);
}

}  // namespace

BENCHMARK(BM_Step)
    ->ArgsProduct({{1, 2}, {0, 1, 2, 3, 4, 5}, {0}})
    ->ArgsProduct({{1, 2}, {0, 1, 2, 3, 4}, {1}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_Pipeline)
    ->ArgsProduct({{1, 2}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
