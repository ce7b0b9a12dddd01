// -shrink, -refine, -filter and -render through the built program, each in
// a fresh folder with a page and files made here.
#include "support/Fixtures.h"
#include "support/RunTool.h"

#include "ZULImage.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

using tavotest::kBom;
using tavotest::written;
using tavotest::readFile;
using tavotest::runTool;
using tavotest::TempDir;
using tavotest::writeFile;

namespace {

const std::string kPage = "<DL_PAGE tavo_type=\"DL_PAGE\" src=\"page.ppm\" pageID=\"1\">";

// A white 24-bit PPM page with black blocks (x0, y0, x1, y1 inclusive).
std::string ppm(int width, int height, const std::vector<std::array<int, 4>>& blocks)
{
    std::string rgb(static_cast<size_t>(width * height * 3), '\xFF');
    for (const auto& [x0, y0, x1, y1] : blocks)
        for (int y = y0; y <= y1; ++y)
            rgb.replace(static_cast<size_t>((y * width + x0) * 3), static_cast<size_t>((x1 - x0 + 1) * 3),
                        static_cast<size_t>((x1 - x0 + 1) * 3), '\0');
    return "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n" + rgb;
}

std::string zone(int col, int row, int width, int height, const std::string& rest = "")
{
    return "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" col=\"" + std::to_string(col) + "\" row=\"" +
           std::to_string(row) + "\" width=\"" + std::to_string(width) + "\" height=\"" +
           std::to_string(height) + "\" " + rest + "> </DL_ZONE>";
}

struct Folder {
    TempDir dir;
    Folder(const std::string& page, const std::vector<std::string>& zones)
    {
        writeFile(dir / "page.ppm", page);
        std::vector<std::string> lines{kPage};
        lines.insert(lines.end(), zones.begin(), zones.end());
        writeFile(dir / "in.xml", written(lines) + "</DL_PAGE>");
    }
    tavotest::RunResult run(const std::string& command, const std::string& out = "out.xml")
    {
        return runTool({command, "page.ppm", "in.xml", out}, dir.path());
    }
    std::string output() const { return readFile(dir / "out.xml"); }
    std::string expected(const std::vector<std::string>& zones) const
    {
        std::vector<std::string> lines{kPage};
        lines.insert(lines.end(), zones.begin(), zones.end());
        lines.push_back("</DL_PAGE>");
        return written(lines) + "\r\n";
    }
};

const std::string kInkPage = ppm(200, 100, {{30, 20, 89, 39}, {120, 50, 149, 60}});

}  // namespace

TEST(ShrinkCommand, FitsZonesAndCopiesTheOnesItCannotWorkOn)
{
    const std::vector<std::string> zones = {
        zone(20, 10, 100, 40, "offsets=\"5\" "),           // shrinks to its ink
        zone(150, 10, 30, 30),                              // all white: unchanged
        zone(110, 45, 90, 20),                              // reaches the right edge
        zone(-5, 45, 50, 20),                               // negative col
        zone(20, 10, 100, 40, "status=\"MISSING\" "),       // not worked on
    };
    Folder f(kInkPage, zones);
    const tavotest::RunResult r = f.run("-shrink");
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("in.xml:4: zone copied unchanged"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("in.xml:5: zone copied unchanged"), std::string::npos) << r.err;
    EXPECT_EQ(f.output(), f.expected({zone(30, 20, 60, 20, "offsets=\"5\" "), zones[1], zones[2], zones[3],
                                      zones[4]}));
}

TEST(RefineCommand, RefinesZonesRebasesCutsAndReportsTheRest)
{
    // PAWs at columns 30..59, 65..84 (with a descender ending 12 rows below
    // the zone) and 86..89.
    const std::string page =
        ppm(200, 100, {{30, 20, 59, 35}, {65, 20, 84, 35}, {70, 30, 72, 51}, {86, 20, 89, 35}});
    const std::vector<std::string> zones = {
        zone(40, 15, 60, 25, "offsets=\"22,38\" contents=\"a b\" woffsets=\"1 \" "),
        zone(40, 15, 60, 25, "woffsets=\"1 \" "),
        zone(300, 15, 60, 25, "offsets=\"22\" "),
    };
    Folder f(page, zones);
    const tavotest::RunResult r = f.run("-refine");
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.err.find("in.xml:4: zone copied unchanged"), std::string::npos) << r.err;
    // New left edge 29: cut 22 becomes 33, in the gap 60..64, and stays;
    // cut 38 becomes 49, on ink, and moves to the free column 85 (56).
    EXPECT_EQ(f.output(),
              f.expected({zone(29, 19, 62, 34, "offsets=\"33,56\" contents=\"a b\" woffsets=\"1 \" "),
                          zone(29, 19, 62, 34, "woffsets=\"1 \" "), zones[2]}));
}

