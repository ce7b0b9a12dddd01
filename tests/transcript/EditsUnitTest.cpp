// The pieces of -meta, -fix, -replace, -punc, -digi, -reverse, -indic and
// -shift, called directly.
#include "groundtruth/ZoneLine.h"
#include "support/RunTool.h"
#include "transcript/Fix.h"
#include "transcript/Meta.h"
#include "transcript/MetaTables.h"
#include "transcript/PuncDigi.h"
#include "transcript/Replace.h"
#include "transcript/ReverseIndicShift.h"
#include "transcript/RuleMatcher.h"
#include "util/Strings.h"

#include <gtest/gtest.h>

#include <random>

using namespace tavo;
using tavotest::TempDir;
using tavotest::writeFile;

namespace {

TEST(WholeAttribute, NameInsideAValueOrAnotherNameIsNotTheAttribute)
{
    const std::u16string page = u"<DL_PAGE src=\"scans/colour/p.tif\" rows=\"2\" width=\"9\">";
    EXPECT_FALSE(getWholeAttribute(page, u"col"));
    EXPECT_FALSE(getWholeAttribute(page, u"row"));
    EXPECT_EQ(getWholeAttribute(page, u"width"), u"9");

    std::u16string zone = u"<DL_ZONE id=\"3\" col=\"10\" contents=\"\" woffsets=\"1\" offsets=\"2\">";
    EXPECT_EQ(getWholeAttribute(zone, u"offsets"), u"2");
    EXPECT_EQ(getWholeAttribute(zone, u"contents"), u"");
    EXPECT_TRUE(setWholeAttribute(zone, u"contents", u"x y"));
    EXPECT_TRUE(setWholeAttribute(zone, u"col", u"7"));
    EXPECT_EQ(zone, u"<DL_ZONE id=\"3\" col=\"7\" contents=\"x y\" woffsets=\"1\" offsets=\"2\">");
    EXPECT_FALSE(setWholeAttribute(zone, u"status", u"EXTRA"));
}

TEST(WholeAttribute, LeadingIntReadsLikePercentD)
{
    EXPECT_EQ(leadingInt(u"  -12abc"), -12);
    EXPECT_EQ(leadingInt(u"+7"), 7);
    EXPECT_EQ(leadingInt(u"007"), 7);
    EXPECT_EQ(leadingInt(u"-2147483648"), -2147483648LL);
    EXPECT_FALSE(leadingInt(u""));
    EXPECT_FALSE(leadingInt(u"None"));
    EXPECT_FALSE(leadingInt(u"-"));
    EXPECT_FALSE(leadingInt(u"2147483648"));
    EXPECT_FALSE(leadingInt(u"\u0661"));  // an Arabic-Indic digit is not a decimal digit here
}

TEST(MetaTables, RowSplitAppendsEightCommasAndFillsUnknown)
{
    const std::vector<std::string> four = splitTableRow("12,Ann,,Cairo");
    ASSERT_EQ(four.size(), 11u);  // k columns give k + 7 fields
    EXPECT_EQ(four[0], "12");
    EXPECT_EQ(four[2], "UNKNOWN");
    EXPECT_EQ(four[3], "Cairo");
    EXPECT_EQ(four[10], "UNKNOWN");
    EXPECT_EQ(splitTableRow("").size(), 8u);
    EXPECT_EQ(splitTableRow("a,").size(), 9u);
}

TEST(MetaTables, WriterAndDocumentRows)
{
    TempDir dir;
    // A header row, a row whose key is not a number, a four-column row with
    // CR LF ends, and a later row for the same writer that must not win.
    writeFile(dir / "Writers.csv",
              "id,name,x,origin,age\r\nabc,n,x,Nowhere\r\n12,Ann,x,Tunis\r\n"
              "13,Bo,x,Rabat,30,f,\"uni\",yes\r\n12,Late,x,Oran\r\n");
    writeFile(dir / "Docs.csv", "\xEF\xBB\xBF" "3,d,\n4,d,letter");
    const std::u16string folder = dir.path().u16string();
    EXPECT_EQ(writerAttributes(12, folder),
              u"origin = \"Tunis\" age = \"UNKNOWN\" gender = \"UNKNOWN\" "
              u"education = \"UNKNOWN\" training = \"UNKNOWN\"");
    // Values go into attributes, so their quotes are escaped.
    EXPECT_EQ(writerAttributes(13, folder),
              u"origin = \"Rabat\" age = \"30\" gender = \"f\" education = \"&quot;uni&quot;\" "
              u"training = \"yes\"");
    EXPECT_EQ(writerAttributes(-1, folder), writerAttributes(99, u"/nonexistent"));
    EXPECT_EQ(documentType(3, folder), u" type = \"UNKNOWN\" ");  // empty column, found row
    EXPECT_EQ(documentType(4, folder), u" type = \"letter\" ");
    EXPECT_EQ(documentType(5, folder), u"type = \"UNKNOWN\"");
    EXPECT_EQ(documentType(3, u"/nonexistent"), u"type = \"UNKNOWN\"");
}

TEST(Metadata, FileNameCode)
{
    const FileNameCode code = fileNameCode(u"/data/x-1/12-3-45.xml");
    EXPECT_EQ(code.writer, 12);
    EXPECT_EQ(code.document, 3);
    EXPECT_EQ(code.page, 45);
    const FileNameCode windows = fileNameCode(u"C:\\gt\\7-08-9.xml");
    EXPECT_EQ(windows.writer, 7);
    EXPECT_EQ(windows.document, 8);
    EXPECT_EQ(windows.page, 9);
    const FileNameCode partial = fileNameCode(u"12-3.xml");
    EXPECT_EQ(partial.document, 3);
    EXPECT_EQ(partial.page, 0);
    const FileNameCode none = fileNameCode(u"page.xml");
    EXPECT_EQ(none.writer, 0);
    EXPECT_EQ(none.document, 0);
}

TEST(Metadata, DocumentHeaderBlanks)
{
    const std::u16string page =
        u"<DL_PAGE tavo_type=\"DL_PAGE\" src=\"C:\\p\\a.tif\" pageID=\"1\" width=\"2000\" "
        u"height=\"3000\">";
    FileNameCode code;
    code.writer = 12;
    code.document = 3;
    code.page = 45;
    EXPECT_EQ(documentHeader(code, page, u" type = \"letter\" ", u"origin = \"x\""),
              u"\t<DL_DOCUMENT  src=\"a.tif\"  docTag=\"xml\"  NrOfPages=\"1\"  type = "
              u"\"letter\"   docID=\"003\"   writerID=\"012\"  origin = \"x\">\r\n"
              u"\t\t<DL_PAGE  tavo_type=\"DL_PAGE\"   pageID=\"00045\"   dpi=\"300\"  "
              u"depth=\"Binary\"  width=\"2000\"  height=\"3000\" >");
}

TEST(WordFix, NameFieldsAndPaths)
{
    const WordFilePath windows = splitWordFilePath(u"C:\\data\\001-002-00003-0004.xml");
    EXPECT_EQ(windows.folder, u"C:\\data");
    EXPECT_EQ(windows.name, u"001-002-00003-0004.xml");
    const WordFilePath bare = splitWordFilePath(u"001-002-00003-0004.xml");
    EXPECT_FALSE(bare.hasFolder);
    EXPECT_EQ(splitWordFilePath(u"/001-002-00003-0004.xml").folder, u"");

    const WordFileIds ids = wordFileIds(u"001-002-00003-0004.xml");
    EXPECT_EQ(ids.document, 1);
    EXPECT_EQ(ids.writer, 2);
    EXPECT_EQ(ids.page, 3);
    EXPECT_EQ(ids.zone, 4);
    EXPECT_EQ(wordFileIds(u"001-002-00003-").zone, -1);  // the zone field starts at the end
    EXPECT_EQ(wordFileIds(u"001-002-00003-\u0631").zone, -1);  // U+0631 is not the digit 1
    EXPECT_EQ(pageFilePath(u"root", ids), u"root/001/002-001-00003.xml");

    EXPECT_TRUE(isWordFileName(u"w/001-002-00003-"));
    EXPECT_FALSE(isWordFileName(u"long/folder/001-002-00003"));
}

TEST(WordClasses, PunctuationAndDigitSets)
{
    EXPECT_TRUE(hasPunctuation(u"\u201D"));
    EXPECT_FALSE(hasPunctuation(u"a"));
    EXPECT_FALSE(hasPunctuation(u"\u0628\u0627\u201C"));  // the left quotation mark is not in the set
    for (char16_t c : std::u16string_view(u"!@#$%^&*()`~{}[]:\";'<?>,./|-=_+"))
        EXPECT_TRUE(hasPunctuation(std::u16string(1, c))) << static_cast<int>(c);
    EXPECT_FALSE(hasPunctuation(u"\\ \u060C"));  // backslash, blank and the Arabic comma are not

    EXPECT_TRUE(hasDigit(u"\u0628\u0665"));
    EXPECT_TRUE(hasDigit(u"5"));
    EXPECT_TRUE(hasDigit(u"\u0660\u0669"));
    EXPECT_FALSE(hasDigit(u"\u06F5"));
    EXPECT_FALSE(hasDigit(u"\u065F\u066A/:"));  // just outside both ranges
}

// The cascading rule applied the slow, obvious way.
void naiveApply(const std::vector<ReplacementRule>& rules, std::u16string& line)
{
    for (const ReplacementRule& rule : rules) {
        if (rule.find.empty() || rule.replacement.find(rule.find) != std::u16string::npos)
            continue;
        for (size_t at = line.find(rule.find); at != std::u16string::npos; at = line.find(rule.find))
            line.replace(at, rule.find.size(), rule.replacement);
    }
}

std::u16string randomText(std::mt19937& rng, size_t maxLength)
{
    std::uniform_int_distribution<size_t> length(0, maxLength);
    std::uniform_int_distribution<int> letter(0, 2);
    std::u16string text(length(rng), u'a');
    for (char16_t& c : text)
        c = static_cast<char16_t>(u'a' + letter(rng));
    return text;
}

TEST(Replace, MatchesTheObviousCascadeOnRandomRules)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        std::vector<ReplacementRule> rules;
        for (int k = 0; k < 6; ++k) {
            ReplacementRule rule{randomText(rng, 3), randomText(rng, 2)};
            if (!rule.find.empty() && rule.replacement.find(rule.find) == std::u16string::npos)
                rules.push_back(rule);
        }
        Replacer replacer(rules);
        for (int n = 0; n < 5; ++n) {
            std::u16string line = randomText(rng, 20);
            std::u16string expected = line;
            naiveApply(rules, expected);
            replacer.apply(line);
            ASSERT_EQ(line, expected) << "round " << round;
        }
    }
}

