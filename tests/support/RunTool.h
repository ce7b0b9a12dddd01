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

// Runs TAVO_BINARY with the given arguments in folder dir; argument 0 is
// the binary's path, or argv0 when one is given (the program finds files
// beside the name it was started as).
RunResult runTool(const std::vector<std::string>& args, const std::filesystem::path& dir,
                  const std::string& argv0 = TAVO_BINARY);

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
