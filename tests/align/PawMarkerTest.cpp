// The PAW marker and the attribute values built from marked text.

#include "align/Paw.h"
#include "util/Strings.h"

#include <gtest/gtest.h>

namespace tavo {
namespace {

// Letters used below.
constexpr char16_t kAlef = 0x0627;   // non-joining
constexpr char16_t kDal = 0x062F;    // non-joining
constexpr char16_t kBeh = 0x0628;    // dual-joining
constexpr char16_t kMeem = 0x0645;   // dual-joining
constexpr char16_t kNoon = 0x0646;   // dual-joining
constexpr char16_t kHamza = 0x0621;  // breaker
constexpr char16_t kFatha = 0x064E;  // diacritic
constexpr char16_t kZero = 0x0660;   // Arabic-Indic digit, breaker

std::u16string str(std::initializer_list<char16_t> units) { return std::u16string(units); }

TEST(JoinsNext, FollowsTheLetterClasses)
{
    EXPECT_TRUE(joinsNext(kBeh, kMeem));
    EXPECT_TRUE(joinsNext(kBeh, kAlef));      // a non-joining letter still takes the join
    EXPECT_FALSE(joinsNext(kBeh, u' '));
    EXPECT_FALSE(joinsNext(kAlef, kBeh));
    EXPECT_FALSE(joinsNext(kDal, kFatha));
    EXPECT_FALSE(joinsNext(kBeh, kHamza));
    EXPECT_FALSE(joinsNext(kHamza, kBeh));
    EXPECT_FALSE(joinsNext(kBeh, u'.'));
    EXPECT_FALSE(joinsNext(kZero, kBeh));
    EXPECT_FALSE(joinsNext(kBeh, 0x0669));
    EXPECT_TRUE(joinsNext(0x0640, kBeh));     // tatweel
    EXPECT_TRUE(joinsNext(0x0626, kBeh));     // yeh with hamza above
    EXPECT_TRUE(joinsNext(kFatha, kBeh));
}

TEST(MarkPaws, CaretAfterNonJoiningLetter)
{
    std::u16string m = markPaws(str({kAlef, kBeh}));
    EXPECT_EQ(m, str({kAlef, u'^', kBeh}));
    EXPECT_EQ(wordCutIndices(m), u"");
    EXPECT_EQ(countSpaces(caretsToSpaces(m)), 1);
    EXPECT_EQ(markPaws(str({kBeh, kMeem, kNoon})), str({kBeh, kMeem, kNoon}));
}

TEST(MarkPaws, DiacriticAfterNonJoiningLetterHidesTheBoundary)
{
    EXPECT_EQ(markPaws(str({kAlef, kFatha, kBeh})), str({kAlef, kFatha, kBeh}));
    // Without the diacritic the boundary is there.
    EXPECT_EQ(markPaws(str({kDal, kBeh})), str({kDal, u'^', kBeh}));
}

TEST(MarkPaws, BreakersCutOnBothSidesWithoutSpaces)
{
    EXPECT_EQ(markPaws(str({kBeh, kHamza, kBeh})), str({kBeh, u'^', kHamza, u'^', kBeh}));
    EXPECT_EQ(markPaws(str({kBeh, u'.', kBeh})), str({kBeh, u'^', u'.', u'^', kBeh}));
    EXPECT_EQ(markPaws(str({kZero, 0x0661})), str({kZero, u'^', 0x0661}));
}

TEST(MarkPaws, WordsOfOnePawGiveOneWordCut)
{
    std::u16string m = markPaws(str({kBeh, kMeem, u' ', kNoon, kBeh}));
    EXPECT_EQ(m, str({kBeh, kMeem, u' ', kNoon, kBeh}));
    EXPECT_EQ(wordCutIndices(m), u"0 ");
}

TEST(MarkPaws, ForeignRunsAreSetOffBySpaces)
{
    EXPECT_EQ(markPaws(str({kBeh, u'a', u'b', u'c', kMeem})),
              str({kBeh, u' ', u'a', u'b', u'c', u' ', kMeem}));
    EXPECT_EQ(markPaws(str({kBeh, u' ', u'x', u' ', kMeem})), str({kBeh, u' ', u'x', u' ', kMeem}));
    EXPECT_EQ(markPaws(str({kBeh, u'7', kMeem})), str({kBeh, u' ', u'7', u' ', kMeem}));
    EXPECT_EQ(markPaws(u"plain latin text"), u"plain latin text");
}

TEST(MarkPaws, SurrogatePairStaysWholeAndIsForeign)
{
    std::u16string m = markPaws(str({kBeh, 0xD83D, 0xDE00, kMeem}));
    EXPECT_EQ(m, str({kBeh, u' ', 0xD83D, 0xDE00, u' ', kMeem}));
    EXPECT_EQ(markPaws(str({0xD83D, 0xDE00})), str({0xD83D, 0xDE00}));
}

TEST(MarkPaws, TrimsLineBreaksAndSeparatorsAtBothEnds)
{
    EXPECT_EQ(markPaws(str({u'\r', u'\n', u' ', u'^', kAlef, kBeh, u'^', u' ', u'\r', u'\n'})),
              str({kAlef, u'^', kBeh}));
    EXPECT_EQ(markPaws(str({u'\t', kBeh, u'\t'})), str({kBeh}));
    EXPECT_EQ(markPaws(u""), u"");
    EXPECT_EQ(markPaws(u" ^\r\n^ "), u"");
}

TEST(MarkPaws, CollapsesSeparatorRunsHoldingASpace)
{
    EXPECT_EQ(markPaws(str({kBeh, u'\t', kBeh})), str({kBeh, u' ', kBeh}));
    EXPECT_EQ(markPaws(str({kBeh, u' ', u'^', u' ', u'^', kBeh})), str({kBeh, u' ', kBeh}));
    EXPECT_EQ(markPaws(str({kAlef, u' ', u' ', u' ', kBeh})), str({kAlef, u' ', kBeh}));
    EXPECT_EQ(markPaws(u"a ^^ b"), u"a b");
    // Carets alone are not one of the collapsed pairs.
    EXPECT_EQ(markPaws(u"a^^b"), u"a^^b");
    // Line breaks inside the text are kept.
    EXPECT_EQ(markPaws(u"a\r\nb"), u"a\r\nb");
}

TEST(MarkPaws, HasNoLengthLimit)
{
    std::u16string text(20000, kAlef);
    std::u16string m = markPaws(text);
    ASSERT_EQ(m.size(), 39999u);
    EXPECT_EQ(countSpaces(caretsToSpaces(m)), 19999);
    EXPECT_EQ(m.back(), kAlef);
}

TEST(WordCutIndices, NumbersSeparatorsInTextOrder)
{
    EXPECT_EQ(wordCutIndices(u"a^b c^d e"), u"1 3 ");
    EXPECT_EQ(wordCutIndices(u"a b"), u"0 ");
    EXPECT_EQ(wordCutIndices(u"a^b^c"), u"");
    EXPECT_EQ(caretsToSpaces(u"a^b c^d"), u"a b c d");
}

TEST(JoinOffsets, CommaJoinWithoutSpaces)
{
    EXPECT_EQ(joinOffsets({5, 40, 77}), "5,40,77");
    EXPECT_EQ(joinOffsets({}), "");
    EXPECT_EQ(joinOffsets({-3}), "-3");
}

}  // namespace
}  // namespace tavo
