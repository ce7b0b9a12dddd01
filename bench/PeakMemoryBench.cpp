// Peak resident memory of every image command, run through the built
// program on an A4 page at 300 dpi (2480 x 3508) and on a page of twice its
// sides (4960 x 7016), each a 1-bit Group 4 TIFF with 25 generated text
// lines.  The inputs a command needs (line zones, merged transcriptions,
// PAW cuts, word zones) are made once per page by running the commands
// before it.  Counters: "peak_MB" (the largest ru_maxrss of the runs) and
// "target_MB" (150 on A4, 600 on the double page); a command above its
// target says so in its label.
#include "BenchPages.h"
#include "RunProgram.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "ZULImage.h"

namespace fs = std::filesystem;

namespace {

constexpr int kLines = 25;
constexpr double kTargetMB[] = {0, 150, 600};

using Args = std::vector<std::string>;

using tavobench::runProgram;
using Run = tavobench::ProgramRun;

// Without the page generator: rows of dark blocks of random widths and
// gaps, as words on text lines, and a transcription of as many words.
void drawPage(const fs::path& dir, int scale)
{
    const int width = 2480 * scale;
    const int height = 3508 * scale;
    ZULImage page(width, height, 1, true);
    std::mt19937 random(5);
    std::ofstream text(dir / "page.txt");
    const int pitch = height / (kLines + 2);
    for (int line = 0; line < kLines; ++line) {
        const int top = pitch * (line + 1);
        for (int right = width - 200 * scale; right > 300 * scale;) {
            const int w = (20 + static_cast<int>(random() % 100)) * scale;
            const int h = (25 + static_cast<int>(random() % 20)) * scale;
            for (int y = top; y < top + h; ++y)
                for (int x = std::max(right - w, 0); x < right; ++x)
                    page.zulSetPixel(x, y, 0);
            right -= w + (15 + static_cast<int>(random() % 30)) * scale;
            text << "\xd8\xaf\xd8\xa7\xd8\xb1 ";  // one Arabic word per block
        }
        text << '\n';
    }
    if (!page.zulSaveImage((dir / "page.tif").string()))
        std::abort();
}

// The page and its transcription, from the page generator when it is built.
void makePage(const fs::path& dir, int scale)
{
#ifdef TAVO_MAKE_PAGE
    const Run made = runProgram(dir, TAVO_MAKE_PAGE,
                           {"--seed", "11", "--lines", std::to_string(kLines), "--width",
                            std::to_string(2480 * scale), "--height", std::to_string(3508 * scale),
                            "--font", "KacstPen " + std::to_string(16 * scale), "page.tif", "page.txt"});
    if (made.status == 0)
        return;
#endif
    drawPage(dir, scale);
}

// The commands measured; each reads what the commands of makeInputs wrote.
const std::vector<Args>& commands()
{
    static const std::vector<Args> list = {
        {"-textline", "page.tif", "textline.xml", std::to_string(kLines)},
        {"-paw", "page.tif", "merged.xml", "paw.xml"},
        {"-solopaw", "page.tif", "merged.xml", "solopaw.xml"},
        {"-updatepaw", "page.tif", "paw.xml", "updatepaw.xml"},
        {"-word", "page.tif", "paw.xml", "word.xml"},
        {"-segword", "page.tif", "merged.xml", "segword.xml"},
        {"-splitword", "page.tif", "segmented.xml", "splitword.xml", "-readorderRL"},
        {"-shrink", "page.tif", "words.xml", "shrink.xml"},
        {"-refine", "page.tif", "words.xml", "refine.xml"},
        {"-render", "page.tif", "words.xml", "render.png"},
        {"-bin", "page.tif", "bin.tif"},
        {"-niblack", "page.tif", "niblack.tif"},
        {"-keepline", "page.tif", "keepline.tif"},
    };
    return list;
}

void makeInputs(const fs::path& dir)
{
    const std::vector<Args> steps = {
        {"-textline", "page.tif", "lines.xml", std::to_string(kLines)},
        {"-merge", "page.txt", "lines.xml", "merged.xml"},
        {"-paw", "page.tif", "merged.xml", "paw.xml"},
        {"-segword", "page.tif", "merged.xml", "segmented.xml"},
        {"-splitword", "page.tif", "segmented.xml", "words.xml", "-readorderRL"},
    };
    for (const Args& step : steps) {
        const Run run = runProgram(dir, TAVO_BINARY, step);
        if (run.status != 0 && run.status != 3) {
            std::fprintf(stderr, "preparing %s: %s ended with %d\n", dir.c_str(), step[0].c_str(), run.status);
            std::abort();
        }
    }
}

// The page folder of one scale, made on first use and removed when the
// program ends.
const fs::path& pageFolder(int scale)
{
    static std::optional<tavobench::TempFolder> folders[3];
    std::optional<tavobench::TempFolder>& folder = folders[scale];
    if (!folder) {
        folder.emplace("peak-memory-" + std::to_string(scale));
        makePage(folder->dir(), scale);
        makeInputs(folder->dir());
    }
    return folder->dir();
}

void BM_PeakMemory(benchmark::State& state)
{
    const int scale = static_cast<int>(state.range(0));
    const Args& args = commands().at(static_cast<size_t>(state.range(1)));
    const fs::path& dir = pageFolder(scale);
    double peak = 0;
    int status = 0;
    for (auto _ : state) {
        const Run run = runProgram(dir, TAVO_BINARY, args);
        state.SetIterationTime(run.seconds);
        peak = std::max(peak, run.peakMB);
        if (run.status != 0 && run.status != 3)
            status = run.status;
    }
    state.counters["peak_MB"] = peak;
    state.counters["target_MB"] = kTargetMB[scale];
    state.SetLabel(args[0] + (scale == 1 ? " A4" : " 2xA4") + (peak > kTargetMB[scale] ? " OVER TARGET" : ""));
    if (status != 0)
        state.SkipWithError(("status " + std::to_string(status)).c_str());
}

}  // namespace

BENCHMARK(BM_PeakMemory)
    ->ArgsProduct({{1, 2}, benchmark::CreateDenseRange(0, 12, 1)})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
