#include "align/Words.h"

#include "support/WordFixtures.h"
#include "util/Strings.h"

#include <gtest/gtest.h>

using namespace tavo;
using namespace wordtest;

namespace {

const std::u16string kWord1 = kPaw1;
const std::u16string kWord2 = kPaw2 + kPaw3;
const std::u16string kWord3 = kPaw3;

// A 200 x 50 page with a line zone at (20, 10), 150 x 30, cut by -segword
// at 40 and 90.  Line columns: word 1 (90..149) holds a bar on the shared
// column 90, a block at 100..139 and a speck at 145..146; word 2 (40..90) a
// block at 50..80 and the bar; word 3 (0..40) only a speck.
ZULImage wordPage(int ink)
{
    ZULImage page = whitePage(200, 50);
    auto block = [&](int x0, int y0, int x1, int y1) {
        fillBlock(page, 20 + x0, 10 + y0, 20 + x1, 10 + y1, ink);
    };
    block(90, 8, 90, 20);
    block(100, 5, 139, 24);
    block(145, 1, 146, 2);
    block(50, 8, 80, 20);
    block(10, 10, 11, 11);
    return page;
}

std::u16string segLine(const std::u16string& offsets, const std::u16string& contents)
{
    return kHead + u"col=\"20\" row=\"10\" width=\"150\" height=\"30\" offsets=\"" + offsets +
           u"\" contents=\"" + contents + u"\" > </DL_ZONE>";
}

std::u16string wordLine(int col, int row, int width, int height, const std::u16string& text)
{
    return kHead + u"col=\"" + toWide(std::to_string(col)) + u"\" row=\"" +
           toWide(std::to_string(row)) + u"\" width=\"" + toWide(std::to_string(width)) +
           u"\" height=\"" + toWide(std::to_string(height)) + u"\" contents=\"" + text +
           u"\" offsets=\"\"> </DL_ZONE>";
}

}  // namespace

TEST(SplitWords, BinaryPageLosesItsSpecksAndWordsShareTheirCutColumn)
{
    const ZULImage page = wordPage(0);
    const auto lines =
        splitWords(page, segLine(u"40,90", kWord1 + u" " + kWord2 + u" " + kWord3));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], wordLine(110, 15, 50, 20, kWord1));
    EXPECT_EQ(lines[1], wordLine(70, 18, 41, 13, kWord2));
    // Only a speck: the whole interval, columns 0..40, by the line height.
    EXPECT_EQ(lines[2], wordLine(20, 10, 41, 30, kWord3));
}

TEST(SplitWords, GreyPageKeepsItsSpecks)
{
    const ZULImage page = wordPage(60);
    const auto lines =
        splitWords(page, segLine(u"90,40", kWord1 + u"  " + kWord2 + u" " + kWord3 + u" "));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], wordLine(110, 11, 57, 24, kWord1));
    EXPECT_EQ(lines[1], wordLine(70, 18, 41, 13, kWord2));
    EXPECT_EQ(lines[2], wordLine(30, 20, 2, 2, kWord3));
}

TEST(SplitWords, LatinLineGivesTheRightmostIntervalTheLastToken)
{
    const auto lines = splitWords(wordPage(0), segLine(u"40,90", u"one two three"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find(u"contents=\"three\""), std::u16string::npos);
    EXPECT_NE(lines[2].find(u"contents=\"one\""), std::u16string::npos);
}

TEST(SplitWords, WordCountIsTheSmallerOfWordsAndIntervals)
{
    const ZULImage page = wordPage(0);
    const auto two = splitWords(page, segLine(u"40,90", kWord1 + u" " + kWord2));
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[1], wordLine(70, 18, 41, 13, kWord2));
    const auto four =
        splitWords(page, segLine(u"40,90", kWord1 + u" " + kWord2 + u" " + kWord3 + u" x"));
    EXPECT_EQ(four.size(), 3u);
}

TEST(SplitWords, LineWithoutOffsetsComesBackUnchanged)
{
    const std::u16string line = segLine(u"", kWord1 + u" " + kWord2);
    EXPECT_EQ(splitWords(wordPage(0), line), std::vector<std::u16string>{line});
}