TEST(Replace, CascadeAndLaterRuleSeesEarlierResult)
{
    Replacer replacer({{u"aa", u"a"}, {u"xy", u"a"}, {u"ab", u"X"}, {u"b", u"c"}});
    std::u16string line = u"aaaxyb b";
    replacer.apply(line);
    // aaaxyb -> axyb (rule 1 cascades) -> aab (rule 2) -> aX (rule 3 finds what
    // rule 2 made; rule 1 does not run again) -> and rule 4 turns b into c.
    EXPECT_EQ(line, u"aX c");
    EXPECT_TRUE(replacer.refused().empty());
}

TEST(Replace, MatcherFindsOverlappingAndNestedPatterns)
{
    RuleMatcher matcher({u"he", u"she", u"his", u"hers", u"", u"e", u"x"});
    std::vector<char> found;
    matcher.find(u"ushers", found);
    EXPECT_EQ(found, (std::vector<char>{1, 1, 0, 1, 0, 1, 0}));
}

TEST(Replace, ListEndsAtEmptyLineAndDropsUnpairedSearch)
{
    TempDir dir;
    writeFile(dir / "a.ini", "aa\r\na\r\nb\r\nc\r\n\r\nx\r\ny\r\n");
    const auto rules = readReplacementList((dir / "a.ini").u16string());
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[1].find, u"b");
    EXPECT_EQ(rules[1].replacement, u"c");

    writeFile(dir / "b.ini", "aa\na\nz");
    EXPECT_EQ(readReplacementList((dir / "b.ini").u16string()).size(), 1u);
    EXPECT_TRUE(readReplacementList((dir / "none.ini").u16string()).empty());
}

