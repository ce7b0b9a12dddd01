// PAGE and ALTO files as other editors write them (https namespaces, points
// off the page, words without SP, baselines in three forms, overlapping
// line outlines) and hostile encodings, through the built program.
#include "support/InterchangeFixtures.h"

#include "groundtruth/ZoneLine.h"

#include <gtest/gtest.h>

#include <array>
#include <regex>

using namespace interchangetest;
using tavotest::readFile;
using tavotest::runTool;
using tavotest::TempDir;
using tavotest::writeFile;

namespace {

struct Line {
    std::string polygon, baseline, text;
};

// The line zones of a zone file, or the TextLines of a PAGE file.
std::vector<Line> zoneLines(const std::filesystem::path& file)
{
    std::vector<Line> lines;
    std::istringstream in(readFile(file));
    for (std::string text; std::getline(in, text);) {
        const std::u16string w = tavo::wideFromUtf8(text);
        if (!tavo::isZoneLine(w))
            continue;
        auto get = [&](const char16_t* name) {
            return tavo::utf8FromWide(tavo::getWholeAttribute(w, name).value_or(u""));
        };
        lines.push_back({get(u"polygon"), get(u"baseline"), get(u"contents")});
    }
    return lines;
}

std::vector<Line> pageLines(const std::string& xml)
{
    std::vector<Line> lines;
    const std::regex line(R"re(<TextLine[^>]*>\s*<Coords points="([^"]*)"/>\s*<Baseline points="([^"]*)"/>)re"
                          R"re((?:[^]*?)<Unicode>([^<]*)</Unicode>\s*</TextEquiv>\s*</TextLine>)re");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), line); it != std::sregex_iterator(); ++it)
        lines.push_back({(*it)[1], (*it)[2], (*it)[3]});
    return lines;
}

std::string pageDoc(const std::string& ns, const std::string& lines)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PcGts xmlns=\"" + ns +
           "\"><Metadata><Creator>x</Creator><Created>2024-01-01T00:00:00</Created><LastChange>"
           "2024-01-01T00:00:00</LastChange></Metadata>\n<Page imageFilename=\"scan 7.jpg\" imageWidth=\"600\" "
           "imageHeight=\"400\"><TextRegion id=\"r1\"><Coords points=\"0,0 599,0 599,399 0,399\"/>\n" +
           lines + "</TextRegion></Page></PcGts>\n";
}

std::string textLine(const std::string& id, const std::string& coords, const std::string& baseline,
                     const std::string& text)
{
    return "<TextLine id=\"" + id + "\"><Coords points=\"" + coords + "\"/>" +
           (baseline.empty() ? "" : "<Baseline points=\"" + baseline + "\"/>") + "<TextEquiv><Unicode>" + text +
           "</Unicode></TextEquiv></TextLine>\n";
}

std::string altoDoc(const std::string& lines)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<alto xmlns=\"http://www.loc.gov/standards/alto/ns-v4#\">"
           "<Description><MeasurementUnit>pixel</MeasurementUnit></Description><Layout><Page WIDTH=\"600\" "
           "HEIGHT=\"400\" PHYSICAL_IMG_NR=\"1\" ID=\"p\"><PrintSpace><TextBlock ID=\"b\">\n" +
           lines + "</TextBlock></PrintSpace></Page></Layout></alto>\n";
}

const std::string kPage2019 = "http://schema.primaresearch.org/PAGE/gts/pagecontent/2019-07-15";

class RealFiles : public ::testing::Test {
protected:
    void SetUp() override { writePage(dir / "page.png"); }
    tavotest::RunResult run(const std::vector<std::string>& args) { return runTool(args, dir.path()); }
    TempDir dir;
};

