// PAGE and ALTO files as other editors write them (https namespaces, points
// off the page, words without SP, baselines in three forms, overlapping
// line outlines) and hostile encodings, through the built program.
#include "support/InterchangeFixtures.h"

#include "groundtruth/ZoneLine.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace interchangetest;
using tavotest::readFile;
using tavotest::writeFile;

namespace {

struct Line {
    std::string polygon, baseline, text;
};

std::vector<Line> zoneLines(const std::filesystem::path& file)
{
    std::vector<Line> lines;
    std::istringstream in(readFile(file));
    for (std::string text; std::getline(in, text);) {
        const std::u16string w = tavo::wideFromUtf8(text);
        auto get = [&](const char16_t* name) {
            return tavo::utf8FromWide(tavo::getWholeAttribute(w, name).value_or(u""));
        };
        if (tavo::isZoneLine(w))
            lines.push_back({get(u"polygon"), get(u"baseline"), get(u"contents")});
    }
    return lines;
}

std::string pageDoc(const std::string& lines, const std::string& ns = "http")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PcGts xmlns=\"" + ns +
           "://schema.primaresearch.org/PAGE/gts/pagecontent/2019-07-15\"><Metadata><Creator>x</Creator><Created>"
           "2024-01-01T00:00:00</Created><LastChange>2024-01-01T00:00:00</LastChange></Metadata>\n<Page "
           "imageFilename=\"s.jpg\" imageWidth=\"600\" imageHeight=\"400\"><TextRegion id=\"r1\"><Coords "
           "points=\"0,0 599,0 599,399 0,399\"/>\n" + lines + "</TextRegion></Page></PcGts>\n";
}

std::string textLine(const std::string& id, const std::string& coords, const std::string& baseline,
                     const std::string& text)
{
    return "<TextLine id=\"" + id + "\"><Coords points=\"" + coords + "\"/>" +
           (baseline.empty() ? "" : "<Baseline points=\"" + baseline + "\"/>") + "<TextEquiv><Unicode>" + text +
           "</Unicode></TextEquiv></TextLine>\n";
}

std::string altoLine(int row, const std::string& baseline, const std::string& strings)
{
    return "<TextLine HPOS=\"40\" VPOS=\"" + std::to_string(row) + "\" WIDTH=\"500\" HEIGHT=\"40\" BASELINE=\"" +
           baseline + "\">" + strings + "</TextLine>\n";
}

class RealFiles : public ::testing::Test {
protected:
    void SetUp() override { writePage(dir / "page.png"); }
    tavotest::RunResult run(const std::vector<std::string>& args) { return tavotest::runTool(args, dir.path()); }
    tavotest::TempDir dir;
};

// Overlapping hand-drawn outlines stay apart: PAGE -> zones -> PAGE or ALTO
// -> zones keeps every line, outline, baseline and text; https namespaces
// import like http ones; -image names the scan.
TEST_F(RealFiles, RoundTripKeepsEveryLineItsOutlineBaselineAndText)
{
    const std::string lines = textLine("a", "40,20 580,14 580,70 40,76", "40,60 580,54", "أدوار بيت") +
                              textLine("b", "42,50 579,44 579,100 42,106", "42,90 579,84", "ذهب &amp; عن") +
                              textLine("c", "300,150 560,150 560,190 300,190", "", "القلم");
    for (const char* ns : {"http", "https"}) {
        writeFile(dir / "in.xml", pageDoc(lines, ns));
        ASSERT_EQ(run({"-import", "in.xml", "zones.xml"}).status, 0) << ns;
        const std::vector<Line> in = zoneLines(dir / "zones.xml");
        ASSERT_EQ(in.size(), 3u);
        EXPECT_EQ(in[1].polygon, "42,50 579,44 579,100 42,106");
        EXPECT_EQ(in[1].baseline, "42,90 579,84");
        for (const char* format : {"-topage", "-toalto"}) {
            ASSERT_EQ(run({format, "page.png", "zones.xml", "out.xml", "-image", "MS 7.jpg"}).status, 0);
            const char* named = format[3] == 'p' ? "imageFilename=\"MS 7.jpg\"" : "<fileName>MS 7.jpg</fileName>";
            EXPECT_NE(readFile(dir / "out.xml").find(named), std::string::npos) << format;
            ASSERT_EQ(run({"-import", "out.xml", "back.xml"}).status, 0) << format;
            const std::vector<Line> back = zoneLines(dir / "back.xml");
            ASSERT_EQ(back.size(), 3u) << format;
            for (size_t i = 0; i < 3; ++i) {
                EXPECT_EQ(back[i].polygon, in[i].polygon) << format << i;
                EXPECT_EQ(back[i].text, in[i].text) << format << i;
                EXPECT_TRUE(in[i].baseline.empty() || back[i].baseline == in[i].baseline) << format << i;
            }
        }
    }
    EXPECT_NE(readFile(dir / "out.xml").find("BASELINE=\"40 60 580 54\""), std::string::npos);
}

