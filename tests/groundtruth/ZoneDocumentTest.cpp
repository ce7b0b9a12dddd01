// Loading, sorting and writing ground-truth files as zone documents.
#include "groundtruth/ZoneDocument.h"
#include "support/OrderFixtures.h"
#include "support/RunTool.h"
#include "util/Report.h"
#include "util/Strings.h"

#include <gtest/gtest.h>

#include <random>

using tavo::toWide;
using tavo::ZoneDocument;

namespace {

std::vector<std::u16string> wideLines(const std::vector<std::string>& lines)
{
    std::vector<std::u16string> wide;
    for (const std::string& line : lines)
        wide.push_back(toWide(line));
    return wide;
}

std::vector<std::u16string> zoneTexts(const ZoneDocument& document)
{
    std::vector<std::u16string> texts;
    for (const auto& zone : document.zones)
        texts.push_back(zone.text);
    return texts;
}

const std::string kPage =
    "<DL_PAGE tavo_type=\"DL_PAGE\" src=\"p.tif\" pageID=\"1\" width=\"800\" height=\"600\">";

TEST(ZoneDocument, SecondRunOfZonesJoinsTheZonesAndWhatLiesBetweenGoesToTheFooter)
{
    const auto a = ordertest::lineZone(10, "a");
    const auto b = ordertest::lineZone(20, "b");
    const auto c = ordertest::lineZone(30, "c");
    const ZoneDocument doc = tavo::zoneDocumentFromLines(
        wideLines({"<?xml?>", "<TAVO>", kPage, a, b, "<!-- note -->",
                   "<DL_ZONE tavo_type=\"OTHER\"/>", c, "</DL_PAGE>", ""}));
    EXPECT_EQ(doc.headerLines, wideLines({"<?xml?>", "<TAVO>", kPage}));
    EXPECT_EQ(zoneTexts(doc), wideLines({a, b, c}));
    EXPECT_EQ(doc.zones[0].lineNumber, 4);
    EXPECT_EQ(doc.zones[2].lineNumber, 8);
    EXPECT_EQ(doc.footerLines,
              wideLines({"<!-- note -->", "<DL_ZONE tavo_type=\"OTHER\"/>", "</DL_PAGE>", ""}));
    EXPECT_EQ(doc.pageWidth, 800);
    EXPECT_EQ(doc.pageHeight, 600);
}

TEST(ZoneDocument, PageSizeIsZeroWithoutAPageLineAndNotTakenRightAfterAZone)
{
    const ZoneDocument none =
        tavo::zoneDocumentFromLines(wideLines({"<TAVO>", ordertest::lineZone(1, "x")}));
    EXPECT_EQ(none.pageWidth, 0);
    EXPECT_EQ(none.pageHeight, 0);

    const ZoneDocument late =
        tavo::zoneDocumentFromLines(wideLines({ordertest::lineZone(1, "x"), kPage}));
    EXPECT_EQ(late.pageWidth, 0);
    EXPECT_EQ(late.footerLines, wideLines({kPage}));
}

TEST(ZoneDocument, SortByRowIsStableAndIgnoresColumns)
{
    // Listed bottom-up, with two pairs of equal rows in file order.
    const auto low = ordertest::lineZone(300, "low");
    const auto midA =
        "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" col=\"900\" row=\"200\" contents=\"A\">";
    const auto midB = "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" col=\"1\" row=\"200\" contents=\"B\">";
    const auto top = ordertest::lineZone(100, "top");
    const auto noRow = "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" contents=\"none\">";
    ZoneDocument doc = tavo::zoneDocumentFromLines(wideLines({low, midA, midB, top, noRow}));
    tavo::sortZonesByRow(doc);
    // A zone without `row` reads as -1 and comes first.
    EXPECT_EQ(zoneTexts(doc), wideLines({noRow, top, midA, midB, low}));
    EXPECT_EQ(doc.zones[4].lineNumber, 1);
}

TEST(ZoneDocument, SortByRowAgreesWithRepeatedSmallestSelection)
{
    std::mt19937 random(7);
    std::vector<std::string> lines;
    for (int i = 0; i < 500; ++i)
        lines.push_back(ordertest::lineZone(static_cast<int>(random() % 20), std::to_string(i)));
    ZoneDocument doc = tavo::zoneDocumentFromLines(wideLines(lines));
    tavo::sortZonesByRow(doc);

    // Reference: pick the remaining line with the smallest row, earliest first.
    std::vector<std::pair<int, std::string>> remaining;
    for (const auto& line : lines)
        remaining.emplace_back(tavo::parseInt(line.substr(line.find("row=\"") + 5)), line);
    std::vector<std::string> expected;
    while (!remaining.empty()) {
        size_t best = 0;
        for (size_t i = 1; i < remaining.size(); ++i)
            if (remaining[i].first < remaining[best].first)
                best = i;
        expected.push_back(remaining[best].second);
        remaining.erase(remaining.begin() + static_cast<long>(best));
    }
    EXPECT_EQ(zoneTexts(doc), wideLines(expected));
}

TEST(ZoneDocument, WritesHeaderZonesFooterAsUtf8WithCrLf)
{
    tavotest::TempDir dir;
    ZoneDocument doc;
    doc.headerLines = {u"<TAVO>"};
    doc.zones = {{u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" contents=\"\u0627\">", 2}};
    doc.footerLines = {u"</TAVO>"};
    const std::string name = (dir / "out.xml").string();
    tavo::writeZoneDocument(doc, toWide(name));
    EXPECT_EQ(
        tavotest::readFile(name),
        "\xEF\xBB\xBF<TAVO>\r\n<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" contents=\"\xD8\xA7\">\r\n"
        "</TAVO>\r\n");

    const auto loaded = tavo::loadZoneDocument(toWide(name));
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->zones.size(), 1u);
    EXPECT_EQ(loaded->zones[0].text, doc.zones[0].text);
    EXPECT_EQ(loaded->footerLines, (std::vector<std::u16string> {u"</TAVO>", u""}));
}

