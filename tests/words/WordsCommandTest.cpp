// -words through the built program: the zone-line layout -splitword writes,
// a chain that -verify accepts, and zones it cannot process copied with a
// warning each and exit status 3.

#include "support/InkLinePage.h"
#include "support/RunTool.h"
#include "util/Strings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <vector>
#include <string>

namespace {

using namespace wordstest;
using tavotest::readFile;
using tavotest::runTool;
using tavotest::TempDir;
using tavotest::writeFile;

std::string utf8(const std::u16string& text) { return tavo::utf8FromWide(text); }

std::string zone(int col, int row, int width, int height, const std::string& contents)
{
    return "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" col=\"" + std::to_string(col) +
           "\" row=\"" + std::to_string(row) + "\" width=\"" + std::to_string(width) +
           "\" height=\"" + std::to_string(height) + "\" offsets=\"\" contents=\"" + contents +
           "\" segmentation=\"word\" > </DL_ZONE>";
}

// A page with bayt, min and sami' drawn right to left on one line.
struct Page {
    TempDir dir;
    explicit Page(const std::vector<std::string>& zones)
    {
        ZULImage page = whitePage();
        drawPaw(page, 300, 359);
        drawPaw(page, 210, 259);
        drawPaw(page, 60, 149);
        page.zulSaveImage((dir / "page.png").string());
        std::string xml = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                          "<DL_PAGE tavo_type=\"DL_PAGE\" src=\"page.png\" pageID=\"1\" width=\"400\" height=\"120\">\r\n";
        for (const std::string& z : zones)
            xml += z + "\r\n";
        writeFile(dir / "in.xml", xml + "</DL_PAGE>\r\n");
    }
    tavotest::RunResult run(const std::string& order)
    {
        return runTool({"-words", "page.png", "in.xml", "out.xml", order}, dir.path());
    }
    std::string output() const { return readFile(dir / "out.xml"); }
};

const std::string kText = utf8(kBayt + u" " + kMin + u" " + kSami);

TEST(WordsCommand, WritesSplitwordZonesThatVerify)
{
    Page page({zone(20, 10, 360, 90, kText)});
    const tavotest::RunResult run = page.run("-readorderRL");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string out = page.output();
    const std::regex first(
        "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"1\" segmentation=\"word\" col=\"300\" "
        "row=\"31\" width=\"60\" height=\"30\" contents=\"" + utf8(kBayt) +
        "\" offsets=\"\" status=\"\" nextZoneID=\"2\" pawboxes=\"300,31,60,30\" "
        "confidence=\"[01]\\.\\d\\d\"> </DL_ZONE>\r\n");
    EXPECT_TRUE(std::regex_search(out, first)) << out;
    EXPECT_NE(out.find("id=\"3\" segmentation=\"word\" col=\"60\""), std::string::npos);

    writeFile(page.dir / "text.txt", kText + "\n");
    EXPECT_EQ(runTool({"-verify", "out.xml", "text.txt"}, page.dir.path()).out, "99999\n-1\n");
}

TEST(WordsCommand, LeftToRightNumbersTheLeftmostWordFirst)
{
    Page page({zone(20, 10, 360, 90, kText)});
    ASSERT_EQ(page.run("-readorderLR").status, 0);
    EXPECT_NE(page.output().find("id=\"1\" segmentation=\"word\" col=\"60\""), std::string::npos);
}

// The page job's -cache before or after the reading order: the same words,
// from the grey page kept the first time (the page is grey: it is kept).
TEST(WordsCommand, CacheFileGivesTheSameWordsAnywhereAfterTheOperands)
{
    Page page({zone(20, 10, 360, 90, kText)});
    ASSERT_EQ(page.run("-readorderRL").status, 0);
    const std::string plain = page.output();
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"-cache", "grey.cache", "-readorderRL"}, {"-readorderRL", "-cache", "grey.cache"}}) {
        std::vector<std::string> args{"-words", "page.png", "in.xml", "out.xml"};
        args.insert(args.end(), options.begin(), options.end());
        ASSERT_EQ(runTool(args, page.dir.path()).status, 0);
        EXPECT_EQ(page.output(), plain) << options[0];
    }
    EXPECT_TRUE(std::filesystem::exists(page.dir / "grey.cache"));
}

// A line of digits and Latin letters (a page number, a stamp) becomes word
// zones like any other, in the line's order, so the words verify.
TEST(WordsCommand, LinesWithoutArabicLettersBecomeWords)
{
    Page page({zone(20, 10, 360, 90, "12 ab 3")});
    const tavotest::RunResult run = page.run("-readorderRL");
    EXPECT_NE(run.status, 2) << run.err;
    const std::string out = page.output();
    EXPECT_EQ(out.find("id=\"None\""), std::string::npos) << out;
    const size_t first = out.find("contents=\"12\""), second = out.find("contents=\"ab\""),
                 third = out.find("contents=\"3\"");
    ASSERT_NE(third, std::string::npos) << out;
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    writeFile(page.dir / "text.txt", "12 ab 3\n");
    EXPECT_EQ(runTool({"-verify", "out.xml", "text.txt"}, page.dir.path()).out, "99999\n-1\n");
}

TEST(WordsCommand, ZonesItCannotProcessAreCopiedWithAWarningEach)
{
    std::string huge;
    while (huge.size() < 200000)  // 100,000 UTF-16 code units, two UTF-8 bytes each
        huge += utf8(kBayt) + " ";
    const std::vector<std::string> bad = {
        zone(20, 100, 360, 15, kText),              // no ink
        zone(390, 10, 360, 90, kText),              // outside the page
        zone(20, 10, 360, 90, ""),                  // no contents
    };
    std::vector<std::string> zones = bad;
    zones.push_back(zone(20, 10, 360, 90, huge));
    Page page(zones);
    const tavotest::RunResult run = page.run("-readorderRL");
    EXPECT_EQ(run.status, 3);
    const std::string out = page.output();
    for (const std::string& z : bad)
        EXPECT_NE(out.find(z + "\r\n"), std::string::npos) << z;
    for (int line = 3; line <= 5; ++line)
        EXPECT_NE(run.err.find("-words: in.xml:" + std::to_string(line) + ": zone copied unchanged: "),
                  std::string::npos) << run.err;
    EXPECT_NE(run.err.find("-words: in.xml:6: zone in doubt: "), std::string::npos);
    EXPECT_NE(out.find("doubt=\"noink\""), std::string::npos);
}

}  // namespace
