// -bin, -niblack and -keepline through the built program.
#include "support/RunTool.h"
#include "ZULImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using tavotest::runTool;
using tavotest::TempDir;

namespace {

// 260 sampled pixels (every 11th) at 41 and 221 give the clustering levels
// 40 and 220, so -bin thresholds at 160 and -keepline at 184.  Unsampled
// pixels 1..4 hold the probes 150, 127, 128 and 170.
ZULImage probePage()
{
    ZULImage page(11 * 260, 1, 8, true);
    unsigned char* row = page.zulGetRow(0);
    std::fill_n(row, 11 * 260, 255);
    for (int i = 0; i < 260; ++i)
        row[11 * i] = i < 40 ? 41 : 221;
    const unsigned char probes[] = {150, 127, 128, 170};
    std::copy(probes, probes + 4, row + 1);
    return page;
}

std::vector<int> probes(const std::filesystem::path& file)
{
    const ZULImage out(file.string());
    EXPECT_EQ(out.zulGetBitsPerPixel(), 8);
    if (!out.zulHasImageData())
        return {};
    const unsigned char* row = out.zulGetRow(0);
    return {row[1], row[2], row[3], row[4]};
}

class BinarizeCommands : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(probePage().zulSaveImage((dir / "page.bmp").string())); }

    tavotest::RunResult run(const std::vector<std::string>& args) { return runTool(args, dir.path()); }

    TempDir dir;
};

TEST_F(BinarizeCommands, ZeroOrMissingThresholdClustersAndAPositiveOneIsFixed)
{
    const std::vector<int> clustered = {0, 0, 0, 255};  // threshold 160
    const std::vector<int> fixed128 = {255, 0, 255, 255};

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-bin", "page.bmp", "out.bmp"}, {"-bin", "page.bmp", "out.bmp", "0"},
          {"-bin", "page.bmp", "out.bmp", "-4"}, {"-bin", "page.bmp", "out.bmp", "x"}}) {
        const auto r = run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(probes(dir / "out.bmp"), clustered) << args.back();
    }
    for (const char* sw : {"-bin", "-niblack"}) {
        const auto r = run({sw, "page.bmp", "out.bmp", "128"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(probes(dir / "out.bmp"), fixed128) << sw;
    }
    const auto keep = run({"-keepline", "page.bmp", "out.bmp", "128"});  // no threshold operand
    ASSERT_EQ(keep.status, 0) << keep.err;
    EXPECT_EQ(probes(dir / "out.bmp"), (std::vector<int>{0, 0, 0, 0}));  // threshold 184
}

TEST_F(BinarizeCommands, NonGreyPagesAreReducedWithAMessage)
{
    ZULImage bits(20, 3, 1, true);
    bits.zulGetRow(1)[0] = 0x0F;  // pixels 0..3 of row 1 black
    ASSERT_TRUE(bits.zulSaveImage((dir / "bits.bmp").string()));
    ZULImage colour(20, 3, 24, true);
    colour.zulSetColorPixel(2, 1, 10, 10, 10);
    ASSERT_TRUE(colour.zulSaveImage((dir / "colour.bmp").string()));

    const auto bin = run({"-bin", "bits.bmp", "out.bmp"});
    ASSERT_EQ(bin.status, 0) << bin.err;
    EXPECT_EQ(bin.out, "input image is not gray scale!\n");
    ZULImage out((dir / "out.bmp").string());
    ASSERT_EQ(out.zulGetBitsPerPixel(), 8);
    EXPECT_EQ(out.zulGetRow(1)[3], 0);
    EXPECT_EQ(out.zulGetRow(1)[4], 255);

    const auto keep = run({"-keepline", "colour.bmp", "out.bmp"});
    ASSERT_EQ(keep.status, 0) << keep.err;
    EXPECT_EQ(keep.out, "input image are binarized already!\n");
    out = ZULImage((dir / "out.bmp").string());
    EXPECT_EQ(out.zulGetRow(1)[2], 0);
    EXPECT_EQ(out.zulGetRow(1)[3], 255);

    // A 1-bit page is already binary: -niblack keeps its ink as it is.
    const auto nib = run({"-niblack", "bits.bmp", "out.bmp"});
    ASSERT_EQ(nib.status, 0) << nib.err;
    EXPECT_EQ(nib.out, "input image is not gray scale!\n");
    out = ZULImage((dir / "out.bmp").string());
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(out.zulGetRow(1)[x], x < 4 ? 0 : 255) << x;
}

TEST_F(BinarizeCommands, BinaryGreyPagePassesNiblackUnchanged)
{
    ZULImage page(80, 60, 8, true);
    for (int y = 10; y < 50; ++y)
        std::fill_n(page.zulGetRow(y) + 10, 50, 0);
    ASSERT_TRUE(page.zulSaveImage((dir / "binary.bmp").string()));
    const auto r = run({"-niblack", "binary.bmp", "out.bmp"});
    ASSERT_EQ(r.status, 0) << r.err;
    const ZULImage out((dir / "out.bmp").string());
    ASSERT_EQ(out.zulGetImageDataSize(), page.zulGetImageDataSize());
    EXPECT_TRUE(std::equal(page.zulGetImageData(), page.zulGetImageData() + page.zulGetImageDataSize(),
                           out.zulGetImageData()));
}

TEST_F(BinarizeCommands, OutputMayReplaceTheInput)
{
    const auto r = run({"-bin", "page.bmp", "page.bmp", "128"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(probes(dir / "page.bmp"), (std::vector<int>{255, 0, 255, 255}));
}

TEST_F(BinarizeCommands, FailuresWriteNothingAndEndWithStatusTwo)
{
    struct Case {
        std::vector<std::string> args;
        std::string output;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{"-bin", "missing.bmp", "out.bmp"}, "out.bmp", "tavoalign: -bin: missing.bmp: cannot load image"},
        {{"-niblack", "missing.tif", "out.bmp"}, "out.bmp", "tavoalign: -niblack: missing.tif"},
        {{"-keepline", "page.bmp", "out.xyz"}, "out.xyz", "tavoalign: -keepline: out.xyz: "},
        {{"-bin", "page.bmp", "out.bmp", "300"}, "out.bmp", "threshold must between 0 and 255"},
    };
    for (const Case& c : cases) {
        const auto r = run(c.args);
        EXPECT_EQ(r.status, 2) << c.args[0];
        EXPECT_EQ(r.out, "") << c.args[0];
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir / c.output)) << c.output;
    }
    // A file that is not an image at all.
    tavotest::writeFile(dir / "junk.bmp", "not a bitmap");
    const auto junk = run({"-bin", "junk.bmp", "out.bmp"});
    EXPECT_EQ(junk.status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.bmp"));
}

TEST_F(BinarizeCommands, TooFewOperandsIsAnArgumentError)
{
    for (const char* sw : {"-bin", "-niblack", "-keepline"}) {
        const auto r = run({sw, "page.bmp"});
        EXPECT_EQ(r.status, 255) << sw;
        EXPECT_EQ(r.out, "not enough arguments");
    }
}

}  // namespace
