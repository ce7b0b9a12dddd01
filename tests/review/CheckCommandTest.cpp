// -check and the verdict colours of -render, run as the program.
#include "support/Fixtures.h"
#include "support/ReviewFixtures.h"

#include "ZULImage.h"

#include <gtest/gtest.h>

#include <regex>

using namespace reviewtest;
using tavotest::readFile;
using tavotest::runTool;
using tavotest::TempDir;

namespace {


}  // namespace

TEST(CheckCommand, CleanPageScoresEveryZoneAndEndsWithStatusZero)
{
    TempDir dir;
    writePage(drawLine(kWords), dir.path());
    const auto run = runTool({"-check", "page.png", "words.xml", "out.xml", "lines.xml"}, dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "doubtful: 0 of 1 lines, 0 of 6 words\n");
    const std::string out = readFile(dir / "out.xml");
    EXPECT_EQ(tavotest::countOf(out, " confidence=\""), 6);
    EXPECT_EQ(tavotest::countOf(out, "doubt="), 0);
    // Everything else of the file is kept: the confidence the zone came with
    // (none: 1.00) and the score follow the last attribute.
    EXPECT_EQ(tavotest::countOf(out, " finderscore=\"1.00\" confidence=\""), 6);
    EXPECT_EQ(std::regex_replace(out, std::regex(" finderscore=\"[0-9.]*\" confidence=\"[0-9.]*\""), ""),
              readFile(dir / "words.xml"));
}

TEST(CheckCommand, DoubtfulZonesAreListedWarnedAndEndWithStatusThree)
{
    TempDir dir;
    writePage(swappedPage(), dir.path());
    const std::string before = readFile(dir / "words.xml");
    const auto run = runTool({"-check", "page.png", "words.xml", "words.xml"}, dir.path());
    EXPECT_EQ(run.status, 3);
    // The first and fourth words, on lines 4 and 7 of the file.
    EXPECT_TRUE(std::regex_search(run.out, std::regex("^words\\.xml:4: word 0\\.[0-9][0-9] [a-z ]*bodies")))
        << run.out;
    EXPECT_TRUE(std::regex_search(run.out, std::regex("\nwords\\.xml:7: word ")));
    EXPECT_TRUE(run.out.ends_with("\ndoubtful: 0 of 0 lines, 2 of 6 words\n")) << run.out;
    EXPECT_EQ(tavotest::countOf(run.err, "tavoalign: -check: words.xml:"), 2) << run.err;
    EXPECT_EQ(tavotest::countOf(run.err, "zone in doubt"), 2);

    // Written in place; a second run finds the same and writes the same.
    const std::string checked = readFile(dir / "words.xml");
    EXPECT_NE(checked, before);
    EXPECT_EQ(tavotest::countOf(checked, " doubt=\""), 2);
    const auto again = runTool({"-check", "page.png", "words.xml", "words.xml"}, dir.path());
    EXPECT_EQ(again.out, run.out);
    EXPECT_EQ(readFile(dir / "words.xml"), checked);
}

// The page job's -cache: the same check whether the grey page is decoded
// (and kept) or read from the file; -topage takes the page's size from it;
// the option without its file is refused.
TEST(CheckCommand, CacheFileGivesTheSameCheckAndExports)
{
    TempDir dir;
    writePage(swappedPage(), dir.path());
    const auto plain = runTool({"-check", "page.png", "words.xml", "plain.xml"}, dir.path());
    for (const char* out : {"kept.xml", "cached.xml"}) {
        const auto run = runTool({"-check", "page.png", "words.xml", out, "-cache", "grey.cache"}, dir.path());
        EXPECT_EQ(run.status, plain.status) << out;
        EXPECT_EQ(run.out, plain.out) << out;
        EXPECT_EQ(readFile(dir / out), readFile(dir / "plain.xml")) << out;
        EXPECT_TRUE(std::filesystem::exists(dir / "grey.cache")) << out;
    }
    for (const char* command : {"-topage", "-toalto"}) {
        ASSERT_EQ(runTool({command, "page.png", "plain.xml", "a.xml"}, dir.path()).status, 0);
        ASSERT_EQ(runTool({command, "page.png", "plain.xml", "b.xml", "-cache", "grey.cache"}, dir.path()).status, 0);
        const std::regex stamp("<(Created|LastChange|processingDateTime)>[^<]*<");
        EXPECT_EQ(std::regex_replace(readFile(dir / "b.xml"), stamp, ""),
                  std::regex_replace(readFile(dir / "a.xml"), stamp, ""))
            << command;
    }
    EXPECT_EQ(runTool({"-check", "page.png", "words.xml", "x.xml", "-cache"}, dir.path()).status, 255);
    EXPECT_FALSE(std::filesystem::exists(dir / "x.xml"));
}

TEST(CheckCommand, UnreadableInputsStopBeforeWriting)
{
    TempDir dir;
    writePage(drawLine(kWords), dir.path());
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"-check", "missing.png", "words.xml", "out.xml"},
             {"-check", "page.png", "missing.xml", "out.xml"},
             {"-check", "page.png", "words.xml", "out.xml", "missing.xml"}}) {
        const auto run = runTool(args, dir.path());
        EXPECT_EQ(run.status, 2) << args[1] << args[2];
        EXPECT_TRUE(run.err.starts_with("tavoalign: -check: missing.")) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.xml"));
    }
    EXPECT_EQ(runTool({"-check", "page.png", "words.xml"}, dir.path()).status, 255);
}

TEST(RenderVerdicts, ZonesWithConfidenceTakeTheColourOfTheirVerdict)
{
    TempDir dir;
    const SynthPage s = swappedPage();
    writePage(s, dir.path());
    ASSERT_EQ(runTool({"-check", "page.png", "words.xml", "checked.xml"}, dir.path()).status, 3);
    ASSERT_EQ(runTool({"-render", "page.png", "checked.xml", "checked.png"}, dir.path()).status, 0);
    ASSERT_EQ(runTool({"-render", "page.png", "words.xml", "plain.png"}, dir.path()).status, 0);
    const ZULImage checked((dir / "checked.png").string()), plain((dir / "plain.png").string());
    auto colour = [](const ZULImage& image, const tavo::ZoneBox& b) {
        const unsigned char* p = image.zulGetRow(b.row) + 3 * b.col;  // the frame's corner
        return std::array<int, 3>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(colour(plain, s.words[0].box), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(colour(plain, s.words[1].box), (std::array<int, 3>{255, 0, 0}));
    EXPECT_NE(colour(checked, s.words[0].box), colour(checked, s.words[1].box));
    EXPECT_EQ(colour(checked, s.words[1].box), (std::array<int, 3>{0, 170, 0}));

    // A doubt makes the sure word doubtful (orange) at the same confidence.
    std::string doc = readFile(dir / "checked.xml");
    const size_t line = doc.find("contents=\"" + tavo::utf8FromWide(s.words[1].text) + "\"");
    ASSERT_NE(line, std::string::npos);
    doc.insert(doc.find("confidence=\"", line), "doubt=\"length\" ");
    tavotest::writeFile(dir / "doubted.xml", doc);
    ASSERT_EQ(runTool({"-render", "page.png", "doubted.xml", "doubted.png"}, dir.path()).status, 0);
    const ZULImage doubted((dir / "doubted.png").string());
    EXPECT_EQ(colour(doubted, s.words[1].box), (std::array<int, 3>{255, 140, 0}));
}