// Two overlapping hand-drawn outlines (as real handwritten lines have) and
// one off the page: the round trip keeps every line, its outline, baseline
// and text; https namespaces import like http ones.
TEST_F(RealFiles, PageRoundTripKeepsEveryLineItsOutlineBaselineAndText)
{
    const std::string lines =
        textLine("a", "40,20 580,14 580,70 40,76", "40,60 580,54", "أدوار بيت") +
        textLine("b", "42,50 579,44 579,100 42,106", "42,90 579,84", "ذهب &amp; عن") +
        textLine("c", "300,150 560,150 560,190 300,190", "", "القلم");
    for (const std::string& ns : {kPage2019, "https" + kPage2019.substr(4)}) {
        writeFile(dir / "in.xml", pageDoc(ns, lines));
        ASSERT_EQ(run({"-import", "in.xml", "zones.xml"}).status, 0) << ns;
        for (const char* format : {"-topage", "-toalto"}) {
            ASSERT_EQ(run({format, "page.png", "zones.xml", "out.xml"}).status, 0) << format;
            ASSERT_EQ(run({"-import", "out.xml", "back.xml"}).status, 0) << format;
            const std::vector<Line> in = zoneLines(dir / "zones.xml"), back = zoneLines(dir / "back.xml");
            ASSERT_EQ(back.size(), 3u) << format;
            for (size_t i = 0; i < 3; ++i) {
                EXPECT_EQ(back[i].polygon, in[i].polygon) << format << i;
                EXPECT_EQ(back[i].text, in[i].text) << format << i;
                if (!in[i].baseline.empty()) {
                    EXPECT_EQ(back[i].baseline, in[i].baseline) << format << i;
                }
            }
        }
        ASSERT_EQ(run({"-topage", "page.png", "zones.xml", "out.xml"}).status, 0);
        const std::vector<Line> page = pageLines(readFile(dir / "out.xml"));
        ASSERT_EQ(page.size(), 3u);
        EXPECT_EQ(page[1].polygon, "42,50 579,44 579,100 42,106");
        EXPECT_EQ(page[1].baseline, "42,90 579,84");
        EXPECT_EQ(page[1].text, "ذهب &amp; عن");
    }
}

TEST_F(RealFiles, PointsOffThePageAreClippedWithAWarningPerLine)
{
    writeFile(dir / "in.xml", pageDoc(kPage2019, textLine("a", "-346,60 700,60 700,90 -346,90", "-346,85 700,85",
                                                         "أدوار") +
                                                    textLine("b", "10,120 500,120 500,150 10,150", "", "بيت")));
    const tavotest::RunResult result = run({"-import", "in.xml", "zones.xml"});
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_NE(result.err.find("TextLine a: points outside the 600 x 400 image clipped"), std::string::npos);
    const std::vector<Line> lines = zoneLines(dir / "zones.xml");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].polygon, "0,60 599,60 599,90 0,90");
    EXPECT_EQ(lines[0].baseline, "0,85 599,85");
    EXPECT_EQ(lines[1].text, "بيت");
}

// Words are separated whether or not SP stands between them; BASELINE is
// read as "x y x y", "x,y x,y" or one ALTO 2 row, and written "x y x y".
TEST_F(RealFiles, AltoWordsAndBaselinesInEveryForm)
{
    writeFile(dir / "alto.xml",
              altoDoc("<TextLine ID=\"l1\" HPOS=\"40\" VPOS=\"20\" WIDTH=\"500\" HEIGHT=\"40\" BASELINE=\"40 50 539 52\">"
                      "<String CONTENT=\"This\"/><String CONTENT=\"is\"/><SP/><String CONTENT=\"a\"/>"
                      "<String CONTENT=\"te\"/><HYP CONTENT=\"-\"/></TextLine>\n"
                      "<TextLine ID=\"l2\" HPOS=\"40\" VPOS=\"80\" WIDTH=\"500\" HEIGHT=\"40\" BASELINE=\"40,110 539,112\">"
                      "<String CONTENT=\"x\"/></TextLine>\n"
                      "<TextLine ID=\"l3\" HPOS=\"40\" VPOS=\"140\" WIDTH=\"500\" HEIGHT=\"40\" BASELINE=\"171.6\">"
                      "<String CONTENT=\"y\"/></TextLine>\n"
                      "<TextLine ID=\"l4\" HPOS=\"40\" VPOS=\"200\" WIDTH=\"500\" HEIGHT=\"40\" BASELINE=\"low\">"
                      "<String CONTENT=\"z\"/></TextLine>\n"));
    const tavotest::RunResult result = run({"-import", "alto.xml", "zones.xml"});
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.err.find("alto.xml:6: TextLine l4: BASELINE \"low\" cannot be read"), std::string::npos)
        << result.err;
    const std::vector<Line> lines = zoneLines(dir / "zones.xml");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].text, "This is a te-");
    EXPECT_EQ(lines[0].baseline, "40,50 539,52");
    EXPECT_EQ(lines[1].baseline, "40,110 539,112");
    EXPECT_EQ(lines[2].baseline, "40,172 539,172");
    EXPECT_EQ(lines[3].baseline, "");
    ASSERT_EQ(run({"-toalto", "page.png", "zones.xml", "out.xml"}).status, 0);
    EXPECT_NE(readFile(dir / "out.xml").find("BASELINE=\"40 50 539 52\""), std::string::npos);
}

