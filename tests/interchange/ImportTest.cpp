// Import of PAGE and ALTO through the built program: round trips keep boxes,
// texts and order; hostile or broken files stop with status 2 and a message.
#include "support/InterchangeFixtures.h"

#include "groundtruth/ZoneLine.h"

#include <gtest/gtest.h>

using namespace interchangetest;
using tavotest::readFile;
using tavotest::runTool;
using tavotest::TempDir;
using tavotest::writeFile;

namespace {

struct ZoneFacts {
    std::string box, text;
};

std::vector<ZoneFacts> zonesOf(const std::filesystem::path& file)
{
    std::vector<ZoneFacts> zones;
    std::istringstream in(readFile(file));
    for (std::string line; std::getline(in, line);) {
        const std::u16string w = tavo::wideFromUtf8(line);
        if (!tavo::isZoneLine(w))
            continue;
        auto get = [&](const char16_t* name) { return tavo::utf8FromWide(*tavo::getWholeAttribute(w, name)); };
        zones.push_back({get(u"col") + "," + get(u"row") + "," + get(u"width") + "," + get(u"height"),
                         get(u"contents")});
    }
    return zones;
}

class Import : public ::testing::Test {
protected:
    void SetUp() override { writePage(dir / "page.png"); }
    tavotest::RunResult run(const std::vector<std::string>& args) { return runTool(args, dir.path()); }
    TempDir dir;
};

TEST_F(Import, LineFileRoundTripsThroughPageAndAlto)
{
    const std::vector<std::string> lines = {zone("None", 41, 20, 550, 40, "أدوار بيت"),
                                            zone("None", 45, 80, 540, 38, "ذهب &amp; عن"),
                                            zone("None", 60, 140, 530, 41, "القلم")};
    writeFile(dir / "lines.xml", zoneFile(lines));
    for (const char* format : {"-topage", "-toalto"}) {
        ASSERT_EQ(run({format, "page.png", "lines.xml", "out.xml"}).status, 0) << format;
        ASSERT_EQ(run({"-import", "out.xml", "back.xml"}).status, 0) << format;
        const std::vector<ZoneFacts> in = zonesOf(dir / "lines.xml"), back = zonesOf(dir / "back.xml");
        ASSERT_EQ(back.size(), in.size()) << format;
        for (size_t i = 0; i < in.size(); ++i) {
            EXPECT_EQ(back[i].box, in[i].box) << format << ' ' << i;
            EXPECT_EQ(back[i].text, in[i].text) << format << ' ' << i;
        }
    }
}

TEST_F(Import, WordFileComesBackAsLinesOfItsWords)
{
    writeFile(dir / "words.xml", zoneFile(wordPage(11, 4)));
    ASSERT_EQ(run({"-toalto", "page.png", "words.xml", "alto.xml"}).status, 0);
    ASSERT_EQ(run({"-import", "alto.xml", "back.xml"}).status, 0);
    ASSERT_EQ(run({"-topage", "page.png", "words.xml", "page.xml"}).status, 0);
    ASSERT_EQ(run({"-import", "page.xml", "back2.xml"}).status, 0);
    const std::vector<ZoneFacts> alto = zonesOf(dir / "back.xml"), page = zonesOf(dir / "back2.xml");
    ASSERT_EQ(alto.size(), 4u);
    ASSERT_EQ(page.size(), 4u);
    size_t words = 0;
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(alto[i].box, page[i].box);
        EXPECT_EQ(alto[i].text, page[i].text);
        words += 1 + static_cast<size_t>(std::count(alto[i].text.begin(), alto[i].text.end(), ' '));
    }
    EXPECT_EQ(words, zonesOf(dir / "words.xml").size());
}

TEST_F(Import, BrokenAndHostileFilesStopWithStatusTwo)
{
    const std::string page2019 = "<PcGts xmlns=\"http://schema.primaresearch.org/PAGE/gts/pagecontent/2019-07-15\">"
                                 "<Page imageFilename=\"p.png\" imageWidth=\"100\" imageHeight=\"50\"><TextRegion id=\"r\">";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<PcGts><Page", "not well-formed"},
        {page2019 + "<TextLine id=\"l\"><TextEquiv><Unicode>a</Unicode></TextEquiv></TextLine>"
                    "</TextRegion></Page></PcGts>", "without readable Coords"},
        {"<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]>"
         "<PcGts>&b;</PcGts>", "entity declarations are refused"},
        {"<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY x SYSTEM \"http://example.invalid/x\">]><PcGts>&x;</PcGts>",
         "entity declarations are refused"},
        {"<?xml version=\"1.0\"?><!DOCTYPE PcGts SYSTEM \"http://example.invalid/page.dtd\"><PcGts/>",
         "neither a PAGE nor an ALTO document"},
        {"<alto xmlns=\"http://www.loc.gov/standards/alto/ns-v4#\"><Description><MeasurementUnit>mm10"
         "</MeasurementUnit></Description></alto>", "measurement unit mm10"},
    };
    for (const auto& [text, message] : cases) {
        writeFile(dir / "in.xml", text);
        const tavotest::RunResult result = run({"-import", "in.xml", "out.xml"});
        EXPECT_EQ(result.status, 2) << text;
        EXPECT_NE(result.err.find("tavoalign: -import: in.xml: "), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(message), std::string::npos) << text << "\n" << result.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.xml"));
    }
    // A gigabyte file is refused by its size, before it is read.
    std::filesystem::resize_file(dir / "in.xml", 1LL << 30);
    const tavotest::RunResult huge = run({"-validate", "in.xml"});
    EXPECT_EQ(huge.status, 2);
    EXPECT_NE(huge.err.find("MB refused"), std::string::npos) << huge.err;
}

