// The chain check: one head, several heads, none, and the EXTRA zones.
#include "groundtruth/ZoneLine.h"
#include "support/OrderFixtures.h"
#include "transcript/ReadingOrder.h"
#include "util/Strings.h"

#include <gtest/gtest.h>

using ordertest::wordZone;

namespace {

struct Checked {
    std::optional<tavo::ReadingOrder> order;
    std::string out;
};

Checked check(const std::vector<std::string>& lines)
{
    std::vector<tavo::DocumentZone> zones;
    for (const std::string& line : lines)
        zones.push_back({tavo::toWide(line), 0});
    tavo::Report report;
    Checked result;
    result.order = tavo::checkReadingOrder(zones, report);
    result.out = report.out();
    return result;
}

TEST(ReadingOrder, SingleChainFoundFromItsHeadWhateverTheFileOrder)
{
    const auto r =
        check({wordZone("3", "", "c"), wordZone("1", "2", "a"), wordZone("2", "3", "b")});
    ASSERT_TRUE(r.order.has_value());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.order->head, 1);
    EXPECT_EQ(r.order->next(1), 2);
    EXPECT_EQ(r.order->next(2), 3);
    EXPECT_EQ(r.order->next(3), 0);
    EXPECT_EQ(r.order->next(42), 0);
    EXPECT_EQ(r.order->line(2), tavo::toWide(wordZone("2", "3", "b")));
    EXPECT_EQ(r.order->line(42), u"");
}

TEST(ReadingOrder, TwoChainsNameEveryHeadInAscendingOrder)
{
    const auto r = check({wordZone("4", "", "d"), wordZone("3", "4", "c"), wordZone("2", "", "b"),
                          wordZone("1", "2", "a")});
    EXPECT_FALSE(r.order.has_value());
    EXPECT_EQ(r.out, "Zone 1: Multiple Reading Orders\nZone 3: Multiple Reading Orders\n");
}

TEST(ReadingOrder, NoHeadIsNoOrderUpToTwoLinksAndACycleBeyond)
{
    EXPECT_EQ(check({wordZone("1", "", "a")}).out, "No Reading Order Found\n");
    EXPECT_EQ(check({wordZone("1", "2", "a"), wordZone("2", "1", "b")}).out,
              "No Reading Order Found\n");
    EXPECT_EQ(
        check({wordZone("1", "2", "a"), wordZone("2", "3", "b"), wordZone("3", "1", "c")}).out,
        "Cycle Found in Reading Order\n");
    EXPECT_EQ(check({}).out, "No Reading Order Found\n");
}

TEST(ReadingOrder, ExtraZoneIgnoredWithoutNextAndFatalWithOne)
{
    const auto ignored =
        check({wordZone("9", "", "x", "EXTRA"), wordZone("1", "2", "a"), wordZone("2", "", "b")});
    ASSERT_TRUE(ignored.order.has_value());
    EXPECT_EQ(ignored.order->head, 1);
    EXPECT_EQ(ignored.order->line(9), u"");

    const auto stopped = check({wordZone("1", "2", "a"), wordZone("7", "2", "x", "EXTRA"),
                                wordZone("5", "6", "y", "EXTRA")});
    EXPECT_FALSE(stopped.order.has_value());
    EXPECT_EQ(stopped.out, "Zone 7 : Extra in Stream\n");
}

TEST(ReadingOrder, LaterZoneWithTheSameIdReplacesTheEarlierOne)
{
    const auto r =
        check({wordZone("2", "3", "old"), wordZone("1", "2", "a"), wordZone("2", "", "new")});
    ASSERT_TRUE(r.order.has_value());
    EXPECT_EQ(r.order->links.size(), 2u);
    EXPECT_EQ(r.order->next(2), 0);
    EXPECT_EQ(tavo::getAttribute(u"contents", r.order->line(2)), u"new");
}

TEST(ReadingOrder, IdIsMatchedAsAWholeAttributeNotInsideWidth)
{
    // `width` comes before `id` here; a plain substring search for "id"
    // would read the width as the id.
    const std::string a = "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" width=\"77\" id=\"1\" "
                          "nextZoneID=\"2\" contents=\"a\">";
    const std::string b =
        "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" width=\"88\" id=\"2\" contents=\"b\">";
    const auto r = check({a, b});
    ASSERT_TRUE(r.order.has_value());
    EXPECT_EQ(r.order->head, 1);
    EXPECT_EQ(r.order->next(1), 2);
}

TEST(ReadingOrder, HugeIdsCostNoTableOfTheirSize)
{
    const auto single =
        check({wordZone("2000000000", "2000000001", "a"), wordZone("2000000001", "", "b")});
    ASSERT_TRUE(single.order.has_value());
    EXPECT_EQ(single.order->head, 2000000000);
    EXPECT_EQ(single.order->links.size(), 2u);

    const auto two = check({wordZone("2147483000", "2147483647", "a"), wordZone("5", "6", "b"),
                            wordZone("2147483647", "", "c"), wordZone("6", "", "d")});
    EXPECT_EQ(two.out,
              "Zone 5: Multiple Reading Orders\nZone 2147483000: Multiple Reading Orders\n");
}

TEST(ReadingOrder, NegativeIdsNeverStartAChain)
{
    // A zone without id reads as -1; it cannot be a head even though no
    // zone names it.
    const auto r = check({wordZone("", "5", "x"), wordZone("1", "2", "a"), wordZone("2", "", "b")});
    ASSERT_TRUE(r.order.has_value());
    EXPECT_EQ(r.order->head, 1);
}

}  // namespace
