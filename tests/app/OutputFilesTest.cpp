// The policies every command shares for its files: an output that is a
// symbolic link is written through to the file it points to, and a page
// that cannot be loaded is reported with the command and the file's name.
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

const std::string kXml =
    "\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" col=\"2\" row=\"2\" width=\"20\" height=\"8\" "
    "offsets=\"\" contents=\"\xd8\xa8\xd9\x8a\" segmentation=\"word\" > </DL_ZONE>\r\n";

// out.* is a link to real/target.*, which holds "old".
fs::path linkedOutput(const TempDir& dir, const std::string& extension)
{
    fs::create_directory(dir / "real");
    writeFile(dir / "real" / ("target" + extension), "old");
    fs::create_symlink("real/target" + extension, dir / ("out" + extension));
    return dir / "real" / ("target" + extension);
}

void expectWrittenThrough(const TempDir& dir, const std::string& extension, const fs::path& target)
{
    EXPECT_TRUE(fs::is_symlink(dir / ("out" + extension)));
    EXPECT_NE(readFile(target), "old");
    EXPECT_EQ(readFile(dir / ("out" + extension)), readFile(target));
    EXPECT_EQ(fs::directory_iterator(dir / "real")->path(), target);  // no temporary left beside it
}

}  // namespace

TEST(OutputFiles, TextAndImageOutputsWriteThroughALink)
{
    TempDir dir;
    writeFile(dir / "in.xml", kXml);
    const fs::path text = linkedOutput(dir, ".xml");
    const auto indic = runTool({"-indic", "in.xml", "out.xml"}, dir.path());
    EXPECT_EQ(indic.status, 0) << indic.err;
    expectWrittenThrough(dir, ".xml", text);

    ZULImage page(40, 20, 8, true);
    ASSERT_TRUE(page.zulSaveImage((dir / "page.tif").string()));
    fs::remove_all(dir / "real");
    fs::remove(dir / "out.xml");
    const fs::path image = linkedOutput(dir, ".tif");
    const auto bin = runTool({"-bin", "page.tif", "out.tif"}, dir.path());
    EXPECT_EQ(bin.status, 0) << bin.err;
    expectWrittenThrough(dir, ".tif", image);
    EXPECT_TRUE(ZULImage(image.string()).zulHasImageData());
}

TEST(OutputFiles, EveryImageCommandNamesThePageItCannotLoad)
{
    TempDir dir;
    writeFile(dir / "page.tif", "II*\0 not really a page");
    writeFile(dir / "in.xml", kXml);
    const std::vector<std::vector<std::string>> runs = {
        {"-bin", "page.tif", "out.tif"},
        {"-textline", "page.tif", "out.xml"},
        {"-paw", "page.tif", "in.xml", "out.xml"},
        {"-refine", "page.tif", "in.xml", "out.xml"},
        {"-render", "page.tif", "in.xml", "out.tif"},
    };
    for (const auto& args : runs) {
        const auto r = runTool(args, dir.path());
        EXPECT_EQ(r.status, 2) << args[0];
        const std::string expected = "tavoalign: " + args[0] + ": page.tif: cannot load image";
        EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir / args.back())) << args[0];
    }
}
