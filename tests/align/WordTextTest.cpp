#include "align/WordText.h"

#include <gtest/gtest.h>

using namespace tavo;

TEST(ReverseAsciiTokens, LatinTokensComeBackInReverseEachFollowedByOneSpace)
{
    EXPECT_EQ(reverseAsciiTokens(u"one two three "), u"three two one ");
    EXPECT_EQ(reverseAsciiTokens(u"one   two"), u"two one ");
    // A leading run of spaces is one empty token, which ends up last.
    EXPECT_EQ(reverseAsciiTokens(u"  a b"), u"b a  ");
    EXPECT_EQ(reverseAsciiTokens(u""), u"");
    EXPECT_EQ(reverseAsciiTokens(u" "), u" ");
    // Code unit 128 still counts as ASCII here.
    EXPECT_EQ(reverseAsciiTokens(u"x \u0080"), u"\u0080 x ");
}

TEST(ReverseAsciiTokens, TextWithAnyNonAsciiTokenIsReturnedUnchanged)
{
    EXPECT_EQ(reverseAsciiTokens(u"abc \u0645\u0646  def "), u"abc \u0645\u0646  def ");
    EXPECT_EQ(reverseAsciiTokens(u"caf\u00E9 au lait"), u"caf\u00E9 au lait");
}

TEST(TextBetweenSpaces, TakesTheTextBetweenNumberedSpaces)
{
    const std::u16string text = u"p1 p2 p3 ";
    EXPECT_EQ(textBetweenSpaces(text, -1, 0), u"p1");
    EXPECT_EQ(textBetweenSpaces(text, 0, 2), u"p2 p3");
    EXPECT_EQ(textBetweenSpaces(text, 1, 2), u"p3");
    EXPECT_EQ(textBetweenSpaces(u" a  b", 1, 2), u"");
}

TEST(TextBetweenSpaces, MissingOrMisorderedSpacesGiveNothing)
{
    const std::u16string text = u"p1 p2 ";
    EXPECT_FALSE(textBetweenSpaces(text, 0, 2).has_value());
    EXPECT_FALSE(textBetweenSpaces(text, 1, 1).has_value());
    EXPECT_FALSE(textBetweenSpaces(text, 1, 0).has_value());
    EXPECT_FALSE(textBetweenSpaces(text, -2, 0).has_value());
    EXPECT_FALSE(textBetweenSpaces(u"", -1, 0).has_value());
}

TEST(SortedIntegers, ReadsCommaOrBlankSeparatedValuesAscendingWithDuplicates)
{
    EXPECT_EQ(sortedIntegers(u"90,40,90"), (std::vector<int>{40, 90, 90}));
    EXPECT_EQ(sortedIntegers(u"3 1 "), (std::vector<int>{1, 3}));
    EXPECT_TRUE(sortedIntegers(u"").empty());
}
