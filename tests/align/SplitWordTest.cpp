// -splitword numbering: ids across the page, nextZoneID links, the two
// orders within a line, and lines the splitter refuses.
#include "align/SplitWord.h"
#include "align/Words.h"
#include "groundtruth/ZoneLine.h"
#include "support/OrderFixtures.h"
#include "support/RunTool.h"
#include "util/Strings.h"

#include <gtest/gtest.h>

#include <filesystem>

using ordertest::lineZone;
using tavo::ReadingMode;
using tavo::toNarrow;
using tavo::toWide;

namespace {

// Stands in for the image splitter: one word zone per word of `contents`,
// first word first; a line whose contents is "REFUSE" cannot be cut.
std::vector<std::u16string> fakeSplit(const std::u16string& line)
{
    const std::string contents = toNarrow(tavo::getAttribute(u"contents", line));
    if (contents == "REFUSE")
        throw tavo::UnprocessableZone("outside the page");
    std::vector<std::u16string> words;
    size_t start = 0;
    while (start < contents.size()) {
        size_t end = contents.find(' ', start);
        if (end == std::string::npos)
            end = contents.size();
        words.push_back(toWide("<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" "
                               "segmentation=\"word\" contents=\"" +
                               contents.substr(start, end - start) +
                               "\" offsets=\"\"> </DL_ZONE>"));
        start = end + 1;
    }
    return words;
}

struct Split {
    tavo::ZoneDocument document;
    tavo::Report report {"-splitword"};
};

Split split(const std::vector<std::string>& lines, ReadingMode mode)
{
    std::vector<std::u16string> wide;
    for (const std::string& line : lines)
        wide.push_back(toWide(line));
    Split result;
    result.document = tavo::splitDocumentWords(tavo::zoneDocumentFromLines(wide), fakeSplit, mode,
                                               "in.xml", result.report);
    return result;
}

std::string attr(const tavo::DocumentZone& zone, const char16_t* name)
{
    return toNarrow(tavo::getAttribute(name, zone.text));
}

std::string id(const tavo::DocumentZone& zone)
{
    return toNarrow(tavo::getIdAttribute(zone.text));
}

std::string lineWithStatus(int row, const std::string& contents, const std::string& status)
{
    std::string line = lineZone(row, contents);
    line.insert(line.find('>'), " status=\"" + status + "\"");
    return line;
}

TEST(SplitWord, ModeComesFromTheFifthArgumentOnly)
{
    EXPECT_EQ(tavo::readingModeFromSwitch(u"-readorderRL"), ReadingMode::RightToLeft);
    EXPECT_EQ(tavo::readingModeFromSwitch(u"-readorderLR"), ReadingMode::LeftToRight);
    EXPECT_EQ(tavo::readingModeFromSwitch(u"-readorderrl"), ReadingMode::Unnumbered);
    EXPECT_EQ(tavo::readingModeFromSwitch(u""), ReadingMode::Unnumbered);
}

TEST(SplitWord, RightToLeftNumbersTwoOneThreeWordsOneToSix)
{
    const auto r = split({lineWithStatus(10, "a b", "OK"), lineWithStatus(20, "c", ""),
                          lineWithStatus(30, "d e f", "CHECK")},
                         ReadingMode::RightToLeft);
    const auto& zones = r.document.zones;
    ASSERT_EQ(zones.size(), 6u);
    const char* contents[] = {"a", "b", "c", "d", "e", "f"};
    const char* status[] = {"OK", "OK", "", "CHECK", "CHECK", "CHECK"};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(attr(zones[i], u"contents"), contents[i]);
        EXPECT_EQ(id(zones[i]), std::to_string(i + 1));
        EXPECT_EQ(attr(zones[i], u"status"), status[i]);
        EXPECT_EQ(attr(zones[i], u"nextZoneID"), i < 5 ? std::to_string(i + 2) : "") << i;
    }
    EXPECT_EQ(zones[0].text,
              u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"1\" segmentation=\"word\" contents=\"a\" "
              u"offsets=\"\" status=\"OK\" nextZoneID=\"2\"> </DL_ZONE>");
    EXPECT_EQ(zones[5].text.find(u"nextZoneID"), std::u16string::npos);
    EXPECT_FALSE(r.report.hasUnchangedZones());
}

