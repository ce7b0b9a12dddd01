// The main job, command by command, through the built program: on an A4
// page at 300 dpi (2480 x 3508) and on a page of four times its area
// (4960 x 7016), both generated with handwriting-like Arabic lines.  Each
// benchmark is one command on one page; "peak_MB" is the command's peak
// resident memory.  The "pipeline" rows run all six commands in turn.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Run {
    double seconds = 0;
    double peakMB = 0;
    int status = 0;
};

Run runIn(const fs::path& dir, const std::string& program, const std::vector<std::string>& args)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0)
            _exit(127);
        std::freopen("/dev/null", "w", stdout);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakMB = usage.ru_maxrss / 1024.0;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    return run;
}

struct Page {
    fs::path dir;
    int lines;
};

// Generated once per size, kept for the whole run.
const Page& page(int scale)
{
    static Page pages[3];
    Page& p = pages[scale];
    if (p.dir.empty()) {
        p.dir = fs::temp_directory_path() / ("tavo-pipeline-bench-" + std::to_string(scale));
        fs::create_directories(p.dir);
        p.lines = 28 * scale;
        const Run made = runIn(p.dir, TAVO_MAKE_PAGE,
                               {"--seed", "5", "--width", std::to_string(2480 * scale), "--height",
                                std::to_string(3508 * scale), "--lines", std::to_string(p.lines),
                                "--font", "KacstPen " + std::to_string(16 * scale), "page.tif",
                                "page.txt"});
        if (made.status != 0)
            std::abort();
    }
    return p;
}

std::vector<std::vector<std::string>> steps(int lines)
{
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
    const auto all = steps(p.lines);
    for (size_t i = 0; i < step; ++i)
        runIn(p.dir, TAVO_BINARY, all[i]);
    state.SetLabel(all[step][0] + (scale == 1 ? " A4" : " 4xA4"));
    Run last;
    for (auto _ : state) {
        last = runIn(p.dir, TAVO_BINARY, all[step]);
        state.SetIterationTime(last.seconds);
    }
    report(state, last.peakMB, last.status);
}

void BM_Pipeline(benchmark::State& state)
{
    const int scale = static_cast<int>(state.range(0));
    const Page& p = page(scale);
    state.SetLabel(scale == 1 ? "A4" : "4xA4");
    double peak = 0;
    int worst = 0;
    for (auto _ : state) {
        double seconds = 0;
        for (const auto& args : steps(p.lines)) {
            const Run run = runIn(p.dir, TAVO_BINARY, args);
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
    ->ArgsProduct({{1, 2}, {0, 1, 2, 3, 4, 5}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_Pipeline)->Arg(1)->Arg(2)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
