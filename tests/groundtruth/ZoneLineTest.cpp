#include "groundtruth/ZoneLine.h"

#include <gtest/gtest.h>

#include <climits>

using namespace tavo;

namespace {
const std::u16string kZone =
    u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" segmentation=\"word\" col=\"10\" row=\"20\" "
    u"width=\"7\" height=\"5\" contents=\"\u0627\u0644\" offsets=\"3,4\" woffsets=\"1\"> </DL_ZONE>";
}

TEST(ZoneLine, GetAttributeIsPlainSubstringSearch)
{
    EXPECT_EQ(getAttribute(u"offsets", kZone), u"3,4");
    EXPECT_EQ(getAttribute(u"woffsets", kZone), u"1");
    EXPECT_EQ(getAttribute(u"offsets", u"<DL_ZONE woffsets=\"1\" offsets=\"3\">"), u"1");
    EXPECT_EQ(getAttribute(u"contents", kZone), u"\u0627\u0644");
    EXPECT_EQ(getAttribute(u"status", kZone), u"");
    EXPECT_EQ(getAttribute(u"a", u"a=\"open"), u"open");
    EXPECT_EQ(getAttribute(u"a", u"a=open"), u"");
    EXPECT_TRUE(isZoneLine(kZone));
    EXPECT_FALSE(isZoneLine(u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT2\">"));
    EXPECT_FALSE(isZoneLine(u"<DL_PAGE tavo_type=\"DL_PAGE\">"));
}

TEST(ZoneLine, SetAttribute)
{
    std::u16string line = kZone;
    setAttribute(line, u"status", u"MISSING", true);
    EXPECT_TRUE(line.ends_with(u"woffsets=\"1\" status=\"MISSING\"> </DL_ZONE>"));

    line = kZone;
    setAttribute(line, u"contents", u"", false);
    EXPECT_NE(line.find(u" contents=\"\" offsets"), std::u16string::npos);
    setAttribute(line, u"contents", u"\u0628\u0628\u0628", true);
    EXPECT_EQ(getAttribute(u"contents", line), u"\u0628\u0628\u0628");
    EXPECT_EQ(line.size(), kZone.size() + 1);

    line = kZone;
    setAttribute(line, u"status", u"X", false);
    EXPECT_EQ(line, kZone);
    std::u16string bare = u"<DL_ZONE>";
    setAttribute(bare, u"status", u"X", true);
    EXPECT_EQ(bare, u"<DL_ZONE>");
    std::u16string open = u"a=\"x y";
    setAttribute(open, u"a", u"v", false);
    EXPECT_EQ(open, u"a=\"v");
}

// `id` is found only as a whole attribute, never inside width or nextZoneID.
TEST(ZoneLine, IdAttribute)
{
    const std::u16string noId = u"<DL_ZONE nextZoneID=\"4\" width=\"7\" col=\"1\"> </DL_ZONE>";
    EXPECT_EQ(getIdAttribute(noId), u"");
    EXPECT_EQ(getAttribute(u"id", noId), u"7");  // the plain search finds width
    EXPECT_EQ(getIdAttribute(u"<DL_ZONE nextZoneID=\"4\" id=\"3\">"), u"3");
    EXPECT_EQ(getIdAttribute(u"<DL_ZONE\tid=\"3\">"), u"3");

    std::u16string line = noId;
    setIdAttribute(line, u"9", false);
    EXPECT_EQ(line, noId);
    setIdAttribute(line, u"9", true);
    EXPECT_EQ(line, u"<DL_ZONE nextZoneID=\"4\" width=\"7\" col=\"1\" id=\"9\"> </DL_ZONE>");
    setIdAttribute(line, u"00012", true);
    EXPECT_EQ(getIdAttribute(line), u"00012");
    EXPECT_EQ(getAttribute(u"nextZoneID", line), u"4");
}