// The exports name the scan the user gave, not the working copy's name.
TEST_F(RealFiles, ExportsNameTheScanGivenOnTheCommandLine)
{
    writeFile(dir / "zones.xml", zoneFile({zone("1", 41, 20, 550, 40, "أدوار")}));
    ASSERT_EQ(run({"-topage", "page.png", "zones.xml", "p.xml", "-image", "MS 12 f.3r.jpg", "-2013"}).status, 0);
    ASSERT_EQ(run({"-toalto", "page.png", "zones.xml", "a.xml", "-alto42", "-image", "MS 12 f.3r.jpg"}).status, 0);
    EXPECT_NE(readFile(dir / "p.xml").find("imageFilename=\"MS 12 f.3r.jpg\""), std::string::npos);
    EXPECT_NE(readFile(dir / "p.xml").find("2013-07-15"), std::string::npos);
    EXPECT_NE(readFile(dir / "a.xml").find("<fileName>MS 12 f.3r.jpg</fileName>"), std::string::npos);
    ASSERT_EQ(run({"-toalto", "page.png", "zones.xml", "a.xml"}).status, 0);
    EXPECT_NE(readFile(dir / "a.xml").find("<fileName>page.png</fileName>"), std::string::npos);
}

// Word zones after their line zone stay in that line, even where line
// outlines overlap so much that places alone would join the lines.
TEST_F(RealFiles, WordsFollowingTheirLineZoneStayInIt)
{
    const std::string line1 = zone("1", 40, 20, 540, 60, "أدوار بيت", " polygon=\"40,20 579,20 579,79 40,79\" baseline=\"\"");
    const std::string line2 = zone("2", 38, 30, 540, 60, "ذهب", " polygon=\"38,30 577,30 577,89 38,89\" baseline=\"\"");
    writeFile(dir / "zones.xml", zoneFile({line1, zone("3", 400, 25, 100, 50, "أدوار"), zone("4", 100, 25, 100, 50, "بيت"),
                                           line2, zone("5", 300, 31, 90, 70, "ذهب")}));
    ASSERT_EQ(run({"-topage", "page.png", "zones.xml", "out.xml"}).status, 0);
    const std::string xml = readFile(dir / "out.xml");
    const std::vector<Line> lines = pageLines(xml);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "أدوار بيت");
    EXPECT_EQ(lines[1].polygon, "38,30 577,30 577,89 38,89");
    // The third word is clipped into its line's outline.
    EXPECT_NE(xml.find("<Coords points=\"300,31 389,31 389,89 300,89\"/>"), std::string::npos) << xml;
    EXPECT_EQ(run({"-validate", "out.xml"}).status, 0);
}

// A words file as -words writes it (lines by row, each line's words in a
// row, one chain) keeps the lines of the file it was made from, even where
// places alone would join two lines or a word's text was mended since.
TEST_F(RealFiles, WordsKeepTheLinesTheyWereMadeFrom)
{
    writeFile(dir / "lines.xml",
              zoneFile({zone("1", 38, 40, 540, 60, "ذهب", " polygon=\"38,40 577,40 577,99 38,99\" baseline=\"\""),
                        zone("2", 40, 20, 540, 60, "أدوار بيت", " polygon=\"40,20 579,20 579,79 40,79\" baseline=\"\""),
                        zone("3", 40, 300, 540, 40, "", " baseline=\"40,330 579,330\"")}));
    writeFile(dir / "words.xml",
              zoneFile({zone("1", 400, 25, 100, 50, "أدوار", " nextZoneID=\"2\" pawboxes=\"\""),
                        zone("2", 200, 25, 100, 50, "بيتٌ", " nextZoneID=\"3\" pawboxes=\"\""),
                        zone("3", 100, 45, 90, 50, "ذهب", " nextZoneID=\"4\" pawboxes=\"\""),
                        zone("4", 40, 300, 540, 40, "", " baseline=\"40,330 579,330\"")}));
    ASSERT_EQ(run({"-topage", "page.png", "words.xml", "out.xml"}).status, 0);
    EXPECT_EQ(pageLines(readFile(dir / "out.xml")).size(), 2u);  // by places the first two lines are one
    for (const char* format : {"-topage", "-toalto"}) {
        ASSERT_EQ(run({format, "page.png", "words.xml", "out.xml", "-linezones", "lines.xml"}).status, 0);
        ASSERT_EQ(run({"-import", "out.xml", "back.xml"}).status, 0);
        const std::vector<Line> lines = zoneLines(dir / "back.xml");
        ASSERT_EQ(lines.size(), 3u) << format;
        EXPECT_EQ(lines[1].polygon, "38,40 577,40 577,99 38,99") << format;
    }
    const std::string xml = readFile(dir / "out.xml");
    EXPECT_LT(xml.find("CONTENT=\"بيتٌ\""), xml.find("ID=\"l_2\""));
}