TEST(SplitWord, AttributeNamesInsideTranscriptionsAreNotTakenForAttributes)
{
    const auto r = split({lineWithStatus(10, "status nextZoneID", "OK")}, ReadingMode::RightToLeft);
    const auto& zones = r.document.zones;
    ASSERT_EQ(zones.size(), 2u);
    EXPECT_EQ(zones[0].text,
              u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"1\" segmentation=\"word\" "
              u"contents=\"status\" offsets=\"\" status=\"OK\" nextZoneID=\"2\"> </DL_ZONE>");
    EXPECT_EQ(zones[1].text,
              u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"2\" segmentation=\"word\" "
              u"contents=\"nextZoneID\" offsets=\"\" status=\"OK\"> </DL_ZONE>");
}

TEST(SplitWord, LeftToRightReversesEachLineAndBottomUpZonesAreNumberedTopDown)
{
    // Listed bottom-up; the two lines at row 20 keep their file order.
    const auto r = split({lineZone(90, "x y"), lineZone(20, "p q"), lineZone(20, "r")},
                         ReadingMode::LeftToRight);
    const auto& zones = r.document.zones;
    ASSERT_EQ(zones.size(), 5u);
    const char* contents[] = {"q", "p", "r", "y", "x"};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(attr(zones[i], u"contents"), contents[i]);
        EXPECT_EQ(id(zones[i]), std::to_string(i + 1));
    }
}

TEST(SplitWord, UnnumberedKeepsTheSplittersAttributes)
{
    const auto r =
        split({lineWithStatus(20, "b", "OK"), lineZone(10, "a")}, ReadingMode::Unnumbered);
    ASSERT_EQ(r.document.zones.size(), 2u);
    EXPECT_EQ(r.document.zones[0].text, fakeSplit(toWide(lineZone(10, "a")))[0]);
    EXPECT_EQ(id(r.document.zones[1]), "None");
    EXPECT_EQ(r.document.zones[1].text.find(u"status"), std::u16string::npos);
}

TEST(SplitWord, RefusedLinesStayUnchangedUnnumberedAndTheChainEndsOnARealZone)
{
    const std::string refusedTop = lineZone(5, "REFUSE");
    const std::string refusedBottom = lineZone(99, "REFUSE");
    const auto r =
        split({"<TAVO>", refusedBottom, lineZone(50, "a b"), refusedTop}, ReadingMode::RightToLeft);
    const auto& zones = r.document.zones;
    ASSERT_EQ(zones.size(), 4u);
    EXPECT_EQ(zones[0].text, toWide(refusedTop));
    EXPECT_EQ(zones[3].text, toWide(refusedBottom));
    EXPECT_EQ(id(zones[1]), "1");
    EXPECT_EQ(attr(zones[1], u"nextZoneID"), "2");
    EXPECT_EQ(id(zones[2]), "2");
    EXPECT_EQ(attr(zones[2], u"nextZoneID"), "");

    EXPECT_EQ(r.report.unchangedZones(), 2);
    ASSERT_EQ(r.report.errors().size(), 2u);
    EXPECT_EQ(r.report.errors()[0],
              "-splitword: in.xml:4: zone copied unchanged: outside the page");
    EXPECT_EQ(r.report.errors()[1].rfind("-splitword: in.xml:2: ", 0), 0u);
}

// A white 200 x 80 colour page with one ink block per word, as a binary PPM.
std::string pagePpm()
{
    const int width = 200;
    const int height = 80;
    std::string rgb(static_cast<size_t>(width * height * 3), '\xFF');
    auto ink = [&](int left, int top, int right, int bottom) {
        for (int y = top; y < bottom; ++y)
            for (int x = left * 3; x < right * 3; ++x)
                rgb[static_cast<size_t>(y * width * 3 + x)] = '\0';
    };
    ink(20, 12, 40, 26);  // top line, left word
    ink(70, 12, 90, 26);  // top line, right word
    ink(20, 42, 40, 56);
    ink(70, 42, 90, 56);
    return "P6\n200 80\n255\n" + rgb;
}

// Two-word lines (beh alef at row 40 listed first, meem noon at row 10) and a
// line beyond the page's right edge at the bottom.
std::vector<std::string> commandZones()
{
    auto zone = [](int col, int row, const std::string& contents) {
        return "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" segmentation=\"word\" col=\"" +
            std::to_string(col) + "\" row=\"" + std::to_string(row) +
            "\" width=\"100\" height=\"20\" offsets=\"50\" contents=\"" + contents +
            "\" status=\"OK\"> </DL_ZONE>";
    };
    return {zone(10, 40, "\u0628 \u0627"), zone(10, 10, "\u0645 \u0646"), zone(150, 60, "x y")};
}