TEST(ZoneDocument, MissingInputAndUnwritableOutput)
{
    tavotest::TempDir dir;
    EXPECT_FALSE(tavo::loadZoneDocument(toWide((dir / "missing.xml").string())).has_value());
    const ZoneDocument doc = tavo::zoneDocumentFromLines(wideLines({"<TAVO>"}));
    EXPECT_THROW(tavo::writeZoneDocument(doc, toWide((dir / "no/such/out.xml").string())),
                 tavo::RuntimeFailure);
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

TEST(ZoneDocument, CutShortFilesAreToldFromWholeOnes)
{
    const std::string zone = "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" row=\"1\" contents=\"x\"> </DL_ZONE>";
    const std::string head = "\xEF\xBB\xBF<?xml version=\"1.0\"?>";
    auto reason = [](const std::vector<std::string>& lines) {
        return tavo::cutShortReason(wideLines(lines)).value_or("whole");
    };
    // Whole: closed root (trailing blank lines and spaces allowed), a page
    // without TAVO, zone lines alone ending with a complete zone.
    EXPECT_EQ(reason({head, "<TAVO x=\"1\">", "<DL_PAGE>", zone, "</DL_PAGE>", " </TAVO> ", "", ""}), "whole");
    EXPECT_EQ(reason({"<DL_PAGE width=\"9\">", zone, "</DL_PAGE>"}), "whole");
    EXPECT_EQ(reason({head, zone, zone, ""}), "whole");
    // Cut: mid zone, between zones, after the page, empty, a zone-only file
    // cut inside its last zone.
    EXPECT_EQ(reason({head, "<TAVO>", "<DL_PAGE>", zone, zone.substr(0, 30)}),
              "cut short: ends inside the zone on line 5, without the closing </TAVO>");
    EXPECT_EQ(reason({"<TAVO>", zone, "", ""}), "cut short: ends at line 2, without the closing </TAVO>");
    EXPECT_EQ(reason({"<TAVO>", "<DL_PAGE>", zone, "</DL_PAGE>"}),
              "cut short: ends at line 4, without the closing </TAVO>");
    EXPECT_EQ(reason({"", " "}), "cut short: the file is empty");
    EXPECT_EQ(reason({head, zone, zone.substr(0, 40)}), "cut short: ends inside the zone on line 3");

    // Only the loader for whole files refuses; the plain one reads on.
    tavotest::TempDir dir;
    tavotest::writeFile(dir / "cut.xml", "<TAVO>\r\n" + zone + "\r\n" + zone.substr(0, 20));
    const std::u16string cut = toWide((dir / "cut.xml").string());
    EXPECT_EQ(tavo::loadZoneDocument(cut)->zones.size(), 1u);
    EXPECT_THROW(tavo::loadWholeZoneDocument(cut), tavo::RuntimeFailure);
}

}  // namespace