TEST(ShrinkRefineCommands, UnloadablePageWritesNothing)
{
    for (const std::string command : {"-shrink", "-refine"}) {
        Folder f("P6\n10 10\n255\nshort", {zone(1, 1, 3, 3)});
        const tavotest::RunResult r = f.run(command);
        EXPECT_EQ(r.status, 2) << command;
        EXPECT_NE(r.err.find("tavoalign: " + command + ": page.ppm"), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(f.dir / "out.xml"));
    }
}

TEST(FilterCommand, DropsMarkedLinesAndRemovesNoise)
{
    TempDir dir;
    // Persian peh and gaf, a presentation form, two Latin-1 letters, a tab
    // and a double quote.
    writeFile(dir / "in.txt", kBom + "\xD9\xBE\xDA\xAF \xEF\xBB\xBB!\r\nsee DO NOT TRANSCRIBE here\r\n"
                                     "a\xC3\xA9\xC3\xA8\tb \"q\"\r\nnotes.DOC\r\n\xE2\x80\x93");
    tavotest::RunResult r = runTool({"-filter", "in.txt", "out.txt"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "in.txt : 3\nNoisy characters cleaned\n");
    EXPECT_EQ(readFile(dir / "out.txt"), written({"\xD9\xBE\xDA\xAF !", "a b ''q''", "\xE2\x80\x93"}));

    writeFile(dir / "in.txt", "tab\there \"quoted\"\n");
    r = runTool({"-filter", "in.txt", "out.txt"}, dir.path());
    EXPECT_EQ(r.out, "in.txt : 2\nFound no noise\n");
    EXPECT_EQ(readFile(dir / "out.txt"), written({"tab here ''quoted''", ""}));

    r = runTool({"-filter", "missing.txt", "out2.txt"}, dir.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir / "out2.txt"));
}

TEST(RenderCommand, DrawsZonesAndCutsPixelForPixel)
{
    const std::vector<std::string> zones = {
        zone(2, 3, 6, 4),                                          // rectangle alone
        zone(10, 1, 8, 5, "woffsets=\"6 \" offsets=\"0,3\" "),  // cut 0 on the left edge
        "<DL_ZONE tavo_type=\"DL_WORD\" col=\"0\" row=\"0\" width=\"20\" height=\"10\" > </DL_ZONE>",
    };
    Folder f(ppm(20, 10, {{4, 8, 5, 8}}), zones);
    ASSERT_EQ(f.run("-render", "drawn.ppm").status, 0);
    ASSERT_EQ(f.run("-render", "drawn.png").status, 0);

    // What the drawing must look like: 'R' red, '#' black, '.' white.
    const std::vector<std::string> expected = {
        "....................",
        "..........RRRRRRRR..",
        "..........R..R...R..",
        "..RRRRRR..R..R...R..",
        "..R....R..R..R...R..",
        "..R....R..RRRRRRRR..",
        "..RRRRRR............",
        "....................",
        "....##..............",
        "....................",
    };
    for (const std::string name : {"drawn.ppm", "drawn.png"}) {
        const ZULImage drawn((f.dir / name).string());
        ASSERT_EQ(drawn.zulGetBitsPerPixel(), 24) << name;
        ASSERT_EQ(drawn.zulGetWidth(), 20);
        ASSERT_EQ(drawn.zulGetHeight(), 10);
        for (int y = 0; y < 10; ++y) {
            const unsigned char* p = drawn.zulGetRow(y);
            std::string row;
            for (int x = 0; x < 20; ++x, p += 3)
                row += p[0] == 255 && p[1] == 0 && p[2] == 0 ? 'R' : p[0] == 0 && p[1] == 0 && p[2] == 0 ? '#' : '.';
            EXPECT_EQ(row, expected[static_cast<size_t>(y)]) << name << " row " << y;
        }
    }
    EXPECT_EQ(f.run("-render", "drawn.xyz").status, 2);
}
