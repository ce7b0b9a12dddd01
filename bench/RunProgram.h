// Runs a program as a whole process, the way a user runs it, and measures
// it: wall time, peak resident memory and exit status.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tavobench {

struct ProgramRun {
    double seconds = 0;
    double peakMB = 0;  // the process's largest resident set
    int status = 0;     // exit status, or 128 + the signal that ended it
};

// Runs program with args in dir, its standard output discarded and its
// messages (a warning per doubtful zone can run to hundreds) kept in
// dir/messages.txt.
inline ProgramRun runProgram(const std::filesystem::path& dir, const std::string& program,
                             const std::vector<std::string>& args)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0 || !std::freopen("/dev/null", "w", stdout) ||
            !std::freopen("messages.txt", "a", stderr))
            _exit(127);
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
    ProgramRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

}  // namespace tavobench