struct CommandRun {
    tavotest::RunResult result;
    std::vector<std::u16string> zones;  // the zone lines of the output
};

CommandRun runSplitWordCommand(const std::vector<std::string>& extra)
{
    tavotest::TempDir dir;
    tavotest::writeFile(dir / "page.ppm", pagePpm());
    tavotest::writeFile(dir / "in.xml", ordertest::pageFile(commandZones()));
    std::vector<std::string> args = {"-splitword", "page.ppm", "in.xml", "out.xml"};
    args.insert(args.end(), extra.begin(), extra.end());
    CommandRun run {tavotest::runTool(args, dir.path()), {}};
    if (!std::filesystem::exists(dir / "out.xml"))
        return run;
    const std::u16string text = tavo::wideFromUtf8(tavotest::readFile(dir / "out.xml"));
    size_t start = 0;
    for (size_t end; (end = text.find(u"\r\n", start)) != std::u16string::npos; start = end + 2) {
        const std::u16string line = text.substr(start, end - start);
        if (tavo::isZoneLine(line))
            run.zones.push_back(line);
    }
    return run;
}

std::u16string contentsOf(const std::u16string& line)
{
    return tavo::getAttribute(u"contents", line);
}

TEST(SplitWordCommand, NumbersTheWordsTopDownAndLeavesTheZoneOffThePageUnnumbered)
{
    const CommandRun run = runSplitWordCommand({"-readorderRL"});
    EXPECT_EQ(run.result.status, 3) << run.result.err;
    EXPECT_NE(run.result.err.find("tavoalign: -splitword: in.xml:6: zone copied unchanged"),
              std::string::npos)
        << run.result.err;
    ASSERT_EQ(run.zones.size(), 5u);
    const std::u16string contents[] = {u"\u0645", u"\u0646", u"\u0628", u"\u0627", u"x y"};
    const std::u16string ids[] = {u"1", u"2", u"3", u"4", u"None"};
    const std::u16string next[] = {u"2", u"3", u"4", u"", u""};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(contentsOf(run.zones[i]), contents[i]) << i;
        EXPECT_EQ(tavo::getIdAttribute(run.zones[i]), ids[i]) << i;
        EXPECT_EQ(tavo::getAttribute(u"nextZoneID", run.zones[i]), next[i]) << i;
        EXPECT_EQ(tavo::getAttribute(u"status", run.zones[i]), u"OK") << i;
    }
    // The first word of the top line is its right one, shrunk to its ink.
    EXPECT_NE(run.zones[0].find(u"col=\"70\" row=\"12\" width=\"20\" height=\"14\""),
              std::u16string::npos);
}

TEST(SplitWordCommand, LeftToRightReversesLinesAndOtherSwitchesNumberNothing)
{
    const CommandRun lr = runSplitWordCommand({"-readorderLR"});
    ASSERT_EQ(lr.zones.size(), 5u);
    EXPECT_EQ(contentsOf(lr.zones[0]), u"\u0646");
    EXPECT_EQ(contentsOf(lr.zones[3]), u"\u0628");
    EXPECT_EQ(tavo::getIdAttribute(lr.zones[3]), u"4");

    const CommandRun other = runSplitWordCommand({"-readorder"});
    ASSERT_EQ(other.zones.size(), 5u);
    EXPECT_EQ(contentsOf(other.zones[0]), u"\u0645");
    for (const std::u16string& zone : other.zones)
        EXPECT_EQ(tavo::getIdAttribute(zone), u"None");
}

TEST(SplitWordCommand, PageThatCannotBeLoadedWritesNothing)
{
    tavotest::TempDir dir;
    tavotest::writeFile(dir / "page.ppm", "P6\n200 80\n255\nshort");
    tavotest::writeFile(dir / "in.xml", ordertest::pageFile(commandZones()));
    const auto r = tavotest::runTool(
        {"-splitword", "page.ppm", "in.xml", "out.xml", "-readorderRL"}, dir.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("tavoalign: -splitword: page.ppm: ", 0), 0u) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.xml"));
}

}  // namespace
