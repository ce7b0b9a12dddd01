#include "server/ZoneEdits.h"

#include <gtest/gtest.h>

using tavo::applyEdit;
using tavo::EditBox;
using tavo::EditError;
using tavo::EditOp;
using tavo::EditZone;

namespace {

EditZone line(EditBox box)
{
    EditZone z;
    z.isLine = true;
    z.box = box;
    return z;
}

EditZone word(int line, EditBox box, std::u16string text, std::vector<EditBox> paws = {})
{
    EditZone z;
    z.line = line;
    z.box = box;
    z.text = std::move(text);
    z.pawboxes = std::move(paws);
    z.confidence = 0.4;
    z.doubt = u"narrow";
    z.ref = 10 + box.x;
    return z;
}

// Two lines; the first holds a wide word of three PAWs (gaps at columns 340
// and 370) and a word left of it, the second one word.
std::vector<EditZone> page()
{
    return {line({100, 100, 400, 50}), line({100, 200, 400, 50}),
            word(0, {300, 105, 100, 40}, u"aa bb", {{380, 105, 20, 40}, {350, 110, 15, 30}, {300, 105, 30, 40}}),
            word(0, {150, 105, 100, 40}, u"cc"), word(1, {200, 205, 100, 40}, u"dd")};
}

EditOp op(EditOp::Type type, int zone = -1, int other = -1, int x = 0, int dir = 0)
{
    return {type, zone, other, x, dir};
}

std::vector<std::u16string> texts(const std::vector<EditZone>& zones)
{
    std::vector<std::u16string> out;
    for (const EditZone& z : zones)
        if (!z.isLine)
            out.push_back(z.text);
    return out;
}

}  // namespace

TEST(ZoneEdits, SplitSnapsToTheNearestPawGapAndCutsTheTextAtASpace)
{
    // The click at 362 lies nearest the gap between the two right PAWs (372).
    EXPECT_EQ(tavo::snapSplitColumn(page()[2], 362), 372);
    EXPECT_EQ(tavo::snapSplitColumn(page()[2], 320), 340);
    EXPECT_EQ(tavo::snapSplitColumn(page()[3], 200), 200);  // no PAWs: the click itself

    const std::vector<EditZone> out = applyEdit(page(), op(EditOp::Type::Split, 2, -1, 362));
    ASSERT_EQ(out.size(), 6u);
    // Reading order right to left: the right part first, then the left part,
    // then the word that was already left of it.
    EXPECT_EQ(texts(out), (std::vector<std::u16string>{u"aa", u"bb", u"cc", u"dd"}));
    const EditZone& right = out[2];
    const EditZone& left = out[3];
    EXPECT_EQ(right.box, (EditBox{380, 105, 20, 40}));
    EXPECT_EQ(left.box, (EditBox{300, 105, 65, 40}));  // the two left PAWs
    EXPECT_EQ(left.pawboxes.size(), 2u);
    for (const EditZone* z : {&right, &left}) {
        EXPECT_TRUE(z->checked);
        EXPECT_FALSE(z->confidence);
        EXPECT_FALSE(z->doubt);
        EXPECT_EQ(z->line, 0);
    }
    EXPECT_EQ(right.ref, 310);  // keeps the zone line it came from
    EXPECT_EQ(left.ref, 0);
    EXPECT_FALSE(out[4].checked);  // untouched words stay as they were
    EXPECT_TRUE(out[4].confidence);
}

TEST(ZoneEdits, SplitWithoutSpaceLeavesTheTextRightAndRefusesColumnsOutsideTheWord)
{
    const std::vector<EditZone> out = applyEdit(page(), op(EditOp::Type::Split, 3, -1, 180));
    EXPECT_EQ(texts(out), (std::vector<std::u16string>{u"aa bb", u"cc", u"", u"dd"}));
    EXPECT_EQ(out[3].box, (EditBox{180, 105, 70, 40}));
    EXPECT_EQ(out[4].box, (EditBox{150, 105, 30, 40}));

    EXPECT_THROW(applyEdit(page(), op(EditOp::Type::Split, 3, -1, 150)), EditError);
    EXPECT_THROW(applyEdit(page(), op(EditOp::Type::Split, 3, -1, 250)), EditError);
    EXPECT_THROW(applyEdit(page(), op(EditOp::Type::Split, 0, -1, 200)), EditError);  // a line
    EXPECT_THROW(applyEdit(page(), op(EditOp::Type::Split, 9, -1, 200)), EditError);
}

