// `tavoalign -serve FOLDER` run as a child process for the server's tests and
// benchmark: its address and token read from the line it prints first, the
// lines after it read one by one (or drained so its pipe never fills), and
// the process ended by SIGTERM (stop) or, if nobody did, SIGKILL.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>

namespace tavotest {

class ServeProcess {
public:
    ServeProcess(const char* binary, const std::filesystem::path& folder)
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            execl(binary, binary, "-serve", folder.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        stdout_ = fdopen(out[0], "r");
        const std::string first = line();
        std::smatch m;
        if (std::regex_match(first, m, std::regex("open http://127\\.0\\.0\\.1:([0-9]+)/\\?token=([0-9a-f]{32})"))) {
            port = std::stoi(m[1]);
            token = m[2];
        }
    }
    ~ServeProcess()
    {
        if (pid_ > 0 && !stopped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (drain_.joinable())
            drain_.join();
        if (stdout_)
            std::fclose(stdout_);
    }
    ServeProcess(const ServeProcess&) = delete;
    ServeProcess& operator=(const ServeProcess&) = delete;

    // The next line the server printed, without its line end ("" at the end).
    std::string line()
    {
        char buffer[512];
        if (!stdout_ || !std::fgets(buffer, sizeof buffer, stdout_))
            return {};
        std::string text = buffer;
        while (!text.empty() && text.back() == '\n')
            text.pop_back();
        return text;
    }
    // Reads and drops what the server prints from now on.
    void drain()
    {
        drain_ = std::thread([this] {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, stdout_)) {
            }
        });
    }
    // Ends the server with SIGTERM; its exit status (128 + signal if killed).
    int stop()
    {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        stopped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    pid_t pid() const { return pid_; }

    int port = 0;
    std::string token;

private:
    pid_t pid_ = -1;
    std::FILE* stdout_ = nullptr;
    bool stopped_ = false;
    std::thread drain_;
};

}  // namespace tavotest
