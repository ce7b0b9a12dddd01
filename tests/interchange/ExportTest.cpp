// PAGE XML and ALTO exports: every export of generated pages passes the
// schemas and the extra checks, and the details consuming tools depend on.
#include "support/InterchangeFixtures.h"

#include "interchange/Interchange.h"
#include "util/Strings.h"

#include <gtest/gtest.h>

#include <regex>

using namespace interchangetest;
using tavotest::readFile;
using tavotest::TempDir;
using tavotest::writeFile;

namespace {

std::u16string wide(const std::filesystem::path& p) { return tavo::wideFromUtf8(p.string()); }

tavo::GtPage readPage(const TempDir& dir, const std::vector<std::string>& zones, tavo::Report& report)
{
    writeFile(dir / "zones.xml", zoneFile(zones));
    return tavo::readGtPage(wide(dir / "zones.xml"), "page.png", kPageWidth, kPageHeight, report);
}

tavo::PageXmlOptions options(bool schema2013, bool wordsLeftToRight)
{
    tavo::PageXmlOptions result;
    result.schema2013 = schema2013;
    result.wordsLeftToRight = wordsLeftToRight;
    return result;
}

// -validate in process: its summary line and the findings.
std::pair<std::string, std::vector<std::string>> validate(const std::filesystem::path& file)
{
    tavo::Report report("-validate");
    tavo::runValidate(wide(file), report);
    return {report.out(), report.errors()};
}

TEST(Export, GeneratedPagesValidateInEveryFormat)
{
    if (!std::filesystem::exists(TAVO_SCHEMA_DIR))
        GTEST_SKIP() << "no schemas at " << TAVO_SCHEMA_DIR;
    TempDir dir;
    for (std::uint32_t seed = 1; seed <= 50; ++seed) {
        tavo::Report report;
        const tavo::GtPage page = readPage(dir, wordPage(seed, 1 + seed % 6), report);
        ASSERT_FALSE(report.hasUnchangedZones()) << seed;
        const std::vector<std::pair<std::string, std::string>> exports = {
            {"page2019.xml", tavo::pageXml(page, {})},
            {"page2013.xml", tavo::pageXml(page, options(true, false))},
            {"pageLR.xml", tavo::pageXml(page, options(false, true))},
            {"alto44.xml", tavo::altoXml(page, false)},
            {"alto42.xml", tavo::altoXml(page, true)},
        };
        for (const auto& [name, text] : exports) {
            writeFile(dir / name, text);
            const auto [out, findings] = validate(dir / name);
            EXPECT_TRUE(findings.empty()) << seed << ' ' << name << ": " << findings.front();
            EXPECT_NE(out.find(": valid"), std::string::npos) << seed << ' ' << name << ": " << out;
        }
    }
}

TEST(Export, WordsGroupIntoLinesAlongTheChainNotTheFileOrder)
{
    TempDir dir;
    // File order is scrambled; the chain reads 1 2 | 3 (3 sits below).
    const std::vector<std::string> zones = {
        zone("3", 500, 100, 60, 30, "ثالث"), zone("1", 500, 20, 60, 30, "أول", " nextZoneID=\"2\""),
        zone("2", 400, 28, 60, 30, "ثان", " nextZoneID=\"3\"")};
    tavo::Report report;
    const tavo::GtPage page = readPage(dir, zones, report);
    ASSERT_TRUE(page.wordsFile);
    ASSERT_EQ(page.lines.size(), 2u);
    EXPECT_EQ(page.lines[0].zone.text, "أول ثان");
    EXPECT_EQ(page.lines[1].zone.text, "ثالث");
    EXPECT_EQ(page.lines[0].zone.box.left, 400);
    EXPECT_EQ(page.lines[0].zone.box.bottom, 57);
}

TEST(Export, LineTextDropsPawSeparatorsAndIsNfc)
{
    TempDir dir;
    // Cut into PAWs: separator 3 is the only word boundary.  The hamza is
    // written decomposed (alef + combining hamza above).
    const std::vector<std::string> zones = {
        zone("None", 40, 20, 500, 40, "ا لد ا ر بيت", " woffsets=\"3 \""),
        zone("None", 40, 120, 500, 40, "\xD8\xA7\xD9\x94&amp;b")};
    tavo::Report report;
    const tavo::GtPage page = readPage(dir, zones, report);
    ASSERT_FALSE(page.wordsFile);
    ASSERT_EQ(page.lines.size(), 2u);
    EXPECT_EQ(page.lines[0].zone.text, "الدار بيت");
    EXPECT_EQ(page.lines[1].zone.text, "\xD8\xA3&b");  // U+0623, entity decoded
    EXPECT_NE(page.lines[0].zone.id, page.lines[1].zone.id);
}

TEST(Export, GeometryStaysInsideThePageAndBaselinesRunLeftToRight)
{
    TempDir dir;
    // Touching the right and bottom edges, leaving the page, and a 3-pixel
    // wide zone in the corner with a right-to-left baseline given.
    const std::vector<std::string> zones = {
        zone("7", kPageWidth - 100, kPageHeight - 40, 100, 40, "أ"),
        zone("8", kPageWidth - 50, 10, 200, 30, "ب"),
        zone("9", kPageWidth - 3, 300, 3, 20, "ت", " baseline=\"599,315 597,315\"")};
    tavo::Report report;
    const tavo::GtPage page = readPage(dir, zones, report);
    EXPECT_EQ(report.unchangedZones(), 1);  // only the zone leaving the page
    for (const tavo::GtLine& line : page.lines) {
        for (const tavo::Point& p : line.zone.polygon) {
            EXPECT_LT(p.x, kPageWidth);
            EXPECT_LT(p.y, kPageHeight);
        }
        ASSERT_GE(line.baseline.size(), 2u);
        EXPECT_GE(line.baseline.back().x - line.baseline.front().x, 5);
        EXPECT_LT(line.baseline.back().x, kPageWidth);
    }
    EXPECT_EQ(page.lines[0].zone.polygon[2], (tavo::Point{kPageWidth - 1, kPageHeight - 1}));
    const std::string xml = tavo::pageXml(page, {});
    EXPECT_NE(xml.find("<TextLine id=\"l_7\""), std::string::npos);  // never a bare digit
}

TEST(Export, WordsCarryReadingOrderAndCustomInOneForm)
{
    TempDir dir;
    tavo::Report report;
    const tavo::GtPage page = readPage(dir, wordPage(7, 3), report);
    const std::string rtl = tavo::pageXml(page, {});
    const std::string ltr = tavo::pageXml(page, options(false, true));
    // Every custom value in the one form; returns how many are words'.
    auto checkCustoms = [](const std::string& xml) {
        const std::regex custom("custom=\"([^\"]*)\"");
        const std::regex form(R"(^(\w+ \{(\w+:[^:;{}]+;)+\} )*structure \{type:\w+;\}$)");
        size_t words = 0;
        for (auto it = std::sregex_iterator(xml.begin(), xml.end(), custom); it != std::sregex_iterator(); ++it) {
            EXPECT_TRUE(std::regex_match((*it)[1].str(), form)) << (*it)[1];
            words += (*it)[1].str().find("type:word") != std::string::npos;
        }
        return words;
    };
    const size_t words = checkCustoms(rtl);
    // A doubt holding the form's own characters must not break it.
    checkCustoms(tavo::pageXml(readPage(dir, {zone("1", 100, 20, 60, 30, "ب", " doubt=\"a:b;{c}\"")}, report), {}));
    size_t expected = 0;
    for (const tavo::GtLine& line : page.lines)
        expected += line.words.size();
    EXPECT_EQ(words, expected);
    // The first word of line 1 in reading order is its last Word element
    // when written left to right.
    const std::string first = "id=\"w_" + page.lines[0].words.front().id + "\"";
    const std::string second = "id=\"w_" + page.lines[0].words.back().id + "\"";
    if (page.lines[0].words.size() > 1) {
        EXPECT_LT(rtl.find(first), rtl.find(second));
        EXPECT_GT(ltr.find(first), ltr.find(second));
    }
}

TEST(Export, AltoWritesStringsWithSpacesAndPolygonsAsBlankPairs)
{
    TempDir dir;
    const std::vector<std::string> zones = {
        zone("1", 500, 20, 60, 30, "أول", " nextZoneID=\"2\" confidence=\"0.5\""),
        zone("2", 400, 22, 60, 30, "ثان", " polygon=\"400,22 459,22 430,51\"")};
    tavo::Report report;
    const std::string alto = tavo::altoXml(readPage(dir, zones, report), false);
    EXPECT_TRUE(std::regex_search(alto, std::regex(R"(CONTENT="أول" WC="0.50"/>\s*<SP/>\s*<String)"))) << alto;
    EXPECT_NE(alto.find("POINTS=\"400 22 459 22 430 51\""), std::string::npos);
    EXPECT_NE(alto.find("BASEDIRECTION=\"rtl\""), std::string::npos);
    EXPECT_EQ(tavo::altoXml(readPage(dir, zones, report), true).find("BASEDIRECTION"), std::string::npos);
}

}  // namespace