// Points off the page are clipped with one warning per line; ALTO words are
// separated with or without SP; BASELINE is read as "x y x y", "x,y x,y" or
// one ALTO 2 row, and anything else is left out with a warning.
TEST_F(RealFiles, OtherEditorsHabitsImportWithWarnings)
{
    writeFile(dir / "in.xml", pageDoc(textLine("a", "-346,60 700,60 700,90 -346,90", "-346,85 700,85", "أ") +
                                      textLine("b", "10,120 500,120 500,150 10,150", "", "بيت")));
    tavotest::RunResult result = run({"-import", "in.xml", "zones.xml"});
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_NE(result.err.find("TextLine a: points outside the 600 x 400 image clipped"), std::string::npos);
    std::vector<Line> lines = zoneLines(dir / "zones.xml");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].polygon, "0,60 599,60 599,90 0,90");
    EXPECT_EQ(lines[0].baseline, "0,85 599,85");

    writeFile(dir / "alto.xml",
              "<alto xmlns=\"http://www.loc.gov/standards/alto/ns-v4#\"><Layout><Page WIDTH=\"600\" HEIGHT=\"400\">\n" +
                  altoLine(20, "40 50 539 52", "<String CONTENT=\"This\"/><String CONTENT=\"is\"/><SP/>"
                                               "<String CONTENT=\"a\"/><String CONTENT=\"te\"/><HYP CONTENT=\"-\"/>") +
                  altoLine(80, "40,110 539,112", "") + altoLine(140, "171.6", "") + altoLine(200, "low", "") +
                  "</Page></Layout></alto>");
    result = run({"-import", "alto.xml", "zones.xml"});
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.err.find("alto.xml:5: TextLine: BASELINE \"low\" cannot be read"), std::string::npos)
        << result.err;
    lines = zoneLines(dir / "zones.xml");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].text, "This is a te-");
    EXPECT_EQ(lines[0].baseline, "40,50 539,52");
    EXPECT_EQ(lines[1].baseline, "40,110 539,112");
    EXPECT_EQ(lines[2].baseline, "40,172 539,172");
    EXPECT_EQ(lines[3].baseline, "");
}

// Words keep their line: after their line zone in the file, or with the
// line file they were made from (-linezones, lines by row as -words takes
// them), even where places alone would join the lines and a word's text was
// mended since; a word keeps to its line's box.
TEST_F(RealFiles, WordsStayInTheLineTheyCameFrom)
{
    const std::string line1 = zone("2", 40, 20, 540, 60, "أدوار بيت", " polygon=\"40,20 579,20 579,79 40,79\" baseline=\"\"");
    const std::string line2 = zone("1", 38, 40, 540, 50, "ذهب", " polygon=\"38,40 577,40 577,89 38,89\" baseline=\"\"");
    const std::string empty = zone("3", 40, 300, 540, 40, "", " baseline=\"40,330 579,330\"");
    const std::vector<std::string> words = {zone("4", 400, 25, 100, 50, "أدوار", " nextZoneID=\"5\" pawboxes=\"\""),
                                            zone("5", 200, 25, 100, 50, "بيتٌ", " nextZoneID=\"6\" pawboxes=\"\""),
                                            zone("6", 100, 45, 90, 70, "ذهب", " pawboxes=\"\"")};
    writeFile(dir / "lines.xml", zoneFile({line2, line1, empty}));
    writeFile(dir / "words.xml", zoneFile({words[0], words[1], words[2], empty}));
    writeFile(dir / "mixed.xml", zoneFile({line1, words[0], zone("5", 200, 25, 100, 50, "بيت"), line2, words[2]}));
    ASSERT_EQ(run({"-topage", "page.png", "words.xml", "out.xml"}).status, 0);
    ASSERT_EQ(run({"-import", "out.xml", "back.xml"}).status, 0);
    EXPECT_EQ(zoneLines(dir / "back.xml").size(), 2u);  // by places alone the first two lines are one
    for (const std::vector<std::string>& export_ :
         {std::vector<std::string>{"-topage", "page.png", "words.xml", "out.xml", "-linezones", "lines.xml"},
          {"-toalto", "page.png", "words.xml", "out.xml", "-linezones", "lines.xml"},
          {"-topage", "page.png", "mixed.xml", "out.xml"}}) {
        ASSERT_EQ(run(export_).status, 0) << export_[2];
        EXPECT_EQ(run({"-validate", "out.xml"}).err.find("outside"), std::string::npos) << export_[2];
        ASSERT_EQ(run({"-import", "out.xml", "back.xml"}).status, 0);
        const std::vector<Line> lines = zoneLines(dir / "back.xml");
        ASSERT_GE(lines.size(), 2u) << export_[2];
        EXPECT_EQ(lines.size(), export_[2] == "mixed.xml" ? 2u : 3u);
        EXPECT_EQ(lines[1].polygon, "38,40 577,40 577,89 38,89") << export_[2];
    }
}

