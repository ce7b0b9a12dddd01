// PBM, PGM and 16-bit anymaps as scanners write them; files whose extension
// decides nothing, read by their content; refusals that say why.
#include <gtest/gtest.h>

#include "FileTestSupport.h"

using namespace filetest;

namespace {

Bytes anymap(const std::string& header, const Bytes& pixels)
{
    Bytes bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    return bytes;
}

Bytes rowOf(const ZULImage& image) { return Bytes(image.zulGetRow(0), image.zulGetRow(0) + image.zulGetBytesPerRow()); }

}  // namespace

TEST(PnmFile, GrayBitsAndWideSamples)
{
    tavotest::TempDir dir;
    const auto load = [&](const std::string& name, const Bytes& bytes) {
        writeBytes(dir / name, bytes);
        return ZULImage((dir / name).string());
    };
    const ZULImage gray = load("g.pgm", anymap("P5\n3 1\n255\n", {0, 128, 255}));
    EXPECT_EQ(gray.zulGetBitsPerPixel(), 8);
    EXPECT_EQ(rowOf(gray), (Bytes{0, 128, 255}));
    // A PBM's set bit is black; the bits after the tenth pixel stay clear.
    const ZULImage bits = load("b.PBM", anymap("P4\n10 1\n", {0x80, 0x7F}));
    EXPECT_EQ(bits.zulGetBitsPerPixel(), 1);
    EXPECT_EQ(rowOf(bits), (Bytes{0x7F, 0x80}));
    EXPECT_EQ(rowOf(load("w.ppm", anymap("P6\n1 1\n65535\n", {0xFF, 0xFF, 0x80, 0x80, 0, 0}))), (Bytes{255, 128, 0}));
    EXPECT_EQ(rowOf(load("m.pnm", anymap("P5\n2 1\n1000\n", {0x01, 0xF4, 0x03, 0xE8}))), (Bytes{128, 255}));
    // A gray page inside a .ppm file is gray.
    EXPECT_EQ(load("g.ppm", anymap("P5\n3 1\n255\n", {1, 2, 3})).zulGetBitsPerPixel(), 8);
    // Two-byte samples need twice the bytes.
    expectZulErrorEnding([&] { load("s.pgm", anymap("P5\n3 1\n65535\n", {1, 2, 3})); }, 4,
                         "File is too short for its image size");
}

TEST(PnmFile, SavedByExtensionInAnyCase)
{
    tavotest::TempDir dir;
    const ZULImage bits = randomImage(13, 5, 1, 3);
    const ZULImage gray = randomImage(13, 5, 8, 3);
    const struct {
        const char* name;
        const ZULImage* image;
        const char* signature;
        int bits;
    } cases[] = {
        {"a.pbm", &bits, "P4", 1}, {"b.PGM", &gray, "P5", 8}, {"c.pnm", &bits, "P4", 1},
        {"d.Pnm", &gray, "P5", 8}, {"e.pgm", &bits, "P5", 8}, {"f.ppm", &gray, "P6", 24},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.image->zulSaveImage((dir / c.name).string())) << c.name;
        const Bytes file = readBytes(dir / c.name);
        ASSERT_GT(file.size(), 2U);
        EXPECT_EQ(std::string(file.begin(), file.begin() + 2), c.signature) << c.name;
        const ZULImage loaded((dir / c.name).string());
        EXPECT_EQ(loaded.zulGetBitsPerPixel(), c.bits) << c.name;
        EXPECT_TRUE(c.bits != c.image->zulGetBitsPerPixel() || samePixels(loaded, *c.image)) << c.name;
    }
}

TEST(ContentFormat, UnknownOrMissingExtensionsAreReadByContent)
{
    tavotest::TempDir dir;
    const ZULImage page = randomImage(9, 7, 8, 2);
    ASSERT_TRUE(page.zulSaveImage((dir / "a.tif").string()));
    ASSERT_TRUE(page.zulSaveImage((dir / "a.png").string()));
    ASSERT_TRUE(page.zulSaveImage((dir / "a.JFIF").string()));
    ASSERT_TRUE(page.zulSaveImage((dir / "a.jpe").string()));
    EXPECT_EQ(readBytes(dir / "a.JFIF").at(0), 0xFF);
    std::filesystem::copy_file(dir / "a.tif", dir / "scan");
    std::filesystem::copy_file(dir / "a.tif", dir / "scan.tIF");
    std::filesystem::copy_file(dir / "a.png", dir / "scan.dat");
    for (const char* name : {"scan", "scan.tIF", "scan.dat"}) {
        EXPECT_TRUE(samePixels(ZULImage((dir / name).string()), page)) << name;
    }
    EXPECT_EQ(ZULImage((dir / "a.jpe").string()).zulGetWidth(), 9);
    writeBytes(dir / "junk.dat", Bytes{'G', 'I', 'F', '8', '9', 'a'});
    expectZulError([&] { ZULImage((dir / "junk.dat").string()); }, 4,
                   "unknown format: not TIFF, BMP, JPEG, PNG or PNM");
}

// Through the program: the failure names the file and says why in one line;
// a colour page's resolution reaches the binary page.
TEST(ContentFormat, CommandsNameTheFileAndKeepTheResolution)
{
    tavotest::TempDir dir;
    writeBytes(dir / "junk.dat", Bytes(40, 'x'));
    const auto junk = tavotest::runTool({"-bin", "junk.dat", "out.tif"}, dir.path());
    EXPECT_EQ(junk.status, 2);
    EXPECT_EQ(junk.err, "tavoalign: -bin: junk.dat: cannot load image: unknown format: not TIFF, BMP, JPEG, PNG or PNM\n");
    ZULImage colour = smoothImage(40, 30, 24);
    colour.zulSetResolution(300.0f, 300.0f, 1);
    ASSERT_TRUE(colour.zulSaveImage((dir / "colour.png").string()));
    const auto bin = tavotest::runTool({"-bin", "colour.png", "out.tif", "128"}, dir.path());
    EXPECT_EQ(bin.status, 0) << bin.err;
    EXPECT_FLOAT_EQ(ZULImage((dir / "out.tif").string()).zulGetXResolution(), 300.0f);
    const auto unwritable = tavotest::runTool({"-bin", "colour.png", "none/out.tif", "128"}, dir.path());
    EXPECT_EQ(unwritable.err.rfind("tavoalign: -bin: none/out.tif: cannot write image: ", 0), 0U) << unwritable.err;
}
