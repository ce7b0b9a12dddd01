// The main job of tools/tavoalign-page, step by step: the CPU time (user +
// system) and the bytes written by each command, on the bundled example
// page and on a generated colour A4 page at 300 dpi (JPEG), or on the pages
// given.  Prints one table per page, the medians of the runs.
//
//   mainjob_bench [--runs N] [--overlay] [PAGE TEXT]...
//
// The script itself is run, with this program standing in for tavoalign:
// called as the stand-in (TAVO_MAINJOB_STATE set), it runs the real program,
// measures it with wait4 and notes its CPU and the bytes it added to the
// working folder.  What changed in the folder between two commands (the
// copies of the inputs, result.csv) is the script's own share; so is the
// CPU of the whole run that the commands do not account for.
//
// Bytes written: a file that is new or replaced (the atomic writer gives it
// a new inode) counts whole, a file appended to counts its growth.  The row
// "kept" leaves out the files the job removed before it ended (scores.txt,
// grey.cache): what stays on the disk.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct FileState {
    unsigned long long inode = 0;
    long long size = 0;
    long long mtime = 0;  // nanoseconds
};
using Snapshot = std::map<std::string, FileState>;

Snapshot snapshot(const fs::path& dir)
{
    Snapshot files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        struct stat st {};
        if (lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        files[fs::relative(it->path(), dir).string()] = {
            static_cast<unsigned long long>(st.st_ino), static_cast<long long>(st.st_size),
            static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
    }
    return files;
}

// The bytes each file got between the two snapshots.
std::map<std::string, long long> bytesByFile(const Snapshot& before, const Snapshot& after)
{
    std::map<std::string, long long> added;
    for (const auto& [name, now] : after) {
        const auto was = before.find(name);
        if (was == before.end() || was->second.inode != now.inode)
            added[name] = now.size;
        else if (was->second.mtime != now.mtime)
            added[name] = std::max(0LL, now.size - was->second.size);
    }
    return added;
}

long long bytesAdded(const Snapshot& before, const Snapshot& after)
{
    long long bytes = 0;
    for (const auto& [name, size] : bytesByFile(before, after))
        bytes += size;
    return bytes;
}

void saveSnapshot(const std::string& path, const Snapshot& files)
{
    std::ofstream out(path, std::ios::trunc);
    for (const auto& [name, s] : files)
        out << s.inode << ' ' << s.size << ' ' << s.mtime << ' ' << name << '\n';
}

Snapshot loadSnapshot(const std::string& path)
{
    Snapshot files;
    std::ifstream in(path);
    FileState s;
    std::string name;
    while (in >> s.inode >> s.size >> s.mtime && std::getline(in >> std::ws, name))
        files[name] = s;
    return files;
}

double cpuSeconds(const rusage& u)
{
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs argv (with environment additions) and waits for it; its CPU time,
// children included, in cpu.
int runAndMeasure(const std::vector<std::string>& args, const std::vector<std::string>& env, double& cpu,
                  const char* output = nullptr)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        for (const std::string& e : env)
            putenv(const_cast<char*>(e.c_str()));
        if (output && (!std::freopen(output, "w", stdout) || !std::freopen(output, "a", stderr)))
            _exit(127);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    cpu = cpuSeconds(usage);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The stand-in for tavoalign inside the script: state is the folder with
// the last snapshot ("snapshot") and the step log ("steps").
int standIn(const std::string& state, int argc, char** argv)
{
    const fs::path here = fs::current_path();
    const Snapshot last = loadSnapshot(state + "/snapshot");
    const Snapshot before = snapshot(here);
    std::vector<std::string> args{TAVO_BINARY};
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    double cpu = 0;
    const int status = runAndMeasure(args, {}, cpu);
    const Snapshot after = snapshot(here);
    saveSnapshot(state + "/snapshot", after);
    std::ofstream log(state + "/steps", std::ios::app);
    log << "script 0 " << bytesAdded(last, before) << '\n';
    log << (argc > 1 ? argv[1] : "?") << ' ' << cpu << ' ' << bytesAdded(before, after) << '\n';
    // Each file a command wrote, to tell at the end which the job removed.
    std::ofstream written(state + "/written", std::ios::app);
    for (const auto& [name, size] : bytesByFile(before, after))
        written << size << ' ' << name << '\n';
    // The stand-in's own time is the benchmark's, not the script's.
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    log << "standin " << cpuSeconds(self) << " 0\n";
    return status;
}

struct Step {
    std::string name;
    double cpu = 0;
    long long bytes = 0;
};

// The bytes written to files the job removed before it ended (its scores
// and grey cache), counted in their steps' rows too.
struct Run {
    std::vector<Step> steps;
    long long removed = 0;
};

// One run of the main job on page and text; the rows in the order of the
// steps, the script's share last.
Run runOnce(const std::string& self, const std::string& page, const std::string& text, bool overlay)
{
    char pattern[] = "/tmp/tavo-mainjob-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    const std::string tmp = pattern;
    const std::string work = tmp + "/work";
    std::vector<std::string> args{"bash", TAVO_SOURCE_DIR "/tools/tavoalign-page"};
    if (overlay)
        args.emplace_back("--overlay");
    args.insert(args.end(), {page, text, work});
    double total = 0;
    const int status = runAndMeasure(args, {"TAVOALIGN=" + self, "TAVO_MAINJOB_STATE=" + tmp}, total,
                                     (tmp + "/script.txt").c_str());
    if (status != 0 && status != 3) {
        std::fprintf(stderr, "mainjob_bench: the main job on %s ended with status %d\n", page.c_str(), status);
        std::exit(1);
    }
    std::vector<Step> steps;
    Step script{"script", 0, 0};
    std::ifstream in(tmp + "/steps");
    Step s;
    while (in >> s.name >> s.cpu >> s.bytes) {
        if (s.name == "script") {
            script.bytes += s.bytes;
        } else if (s.name == "standin") {
            script.cpu -= s.cpu;
        } else {
            steps.push_back(s);
            script.cpu -= s.cpu;
        }
    }
    script.cpu += total;
    const Snapshot end = snapshot(work);
    script.bytes += bytesAdded(loadSnapshot(tmp + "/snapshot"), end);
    steps.push_back(script);
    Run run{steps, 0};
    std::ifstream written(tmp + "/written");
    long long size = 0;
    std::string name;
    while (written >> size && std::getline(written >> std::ws, name))
        if (!end.count(name))
            run.removed += size;
    fs::remove_all(tmp);
    return run;
}

template <class T>
T median(std::vector<T> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void measure(const std::string& self, const std::string& page, const std::string& text, bool overlay, int runs)
{
    std::vector<std::vector<Step>> all;
    std::vector<long long> removed;
    for (int r = 0; r < runs; ++r) {
        Run run = runOnce(self, page, text, overlay);
        all.push_back(std::move(run.steps));
        removed.push_back(run.removed);
    }
    const long long scan = static_cast<long long>(fs::file_size(page));
    std::printf("%s (%lld bytes), median of %d runs%s\n", fs::path(page).filename().c_str(), scan, runs,
                overlay ? ", with --overlay" : "");
    std::printf("  %-10s %8s %14s\n", "step", "CPU s", "bytes written");
    double cpu = 0;
    long long bytes = 0;
    for (size_t i = 0; i < all[0].size(); ++i) {
        std::vector<double> cpus;
        std::vector<long long> sizes;
        for (const auto& run : all)
            if (i < run.size()) {
                cpus.push_back(run[i].cpu);
                sizes.push_back(run[i].bytes);
            }
        const double c = median(cpus);
        const long long b = median(sizes);
        cpu += c;
        bytes += b;
        std::printf("  %-10s %8.3f %14lld\n", all[0][i].name.c_str(), c, b);
    }
    std::printf("  %-10s %8.3f %14lld  (%.2f x the scan)\n", "total", cpu, bytes,
                static_cast<double>(bytes) / static_cast<double>(scan));
    const long long gone = median(removed);
    std::printf("  %-10s %8s %14lld  (%.2f x the scan; %lld in files the job removed before its end)\n\n", "kept", "",
                bytes - gone, static_cast<double>(bytes - gone) / static_cast<double>(scan), gone);
}

}  // namespace

int main(int argc, char** argv)
{
    if (const char* state = std::getenv("TAVO_MAINJOB_STATE"))
        return standIn(state, argc, argv);

    int runs = 3;
    bool overlay = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--overlay")
            overlay = true;
        else if (!a.empty() && a[0] != '-')
            files.push_back(fs::absolute(a).string());
        else {
            std::fprintf(stderr, "usage: mainjob_bench [--runs N] [--overlay] [PAGE TEXT]...\n");
            return 2;
        }
    }
    if (files.size() % 2 != 0) {
        std::fprintf(stderr, "mainjob_bench: a page without its transcription\n");
        return 2;
    }
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    if (!files.empty()) {
        for (size_t i = 0; i < files.size(); i += 2)
            measure(self, files[i], files[i + 1], overlay, runs);
        return 0;
    }
    measure(self, TAVO_SOURCE_DIR "/examples/page.tif", TAVO_SOURCE_DIR "/examples/page.txt", overlay, runs);
#ifdef TAVO_GEN_PAGES
    // Seed 3 of the photographed kind is a colour A4 page at 300 dpi.
    char pattern[] = "/tmp/tavo-mainjob-page-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    double cpu = 0;
    if (runAndMeasure({TAVO_GEN_PAGES, "--seed", "3", "--kind", "photo", pattern}, {}, cpu, "/dev/null") != 0) {
        std::fprintf(stderr, "mainjob_bench: gen_pages failed\n");
        return 1;
    }
    const std::string dir = pattern;
    measure(self, dir + "/photo-3.jpg", dir + "/photo-3.txt", overlay, runs);
    fs::remove_all(dir);
#endif
    return 0;
}
