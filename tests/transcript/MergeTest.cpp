// -merge: which transcription lines count, and the zones they fill.
#include "support/OrderFixtures.h"
#include "support/RunTool.h"
#include "transcript/Merge.h"

#include <gtest/gtest.h>

using ordertest::lineZone;
using ordertest::pageFile;
using tavotest::readFile;
using tavotest::runTool;
using tavotest::TempDir;
using tavotest::writeFile;

namespace {

TEST(Merge, BlankLinesDoNotCountAndLeadingWhiteSpaceGoes)
{
    const std::vector<std::u16string> raw = {u"", u" \t\r", u"\t  first  ", u"a<b & \"c\"", u"\n"};
    EXPECT_EQ(tavo::mergeTextLines(raw),
              (std::vector<std::u16string> {u"first  ", u"a&lt;b &amp; &quot;c&quot;"}));
}

TEST(MergeCommand, FiveZonesAndFourLinesWarnFillTheTopFourInRowOrder)
{
    TempDir dir;
    // Zones listed out of row order; the one at row 500 gets no text.
    writeFile(dir / "in.xml",
              pageFile({lineZone(300, "old3"), lineZone(100, "old1"), lineZone(500, "old5"),
                        lineZone(200, "old2"), lineZone(400, "old4")}));
    writeFile(dir / "text.txt",
              "\xEF\xBB\xBF"
              "one\r\n\r\n   \r\n  two\r\nthree<\r\nfour \r\n");
    const auto r = runTool({"-merge", "text.txt", "in.xml", "out.xml"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Warning : Text line = 4 XML line = 5\n");

    std::string expected = "\xEF\xBB\xBF" +
        pageFile({lineZone(100, "one"), lineZone(200, "two"), lineZone(300, "three&lt;"),
                  lineZone(400, "four "), lineZone(500, "old5")});
    expected += "\r\n";  // the final empty line read after the last line end
    EXPECT_EQ(readFile(dir / "out.xml"), expected);
}

TEST(MergeCommand, MatchingCountsAddContentsWhereMissingAndMayRewriteTheInput)
{
    TempDir dir;
    const std::string bare =
        "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" row=\"5\" status=\"OK\"> </DL_ZONE>";
    writeFile(dir / "page.xml", pageFile({bare}));
    writeFile(dir / "text.txt", "\xD8\xA7\xD8\xA8");
    const auto r = runTool({"-merge", "text.txt", "page.xml", "page.xml"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    const std::string out = readFile(dir / "page.xml");
    EXPECT_NE(out.find("status=\"OK\" contents=\"\xD8\xA7\xD8\xA8\"> </DL_ZONE>\r\n"),
              std::string::npos)
        << out;
}

TEST(MergeCommand, InputsThatCannotBeOpenedFailWithoutWriting)
{
    TempDir dir;
    writeFile(dir / "in.xml", pageFile({lineZone(1, "x")}));
    writeFile(dir / "text.txt", "x");
    for (const auto& args : {std::vector<std::string> {"-merge", "none.txt", "in.xml", "out.xml"},
                             {"-merge", "text.txt", "none.xml", "out.xml"}}) {
        const auto r = runTool(args, dir.path());
        EXPECT_EQ(r.status, 2) << args[1];
        EXPECT_EQ(r.err.rfind("tavoalign: -merge: none.", 0), 0u) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.xml"));
    }
}

}  // namespace
