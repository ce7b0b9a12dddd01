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
