// -lines as a program: the file it writes, its warnings and its status on
// good and bad input.
#include <gtest/gtest.h>

#include <regex>

#include "support/LinePages.h"
#include "support/RunTool.h"

namespace {

using namespace tavotest;

const std::string kText = "في البيت كتاب جديد\nذهب الولد إلى المدرسة\n\n  قرأ المعلم & الرسالة\n";

std::vector<std::string> zoneLines(const std::string& xml)
{
    std::vector<std::string> zones;
    std::istringstream in(xml);
    for (std::string line; std::getline(in, line);) {
        if (line.find("DL_TEXTLINEGT") != std::string::npos)
            zones.push_back(line);
    }
    return zones;
}

std::string attribute(const std::string& zone, const std::string& name)
{
    std::smatch m;
    return std::regex_search(zone, m, std::regex(" " + name + "=\"([^\"]*)\"")) ? m[1].str() : "<none>";
}

RunResult runLines(TempDir& dir, const ZULImage& page, const std::string& text)
{
    page.zulSaveImage((dir / "page.png").string());
    writeFile(dir / "text.txt", text);
    return runTool({"-lines", "page.png", "text.txt", "out.xml"}, dir.path());
}

TEST(LinesCommand, WritesOneZonePerTextLineInTheMergedFormat)
{
    TempDir dir;
    ZULImage page = blankPage(900, 400);
    for (int line = 0; line < 3; ++line)
        drawLine(page, 120 + line * kPitch, 100, 800);
    const RunResult run = runLines(dir, page, kText);
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> zones = zoneLines(readFile(dir / "out.xml"));
    ASSERT_EQ(zones.size(), 3u);
    EXPECT_EQ(attribute(zones[2], "contents"), "قرأ المعلم &amp; الرسالة");
    for (const std::string& zone : zones) {
        EXPECT_EQ(zone.rfind("<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" col=\"", 0), 0u);
        EXPECT_NE(zone.find("\" offsets=\"\" contents=\""), std::string::npos);
        EXPECT_NE(zone.find("\" segmentation=\"word\" polygon=\""), std::string::npos);
        EXPECT_NE(attribute(zone, "baseline"), "");
        EXPECT_TRUE(std::regex_match(attribute(zone, "confidence"), std::regex("(0\\.[0-9]{2}|1\\.00)")));
    }
}

TEST(LinesCommand, LineWithoutInkIsWrittenAndWarnedAbout)
{
    TempDir dir;
    ZULImage page = blankPage(900, 400);
    for (int line : {0, 1, 3})
        drawLine(page, 120 + line * kPitch, 100, 800);
    const RunResult run = runLines(dir, page, "سطر أول طويل جدا هنا\nسطر ثان طويل جدا هنا\n\nسطر ثالث طويل جدا هنا\nسطر رابع طويل جدا هنا\n");
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("text.txt:4:"), std::string::npos) << run.err;
    const std::vector<std::string> zones = zoneLines(readFile(dir / "out.xml"));
    ASSERT_EQ(zones.size(), 4u);
    EXPECT_EQ(attribute(zones[2], "doubt"), "missing");
    EXPECT_EQ(attribute(zones[2], "confidence"), "0.00");
    EXPECT_EQ(attribute(zones[3], "doubt"), "<none>");
}

// Pages and transcriptions that leave nothing or little to find: every
// text line still gets its zone, and the run says so.
TEST(LinesCommand, BadInputEndsClearlyWithEveryZoneOrNothing)
{
    struct Case {
        const char* name;
        int width;
        int height;
        std::string text;
        int status;
        size_t zones;
    };
    const Case cases[] = {
        {"blank page", 600, 400, kText, 3, 3},
        {"1x1 page", 1, 1, kText, 3, 3},
        {"long thin page", 60000, 10, kText, 3, 3},
        {"latin text", 600, 400, "one line\ntwo line\n", 3, 2},
        {"empty transcription", 600, 400, "\n \n", 2, 0},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const RunResult run = runLines(dir, blankPage(c.width, c.height), c.text);
        EXPECT_EQ(run.status, c.status) << c.name << ": " << run.err;
        if (c.status == 2) {
            EXPECT_FALSE(std::filesystem::exists(dir / "out.xml")) << c.name;
            EXPECT_NE(run.err.find("tavoalign: -lines: text.txt: "), std::string::npos) << c.name;
        } else {
            EXPECT_EQ(zoneLines(readFile(dir / "out.xml")).size(), c.zones) << c.name;
        }
    }
}

TEST(LinesCommand, MissingInputsStopWithNothingWritten)
{
    TempDir dir;
    writeFile(dir / "text.txt", kText);
    EXPECT_EQ(runTool({"-lines", "none.png", "text.txt", "out.xml"}, dir.path()).status, 2);
    blankPage(10, 10).zulSaveImage((dir / "page.png").string());
    EXPECT_EQ(runTool({"-lines", "page.png", "none.txt", "out.xml"}, dir.path()).status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.xml"));
}

}  // namespace
