// -paw, -solopaw and -updatepaw through the built program, on a page and a
// ground-truth file made here.

#include "support/Fixtures.h"
#include "support/RunTool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using tavotest::crlf;
using tavotest::kBom;
using tavotest::kNewZoneHead;
using tavotest::readFile;
using tavotest::runTool;
using tavotest::TempDir;
using tavotest::writeFile;


// A white colour page with black rectangles, as a binary PPM.
class Page {
public:
    Page(int width, int height)
        : width_(width), height_(height), rgb_(static_cast<size_t>(width * height * 3), '\xFF') {}
    void ink(int left, int top, int right, int bottom)  // right and bottom exclusive
    {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                for (int c = 0; c < 3; ++c)
                    rgb_[static_cast<size_t>((y * width_ + x) * 3 + c)] = '\0';
    }
    std::string ppm() const
    {
        return "P6\n" + std::to_string(width_) + " " + std::to_string(height_) + "\n255\n" + rgb_;
    }

private:
    int width_;
    int height_;
    std::string rgb_;
};

// Page 200 x 60.  Zone 1 holds three ink blocks; zone 2 overlaps its right
// half and has one block of its own, so its cut depends on the red marks
// zone 1 leaves on the working page.
struct Fixture {
    TempDir dir;
    Fixture(const std::vector<std::string>& zoneLines)
    {
        Page page(200, 60);
        page.ink(15, 12, 25, 28);
        page.ink(45, 12, 55, 28);
        page.ink(85, 12, 95, 28);
        page.ink(120, 30, 130, 45);
        writeFile(dir / "page.ppm", page.ppm());
        std::vector<std::string> lines = {
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
            "<DL_PAGE tavo_type=\"DL_PAGE\" src=\"page.ppm\" pageID=\"1\" width=\"200\" height=\"60\">"};
        lines.insert(lines.end(), zoneLines.begin(), zoneLines.end());
        lines.push_back("</DL_PAGE>");
        writeFile(dir / "in.xml", kBom + crlf(lines));
    }
    tavotest::RunResult run(const std::string& command, const std::string& in = "in.xml")
    {
        return runTool({command, "page.ppm", in, "out.xml"}, dir.path());
    }
    std::string output() { return readFile(dir / "out.xml"); }
};

// beh alef, space, meem noon dal, beh: "ba mnd^b" once marked.
const std::string kTwoWords = "\u0628\u0627 \u0645\u0646\u062F\u0628";
const std::string kTwoWordsSpaced = "\u0628\u0627 \u0645\u0646\u062F \u0628";
// alef beh: "a^b".
const std::string kOnePawCut = "\u0627\u0628";

const std::string kZone1 = "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"7\" col=\"10\" row=\"10\" "
                           "width=\"100\" height=\"20\" contents=\"" + kTwoWords +
                           "\" status=\"OK\" nextZoneID=\"8\"> </DL_ZONE>";
const std::string kZone2 = "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"8\" col=\" 60\" row=\"15\" "
                           "width=\"80px\" height=\"30\" contents=\"" + kOnePawCut + "\"> </DL_ZONE>";

// What the finishing pass makes of the lines: the input's final line end
// yields one empty line in temp.xml and one more in the output.
std::string expected(const std::vector<std::string>& zoneLines)
{
    std::vector<std::string> lines = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
        "<DL_PAGE tavo_type=\"DL_PAGE\" src=\"page.ppm\" pageID=\"1\" width=\"200\" height=\"60\">"};
    lines.insert(lines.end(), zoneLines.begin(), zoneLines.end());
    lines.insert(lines.end(), {"</DL_PAGE>", "", ""});
    return kBom + crlf(lines);
}

TEST(PawCommand, WritesOffsetsContentsAndWordCutsByteForByte)
{
    Fixture f({kZone1, kZone2});
    auto result = f.run("-paw");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "");
    // Zone 1: gaps [15,35) and [45,75) of its line, cut in their left fifth.
    // Zone 2 sees zone 1's cut line at its column 1 and frame at column 49:
    // its widest gap is [2,25) (without the marks it would be [35,60), cut 40).
    EXPECT_EQ(f.output(),
              expected({kNewZoneHead + "col=\"10\" row=\"10\" width=\"100\" height=\"20\" offsets=\"19,51\" "
                                "contents=\"" + kTwoWordsSpaced + "\" woffsets=\"0 \" > </DL_ZONE>",
                        kNewZoneHead + "col=\"60\" row=\"15\" width=\"80\" height=\"30\" offsets=\"6\" "
                                "contents=\"\u0627 \u0628\" woffsets=\"\" > </DL_ZONE>"}));
}

