// Writes generated handwritten pages with their exact truth.
//
//   gen_pages [--seed N] [--count K] [--kind KIND] [--overlay] OUTDIR
//   gen_pages --default-set [--overlay] OUTDIR
//
// Each page is KIND-SEED with the files PageFiles.h lists; seeds run from N
// (default 1) upwards.  --overlay adds NAME.overlay.png, the page at half
// size with its truth boxes drawn on it.  The default set is the benchmark's fixed selection
// across all kinds.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "quality/PageFiles.h"
#include "quality/InkPainter.h"
#include "quality/PageStyle.h"

namespace {

using tavo::quality::pageKinds;

// Pages per kind in the default set and the seed it starts from.
const std::vector<std::pair<std::string, int>> kDefaultSet = {
    {"clean", 4}, {"ruled", 3}, {"squared", 3}, {"faint", 3}, {"photo", 4}, {"tight", 4}, {"mixed", 3}};
constexpr unsigned kDefaultSeed = 1001;

int usage()
{
    std::string kinds;
    for (const std::string& k : pageKinds())
        kinds += (kinds.empty() ? "" : ", ") + k;
    std::fprintf(stderr,
                 "usage: gen_pages [--seed N] [--count K] [--kind KIND] [--overlay] OUTDIR\n"
                 "       gen_pages --default-set [--overlay] OUTDIR\n"
                 "kinds: %s\n",
                 kinds.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    unsigned seed = 1;
    int count = 1;
    std::string kind = "clean", folder;
    bool defaultSet = false, overlay = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--seed" && hasValue)
            seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--count" && hasValue)
            count = std::atoi(argv[++i]);
        else if (a == "--kind" && hasValue)
            kind = argv[++i];
        else if (a == "--default-set")
            defaultSet = true;
        else if (a == "--overlay")
            overlay = true;
        else if (!a.empty() && a[0] != '-' && folder.empty())
            folder = a;
        else
            return usage();
    }
    if (folder.empty() || count < 1 || !tavo::quality::isPageKind(kind))
        return usage();

    std::vector<std::pair<std::string, unsigned>> pages;
    if (defaultSet) {
        unsigned s = kDefaultSeed;
        for (const auto& [k, n] : kDefaultSet)
            for (int i = 0; i < n; ++i)
                pages.emplace_back(k, s++);
    } else {
        for (int i = 0; i < count; ++i)
            pages.emplace_back(kind, seed + i);
    }
    try {
        std::filesystem::create_directories(folder);
        for (const auto& [k, s] : pages) {
            const std::string name = k + '-' + std::to_string(s);
            const tavo::quality::PageTruth truth = tavo::quality::generatePageFiles(folder, name, k, s, overlay);
            std::printf("%s\t%d lines\n", truth.image.c_str(), int(truth.lines.size()));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gen_pages: %s\n", e.what());
        return 2;
    }
    tavo::quality::releaseFontCaches();
    return 0;
}