// Entity declarations are refused whatever the encoding hides them in, other
// encodings by name, each in one line (libxml2 writes none of its own);
// -validate refuses sizes no reader can use.
TEST_F(RealFiles, EncodingsEntitiesAndSizesAreRefusedInOneLine)
{
    auto utf16 = [](const std::string& ascii, bool bom) {
        std::string out = bom ? "\xFF\xFE" : "";
        for (char c : ascii)
            out += std::string{c, '\0'};
        return out;
    };
    const std::string entity = "<?xml version=\"1.0\"?><!DOCTYPE PcGts [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                               "<PcGts>&x;</PcGts>";
    std::string bomb = "<!DOCTYPE PcGts [<!ENTITY a \"" + std::string(10000, 'a') + "\">]><PcGts>";
    for (int i = 0; i < 2000; ++i)
        bomb += "&a;";
    std::string plain = pageDoc(textLine("a", "40,20 580,20 580,70 40,70", "", "line"));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {utf16(entity, true), "entity declarations are refused"},
        {utf16(entity, false), "entity declarations are refused"},
        {utf16(bomb + "</PcGts>", true), "entity declarations are refused"},
        {"<!DOCTYPE PcGts SYSTEM \"page.dtd\"><PcGts>&x;</PcGts>", "references to undeclared entities are refused"},
        {"<?xml version=\"1.0\" encoding=\"UTF-7\"?>" + entity.substr(21), "encoding UTF-7 refused"},
        {"<?xml version='1.0' encoding='ISO-8859-1'?><PcGts>\xE9</PcGts>", "encoding ISO-8859-1 refused"},
        {std::string("\0\0\xFE\xFF", 4) + utf16(entity, false), "encoding UTF-32 refused"},
        {utf16(plain, true), "encoding UTF-8 declared in a UTF-16"},
        {"<PcGts><a></b></PcGts>", "not well-formed XML: line 1: "},
    };
    for (const auto& [bytes, message] : cases) {
        writeFile(dir / "in.xml", bytes);
        for (const char* command : {"-import", "-validate"}) {
            const tavotest::RunResult result = run({command, "in.xml", "out.xml"});
            EXPECT_EQ(result.status, 2) << message;
            EXPECT_EQ(result.err.rfind(std::string("tavoalign: ") + command + ": in.xml: ", 0), 0u) << result.err;
            EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        }
    }
    plain.replace(plain.find("UTF-8"), 5, "UTF-16");
    writeFile(dir / "in.xml", utf16(plain, true));
    ASSERT_EQ(run({"-import", "in.xml", "zones.xml"}).status, 0);
    EXPECT_EQ(zoneLines(dir / "zones.xml").at(0).text, "line");

    for (const auto& [find, replace] : {std::pair{"imageWidth=\"600\"", "imageWidth=\"-100\""},
                                        std::pair{"imageHeight=\"400\"", "imageHeight=\"0\""}}) {
        std::string text = pageDoc(textLine("a", "40,20 580,20 580,70 40,70", "40,60 580,60", "أ"));
        writeFile(dir / "bad.xml", text.replace(text.find(find), std::strlen(find), replace));
        const tavotest::RunResult result = run({"-validate", "bad.xml"});
        EXPECT_EQ(result.status, 3) << replace;
        EXPECT_NE(result.err.find("is not a positive size"), std::string::npos) << result.err;
    }
}

}  // namespace