TEST(SplitWords, ZonesThatCannotBeCutAreRefused)
{
    const ZULImage page = wordPage(0);
    // Outside the page: refused even without offsets.
    const std::u16string outside =
        kHead + u"col=\"100\" row=\"10\" width=\"150\" height=\"30\" contents=\"a\" > </DL_ZONE>";
    EXPECT_THROW(splitWords(page, outside), UnprocessableZone);
    // A cut right of the line.
    EXPECT_THROW(splitWords(page, segLine(u"40,200", u"a b c")), UnprocessableZone);
    EXPECT_THROW(splitWords(page, segLine(u"-4", u"a b")), UnprocessableZone);
    EXPECT_THROW(splitWords(ZULImage(), segLine(u"40", u"a b")), UnprocessableZone);
}

TEST(SegmentWordLine, NormalisesSpacesKeepsStatusAndCutsOnceForTwoWords)
{
    ZULImage page = whitePage(200, 60);
    fillBlock(page, 10 + 90, 15, 10 + 139, 34, 0);
    fillBlock(page, 10 + 10, 15, 10 + 59, 34, 0);
    const std::u16string in =
        u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"7\" nextZoneID=\"8\" col=\"10\" row=\"5\" "
        u"width=\"150\" height=\"40\" offsets=\"1,2,3\" contents=\"  " + kWord1 + u"   " + kWord2 +
        u"  \" woffsets=\"0 \" status=\"DONE\" > </DL_ZONE>";
    // The white gap is columns 60..89; the cut lies in its left fifth.
    EXPECT_EQ(segmentWordLine(page, in),
              kHead + u"col=\"10\" row=\"5\" width=\"150\" height=\"40\" offsets=\"66\" contents=\"" +
                  kWord1 + u" " + kWord2 + u"\" status=\"DONE\" > </DL_ZONE>");
    EXPECT_TRUE(isRed(page, 10, 5));   // zone frame
    EXPECT_TRUE(isRed(page, 76, 20));  // the cut
}

TEST(SegmentWordLine, OneWordGetsNoCutAndAnEmptyStatus)
{
    ZULImage page = whitePage(100, 40);
    const std::u16string in = kHead +
        u"col=\"0\" row=\"0\" width=\"50\" height=\"20\" contents=\"" + kWord1 + u"\" > </DL_ZONE>";
    EXPECT_EQ(segmentWordLine(page, in),
              kHead + u"col=\"0\" row=\"0\" width=\"50\" height=\"20\" offsets=\"\" contents=\"" +
                  kWord1 + u"\" status=\"\" > </DL_ZONE>");
}

// A transcription holding the word "status" keeps the line whole: the
// status is not written over the end of the line.
TEST(SegmentWordLine, StatusInsideContentsLeavesTheLineWhole)
{
    ZULImage page = whitePage(100, 40);
    const std::u16string in = kHead +
        u"col=\"0\" row=\"0\" width=\"50\" height=\"20\" status=\"DONE\" contents=\"status\" > </DL_ZONE>";
    EXPECT_EQ(segmentWordLine(page, in),
              kHead + u"col=\"0\" row=\"0\" width=\"50\" height=\"20\" offsets=\"\" contents=\"status\" "
                      u"status=\"DONE\" > </DL_ZONE>");
    // The word before the attribute is not taken for it either.
    const std::u16string later = kHead +
        u"col=\"0\" row=\"0\" width=\"50\" height=\"20\" contents=\"status\" status=\"DONE\" > </DL_ZONE>";
    EXPECT_EQ(segmentWordLine(page, later),
              kHead + u"col=\"0\" row=\"0\" width=\"50\" height=\"20\" offsets=\"\" contents=\"status\" "
                      u"status=\"DONE\" > </DL_ZONE>");
}

TEST(SegmentWordLine, ZoneOutsideThePageIsRefusedWithoutMarks)
{
    ZULImage page = whitePage(100, 40);
    const std::u16string in =
        kHead + u"col=\"0\" row=\"30\" width=\"50\" height=\"20\" contents=\"a b\" > </DL_ZONE>";
    EXPECT_THROW(segmentWordLine(page, in), UnprocessableZone);
    EXPECT_FALSE(hasRed(page));
}