TEST(ZoneLine, EscapeXmlAndBack)
{
    EXPECT_EQ(escapeXml(u"<\">&'"), u"&lt;&quot;&gt;&amp;&apos;");
    EXPECT_EQ(escapeXml(u"a&b&amp;"), u"a&amp;b&amp;amp;");
    EXPECT_EQ(escapeXml(u"\u0627 b"), u"\u0627 b");
    EXPECT_EQ(unescapeXml(escapeXml(u"<\">&' a&amp;")), u"<\">&' a&amp;");
    EXPECT_EQ(unescapeXml(u"&#1575;&#x0628;"), u"\u0627\u0628");
    // Whatever is no reference stays as it stands, surrogates included.
    EXPECT_EQ(unescapeXml(u"& &#; &#xD800; &bogus; &#12345678901;"), u"& &#; &#xD800; &bogus; &#12345678901;");
}

TEST(ZoneLine, ReplaceAllCascades)
{
    std::u16string line = u"aaaa";
    EXPECT_TRUE(replaceAll(u"aa", u"a", line));
    EXPECT_EQ(line, u"a");
    // A replacement joins with the text before it.
    line = u"aabbb";
    EXPECT_TRUE(replaceAll(u"ab", u"a", line));
    EXPECT_EQ(line, u"aa");
    line = u"aaab";
    EXPECT_TRUE(replaceAll(u"ab", u"ba", line));
    EXPECT_EQ(line, u"baaa");
    line = u"x\u0649 \u0649 y";
    EXPECT_TRUE(replaceAll(u"\u0649 ", u"\u064A ", line));
    EXPECT_EQ(line, u"x\u064A \u064A y");
    line = u"abcabc";
    EXPECT_TRUE(replaceAll(u"b", u"", line));
    EXPECT_EQ(line, u"acac");
    line = std::u16string(100000, u'a');
    EXPECT_TRUE(replaceAll(u"aa", u"a", line));
    EXPECT_EQ(line, u"a");
}

TEST(ZoneLine, ReplaceAllRefusesRulesThatNeverStop)
{
    std::u16string line = u"aab";
    EXPECT_FALSE(replaceAll(u"a", u"aa", line));
    EXPECT_FALSE(replaceAll(u"", u"x", line));
    // Grows without end although the replacement lacks the find text.
    EXPECT_FALSE(replaceAll(u"ab", u"bbaa", line));
    EXPECT_EQ(line, u"aab");
    EXPECT_TRUE(replaceAll(u"zz", u"z", line));
    EXPECT_EQ(line, u"aab");
}

TEST(ZoneLine, NormaliseSpaces)
{
    EXPECT_EQ(normaliseSpaces(u"  a   b  "), u"a b");
    EXPECT_EQ(normaliseSpaces(u"   "), u"");
    EXPECT_EQ(normaliseSpaces(u""), u"");
    EXPECT_EQ(normaliseSpaces(u"a\t\t b"), u"a\t\t b");
}

TEST(ZoneLine, CleanTranscription)
{
    EXPECT_EQ(cleanTranscription(u"x\u00E9\u00E8y \u2013 \"\u0627\"\t\u06FF\u0700\U0001F600"),
              u"xy \u2013 ''\u0627'' \u06FF");
}

TEST(ZoneLine, CharacterClasses)
{
    EXPECT_TRUE(isArabicText(u"."));
    EXPECT_TRUE(isArabicText(u""));
    EXPECT_TRUE(isArabicText(u"\u0621\u0669."));
    EXPECT_FALSE(isArabicText(u"a"));
    EXPECT_FALSE(isArabicText(u"\u0620"));
    EXPECT_FALSE(isArabicText(u"\u066A"));
    EXPECT_FALSE(isArabicText(u"\u0627 \u0627"));
    EXPECT_TRUE(isAsciiText(u"abc\u0080"));
    EXPECT_FALSE(isAsciiText(u"ab\u0081"));
}

TEST(ZoneLine, BaseNameAndIntToText)
{
    EXPECT_EQ(baseName("C:\\pages\\sub/p001.tif"), "p001.tif");
    EXPECT_EQ(baseName("a/b\\c.tif"), "c.tif");
    EXPECT_EQ(baseName("p.tif"), "p.tif");
    EXPECT_EQ(baseName("dir/"), "");
    EXPECT_EQ(intToText(INT_MIN), "-2147483648");
    EXPECT_EQ(intToText(0), "0");
}
