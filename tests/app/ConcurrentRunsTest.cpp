// Several temporary-file commands at once in one working folder: they all
// use "temp.xml" there, so each must hold the folder until its output is
// written, or one run's output would carry another run's zones.
#include "support/RunTool.h"
#include "ZULImage.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

using tavotest::readFile;
using tavotest::runTool;
using tavotest::TempDir;
using tavotest::writeFile;

namespace {

TEST(ConcurrentRuns, RunsInOneFolderTakeTurns)
{
    TempDir dir;
    ZULImage page(1600, 1200, 8, true);
    ASSERT_TRUE(page.zulSaveImage((dir / "page.tif").string()));

    // Every input names its own run in the zone's contents.
    constexpr int kRuns = 6;
    constexpr int kZones = 3000;
    for (int run = 0; run < kRuns; ++run) {
        std::string xml = "\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
        for (int z = 0; z < kZones; ++z)
            xml += "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" col=\"10\" row=\"" +
                   std::to_string(z % 250) +
                   "\" width=\"300\" height=\"40\" offsets=\"\" contents=\"run" +
                   std::to_string(run) + "\" segmentation=\"word\" > </DL_ZONE>\r\n";
        writeFile(dir / ("in" + std::to_string(run) + ".xml"), xml);
    }

    std::vector<std::future<tavotest::RunResult>> runs;
    for (int run = 0; run < kRuns; ++run) {
        const std::string n = std::to_string(run);
        runs.push_back(std::async(std::launch::async, [&dir, n] {
            return runTool({"-segword", "page.tif", "in" + n + ".xml", "out" + n + ".xml"},
                           dir.path());
        }));
    }
    for (int run = 0; run < kRuns; ++run) {
        const auto r = runs[run].get();
        EXPECT_EQ(r.status, 0) << r.err;
        const std::string out = readFile(dir / ("out" + std::to_string(run) + ".xml"));
        for (int other = 0; other < kRuns; ++other) {
            const bool mine = out.find("contents=\"run" + std::to_string(other) + "\"") !=
                              std::string::npos;
            EXPECT_EQ(mine, other == run) << "output " << run << ", contents of run " << other;
        }
    }
}

}  // namespace
