// -word and -segword through the built program, on a page and a ground-truth
// file made here; the output files are compared byte for byte.

#include "support/Fixtures.h"
#include "support/RunTool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using tavotest::crlf;
using tavotest::kBom;
using tavotest::kNewZoneHead;
using tavotest::kXmlDecl;
using tavotest::readFile;
using tavotest::runTool;
using tavotest::TempDir;
using tavotest::writeFile;

// Three Arabic PAWs in UTF-8.
const std::string kPaw1 = "\xD9\x85\xD9\x86";
const std::string kPaw2 = "\xD8\xA8\xD8\xA7";
const std::string kPaw3 = "\xD9\x83\xD8\xAA";

std::string ppm(int width, int height, const std::vector<std::vector<int>>& blocks)
{
    std::string rgb(static_cast<size_t>(width * height * 3), '\xFF');
    for (const std::vector<int>& b : blocks) {  // x0, y0, x1, y1 inclusive
        for (int y = b[1]; y <= b[3]; ++y)
            for (int x = b[0]; x <= b[2]; ++x)
                rgb.replace(static_cast<size_t>((y * width + x) * 3), 3, 3, '\0');
    }
    return "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n" + rgb;
}

// temp.xml ends with a line end, which the finishing pass reads as one more
// empty line.
const std::string kFinalEmptyLine = "\r\n";
const std::string kPage =
    "<DL_PAGE tavo_type=\"DL_PAGE\" src=\"page.ppm\" pageID=\"1\" width=\"200\" height=\"60\">";

// The page of the word tests: a line zone at (10, 5), 150 x 40, with PAWs at
// line columns 110-139, 60-84 and 10-39.
struct Fixture {
    TempDir dir;
    explicit Fixture(const std::vector<std::string>& zones)
    {
        writeFile(dir / "page.ppm",
                  ppm(200, 60, {{120, 15, 149, 34}, {70, 15, 94, 34}, {20, 15, 49, 34}}));
        std::vector<std::string> lines = {kXmlDecl, kPage};
        lines.insert(lines.end(), zones.begin(), zones.end());
        // The last line has no line end, so nothing is added after it.
        writeFile(dir / "in.xml", kBom + crlf(lines) + "</DL_PAGE>");
    }
    tavotest::RunResult run(const std::string& command)
    {
        return runTool({command, "page.ppm", "in.xml", "out.xml"}, dir.path());
    }
    std::string output() const { return readFile(dir / "out.xml"); }
};

const std::string kPawLine =
    "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"3\" col=\"10\" row=\"5\" width=\"150\" "
    "height=\"40\" offsets=\"50,100\" contents=\"" + kPaw1 + " " + kPaw2 + " " + kPaw3 +
    "\" woffsets=\"0 \" > </DL_ZONE>";

}  // namespace

TEST(WordCommand, WritesOneZonePerWord)
{
    Fixture f({kPawLine, "<!-- other zone types are copied -->"});
    const tavotest::RunResult r = f.run("-word");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(f.output(),
              kBom + crlf({kXmlDecl, kPage,
                           kNewZoneHead + "col=\"120\" row=\"15\" width=\"30\" height=\"20\" offsets=\"\" "
                                   "contents=\"" + kPaw1 + "\" > </DL_ZONE>",
                           kNewZoneHead + "col=\"20\" row=\"15\" width=\"75\" height=\"20\" offsets=\"40\" "
                                   "contents=\"" + kPaw2 + " " + kPaw3 + "\" > </DL_ZONE>",
                           "<!-- other zone types are copied -->", "</DL_PAGE>"}) +
                  kFinalEmptyLine);
}

TEST(SegWordCommand, WritesWordCutsAndThenSplitsIntoWords)
{
    const std::string line =
        "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"3\" col=\"10\" row=\"5\" width=\"150\" "
        "height=\"40\" contents=\" " + kPaw1 + "  " + kPaw2 + kPaw3 + " \" status=\"OK\" > </DL_ZONE>";
    Fixture f({line});
    const tavotest::RunResult r = f.run("-segword");
    EXPECT_EQ(r.status, 0) << r.err;
    // Two words, one cut in the left fifth of the widest gap, 85..109.
    EXPECT_EQ(f.output(),
              kBom + crlf({kXmlDecl, kPage,
                           kNewZoneHead + "col=\"10\" row=\"5\" width=\"150\" height=\"40\" offsets=\"90\" "
                                   "contents=\"" + kPaw1 + " " + kPaw2 + kPaw3 +
                               "\" status=\"OK\" > </DL_ZONE>",
                           "</DL_PAGE>"}) +
                  kFinalEmptyLine);
}

TEST(WordCommands, ZonesOutsideThePageAreCopiedAndReported)
{
    const std::string outside =
        "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" col=\"100\" row=\"5\" width=\"150\" height=\"40\" "
        "offsets=\"50\" contents=\"a b\" woffsets=\"0 \" > </DL_ZONE>";
    for (const std::string command : {"-word", "-segword"}) {
        Fixture f({outside, kPawLine});
        const tavotest::RunResult r = f.run(command);
        EXPECT_EQ(r.status, 3) << command;
        EXPECT_NE(r.err.find("in.xml:3:"), std::string::npos) << r.err;
        const std::string out = f.output();
        EXPECT_NE(out.find(kBom + kXmlDecl + "\r\n" + kPage + "\r\n" + outside + "\r\n"),
                  std::string::npos)
            << command;
        EXPECT_EQ(out.find("id=\"3\""), std::string::npos) << command;  // zone 2 was rewritten
    }
}

TEST(WordCommands, UnloadablePageOrUnreadableInputWritesNothing)
{
    for (const std::string command : {"-word", "-segword"}) {
        Fixture f({kPawLine});
        writeFile(f.dir / "page.ppm", "P6\n10 10\n255\nshort");
        tavotest::RunResult r = f.run(command);
        EXPECT_EQ(r.status, 2) << command;
        EXPECT_NE(r.err.find("tavoalign: "), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(f.dir / "out.xml"));
        EXPECT_FALSE(std::filesystem::exists(f.dir / "temp.xml"));

        Fixture g({kPawLine});
        std::filesystem::remove(g.dir / "in.xml");
        std::filesystem::create_directory(g.dir / "in.xml");
        r = g.run(command);
        EXPECT_EQ(r.status, 2) << command;
        EXPECT_FALSE(std::filesystem::exists(g.dir / "out.xml"));
    }
}