TEST(PawCommand, ZoneOutsideThePageIsCopiedUnchanged)
{
    // Ends on the page's right edge: refused by -paw's strict test.
    const std::string edge = "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" col=\"100\" row=\"0\" "
                             "width=\"100\" height=\"20\" contents=\"" + kOnePawCut + "\"> </DL_ZONE>";
    const std::string negative = "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" col=\"-1\" row=\"0\" "
                                 "width=\"10\" height=\"10\" contents=\"x\"> </DL_ZONE>";
    Fixture f({edge, negative});
    auto result = f.run("-paw");
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.err.find("tavoalign: -paw: in.xml:3: zone copied unchanged"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("in.xml:4: zone copied unchanged"), std::string::npos) << result.err;
    EXPECT_EQ(f.output(), expected({edge, negative}));
}

TEST(PawCommand, UnreadablePageOrInputWritesNothing)
{
    Fixture f({kZone1});
    writeFile(f.dir / "out.xml", "old");
    writeFile(f.dir / "bad.ppm", "P6\n2 2\n255\n....");  // ends before its last pixel
    auto badPage = runTool({"-paw", "bad.ppm", "in.xml", "out.xml"}, f.dir.path());
    EXPECT_EQ(badPage.status, 2);
    EXPECT_EQ(badPage.err.rfind("tavoalign: -paw: bad.ppm: cannot load image", 0), 0u) << badPage.err;
    EXPECT_EQ(std::count(badPage.err.begin(), badPage.err.end(), '\n'), 1);

    std::filesystem::create_directory(f.dir / "folder.xml");
    auto badInput = f.run("-paw", "folder.xml");
    EXPECT_EQ(badInput.status, 2);
    EXPECT_EQ(badInput.err.rfind("tavoalign: -paw: folder.xml: cannot open file", 0), 0u)
        << badInput.err;
    EXPECT_EQ(f.output(), "old");
}

TEST(SoloPawCommand, WritesNoWordCutsAndTakesZonesEndingOnThePageEdge)
{
    const std::string edge = "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"3\" col=\"100\" row=\"40\" "
                             "width=\"100\" height=\"20\" contents=\" \u0628 \"> </DL_ZONE>";
    Fixture f({kZone1, kZone2, edge});
    auto result = f.run("-solopaw");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(f.output(),
              expected({kNewZoneHead + "col=\"10\" row=\"10\" width=\"100\" height=\"20\" offsets=\"19,51\" "
                                "contents=\"" + kTwoWordsSpaced + "\" > </DL_ZONE>",
                        kNewZoneHead + "col=\"60\" row=\"15\" width=\"80\" height=\"30\" offsets=\"6\" "
                                "contents=\"\u0627 \u0628\" > </DL_ZONE>",
                        kNewZoneHead + "col=\"100\" row=\"40\" width=\"100\" height=\"20\" offsets=\"\" "
                                "contents=\"\u0628\" > </DL_ZONE>"}));
}

TEST(UpdatePawCommand, KeepsExistingOffsetsSortedAndComputesTheRest)
{
    const std::string box1 = "col=\"10\" row=\"10\" width=\"100\" height=\"20\"";
    const std::string box2 = "col=\"60\" row=\"15\" width=\"80\" height=\"30\"";
    const std::string box3 = "col=\"0\" row=\"46\" width=\"50\" height=\"10\"";
    auto zone = [](const std::string& box, const std::string& cuts, const std::string& text) {
        return "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"5\" " + box + " " + cuts +
               " contents=\"" + text + "\"> </DL_ZONE>";
    };
    auto written = [](const std::string& box, const std::string& offsets, const std::string& text) {
        return kNewZoneHead + box + " offsets=\"" + offsets + "\" contents=\"" + text + "\" > </DL_ZONE>";
    };
    // The woffsets-only line computes its cuts as -paw does; so does the line
    // with an empty offsets value, which sees the first line's red marks.
    Fixture f({zone(box1, "woffsets=\"0 \"", kTwoWords), zone(box2, "offsets=\"\"", kOnePawCut),
               zone(box3, "offsets=\"30,10,20\"", kTwoWords), zone(box3, "offsets=\"40,x,5\"", "")});
    auto result = f.run("-updatepaw");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(f.output(), expected({written(box1, "19,51", kTwoWordsSpaced),
                                    written(box2, "6", "\u0627 \u0628"),
                                    written(box3, "10,20,30", kTwoWordsSpaced),
                                    written(box3, "40", "")}));
}

}  // namespace