TEST_F(Import, ValidateReportsWhatTheSchemasCannotSee)
{
    writeFile(dir / "words.xml", zoneFile(wordPage(3, 2)));
    ASSERT_EQ(run({"-topage", "page.png", "words.xml", "page.xml"}).status, 0);
    const std::string good = readFile(dir / "page.xml");
    EXPECT_EQ(run({"-validate", "page.xml"}).status, 0);
    auto broken = [&](const std::string& find, const std::string& replace, const std::string& finding) {
        std::string text = good;
        const size_t at = text.find(find);
        ASSERT_NE(at, std::string::npos) << find;
        text.replace(at, find.size(), replace);
        writeFile(dir / "bad.xml", text);
        const tavotest::RunResult result = run({"-validate", "bad.xml"});
        EXPECT_EQ(result.status, 3) << finding;
        EXPECT_NE(result.err.find(finding), std::string::npos) << result.err;
        EXPECT_NE(result.out.find("bad.xml: "), std::string::npos);
    };
    broken("regionRef=\"r_1\"", "regionRef=\"r_9\"", "names missing id r_9");
    broken("<Unicode>", "<Unicode>\u200F", "bidi control");
    broken("<Unicode>", "<Unicode>\u0640\u0640 ", "line text differs");
    broken("<Word id=\"w_1\" readingDirection=\"right-to-left\" custom=\"readingOrder {index:0;} structure "
           "{type:word;}\">\n     <Coords points=\"",
           "<Word id=\"w_1\" readingDirection=\"right-to-left\" custom=\"readingOrder {index:0;} structure "
           "{type:word;}\">\n     <Coords points=\"1,1 ",
           "outside its line");
    broken("imageWidth=\"600\"", "imageWidth=\"500\"", "outside the image");

    // A word of tatweel only passes the schema but not the checks.
    writeFile(dir / "tatweel.xml", zoneFile({zone("1", 100, 20, 60, 30, "\u0640\u0640")}));
    ASSERT_EQ(run({"-topage", "page.png", "tatweel.xml", "bad.xml"}).status, 0);
    EXPECT_EQ(run({"-validate", "bad.xml"}).status, 0);  // a line file: no words
    writeFile(dir / "tatweel.xml", zoneFile({zone("1", 100, 20, 60, 30, "\u0640\u0640", " nextZoneID=\"2\""),
                                             zone("2", 20, 20, 60, 30, "ب")}));
    ASSERT_EQ(run({"-topage", "page.png", "tatweel.xml", "bad.xml"}).status, 0);
    const tavotest::RunResult tatweel = run({"-validate", "bad.xml"});
    EXPECT_EQ(tatweel.status, 3);
    EXPECT_NE(tatweel.err.find("tatweel only"), std::string::npos) << tatweel.err;

    // Without schemas the extra checks still run and the skip is said.
    setenv("TAVO_SCHEMAS", (dir / "none").c_str(), 1);
    const tavotest::RunResult skipped = run({"-validate", "page.xml"});
    unsetenv("TAVO_SCHEMAS");
    EXPECT_EQ(skipped.status, 0);
    EXPECT_NE(skipped.out.find("schema check skipped"), std::string::npos) << skipped.out;
}

}  // namespace

namespace {

// The example page through the main job, then every export of its words
// and lines validated and imported again.
TEST(ExamplePage, ExportsOfTheMainJobValidateAndImport)
{
    TempDir dir;
    std::filesystem::copy_file(std::filesystem::path(TAVO_EXAMPLES) / "page.tif", dir / "page.tif");
    std::filesystem::copy_file(std::filesystem::path(TAVO_EXAMPLES) / "page.txt", dir / "page.txt");
    auto run = [&](const std::vector<std::string>& args) {
        const tavotest::RunResult result = runTool(args, dir.path());
        EXPECT_EQ(result.status, 0) << args[0] << ' ' << args.back() << '\n' << result.out << result.err;
        return result;
    };
    run({"-textline", "page.tif", "lines.xml", "14"});
    run({"-merge", "page.txt", "lines.xml", "merged.xml"});
    run({"-segword", "page.tif", "merged.xml", "segmented.xml"});
    run({"-splitword", "page.tif", "segmented.xml", "words.xml", "-readorderRL"});
    for (const char* zones : {"merged.xml", "words.xml"}) {
        const std::vector<std::vector<std::string>> exports = {
            {"-topage", "page.tif", zones, "out.xml"}, {"-topage", "page.tif", zones, "out.xml", "-2013"},
            {"-topage", "page.tif", zones, "out.xml", "-wordsLR"}, {"-toalto", "page.tif", zones, "out.xml"},
            {"-toalto", "page.tif", zones, "out.xml", "-alto42"}};
        for (const std::vector<std::string>& args : exports) {
            run(args);
            EXPECT_NE(run({"-validate", "out.xml"}).out.find("out.xml: valid"), std::string::npos);
            run({"-import", "out.xml", "back.xml"});
            EXPECT_EQ(zonesOf(dir / "back.xml").size(), 14u) << zones << ' ' << args.back();
        }
    }
}

}  // namespace
