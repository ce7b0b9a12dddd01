#include "align/Words.h"

#include "support/WordFixtures.h"

#include <gtest/gtest.h>

using namespace tavo;
using namespace wordtest;

namespace {

// A 200 x 60 page with one line zone at (10, 5), 150 x 40, holding three
// PAWs at line columns 110-139 (first in text order), 60-89 and 10-39, rows
// 10-29 of the line.  -paw would cut it at 100 and 50.
ZULImage threePawPage()
{
    ZULImage page = whitePage(200, 60);
    fillBlock(page, 10 + 110, 15, 10 + 139, 34, 0);
    fillBlock(page, 10 + 60, 15, 10 + 89, 34, 0);
    fillBlock(page, 10 + 10, 15, 10 + 39, 34, 0);
    return page;
}

std::u16string pawLine(const std::u16string& offsets, const std::u16string& contents,
                       const std::u16string& woffsets)
{
    return kHead + u"col=\"10\" row=\"5\" width=\"150\" height=\"40\" offsets=\"" + offsets +
           u"\" contents=\"" + contents + u"\" woffsets=\"" + woffsets + u"\" > </DL_ZONE>";
}

}  // namespace

TEST(GroupWords, TwoWordsOfOneAndTwoPaws)
{
    ZULImage page = threePawPage();
    const auto lines =
        groupWords(page, pawLine(u"50,100", kPaw1 + u" " + kPaw2 + u" " + kPaw3, u"0 "));
    ASSERT_EQ(lines.size(), 2u);
    // Word 1 spans columns 100..149 of the line: its ink is the first PAW,
    // and it keeps no cut.
    EXPECT_EQ(lines[0], kHead + u"col=\"120\" row=\"15\" width=\"30\" height=\"20\" offsets=\"\" "
                                u"contents=\"" + kPaw1 + u"\" > </DL_ZONE>");
    // Word 2 spans columns 0..100; the cut at 50 (page column 60) lies 40
    // columns right of its ink box's left edge.
    EXPECT_EQ(lines[1], kHead + u"col=\"20\" row=\"15\" width=\"80\" height=\"20\" offsets=\"40\" "
                                u"contents=\"" + kPaw2 + u" " + kPaw3 + u"\" > </DL_ZONE>");

    // Word boxes and the kept cut are drawn in red; word boundaries are not.
    EXPECT_TRUE(isRed(page, 120, 15));
    EXPECT_TRUE(isRed(page, 149, 34));
    EXPECT_TRUE(isRed(page, 20, 15));
    EXPECT_TRUE(isRed(page, 60, 25));
    EXPECT_FALSE(isRed(page, 110, 25));
    EXPECT_FALSE(isRed(page, 60, 14));
}

TEST(GroupWords, AWordBoundaryOnTheWordsOwnInkIsNotOneOfItsCuts)
{
    // The second PAW reaches the word boundary at line column 100, so the
    // boundary lies strictly inside the second word's ink box.
    ZULImage page = threePawPage();
    fillBlock(page, 10 + 90, 15, 10 + 100, 34, 0);
    const auto lines =
        groupWords(page, pawLine(u"50,100", kPaw1 + u" " + kPaw2 + u" " + kPaw3, u"0 "));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(u"col=\"110\" row=\"15\" width=\"40\" height=\"20\" offsets=\"\""),
              std::u16string::npos);
    EXPECT_NE(lines[1].find(u"col=\"20\" row=\"15\" width=\"91\" height=\"20\" offsets=\"40\""),
              std::u16string::npos);
}

TEST(GroupWords, LatinContentsAreTakenInReverse)
{
    ZULImage page = threePawPage();
    const auto lines = groupWords(page, pawLine(u"50,100", u"one two three", u"0 1 "));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find(u"col=\"120\""), std::u16string::npos);
    EXPECT_NE(lines[0].find(u"contents=\"three\""), std::u16string::npos);
    EXPECT_NE(lines[1].find(u"col=\"70\""), std::u16string::npos);
    EXPECT_NE(lines[1].find(u"contents=\"two\""), std::u16string::npos);
    EXPECT_NE(lines[2].find(u"col=\"20\""), std::u16string::npos);
    EXPECT_NE(lines[2].find(u"contents=\"one\""), std::u16string::npos);
}

TEST(GroupWords, LinesWithoutOffsetsOrWoffsetsStayLineZones)
{
    ZULImage page = threePawPage();
    const std::u16string noWords = pawLine(u"50,100", kPaw1, u"");
    const std::u16string noCuts = pawLine(u"", kPaw1, u"0 ");
    EXPECT_EQ(groupWords(page, noWords), std::vector<std::u16string>{noWords});
    EXPECT_EQ(groupWords(page, noCuts), std::vector<std::u16string>{noCuts});
    EXPECT_FALSE(hasRed(page));
}

TEST(GroupWords, MorePawsThanCutsDropTheLastWord)
{
    ZULImage page = threePawPage();
    const auto lines = groupWords(
        page, pawLine(u"50,100", kPaw1 + u" " + kPaw2 + u" " + kPaw3 + u" " + kPaw1, u"0 "));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(u"contents=\"" + kPaw1 + u"\""), std::u16string::npos);
}

TEST(GroupWords, InconsistentLinesAreRefusedWithoutMarks)
{
    ZULImage page = threePawPage();
    const std::u16string three = kPaw1 + u" " + kPaw2 + u" " + kPaw3;
    // Separator 5 has no cut among two offsets.
    EXPECT_THROW(groupWords(page, pawLine(u"50,100", three, u"0 5 ")), UnprocessableZone);
    EXPECT_THROW(groupWords(page, pawLine(u"50,100", three, u"-3 ")), UnprocessableZone);
    // A boundary after the last space of the contents.
    EXPECT_THROW(groupWords(page, pawLine(u"50,100", kPaw1 + u" " + kPaw2, u"0 2 ")),
                 UnprocessableZone);
    // A cut right of the line makes the first word's columns run backwards.
    EXPECT_THROW(groupWords(page, pawLine(u"50,400", three, u"0 ")), UnprocessableZone);
    EXPECT_FALSE(hasRed(page));
}

TEST(GroupWords, ZonesOutsideThePageAreRefused)
{
    ZULImage page = whitePage(100, 40);
    const std::u16string rest = u"offsets=\"5\" contents=\"a b\" woffsets=\"0 \" > </DL_ZONE>";
    EXPECT_THROW(groupWords(page, kHead + u"col=\"60\" row=\"0\" width=\"41\" height=\"10\" " + rest),
                 UnprocessableZone);
    EXPECT_THROW(groupWords(page, kHead + u"col=\"-1\" row=\"0\" width=\"10\" height=\"10\" " + rest),
                 UnprocessableZone);
    // Ending exactly on the page edge is fine.
    EXPECT_NO_THROW(groupWords(page, kHead + u"col=\"60\" row=\"30\" width=\"40\" height=\"10\" " + rest));
    ZULImage empty;
    EXPECT_THROW(groupWords(empty, kHead + u"col=\"0\" row=\"0\" width=\"0\" height=\"0\" " + rest),
                 UnprocessableZone);
}
