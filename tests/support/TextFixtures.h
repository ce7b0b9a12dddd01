// Small helpers for the text-file tests: byte files in a fresh folder and
// whole-file reads through CTextFileRead.
#pragma once

#include "support/RunTool.h"
#include "util/Strings.h"
#include "util/TextFile.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tavotest {

inline std::u16string wide(const std::filesystem::path& p)
{
    return tavo::wideFromUtf8(p.string());
}

struct ReadResult {
    std::vector<std::u16string> lines;
    int encoding = -1;
    bool open = false;
};

inline ReadResult readLines(const std::filesystem::path& p)
{
    ReadResult r;
    tavo::CTextFileRead in(wide(p));
    r.encoding = in.encoding();
    r.open = in.isOpen();
    std::u16string line;
    while (in.readLine(line))
        r.lines.push_back(line);
    return r;
}

inline ReadResult readBytes(const TempDir& dir, const std::string& bytes)
{
    writeFile(dir / "in.txt", bytes);
    return readLines(dir / "in.txt");
}

// Files in dir whose names start with prefix (the writers' temporary files).
inline std::vector<std::filesystem::path> filesStartingWith(const TempDir& dir, const std::string& prefix)
{
    std::vector<std::filesystem::path> found;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().filename().string().rfind(prefix, 0) == 0)
            found.push_back(e.path());
    return found;
}

}  // namespace tavotest
