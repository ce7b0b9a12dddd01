#include "support/RunTool.h"
#include "support/TextLinePages.h"

#include "ZULImageConverter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using tavotest::drawLine;
using tavotest::readFile;
using tavotest::runTool;
using tavotest::TempDir;
using tavotest::whitePage;
using tavotest::writeFile;

namespace {

std::string head(const std::string& src, int width, int height)
{
    return "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
           "<TAVO xmlns=\"urn:tavo:groundtruth\" version=\"1.0\">\r\n"
           "<DL_DOCUMENT src=\"" + src + "\" docTag=\"xml\" NrOfPages=\"1\">\r\n"
           "<DL_PAGE tavo_type=\"DL_PAGE\" src=\"" + src + "\" pageID=\"1\" width=\"" + std::to_string(width) +
           "\" height=\"" + std::to_string(height) + "\">\r\n";
}

const std::string kTail = "\t\t</DL_PAGE>\r\n\t</DL_DOCUMENT>\r\n</TAVO>";

std::string zone(int col, int row, int width, int height)
{
    return "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" col=\"" + std::to_string(col) + "\" row=\"" +
           std::to_string(row) + "\" width=\"" + std::to_string(width) + "\" height=\"" +
           std::to_string(height) + "\" offsets=\"\" contents=\"\" segmentation=\"word\" > </DL_ZONE>\r\n";
}

// Three lines of 15, 18 and 12 blocks (see TextLineTest) on a 1000 x 800 page.
ZULImage threeLinePage()
{
    ZULImage page = whitePage(1000, 800);
    drawLine(page, 150, 150, 15);
    drawLine(page, 120, 350, 18);
    drawLine(page, 200, 550, 12);
    return page;
}

const std::string kThreeZones = zone(120, 340, 709, 70) + zone(150, 140, 589, 70) + zone(200, 540, 469, 70);

void save(const ZULImage& page, const fs::path& file) { ASSERT_TRUE(page.zulSaveImage(file.string())); }

std::vector<std::string> filesIn(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(TextLineCommand, BlankPageGivesTheDocumentWithoutZones)
{
    TempDir dir;
    save(whitePage(300, 200), dir / "blank.tif");
    const auto run = runTool({"-textline", "blank.tif", "out.xml"}, dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(readFile(dir / "out.xml"), head("blank.tif", 300, 200) + kTail);
}

TEST(TextLineCommand, WritesOneZonePerLineInRankingOrder)
{
    TempDir dir;
    save(threeLinePage(), dir / "page.tif");
    EXPECT_EQ(runTool({"-textline", "page.tif", "out.xml"}, dir.path()).status, 0);
    EXPECT_EQ(readFile(dir / "out.xml"), head("page.tif", 1000, 800) + kThreeZones + kTail);

    EXPECT_EQ(runTool({"-textline", "page.tif", "two.xml", "2"}, dir.path()).status, 0);
    EXPECT_EQ(readFile(dir / "two.xml"),
              head("page.tif", 1000, 800) + zone(120, 340, 709, 70) + zone(150, 140, 589, 70) + kTail);
}

TEST(TextLineCommand, EveryPageDepthGivesTheSameLines)
{
    TempDir dir;
    const ZULImage gray = threeLinePage();
    ZULImage bits, colour;
    ZULImageConverter::zulByte2Bit(bits, gray, 128);
    ZULImageConverter::zulGray2Color(colour, gray);
    save(bits, dir / "bits.tif");
    save(colour, dir / "colour.ppm");
    for (const std::string name : {"bits.tif", "colour.ppm"}) {
        EXPECT_EQ(runTool({"-textline", name, "out.xml", "-1"}, dir.path()).status, 0) << name;
        EXPECT_EQ(readFile(dir / "out.xml"), head(name, 1000, 800) + kThreeZones + kTail) << name;
    }
}

TEST(TextLineCommand, NamesAreEscapedAndWrittenAsUtf8)
{
    TempDir dir;
    const std::string arabic = "\xD8\xB5\xD9\x81\xD8\xAD\xD8\xA9.tif";  // "page" in Arabic
    save(whitePage(300, 200), dir / arabic);
    save(whitePage(300, 200), dir / "a&b\".tif");
    EXPECT_EQ(runTool({"-textline", arabic, "out.xml"}, dir.path()).status, 0);
    EXPECT_EQ(readFile(dir / "out.xml"), head(arabic, 300, 200) + kTail);
    EXPECT_EQ(runTool({"-textline", "a&b\".tif", "out.xml"}, dir.path()).status, 0);
    EXPECT_EQ(readFile(dir / "out.xml"), head("a&amp;b&quot;.tif", 300, 200) + kTail);
}

TEST(TextLineCommand, UnloadablePageStopsWithNothingWritten)
{
    TempDir dir;
    writeFile(dir / "broken.tif", "II*\0 not a tiff");
    writeFile(dir / "out.xml", "keep");
    for (const std::string name : {"broken.tif", "missing.bmp", "page.txt"}) {
        const auto run = runTool({"-textline", name, "out.xml"}, dir.path());
        EXPECT_EQ(run.status, 2) << name;
        // The last line of standard error names the command and the page.
        const size_t last = run.err.rfind('\n', run.err.size() - 2);
        const std::string message = run.err.substr(last == std::string::npos ? 0 : last + 1);
        EXPECT_EQ(message.rfind("tavoalign: -textline: " + name + ": cannot load image", 0), 0u) << run.err;
    }
    EXPECT_EQ(readFile(dir / "out.xml"), "keep");
    EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"broken.tif", "out.xml"}));
}