TEST(Replace, ListPathFollowsTheProgramPath)
{
    EXPECT_EQ(replacementListPath(u"/opt/bin/tavoalign"), u"/opt/bin/tavoalign.ini");
    EXPECT_EQ(replacementListPath(u"./tavoalign"), u"./tavoalign.ini");
    // A bare name is resolved to the running executable.
    const std::u16string resolved = replacementListPath(u"tavoalign");
    EXPECT_EQ(resolved.front(), u'/');
    EXPECT_EQ(resolved.substr(resolved.size() - 4), u".ini");
}

TEST(DirectionEdits, ReverseTokens)
{
    const std::u16string arabic = u"\u0643\u062A\u0627\u0628";
    EXPECT_EQ(reverseTokens(u"one " + arabic + u" two"), u" two  one  " + arabic + u" ");
    EXPECT_EQ(reverseTokens(u"\u0628a \u0665\u0660 ... x"), u" x  \u0628a  \u0665\u0660  ... ");
    EXPECT_EQ(reverseTokens(u" \t \r"), u"");
    EXPECT_EQ(reverseTokens(u"\tone\v\ftwo  "), u" two  one ");
}

TEST(DirectionEdits, IndicDigitsOnlyInContents)
{
    std::u16string zone = u"<DL_ZONE id=\"12\" col=\"30\" contents=\"a09 \u06F5\"> </DL_ZONE>";
    indicContents(zone);
    EXPECT_EQ(zone, u"<DL_ZONE id=\"12\" col=\"30\" contents=\"a\u0660\u0669 \u06F5\"> </DL_ZONE>");
    std::u16string header = u"<DL_PAGE src=\"contents/1.tif\" width=\"20\">";
    indicContents(header);
    EXPECT_EQ(header, u"<DL_PAGE src=\"contents/1.tif\" width=\"20\">");
}

TEST(DirectionEdits, ShiftZone)
{
    std::u16string zone = u"<DL_ZONE col=\"100\" row=\"40\" width=\"5\">";
    EXPECT_TRUE(shiftZone(zone, -10, 5));
    EXPECT_EQ(zone, u"<DL_ZONE col=\"90\" row=\"45\" width=\"5\">");

    std::u16string page = u"<DL_PAGE src=\"scans/colour/rows.tif\" width=\"5\">";
    EXPECT_TRUE(shiftZone(page, -10, 5));
    EXPECT_EQ(page, u"<DL_PAGE src=\"scans/colour/rows.tif\" width=\"5\">");

    std::u16string onlyRow = u"<X row=\"-3\">";
    EXPECT_TRUE(shiftZone(onlyRow, 100, 5));
    EXPECT_EQ(onlyRow, u"<X row=\"2\">");

    for (std::u16string bad : {u"<X col=\"n\" row=\"1\">", u"<X col=\"2147483647\" row=\"1\">"}) {
        const std::u16string before = bad;
        EXPECT_FALSE(shiftZone(bad, 1, 1));
        EXPECT_EQ(bad, before);
    }
}

}  // namespace