TEST_F(RealFiles, ValidateRefusesSizesAndPointsNoReaderCanUse)
{
    const std::string good = pageDoc(kPage2019, textLine("a", "40,20 580,20 580,70 40,70", "40,60 580,60", "أدوار"));
    for (const auto& [find, replace, finding] : std::vector<std::array<std::string, 3>>{
             {"imageWidth=\"600\"", "imageWidth=\"-100\"", "imageWidth \"-100\" is not a positive size"},
             {"imageHeight=\"400\"", "imageHeight=\"0\"", "imageHeight \"0\" is not a positive size"},
             {"40,20 580", "-40,20 580", "point -40,20 outside the image"}}) {
        std::string text = good;
        text.replace(text.find(find), find.size(), replace);
        writeFile(dir / "bad.xml", text);
        const tavotest::RunResult result = run({"-validate", "bad.xml"});
        EXPECT_EQ(result.status, 3) << finding;
        EXPECT_NE(result.err.find(finding), std::string::npos) << result.err;
    }
}

// Entity declarations are refused whatever the encoding hides them in, other
// encodings are refused by name, and libxml2 never writes a line of its own.
TEST_F(RealFiles, EncodingsAndEntitiesAreRefusedInOneLine)
{
    auto utf16 = [](const std::string& ascii, bool bom) {
        std::string out = bom ? "\xFF\xFE" : "";
        for (char c : ascii)
            out += std::string{c, '\0'};
        return out;
    };
    const std::string entity = "<?xml version=\"1.0\"?><!DOCTYPE PcGts [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                               "<PcGts>&x;</PcGts>";
    std::string bomb = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><!DOCTYPE PcGts [<!ENTITY a \"" +
                       std::string(10000, 'a') + "\">]><PcGts>";
    for (int i = 0; i < 2000; ++i)
        bomb += "&a;";
    bomb += "</PcGts>";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {utf16(entity, true), "entity declarations are refused"},
        {utf16(entity, false), "entity declarations are refused"},
        {utf16(bomb, true), "entity declarations are refused"},
        {"<?xml version=\"1.0\" encoding=\"UTF-7\"?>" + entity.substr(21), "encoding UTF-7 refused"},
        {"<?xml version='1.0' encoding='ISO-8859-1'?><PcGts>\xE9</PcGts>", "encoding ISO-8859-1 refused"},
        {std::string("\0\0\xFE\xFF", 4) + utf16(entity, false), "encoding UTF-32 refused"},
        {utf16("<?xml version=\"1.0\" encoding=\"UTF-8\"?><PcGts/>", true), "encoding UTF-8 declared in a UTF-16"},
        {"<PcGts><a></b></PcGts>", "not well-formed XML: line 1: "},
        {"<!DOCTYPE PcGts SYSTEM \"page.dtd\"><PcGts>&x;</PcGts>", "references to undeclared entities are refused"},
    };
    for (const auto& [bytes, message] : cases) {
        writeFile(dir / "in.xml", bytes);
        for (const char* command : {"-import", "-validate"}) {
            const tavotest::RunResult result = run({command, "in.xml", "out.xml"});
            EXPECT_EQ(result.status, 2) << message;
            EXPECT_EQ(result.err.rfind(std::string("tavoalign: ") + command + ": in.xml: " + message, 0), 0u)
                << result.err;
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        }
    }
    // A UTF-16 file without entities imports like its UTF-8 form.
    std::string plain = pageDoc(kPage2019, textLine("a", "40,20 580,20 580,70 40,70", "", "line"));
    plain.replace(plain.find("UTF-8"), 5, "UTF-16");
    writeFile(dir / "in.xml", utf16(plain, true));
    ASSERT_EQ(run({"-import", "in.xml", "zones.xml"}).status, 0);
    EXPECT_EQ(zoneLines(dir / "zones.xml").at(0).text, "line");
}

}  // namespace
