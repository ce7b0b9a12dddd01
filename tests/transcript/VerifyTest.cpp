// -verify: the chain walk against the source words, in process and through
// the built program.
#include "support/OrderFixtures.h"
#include "support/RunTool.h"
#include "transcript/Verify.h"
#include "util/Strings.h"

#include <gtest/gtest.h>

using ordertest::pageFile;
using ordertest::wordZone;
using tavotest::readFile;
using tavotest::runTool;
using tavotest::TempDir;
using tavotest::writeFile;

namespace {

std::string verify(const std::vector<std::string>& zones, const std::string& source)
{
    TempDir dir;
    writeFile(dir / "words.xml", pageFile(zones));
    writeFile(dir / "source.txt", source);
    tavo::Report report;
    tavo::runVerify(tavo::toWide((dir / "words.xml").string()),
                    tavo::toWide((dir / "source.txt").string()), report);
    return report.out();
}

TEST(Verify, SourceWordsSplitAtEveryWhiteSpaceKind)
{
    EXPECT_EQ(tavo::splitSourceWords(u" a\tb\r\nc\v\fd  "),
              (std::vector<std::u16string> {u"a", u"b", u"c", u"d"}));
    EXPECT_TRUE(tavo::splitSourceWords(u" \t ").empty());
}

TEST(Verify, MatchingChainPrints99999EvenWithZonesBeyondTheText)
{
    const std::vector<std::string> three = {wordZone("2", "3", "b"), wordZone("1", "2", "a"),
                                            wordZone("3", "", "c")};
    EXPECT_EQ(verify(three, "a b\r\nc\r\n"), "99999\n");
    auto four = three;
    four[2] = wordZone("3", "4", "c");
    four.push_back(wordZone("4", "", "surplus"));
    EXPECT_EQ(verify(four, "a b c"), "99999\n");
}

TEST(Verify, AmpersandMatchesEscapedAndUnescaped)
{
    EXPECT_EQ(verify({wordZone("1", "2", "a&amp;b"), wordZone("2", "", "c")}, "a&b c"), "99999\n");
    EXPECT_EQ(verify({wordZone("1", "2", "a&b"), wordZone("2", "", "c")}, "a&b c"), "99999\n");
    EXPECT_EQ(verify({wordZone("1", "2", "a&amp;amp;b"), wordZone("2", "", "c")}, "a&b c"),
              "Zone 1 : Content Mismatch \n");
}

TEST(Verify, ChainShorterThanTheTextIsIncompleteAtItsLastZone)
{
    EXPECT_EQ(verify({wordZone("1", "2", "a"), wordZone("2", "", "b")}, "a b c"),
              "Zone 2 : Reading Order Incomplete\n");
}

TEST(Verify, FirstMismatchIsNamedAndComparisonIsExact)
{
    EXPECT_EQ(
        verify({wordZone("1", "2", "a"), wordZone("2", "3", "B"), wordZone("3", "", "x")}, "a b c"),
        "Zone 2 : Content Mismatch \n");
}

TEST(Verify, ExtraZonesWithoutNextStandAnywhere)
{
    EXPECT_EQ(verify({wordZone("7", "", "junk", "EXTRA"), wordZone("1", "2", "a"),
                      wordZone("8", "", "more", "EXTRA"), wordZone("2", "", "b")},
                     "a b"),
              "99999\n");
    EXPECT_EQ(verify({wordZone("1", "2", "a"), wordZone("7", "2", "junk", "EXTRA"),
                      wordZone("2", "", "b")},
                     "a b"),
              "Zone 7 : Extra in Stream\n");
}

TEST(Verify, ChainFailuresStopBeforeTheWalk)
{
    EXPECT_EQ(verify({wordZone("1", "2", "a"), wordZone("2", "1", "b")}, "a b"),
              "No Reading Order Found\n");
}

TEST(Verify, ChainLoopingBackEndsWithTheSourceText)
{
    // 1 -> 2 -> 3 -> 2 has a single head; the walk stops after the last word.
    EXPECT_EQ(verify({wordZone("1", "2", "a"), wordZone("2", "3", "b"), wordZone("3", "2", "c")},
                     "a b c b c b"),
              "99999\n");
}

TEST(Verify, HugeIdsAreWalkedLikeSmallOnes)
{
    EXPECT_EQ(
        verify({wordZone("2000000000", "2000000001", "a"), wordZone("2000000001", "", "b")}, "a b"),
        "99999\n");
}

TEST(VerifyCommand, PrintsTheVerdictThenMinusOne)
{
    TempDir dir;
    writeFile(dir / "w.xml",
              pageFile({wordZone("1", "2", "a"), wordZone("2", "3", "b"), wordZone("3", "", "c")}));
    writeFile(dir / "s.txt",
              "\xEF\xBB\xBF"
              "a b c\r\n");
    const auto r = runTool({"-verify", "w.xml", "s.txt"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "99999\n-1\n");
    EXPECT_EQ(r.err, "");
}

TEST(VerifyCommand, EmptyOrMissingSourceIsReportedWithoutReadingTheWordsFile)
{
    TempDir dir;
    writeFile(dir / "blank.txt", " \r\n\t\r\n");
    for (const char* source : {"missing.txt", "blank.txt"}) {
        const auto r = runTool({"-verify", "no-words.xml", source}, dir.path());
        EXPECT_EQ(r.status, 0) << source;
        EXPECT_EQ(r.out, "cannot open source txt\n-1\n") << source;
    }
}

TEST(VerifyCommand, WordsFileThatCannotBeOpenedIsARuntimeFailure)
{
    TempDir dir;
    writeFile(dir / "s.txt", "a b");
    const auto r = runTool({"-verify", "no-words.xml", "s.txt"}, dir.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("tavoalign: -verify: no-words.xml: ", 0), 0u) << r.err;
}

}  // namespace
