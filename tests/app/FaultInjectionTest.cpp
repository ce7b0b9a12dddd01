// Faults from the outside world, through the built program: full devices,
// folders where files should be, unwritable places, empty and huge files,
// extreme page sizes, and image files that lie about their format or end
// early.  Every run must end with a clear message and the right status,
// never crash, and never touch the target of a failed run.
#include "support/RunTool.h"
#include "ZULImage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using tavotest::readFile;
using tavotest::runTool;
using tavotest::TempDir;
using tavotest::writeFile;

namespace fs = std::filesystem;

namespace {

constexpr int kRuntimeFailure = 2;
constexpr const char* kPrevious = "previous contents\n";

const std::string kZone =
    "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" col=\"2\" row=\"2\" width=\"20\" "
    "height=\"8\" offsets=\"\" contents=\"\xd8\xa8\xd9\x8a\xd8\xaa\" segmentation=\"word\" > "
    "</DL_ZONE>";

std::string pageXml(int zones = 1)
{
    std::string xml = "\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    for (int i = 0; i < zones; ++i)
        xml += kZone + "\r\n";
    return xml;
}

// A white page with a black bar, saved in the format its name gives.
void savePage(const fs::path& file, int width, int height, int bits)
{
    ZULImage page(width, height, bits, true);
    for (int x = width / 4; x < width / 2; ++x)
        for (int y = height / 4; y <= height / 2; ++y)
            page.zulSetPixel(x, y, 0);
    ASSERT_TRUE(page.zulSaveImage(file.string()));
}

// A failed run: status 2, a "tavoalign: " line naming the problem as the
// last line on standard error (the image libraries may warn before it), the
// target untouched.
void expectFailureLeavesTarget(const tavotest::RunResult& r, const fs::path& target)
{
    EXPECT_EQ(r.status, kRuntimeFailure) << r.err;
    const size_t last = r.err.rfind('\n', r.err.size() >= 2 ? r.err.size() - 2 : 0);
    const std::string lastLine = r.err.substr(last == std::string::npos ? 0 : last + 1);
    EXPECT_EQ(lastLine.rfind("tavoalign: ", 0), 0u) << r.err;
    EXPECT_EQ(readFile(target), kPrevious);
}

TEST(FaultInjection, OutputOnAFullDevice)
{
    TempDir dir;
    writeFile(dir / "text.txt", "\xd8\xa8\xd9\x8a\xd8\xaa\n");
    writeFile(dir / "in.xml", pageXml());
    const auto r = runTool({"-merge", "text.txt", "in.xml", "/dev/full"}, dir.path());
    EXPECT_EQ(r.status, kRuntimeFailure) << r.err;
    EXPECT_NE(r.err.find("/dev/full"), std::string::npos) << r.err;
}

TEST(FaultInjection, OutputWhereNothingCanBeCreated)
{
    TempDir dir;
    writeFile(dir / "text.txt", "a\n");
    writeFile(dir / "in.xml", pageXml());
    // Nobody, root included, can create files in /proc.
    const auto r = runTool({"-merge", "text.txt", "in.xml", "/proc/out.xml"}, dir.path());
    EXPECT_EQ(r.status, kRuntimeFailure) << r.err;
    EXPECT_EQ(r.err.rfind("tavoalign: -merge: ", 0), 0u) << r.err;
}

TEST(FaultInjection, OutputPathThatIsAFolder)
{
    TempDir dir;
    writeFile(dir / "text.txt", "a\n");
    writeFile(dir / "in.xml", pageXml());
    fs::create_directory(dir / "out.xml");
    const auto r = runTool({"-merge", "text.txt", "in.xml", "out.xml"}, dir.path());
    EXPECT_EQ(r.status, kRuntimeFailure) << r.err;
    EXPECT_TRUE(fs::is_directory(dir / "out.xml"));
    EXPECT_TRUE(fs::is_empty(dir / "out.xml"));
}

TEST(FaultInjection, InputThatIsAFolder)
{
    TempDir dir;
    fs::create_directory(dir / "in.xml");
    writeFile(dir / "out.xml", kPrevious);
    expectFailureLeavesTarget(runTool({"-indic", "in.xml", "out.xml"}, dir.path()), dir / "out.xml");

    savePage(dir / "page.tif", 40, 20, 8);
    expectFailureLeavesTarget(runTool({"-segword", "page.tif", "in.xml", "out.xml"}, dir.path()),
                              dir / "out.xml");
    fs::create_directory(dir / "folder.tif");
    writeFile(dir / "real.xml", pageXml());
    expectFailureLeavesTarget(
        runTool({"-segword", "folder.tif", "real.xml", "out.xml"}, dir.path()), dir / "out.xml");
}

TEST(FaultInjection, EmptyFiles)
{
    TempDir dir;
    writeFile(dir / "empty.xml", "");
    writeFile(dir / "empty.tif", "");
    writeFile(dir / "out.xml", kPrevious);
    // An empty page image cannot be loaded.
    expectFailureLeavesTarget(
        runTool({"-segword", "empty.tif", "empty.xml", "out.xml"}, dir.path()), dir / "out.xml");
    // An empty ground-truth file is a file of one empty line.
    const auto r = runTool({"-indic", "empty.xml", "out.xml"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir / "out.xml").substr(0, 3), "\xef\xbb\xbf");
}

TEST(FaultInjection, HugeSingleLineFile)
{
    TempDir dir;
    std::string line(100 * 1024 * 1024, 'a');
    line.replace(0, kZone.size(), kZone);
    writeFile(dir / "in.xml", line);
    line.clear();
    line.shrink_to_fit();
    const auto r = runTool({"-indic", "in.xml", "out.xml"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fs::file_size(dir / "out.xml"), fs::file_size(dir / "in.xml") + 3 + 2);
}

TEST(FaultInjection, ExtremePageSizes)
{
    TempDir dir;
    writeFile(dir / "in.xml", pageXml());
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{65535, 1}, std::pair{1, 65535}}) {
        savePage(dir / "page.tif", w, h, 1);
        for (const char* command : {"-paw", "-segword", "-splitword"}) {
            const auto r = runTool({command, "page.tif", "in.xml", "out.xml"}, dir.path());
            // The zone lies outside such pages: copied unchanged, status 3.
            EXPECT_EQ(r.status, 3) << command << ' ' << w << 'x' << h << ": " << r.err;
            EXPECT_NE(readFile(dir / "out.xml").find(kZone), std::string::npos) << command;
        }
        const auto lines = runTool({"-textline", "page.tif", "lines.xml"}, dir.path());
        EXPECT_EQ(lines.status, 0) << w << 'x' << h << ": " << lines.err;
    }
}

