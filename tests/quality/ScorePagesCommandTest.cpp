// score_pages as the benchmark script runs it: pages of several runs and
// kinds, a missing zone file, and arguments or truth it must refuse.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <sstream>

#include "support/RunTool.h"

namespace {

struct Output {
    int status = -1;
    std::vector<std::string> lines;
};

Output scorePages(const std::string& arguments)
{
    Output out;
    FILE* pipe = popen((std::string(SCORE_PAGES) + ' ' + arguments + " 2>&1").c_str(), "r");
    if (!pipe)
        return out;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    const int status = pclose(pipe);
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        out.lines.push_back(line);
    return out;
}

// The row that starts with the run and the label, its fields split at blanks.
std::vector<std::string> row(const Output& out, const std::string& run, const std::string& label)
{
    for (const std::string& line : out.lines) {
        std::istringstream fields(line);
        std::vector<std::string> f;
        for (std::string w; fields >> w;)
            f.push_back(w);
        if (f.size() > 2 && f[0] == run && f[1] == label)
            return f;
    }
    return {};
}

std::string zoneLine(const std::string& box, const std::string& text)
{
    return "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" " + box + " contents=\"" + text + "\" > </DL_ZONE>\n";
}

TEST(ScorePagesCommand, ScoresRunsSideBySideByKind)
{
    tavotest::TempDir dir;
    tavotest::writeFile(dir / "p1.truth.json",
                        R"({"image":"p1.tif","kind":"clean","lines":[)"
                        R"({"text":"a","bbox":[0,0,100,20]},{"text":"b","bbox":[0,40,100,20]}]})");
    tavotest::writeFile(dir / "p2.truth.json", R"([{"text":"c","bbox":[0,0,100,20]}])");
    tavotest::writeFile(dir / "p1.xml", zoneLine(R"(col="0" row="0" width="100" height="20")", "a") +
                                            zoneLine(R"(col="0" row="42" width="100" height="20")", "x") +
                                            zoneLine(R"(col="300" row="0" width="10" height="10")", "y"));
    tavotest::writeFile(dir / "p2.xml", zoneLine(R"(col="0" row="0" width="100" height="20" doubt="dark")", "c"));
    const std::string d = dir.path().string() + '/';
    const Output out = scorePages("--run one --truth " + d + "p1.truth.json --lines " + d + "p1.xml --seconds 2" +
                                  " --truth " + d + "p2.truth.json --lines " + d + "p2.xml" +
                                  " --run two --truth " + d + "p2.truth.json --lines " + d + "absent.xml");
    ASSERT_EQ(out.status, 0);

    // Per page: lines, zones, recall, right text, ..., flagged, needed.
    EXPECT_EQ(row(out, "one", "p1"),
              (std::vector<std::string>{"one", "p1", "2", "3", "100.0", "50.0", "n/a", "n/a", "no", "yes", "0.0",
                                        "2.00"}));
    EXPECT_EQ(row(out, "two", "p2")[3], "none");
    // Per kind, for every kind any run has: pages, lineR, lineP, lineT, ...
    EXPECT_EQ(row(out, "one", "clean"), (std::vector<std::string>{"one", "clean", "1", "100.0", "66.7", "50.0",
                                                                  "n/a", "n/a", "0/1", "1", "0.0", "2.00"}));
    EXPECT_EQ(row(out, "two", "clean")[2], "0");
    EXPECT_EQ(row(out, "one", "lines"), (std::vector<std::string>{"one", "lines", "1", "100.0", "100.0", "100.0",
                                                                  "n/a", "n/a", "1/0", "0", "100.0", "n/a"}));
    // Micro-averages over all lines of the run.
    EXPECT_EQ(row(out, "one", "all"), (std::vector<std::string>{"one", "all", "2", "100.0", "75.0", "66.7", "n/a",
                                                                "n/a", "1/1", "1", "50.0", "2.00"}));
    EXPECT_EQ(row(out, "two", "all")[3], "0.0");
}

TEST(ScorePagesCommand, RefusesBadArgumentsAndTruth)
{
    tavotest::TempDir dir;
    tavotest::writeFile(dir / "bad.json", R"({"lines":[{"bbox":[1,2]}]})");
    const std::string d = dir.path().string() + '/';
    EXPECT_EQ(scorePages("").status, 2);
    EXPECT_EQ(scorePages("--lines x.xml").status, 2);
    EXPECT_EQ(scorePages("--truth").status, 2);
    EXPECT_EQ(scorePages("--truth " + d + "bad.json --frobnicate 1").status, 2);
    const Output bad = scorePages("--truth " + d + "bad.json --lines x.xml");
    EXPECT_EQ(bad.status, 2);
    ASSERT_FALSE(bad.lines.empty());
    EXPECT_NE(bad.lines.back().find("bad.json: a box is not a list of four numbers"), std::string::npos);
    EXPECT_EQ(scorePages("--truth " + d + "missing.json").status, 2);
}

}  // namespace
