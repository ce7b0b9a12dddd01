// -meta, -fix, -replace, -punc, -digi, -reverse, -indic and -shift through
// the built program, each in a fresh folder.
#include "support/Fixtures.h"
#include "support/RunTool.h"


#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using tavotest::kBom;
using tavotest::written;
using tavotest::readFile;
using tavotest::runTool;
using tavotest::TempDir;
using tavotest::writeFile;
namespace fs = std::filesystem;

namespace {

constexpr int kArgumentError = 255;
constexpr int kRuntimeFailure = 2;

std::string zone(const std::string& id, const std::string& contents)
{
    return "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"" + id +
           "\" col=\"100\" row=\"40\" width=\"8\" height=\"9\" contents=\"" + contents +
           "\" segmentation=\"word\" > </DL_ZONE>";
}

class MetaCommand : public ::testing::Test {
protected:
    void SetUp() override { setenv("TAVOALIGN_TABLES", tables.path().c_str(), 1); }
    void TearDown() override { unsetenv("TAVOALIGN_TABLES"); }
    TempDir tables;
    TempDir dir;
};

TEST_F(MetaCommand, RewritesHeaderCommentRootPathsAndNumbersZones)
{
    writeFile(tables / "Writers.csv", "writer,name,x,origin\r\n12,Ann,x,Tunis\r\n");
    writeFile(tables / "Docs.csv", "doc,name,type\r\n3,d,\r\n");
    fs::create_directories(dir / "in");
    writeFile(dir / "in" / "12-3-45.xml",
              written({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                       "<TAVO xmlns=\"urn:tavo:groundtruth\" version=\"1.0\">",
                       "<!-- produced by the Ground Truth Laboratory -->",
                       "<DL_DOCUMENT src=\"C:\\p\\a.tif\" docTag=\"xml\" NrOfPages=\"1\">",
                       "<DL_PAGE tavo_type=\"DL_PAGE\" src=\"C:\\p\\a.tif\" pageID=\"1\" "
                       "width=\"2000\" height=\"3000\">",
                       zone("None", "a"), zone("7", "b"), zone("None", "c"),
                       "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" nextZoneID=\"None\" > "
                       "</DL_ZONE>",
                       "<IMG src=\"Q:\\GroundTruth\\012\\img.tif\"/>", "\t\t</DL_PAGE>",
                       "\t</DL_DOCUMENT>", "</TAVO>"}));
    const auto r = runTool({"-meta", "in/12-3-45.xml", "out.xml"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    const std::string text = readFile(dir / "out.xml");
    EXPECT_EQ(text,
              written({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "<TAVO version=\"1.0\">",
                       "\r\n<!-- Ground truth format adapted for the transcription of handwritten "
                       "Arabic pages. -->\r\n<!-- Page image scanned and metadata compiled by the "
                       "team that prepared this ground truth. -->\r\n<!-- For research use only; "
                       "not to be distributed without the written consent of its producers. "
                       "-->\r\n",
                       "\t<DL_DOCUMENT  src=\"a.tif\"  docTag=\"xml\"  NrOfPages=\"1\"  type = "
                       "\"UNKNOWN\"   docID=\"003\"   writerID=\"012\"  origin = \"Tunis\" age = "
                       "\"UNKNOWN\" gender = \"UNKNOWN\" education = \"UNKNOWN\" training = "
                       "\"UNKNOWN\">\r\n\t\t<DL_PAGE  tavo_type=\"DL_PAGE\"   pageID=\"00045\"   "
                       "dpi=\"300\"  depth=\"Binary\"  width=\"2000\"  height=\"3000\" >",
                       zone("00000", "a"), zone("7", "b"), zone("00001", "c"),
                       "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"00002\" nextZoneID=\"None\" > "
                       "</DL_ZONE>",
                       "<IMG src=\"img.tif\"/>", "\t\t</DL_PAGE>", "\t</DL_DOCUMENT>", "</TAVO>",
                       ""}));
}

TEST_F(MetaCommand, DocumentLineWithoutPageLineKeepsTheNextLine)
{
    writeFile(dir / "1-2-3.xml", written({"<DL_DOCUMENT src=\"a\">", zone("None", "a")}));
    ASSERT_EQ(runTool({"-meta", "1-2-3.xml", "1-2-3.xml"}, dir.path()).status, 0);
    const std::string text = readFile(dir / "1-2-3.xml");
    EXPECT_NE(text.find("pageID=\"00003\"   dpi=\"300\"  depth=\"Binary\"  width=\"\""),
              std::string::npos);
    EXPECT_NE(text.find(zone("00000", "a")), std::string::npos);
}

TEST_F(MetaCommand, MissingInputWritesNothing)
{
    const auto r = runTool({"-meta", "12-3-45.xml", "out.xml"}, dir.path());
    EXPECT_EQ(r.status, kRuntimeFailure);
    EXPECT_EQ(r.err, "tavoalign: -meta: 12-3-45.xml: cannot open file\n");
    EXPECT_FALSE(fs::exists(dir / "out.xml"));
}

class WordFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(dir / "words" / "w1");
        fs::create_directories(dir / "pages" / "001");
        writeFile(dir / "words" / "w1" / "word.txt", kBom + "\xD9\x86\"\r\nsecond line\r\n");
        writeFile(dir / "words" / "w1" / "001-002-00003-0004.tif", "");
    }
    std::string page() const { return readFile(dir / "pages" / "001" / "002-001-00003.xml"); }
    TempDir dir;
};

TEST_F(WordFolders, FixSetsEveryZoneWithTheId)
{
    writeFile(dir / "pages" / "001" / "002-001-00003.xml",
              written({"<DL_PAGE width=\"4\">", zone("4", "old"), zone("5", "keep"),
                       "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"4\" > </DL_ZONE>",
                       zone("0004", "old too"), "<X nextZoneID=\"4\" contents=\"n\"/>"}));
    const auto r = runTool({"-fix", "words/w1/001-002-00003-0004.tif", "pages"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(page(), written({"<DL_PAGE width=\"4\">", zone("4", "\xD9\x86\""),
                               zone("5", "keep"),
                               "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"4\" > </DL_ZONE>",
                               zone("0004", "\xD9\x86\""), "<X nextZoneID=\"4\" contents=\"n\"/>",
                               ""}));
}

TEST_F(WordFolders, FixWithoutMatchingZoneSaysSo)
{
    writeFile(dir / "pages" / "001" / "002-001-00003.xml", written({zone("None", "a")}));
    const auto r = runTool({"-fix", "words/w1/001-002-00003-0004.tif", "pages"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "cannot find id : words/w1/001-002-00003-0004.tif\n");
}

TEST_F(WordFolders, FixFailuresWriteNothing)
{
    // No page file: the message, then a runtime failure; the page is not created.
    auto r = runTool({"-fix", "words/w1/001-002-00003-0004.tif", "pages"}, dir.path());
    EXPECT_EQ(r.status, kRuntimeFailure);
    EXPECT_EQ(r.out, "cannot find id : words/w1/001-002-00003-0004.tif\n");
    EXPECT_FALSE(fs::exists(dir / "pages" / "001" / "002-001-00003.xml"));

    // No word.txt: nothing read, nothing written.
    const std::string before = written({zone("4", "old")});
    writeFile(dir / "pages" / "001" / "002-001-00003.xml", before);
    fs::remove(dir / "words" / "w1" / "word.txt");
    r = runTool({"-fix", "words/w1/001-002-00003-0004.tif", "pages"}, dir.path());
    EXPECT_EQ(r.status, kRuntimeFailure);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(page(), before);

    r = runTool({"-fix", "words/001-002-00003", "pages"}, dir.path());
    EXPECT_EQ(r.status, kArgumentError);
    EXPECT_EQ(r.out, "invalid word file name: words/001-002-00003\n");
}

TEST_F(WordFolders, PuncAndDigi)
{
    auto r = runTool({"-punc", "words/w1"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "move words/w1 punc\n");
    EXPECT_EQ(runTool({"-digi", "words/w1"}, dir.path()).out, "");

    writeFile(dir / "words" / "w1" / "word.txt", "\xD9\xA5\xD8\xA8");  // U+0665, no BOM
    EXPECT_EQ(runTool({"-punc", "words/w1"}, dir.path()).out, "move words/w1 nonp\n");
    EXPECT_EQ(runTool({"-digi", "words/w1"}, dir.path()).out, "move words/w1 DIGI\n");
    writeFile(dir / "words" / "w1" / "word.txt", kBom + "\xDB\xB5");  // U+06F5
    EXPECT_EQ(runTool({"-digi", "words/w1"}, dir.path()).out, "");

    for (const char* sw : {"-punc", "-digi"}) {
        r = runTool({sw, "words/none"}, dir.path());
        EXPECT_EQ(r.status, kRuntimeFailure) << sw;
        EXPECT_EQ(r.out, "") << sw;
        EXPECT_NE(r.err.find("words/none/word.txt: cannot open file"), std::string::npos);
    }
}

TEST(ReplaceCommand, RulesBesideTheProgramName)
{
    TempDir dir;
    const std::string program = (dir / "tavoalign").string();
    writeFile(dir / "tavoalign.ini", kBom + "aa\r\na\r\nx\r\nyx\r\nb\r\nc\r\n\r\nc\r\nd\r\n");
    writeFile(dir / "in.txt", written({"aaaab", "xb", ""}));
    const auto r = runTool({"-replace", "in.txt", "out.txt"}, dir.path(), program);
    EXPECT_EQ(r.status, 0);
    // The self-containing rule x -> yx is skipped with a warning; c -> d lies
    // after the empty line.
    EXPECT_EQ(r.err, "tavoalign: -replace: " + program +
                         ".ini: rule 2 skipped: its replacement contains its search text\n");
    EXPECT_EQ(readFile(dir / "out.txt"), written({"ac", "xc", "", ""}));

    fs::remove(dir / "tavoalign.ini");
    EXPECT_EQ(runTool({"-replace", "in.txt", "out.txt"}, dir.path(), program).status, 0);
    EXPECT_EQ(readFile(dir / "out.txt"), written({"aaaab", "xb", "", ""}));

    const auto missing = runTool({"-replace", "none.txt", "out2.txt"}, dir.path(), program);
    EXPECT_EQ(missing.status, kRuntimeFailure);
    EXPECT_FALSE(fs::exists(dir / "out2.txt"));
}

TEST(LineCommands, ReverseIndicAndShiftPrintTheirLineCounts)
{
    TempDir dir;
    writeFile(dir / "words.txt", kBom + "one \xD9\x83\xD8\xAA\xD8\xA8 two\r\n\r\n");
    auto r = runTool({"-reverse", "words.txt", "out.txt"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "3\n");
    EXPECT_EQ(readFile(dir / "out.txt"), written({" two  one  \xD9\x83\xD8\xAA\xD8\xA8 ", "", ""}));

    const std::string header = "<DL_PAGE tavo_type=\"DL_PAGE\" pageID=\"12\" width=\"30\">";
    writeFile(dir / "page.xml", written({header, zone("10", "a12 \xDB\xB5"), "</TAVO>"}));
    r = runTool({"-indic", "page.xml", "indic.xml"}, dir.path());
    EXPECT_EQ(r.out, "4\n");
    EXPECT_EQ(readFile(dir / "indic.xml"),
              written({header, zone("10", "a\xD9\xA1\xD9\xA2 \xDB\xB5"), "</TAVO>", ""}));

    r = runTool({"-shift", "page.xml", "page.xml", "-10", "5"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "4\n");
    std::string shifted = zone("10", "a12 \xDB\xB5");
    shifted.replace(shifted.find("col=\"100\" row=\"40\""), 18, "col=\"90\" row=\"45\"");
    EXPECT_EQ(readFile(dir / "page.xml"), written({header, shifted, "</TAVO>", ""}));
}

TEST(LineCommands, ShiftCopiesABadZoneAndReportsIt)
{
    TempDir dir;
    writeFile(dir / "page.xml", written({"<DL_ZONE col=\"x\" row=\"1\">", "<DL_ZONE col=\"1\" row=\"1\">"}));
    const auto r = runTool({"-shift", "page.xml", "out.xml", "1", "1"}, dir.path());
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "3\n");
    EXPECT_NE(r.err.find("page.xml:1: zone copied unchanged"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(dir / "out.xml"),
              written({"<DL_ZONE col=\"x\" row=\"1\">", "<DL_ZONE col=\"2\" row=\"2\">", ""}));
}

TEST(LineCommands, MissingInputsFailAndWriteNothing)
{
    TempDir dir;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-reverse", "none.txt", "out.txt"},
          {"-indic", "none.xml", "out.txt"},
          {"-shift", "none.xml", "out.txt", "1", "2"},
          {"-replace", "none.xml", "out.txt"}}) {
        const auto r = runTool(args, dir.path());
        EXPECT_EQ(r.status, kRuntimeFailure) << args[0];
        EXPECT_EQ(r.out, "") << args[0];
        EXPECT_EQ(r.err, "tavoalign: " + args[0] + ": " + args[1] + ": cannot open file\n");
        EXPECT_FALSE(fs::exists(dir / "out.txt")) << args[0];
    }
}

}  // namespace