TEST(TextLineCommand, UnwritableOutputFailsAndExtraOperandsDoNothing)
{
    TempDir dir;
    save(whitePage(300, 200), dir / "blank.tif");
    EXPECT_EQ(runTool({"-textline", "blank.tif", "no/out.xml"}, dir.path()).status, 2);
    const auto run = runTool({"-textline", "blank.tif", "out.xml", "1", "extra"}, dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_FALSE(fs::exists(dir / "out.xml"));
    EXPECT_EQ(runTool({"-textline", "blank.tif"}, dir.path()).status, 255);
}

// The example page holds 14 lines of Arabic, about 107 rows apart; the page
// line, the automatic cut and keeping all boxes each give one box per line.
TEST(TextLineCommand, ExamplePageGivesOneBoxPerLine)
{
    TempDir dir;
    const fs::path page = fs::path(TAVO_EXAMPLES) / "page.tif";
    for (const std::string parameter : {"0", "-1"}) {
        ASSERT_EQ(runTool({"-textline", page.string(), "out.xml", parameter}, dir.path()).status, 0);
        const std::string text = readFile(dir / "out.xml");
        EXPECT_NE(text.find(" width=\"2480\" height=\"1754\">\r\n"), std::string::npos);
        std::vector<std::pair<int, int>> boxes;  // top row, bottom row
        for (size_t at = text.find("<DL_ZONE"); at != std::string::npos; at = text.find("<DL_ZONE", at + 1)) {
            const int row = std::stoi(text.substr(text.find(" row=\"", at) + 6));
            const int width = std::stoi(text.substr(text.find(" width=\"", at) + 8));
            const int height = std::stoi(text.substr(text.find(" height=\"", at) + 9));
            EXPECT_GT(width, 1500) << "a line box covers most of its line";
            boxes.emplace_back(row, row + height);
        }
        ASSERT_EQ(boxes.size(), 14u) << parameter;
        std::sort(boxes.begin(), boxes.end());
        for (size_t i = 1; i < boxes.size(); ++i) {
            EXPECT_LT(boxes[i - 1].second, boxes[i].first);
            EXPECT_GT(boxes[i].first - boxes[i - 1].first, 90);
            EXPECT_LT(boxes[i].first - boxes[i - 1].first, 125);
        }
    }
}