TEST(ZoneEdits, MergeJoinsInReadingOrderWhicheverWordIsNamedFirst)
{
    for (auto [a, b] : {std::pair{2, 3}, std::pair{3, 2}}) {
        const std::vector<EditZone> out = applyEdit(page(), op(EditOp::Type::Merge, a, b));
        ASSERT_EQ(out.size(), 4u);
        EXPECT_EQ(out[2].text, u"aa bb cc");
        EXPECT_EQ(out[2].box, (EditBox{150, 105, 250, 40}));
        EXPECT_EQ(out[2].ref, 310);
        EXPECT_TRUE(out[2].checked);
        EXPECT_EQ(out[3].text, u"dd");
        EXPECT_EQ(out[3].line, 1);
    }
    EXPECT_THROW(applyEdit(page(), op(EditOp::Type::Merge, 2, 4)), EditError);  // two lines
    EXPECT_THROW(applyEdit(page(), op(EditOp::Type::Merge, 2, 2)), EditError);
}

TEST(ZoneEdits, MoveTakesAWordToTheNeighbouringLineInItsReadingOrder)
{
    // dd (200..300) lands between aa bb (right edge 400) and cc (right edge 250).
    const std::vector<EditZone> up = applyEdit(page(), op(EditOp::Type::Move, 4, -1, 0, -1));
    EXPECT_EQ(texts(up), (std::vector<std::u16string>{u"aa bb", u"dd", u"cc"}));
    EXPECT_EQ(up[3].line, 0);
    EXPECT_TRUE(up[3].checked);

    const std::vector<EditZone> down = applyEdit(page(), op(EditOp::Type::Move, 3, -1, 0, 1));
    EXPECT_EQ(texts(down), (std::vector<std::u16string>{u"aa bb", u"dd", u"cc"}));
    EXPECT_EQ(down[4].line, 1);

    EXPECT_THROW(applyEdit(page(), op(EditOp::Type::Move, 2, -1, 0, -1)), EditError);  // no line above
    EXPECT_THROW(applyEdit(page(), op(EditOp::Type::Move, 4, -1, 0, 1)), EditError);   // none below
    EXPECT_THROW(applyEdit(page(), op(EditOp::Type::Move, 4, -1, 0, 2)), EditError);
}

TEST(ZoneEdits, RenumberSortsLinesByRowAndWordsRightToLeftAndFollowsTheLineIndices)
{
    // Lines given bottom first and after the words; a word of no line.
    std::vector<EditZone> zones = {word(3, {150, 105, 50, 40}, u"b"), word(4, {200, 205, 50, 40}, u"c"),
                                   word(3, {300, 105, 50, 40}, u"a"), line({100, 200, 400, 50}),
                                   line({100, 100, 400, 50}), word(-1, {0, 0, 5, 5}, u"x")};
    const std::vector<EditZone> out = tavo::renumberZones(zones, {}, true);
    ASSERT_EQ(out.size(), 6u);
    EXPECT_TRUE(out[0].isLine && out[0].box.y == 100);
    EXPECT_TRUE(out[1].isLine && out[1].box.y == 200);
    // c (line at row 100, index 4 -> 0), then a and b (row 200, index 3 -> 1).
    EXPECT_EQ(texts(out), (std::vector<std::u16string>{u"c", u"a", u"b", u"x"}));
    EXPECT_EQ(out[2].line, 0);
    EXPECT_EQ(out[4].line, 1);
    EXPECT_EQ(out[5].line, -1);
}

TEST(ZoneEdits, WordsJoinTheLineTheyOverlapMost)
{
    // Lines given bottom first; the second word overlaps both lines, the
    // lower one more; the third overlaps none.
    std::vector<EditZone> zones = {line({100, 150, 400, 60}), line({100, 100, 400, 60}),
                                   word(-7, {300, 110, 50, 40}, u"a"), word(-7, {250, 140, 40, 40}, u"b"),
                                   word(-7, {250, 400, 40, 40}, u"c")};
    tavo::assignWordsToLines(zones);
    EXPECT_EQ(zones[2].line, 1);
    EXPECT_EQ(zones[3].line, 0);
    EXPECT_EQ(zones[4].line, -1);
    EXPECT_EQ(zones[0].line, -1);  // lines are left alone
}

TEST(ZoneEdits, WordsFoundAgainNeverReplaceCheckedWords)
{
    std::vector<EditZone> zones = page();
    zones[3].checked = true;  // "cc" was confirmed by a person
    // The finder's words: one where "cc" stands, two others.
    const std::vector<EditZone> found = {word(-1, {380, 105, 20, 40}, u"n1"), word(-1, {140, 105, 30, 40}, u"n2"),
                                         word(-1, {260, 105, 60, 40}, u"n3")};
    const std::vector<EditZone> out = tavo::replaceLineWords(zones, 0, found);
    EXPECT_EQ(texts(out), (std::vector<std::u16string>{u"n1", u"n3", u"cc", u"dd"}));
    EXPECT_EQ(out[3].line, 0);
    EXPECT_TRUE(out[4].checked);
    EXPECT_THROW(tavo::replaceLineWords(zones, 2, found), EditError);
}
