// -splitword numbering: ids across the page, nextZoneID links, the two
// orders within a line, and lines the splitter refuses.
#include "OrderFixtures.h"
#include "SplitWord.h"
#include "Strings.h"
#include "Words.h"
#include "ZoneLine.h"

#include <gtest/gtest.h>

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
                               contents.substr(start, end - start) + "\" offsets=\"\"> </DL_ZONE>"));
        start = end + 1;
    }
    return words;
}

struct Split {
    tavo::ZoneDocument document;
    tavo::Report report{"-splitword"};
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
    const auto r = split({lineWithStatus(20, "b", "OK"), lineZone(10, "a")}, ReadingMode::Unnumbered);
    ASSERT_EQ(r.document.zones.size(), 2u);
    EXPECT_EQ(r.document.zones[0].text, fakeSplit(toWide(lineZone(10, "a")))[0]);
    EXPECT_EQ(id(r.document.zones[1]), "None");
    EXPECT_EQ(r.document.zones[1].text.find(u"status"), std::u16string::npos);
}

TEST(SplitWord, RefusedLinesStayUnchangedUnnumberedAndTheChainEndsOnARealZone)
{
    const std::string refusedTop = lineZone(5, "REFUSE");
    const std::string refusedBottom = lineZone(99, "REFUSE");
    const auto r = split({"<TAVO>", refusedBottom, lineZone(50, "a b"), refusedTop},
                         ReadingMode::RightToLeft);
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
    EXPECT_EQ(r.report.errors()[0], "-splitword: in.xml:4: zone copied unchanged: outside the page");
    EXPECT_EQ(r.report.errors()[1].rfind("-splitword: in.xml:2: ", 0), 0u);
}

}  // namespace
