// The scorer on hand-made truth and zone files: one-to-one matching, the
// zone reader's attributes, page verdicts, and truth files it must refuse.
#include <gtest/gtest.h>

#include "quality/PageTruth.h"
#include "support/RunTool.h"
#include "quality/ZoneScore.h"

namespace tavo::quality {
namespace {

using Matches = std::vector<std::pair<int, int>>;

TEST(MatchBoxes, OneToOneByBestOverlap)
{
    // Found box 0 overlaps both truth boxes, truth 1 better; truth 0 then
    // takes its weaker second candidate.
    const std::vector<Box> truth = {{0, 0, 100, 50}, {10, 0, 100, 50}};
    const std::vector<Box> found = {{10, 0, 98, 50}, {-30, 0, 100, 50}};
    EXPECT_EQ(matchBoxes(truth, found), (Matches{{1, 0}, {0, 1}}));
    // Two found boxes for one truth box: only the better counts.
    EXPECT_EQ(matchBoxes({{0, 0, 100, 50}}, {{0, 0, 60, 50}, {0, 0, 90, 50}}), (Matches{{0, 1}}));
    // Half the truth box is IoU 0.5 and matches; less does not.
    EXPECT_EQ(matchBoxes({{0, 0, 100, 50}}, {{0, 0, 50, 50}}).size(), 1u);
    EXPECT_TRUE(matchBoxes({{0, 0, 100, 50}}, {{0, 0, 49, 50}}).empty());
    // A box far to the left of the truth is still considered.
    EXPECT_EQ(matchBoxes({{500, 0, 100, 50}, {0, 0, 100, 50}}, {{0, 0, 100, 50}}), (Matches{{1, 0}}));
    EXPECT_TRUE(matchBoxes({}, {{0, 0, 1, 1}}).empty());
}

const char* const kZones =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<DL_PAGE tavo_type=\"DL_PAGE\" src=\"p.tif\" pageID=\"1\" width=\"900\" height=\"900\">\r\n"
    "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"1\" col=\"100\" row=\"50\" width=\"300\" height=\"40\" "
    "offsets=\"7\" contents=\"\xD8\xAF\xD8\xA7\xD8\xB1 &amp; \xD8\xA8\xD9\x8A\xD8\xAA\" woffsets=\"3 \" "
    "confidence=\"0.93\" pawboxes=\"300,50,20,40 bad 250,55,30,35 1,2,3\" > </DL_ZONE>\r\n"
    "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"2\" col=\"100\" row=\"120\" width=\"300\" height=\"40\" "
    "contents=\"x\" doubt=\"touching\" > </DL_ZONE>\r\n"
    "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"3\" col=\"100\" row=\"190\" width=\"300\" height=\"40\" "
    "contents=\"y\" confidence=\"0.31\" doubt=\" \" > </DL_ZONE>\r\n"
    "<DL_ZONE tavo_type=\"OTHER\" col=\"1\" row=\"1\" width=\"1\" height=\"1\" > </DL_ZONE>\r\n";

TEST(ReadZoneFile, TakesBoxTextDoubtAndPawBoxesOfTextLineZones)
{
    tavotest::TempDir dir;
    tavotest::writeFile(dir / "z.xml", kZones);
    const ZoneFile file = readZoneFile((dir / "z.xml").string());
    ASSERT_TRUE(file.opened);
    ASSERT_EQ(file.zones.size(), 3u);
    const Zone& z = file.zones[0];
    EXPECT_EQ(z.box, (Box{100, 50, 300, 40}));
    EXPECT_EQ(z.text, "\xD8\xAF\xD8\xA7\xD8\xB1 & \xD8\xA8\xD9\x8A\xD8\xAA");
    EXPECT_DOUBLE_EQ(z.confidence, 0.93);
    EXPECT_FALSE(z.doubtful());
    EXPECT_EQ(z.pawBoxes, (std::vector<Box>{{300, 50, 20, 40}, {250, 55, 30, 35}}));
    EXPECT_TRUE(file.zones[1].doubtful());  // doubt keywords
    EXPECT_TRUE(file.zones[2].doubtful());  // low confidence; a blank doubt alone is none
    EXPECT_FALSE(file.zones[2].doubt);

    EXPECT_FALSE(readZoneFile((dir / "missing.xml").string()).opened);
}

PageTruth twoLines()
{
    PageTruth t;
    t.kind = "clean";
    t.lines = {{"a b", {100, 50, 300, 40}, {{"a", {300, 50, 100, 40}, {{300, 50, 100, 40}}},
                                            {"b", {100, 50, 150, 40}, {{200, 50, 50, 40}, {100, 50, 80, 40}}}}},
               {"c", {100, 120, 300, 40}, {{"c", {100, 120, 300, 40}, {{100, 120, 300, 40}}}}}};
    return t;
}

Zone zone(Box box, std::string text, double confidence = 1.0)
{
    Zone z;
    z.box = box;
    z.text = std::move(text);
    z.confidence = confidence;
    return z;
}

TEST(ScorePage, LinesWordsPawsAndVerdicts)
{
    ZoneFile lines{true, {zone({100, 52, 300, 38}, "  a   b "), zone({100, 120, 300, 40}, "d"),
                          zone({600, 600, 50, 50}, "extra")}};
    lines.zones[0].pawBoxes = {{300, 50, 100, 40}, {200, 50, 50, 40}, {200, 50, 50, 40}};
    PageScore s = scorePage(twoLines(), lines, nullptr);
    EXPECT_EQ(s.matchedLines, 2);
    EXPECT_EQ(s.rightLines, 1);  // spaces do not count, a wrong text does
    EXPECT_EQ(s.lineZones, 3);
    EXPECT_EQ(s.truthPaws, 4);
    EXPECT_EQ(s.matchedPaws, 2);  // one paw box cannot match twice
    EXPECT_TRUE(s.neededFlag);    // half the lines right, no words given
    EXPECT_FALSE(s.flagged);

    // Words: a PAW gap inside a word's text is no error; a doubtful right
    // zone is a false alarm.
    ZoneFile words{true, {zone({300, 50, 100, 40}, "a"), zone({100, 50, 150, 40}, "b", 0.2),
                          zone({100, 120, 300, 40}, "c ")}};
    s = scorePage(twoLines(), lines, &words);
    EXPECT_EQ(s.truthWords, 3);
    EXPECT_EQ(s.rightWords, 3);
    EXPECT_FALSE(s.neededFlag);
    EXPECT_TRUE(s.flagged);
    EXPECT_EQ(s.correctZones, 4);  // one line and three words
    EXPECT_EQ(s.doubtfulCorrect, 1);
    EXPECT_EQ(s.pawBoxes, 0);  // PAW boxes come from the word file when given

    words.zones[2].text = "e";
    EXPECT_TRUE(scorePage(twoLines(), lines, &words).neededFlag);
}

TEST(TruthFile, RoundTripsAndAcceptsAPlainListOfLines)
{
    std::string error;
    const PageTruth t = twoLines();
    const std::optional<PageTruth> back = truthFromJson(truthToJson(t), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(truthToJson(*back), truthToJson(t));
    EXPECT_EQ(back->lines[0].words[1].paws[1], (Box{100, 50, 80, 40}));

    const std::optional<PageTruth> list =
        truthFromJson(R"([{"bbox":[1,2,3,4],"text":"x"},{"bbox":[5,6,7,8]}])", error);
    ASSERT_TRUE(list) << error;
    ASSERT_EQ(list->lines.size(), 2u);
    EXPECT_EQ(list->lines[1].box, (Box{5, 6, 7, 8}));
    EXPECT_TRUE(list->lines[1].words.empty());
}

TEST(TruthFile, RefusesMalformedDocuments)
{
    for (const char* bad : {"", "{", "42", R"({"lines":3})", R"({"width":-1,"lines":[]})",
                            R"([{"bbox":[1,2,3]}])", R"([{"bbox":[1,2,-3,4]}])", R"([{"bbox":[1,2,3.5,4]}])",
                            R"([{"text":"x"}])", R"([{"bbox":[1,2,3,4],"text":7}])",
                            R"([{"bbox":[1,2,3,4],"words":[{"bbox":[1,2,3,4],"paws":[[1]]}]}])",
                            R"([{"bbox":[1,2,3,4],"words":{}}])", "[\"\xff\"]"}) {
        std::string error;
        EXPECT_FALSE(truthFromJson(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

}  // namespace
}  // namespace tavo::quality