TEST(FaultInjection, ContentThatDoesNotMatchTheExtension)
{
    TempDir dir;
    writeFile(dir / "in.xml", pageXml());
    writeFile(dir / "out.xml", kPrevious);
    savePage(dir / "page.png", 40, 20, 8);
    savePage(dir / "page.bmp", 40, 20, 24);
    fs::copy_file(dir / "page.png", dir / "png.tif");
    fs::copy_file(dir / "page.bmp", dir / "bmp.jpg");
    fs::copy_file(dir / "page.png", dir / "png.ppm");
    fs::copy_file(dir / "page.bmp", dir / "bmp.png");
    writeFile(dir / "text.bmp", "this is not a picture at all, just some words");
    for (const char* name : {"png.tif", "bmp.jpg", "png.ppm", "bmp.png", "text.bmp"}) {
        SCOPED_TRACE(name);
        expectFailureLeavesTarget(runTool({"-segword", name, "in.xml", "out.xml"}, dir.path()),
                                  dir / "out.xml");
    }
}

TEST(FaultInjection, TruncatedImages)
{
    TempDir dir;
    writeFile(dir / "in.xml", pageXml());
    writeFile(dir / "out.xml", kPrevious);
    for (const char* name : {"page.tif", "page.bmp", "page.jpg", "page.ppm", "page.png"}) {
        SCOPED_TRACE(name);
        savePage(dir / name, 300, 200, 8);
        const std::string bytes = readFile(dir / name);
        for (size_t keep : {bytes.size() / 2, size_t{40}, size_t{10}}) {
            writeFile(dir / name, bytes.substr(0, keep));
            expectFailureLeavesTarget(runTool({"-segword", name, "in.xml", "out.xml"}, dir.path()),
                                      dir / "out.xml");
            writeFile(dir / "lines.xml", kPrevious);
            expectFailureLeavesTarget(runTool({"-textline", name, "lines.xml"}, dir.path()),
                                      dir / "lines.xml");
        }
    }
}

// A ground-truth file cut in half is refused by every newer command that
// reads one, with the reason; -check in place leaves it as it is.  The older
// commands read such files as before.
TEST(FaultInjection, GroundTruthCutShort)
{
    TempDir dir;
    savePage(dir / "page.png", 60, 30, 8);
    const std::string whole = "<TAVO>\r\n<DL_PAGE>\r\n" + kZone + "\r\n" + kZone + "\r\n</DL_PAGE>\r\n</TAVO>\r\n";
    const std::string cut = whole.substr(0, whole.rfind(kZone) + kZone.size() / 2);
    writeFile(dir / "cut.xml", cut);
    writeFile(dir / "out.xml", kPrevious);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-topage", "page.png", "cut.xml", "out.xml"},
          {"-toalto", "page.png", "cut.xml", "out.xml"},
          {"-review", "page.png", "cut.xml", "out.xml"},
          {"-words", "page.png", "cut.xml", "out.xml"},
          {"-check", "page.png", "cut.xml", "out.xml"},
          {"-check", "page.png", "cut.xml", "cut.xml"},
          {"-pairs", "page.png", "cut.xml", "pairs"}}) {
        SCOPED_TRACE(args[0] + " " + args[3]);
        const auto r = runTool(args, dir.path());
        expectFailureLeavesTarget(r, dir / "out.xml");
        EXPECT_NE(r.err.find("cut.xml: cut short: ends inside the zone on line 4, without the closing </TAVO>"),
                  std::string::npos) << r.err;
        EXPECT_EQ(readFile(dir / "cut.xml"), cut);
    }
    EXPECT_FALSE(fs::exists(dir / "pairs"));
    const auto older = runTool({"-indic", "cut.xml", "out.xml"}, dir.path());
    EXPECT_EQ(older.status, 0) << older.err;
}

}  // namespace
