// Runs the built tavoalign in a folder and captures what it prints.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tavotest {

struct RunResult {
    int status = 0;    // exit status as the shell sees it (0..255)
    std::string out;   // standard output
    std::string err;   // standard error
};

// Runs TAVO_BINARY with the given arguments (argument 0 is supplied) in
// folder dir.
RunResult runTool(const std::vector<std::string>& args, const std::filesystem::path& dir);

// A fresh empty folder under the system's temporary folder, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& bytes);

}  // namespace tavotest
