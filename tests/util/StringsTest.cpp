#include "util/Strings.h"

#include <gtest/gtest.h>

using namespace tavo;

TEST(Strings, ParseInt)
{
    EXPECT_EQ(parseInt(""), -1);
    EXPECT_EQ(parseInt("abc"), -1);
    EXPECT_EQ(parseInt("12x"), 12);
    EXPECT_EQ(parseInt(" -5"), -5);
    EXPECT_EQ(parseInt("2147483647"), 2147483647);
}

TEST(Strings, Utf8Conversions)
{
    const std::u16string text = u"a\u0627\u2013\U0001F600";
    const std::string bytes = "a\xD8\xA7\xE2\x80\x93\xF0\x9F\x98\x80";
    EXPECT_EQ(utf8FromWide(text), bytes);
    EXPECT_EQ(wideFromUtf8(bytes), text);
    EXPECT_EQ(utf8FromWide(u"\xD83D"), "\xED\xA0\xBD");
    EXPECT_EQ(wideFromUtf8("\xD8" "a\x80"), u"\uFFFDa\uFFFD");
}

TEST(ParseIntList, ReadsUpToTheFirstNonNumberAndSkipsMinusOne)
{
    EXPECT_EQ(parseIntList(u"10 20 30", false), (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(parseIntList(u"  7\t8\r\n9 ", false), (std::vector<int>{7, 8, 9}));
    EXPECT_EQ(parseIntList(u"30 10 x 5", false), (std::vector<int>{30, 10}));
    EXPECT_EQ(parseIntList(u"-1 4 -1 -2", false), (std::vector<int>{4, -2}));
    EXPECT_EQ(parseIntList(u"+6 12abc 5", false), (std::vector<int>{6, 12}));
    EXPECT_EQ(parseIntList(u"99999999999 1", false), std::vector<int>{});
    EXPECT_EQ(parseIntList(u"", false), std::vector<int>{});
    EXPECT_EQ(parseIntList(u"- 3", false), std::vector<int>{});
}

// The integer readers share one scanner; they differ only at the edges.
TEST(Strings, IntegerReadersAgreeButAtMissingAndOversizedNumbers)
{
    EXPECT_EQ(parseInt("99999999999"), 1215752191);  // "%d" keeps the low 32 bits
    EXPECT_EQ(parseInt("+-5"), -1);
    EXPECT_EQ(atoiValue(u" \t-7x"), -7);
    EXPECT_EQ(atoiValue(u"x"), 0);
    EXPECT_EQ(atoiValue(u"99999999999"), 2147483647);
    EXPECT_EQ(atoiValue(u"-99999999999"), -2147483647 - 1);
    EXPECT_EQ(leadingInt(u"-99999999999"), std::nullopt);
    EXPECT_EQ(parseIntList(u"3,4, 5,", true), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(parseIntList(u"3,4", false), std::vector<int>{3});
    EXPECT_EQ(parseIntList(u"7 \u0661 8", false), std::vector<int>{7});  // only ASCII digits
    // Numbers far past 64 bits saturate instead of wrapping around to a
    // small value.
    const std::u16string huge(44, u'9');
    EXPECT_EQ(parseIntList(huge + u"000000 5", false), std::vector<int>{});
    EXPECT_EQ(leadingInt(huge), std::nullopt);
    EXPECT_EQ(atoiValue(u"-" + huge), -2147483647 - 1);
    EXPECT_EQ(parseInt(utf8FromWide(huge)), -1);  // low 32 bits of the largest long
}
