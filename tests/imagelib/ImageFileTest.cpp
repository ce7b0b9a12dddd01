// Load and save by extension: the extension test, round trips of every
// format and depth, and writers that never leave a partial file.
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include "FileTestSupport.h"
#include "ZULFileBasedIO.h"
#include "ZULImageFile.h"

using namespace filetest;

TEST(ImageFileFormat, ExtensionsByExactSpelling)
{
    const struct {
        const char* path;
        int format;
    } cases[] = {
        {"page.tif", 1},   {"page.TIF", 1},   {"page.Tif", 1},      {"page.tiff", 1},  {"page.TIFF", 1},
        {"page.Tiff", 1},  {"a.ppm", 4},      {"a.PPM", 4},         {"a.Ppm", 4},      {"a.bmp", 2},
        {"a.BMP", 2},      {"a.Bmp", 2},      {"a.jpg", 3},         {"a.JPG", 3},      {"a.Jpg", 3},
        {"a.jpeg", 3},     {"a.JPEG", 3},     {"a.Jpeg", 3},        {"a.png", 5},      {"a.PNG", 5},
        {"a.Png", 5},      {"page.tIf", 0},   {"page.tIF", 0},      {"page.TIf", 0},   {"page", 0},
        {"page.", 0},      {"a.pNg", 0},      {"a.jpG", 0},         {"dir.tif/page", 0}, {"x.png.tif", 1},
        {"x.tif.png", 5},  {".tif", 1},       {"a.tif ", 0},        {"a.tiff2", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ZULImageFile::zulGetImageFormat(c.path), c.format) << c.path;
    }
    EXPECT_EQ(ZULImageFile::zulGetImageFormat("a." + std::string(300, 't')), 0);
}

TEST(ImageFileFormat, UnknownExtensionSavesNothingAndMissingFilesLoadNothing)
{
    tavotest::TempDir dir;
    ZULImage image = randomImage(5, 4, 8, 1);
    EXPECT_FALSE(image.zulSaveImage((dir / "page.xyz").string()));
    EXPECT_FALSE(image.zulSaveImage((dir / "page").string()));
    EXPECT_TRUE(folderEntries(dir.path()).empty());
    ZULImage loaded = randomImage(3, 3, 8, 2);
    EXPECT_FALSE(loaded.zulLoadImage((dir / "page.tIf").string()));
    EXPECT_FALSE(loaded.zulHasImageData());
    EXPECT_FALSE(loaded.zulLoadImage((dir / "missing.tif").string()));
    EXPECT_FALSE(loaded.zulHasImageData());
}

// Every lossless format and depth gives back the same pixels; the loader
// records whether the page is binary.
TEST(ImageFileRoundTrip, LosslessFormatsKeepPixels)
{
    tavotest::TempDir dir;
    const struct {
        const char* name;
        int bits;
    } cases[] = {
        {"a.tif", 1}, {"b.tif", 8}, {"c.tif", 24}, {"d.bmp", 1}, {"e.bmp", 8},
        {"f.bmp", 24}, {"g.png", 1}, {"h.png", 8}, {"i.png", 24}, {"j.ppm", 24},
    };
    for (const auto& c : cases) {
        for (int width : {1, 7, 9, 10, 33}) {
            SCOPED_TRACE(std::string(c.name) + " width " + std::to_string(width));
            const ZULImage original = randomImage(width, 5, c.bits, static_cast<unsigned>(width * 31 + c.bits));
            const std::string path = (dir / c.name).string();
            ASSERT_TRUE(original.zulSaveImage(path));
            ZULImage loaded;
            ASSERT_TRUE(loaded.zulLoadImage(path));
            EXPECT_TRUE(samePixels(original, loaded));
            EXPECT_EQ(loaded.zulGetFromFile(), 1);
            EXPECT_EQ(loaded.zulGetBinaryState(), c.bits == 1 ? 1 : 2);
        }
    }
}

// PPM holds colour only: other depths are written as their colour form.
TEST(ImageFileRoundTrip, PpmWritesGrayAndBinaryAsColour)
{
    tavotest::TempDir dir;
    ZULImage binary(10, 2, 1, true);
    binary.zulGetImageData()[0] = 0x0F;  // first four pixels of row 0 black
    ASSERT_TRUE(binary.zulSaveImage((dir / "b.ppm").string()));
    ZULImage loaded((dir / "b.ppm").string());
    ASSERT_EQ(loaded.zulGetBitsPerPixel(), 24);
    EXPECT_EQ(loaded.zulGetRow(0)[0], 0);
    EXPECT_EQ(loaded.zulGetRow(0)[3 * 4], 255);
    EXPECT_EQ(loaded.zulGetBinaryState(), 2);  // colour pages are never binary

    ZULImage gray = randomImage(6, 3, 8, 9);
    ASSERT_TRUE(gray.zulSaveImage((dir / "g.ppm").string()));
    ZULImage colour((dir / "g.ppm").string());
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(colour.zulGetRow(2)[3 * x + 1], gray.zulGetRow(2)[x]);
    }
}

TEST(ImageFileRoundTrip, JpegIsCloseAndBinaryBecomesGray)
{
    tavotest::TempDir dir;
    for (int bits : {8, 24}) {
        const ZULImage original = smoothImage(40, 24, bits);
        const std::string path = (dir / "page.jpg").string();
        ASSERT_TRUE(original.zulSaveImage(path));
        ZULImage loaded(path);
        ASSERT_EQ(loaded.zulGetBitsPerPixel(), bits);
        ASSERT_EQ(loaded.zulGetWidth(), 40);
        int worst = 0;
        for (std::size_t i = 0; i < original.zulGetImageDataSize(); ++i) {
            worst = std::max(worst, std::abs(original.zulGetImageData()[i] - loaded.zulGetImageData()[i]));
        }
        EXPECT_LT(worst, 24) << bits;
    }
    ZULImage binary(16, 16, 1, true);
    std::fill_n(binary.zulGetImageData(), 16, 0);  // top eight rows black
    ASSERT_TRUE(binary.zulSaveImage((dir / "b.JPEG").string()));
    ZULImage gray((dir / "b.JPEG").string());
    ASSERT_EQ(gray.zulGetBitsPerPixel(), 8);
    EXPECT_LT(gray.zulGetRow(2)[5], 40);
    EXPECT_GT(gray.zulGetRow(13)[5], 215);
}

TEST(ImageFileRoundTrip, ResolutionsSurviveTiffAndPng)
{
    tavotest::TempDir dir;
    ZULImage image = randomImage(8, 8, 8, 4);
    image.zulSetResolution(300.0f, 150.0f, 1);
    for (const char* name : {"r.tif", "r.png"}) {
        ASSERT_TRUE(image.zulSaveImage((dir / name).string()));
        ZULImage loaded((dir / name).string());
        EXPECT_FLOAT_EQ(loaded.zulGetXResolution(), 300.0f) << name;
        EXPECT_FLOAT_EQ(loaded.zulGetYResolution(), 150.0f) << name;
        EXPECT_EQ(loaded.zulGetResolutionInInches(), 1) << name;
    }
}

TEST(ImageFileWrite, ImageWithoutPixelsRaisesAndWritesNothing)
{
    tavotest::TempDir dir;
    const ZULImage empty(4, 4, 8);
    for (const char* name : {"e.tif", "e.bmp", "e.jpg", "e.ppm", "e.png"}) {
        expectZulError([&] { empty.zulSaveImage((dir / name).string()); }, 5);
    }
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}

TEST(ImageFileWrite, MissingFolderRaisesCodeOne)
{
    tavotest::TempDir dir;
    const ZULImage image = randomImage(4, 4, 8, 3);
    for (const char* name : {"e.bmp", "e.jpg", "e.ppm", "e.png"}) {
        expectZulError([&] { image.zulSaveImage((dir / "no" / name).string()); }, 1);
    }
    expectZulError([&] { image.zulSaveImage((dir / "no" / "e.tif").string()); }, 1,
                   "<ZULTIFFImage::zulSaveImage()> Could not open for writing");
}

namespace {

// Caps the size of files this process may write, so that a writer fails in
// the middle of its output.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, SIG_DFL);
    }

private:
    rlimit m_saved{};
};

}  // namespace

// A write that fails half-way raises, leaves the old target as it was and
// leaves no temporary file behind.
TEST(ImageFileWrite, FailedWriteLeavesTargetUntouched)
{
    tavotest::TempDir dir;
    const ZULImage large = randomImage(300, 300, 24, 5);
    const ZULImage small = randomImage(3, 3, 24, 6);
    for (const char* name : {"t.tif", "t.bmp", "t.jpg", "t.ppm", "t.png"}) {
        SCOPED_TRACE(name);
        const std::string path = (dir / name).string();
        ASSERT_TRUE(small.zulSaveImage(path));
        const Bytes before = readBytes(path);
        {
            FileSizeLimit limit(4096);
            expectZulError([&] { large.zulSaveImage(path); }, 1);
        }
        EXPECT_EQ(readBytes(path), before);
        EXPECT_EQ(folderEntries(dir.path()).size(), 1U);
        std::filesystem::remove(path);
    }
}

TEST(ImageFileWrite, TargetThatIsAFolderIsRefused)
{
    tavotest::TempDir dir;
    std::filesystem::create_directory(dir / "page.bmp");
    const ZULImage image = randomImage(4, 4, 8, 7);
    expectZulError([&] { image.zulSaveImage((dir / "page.bmp").string()); }, 1);
    EXPECT_EQ(folderEntries(dir.path()).size(), 1U);
}

TEST(ImageFileWrite, OverwritingKeepsPermissionsAndReplacesContent)
{
    tavotest::TempDir dir;
    const std::string path = (dir / "p.png").string();
    ASSERT_TRUE(randomImage(4, 4, 8, 1).zulSaveImage(path));
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    const ZULImage second = randomImage(6, 2, 24, 2);
    ASSERT_TRUE(second.zulSaveImage(path));
    EXPECT_TRUE(samePixels(ZULImage(path), second));
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
}

TEST(FileBasedIO, IntegersInBothByteOrders)
{
    tavotest::TempDir dir;
    const std::string path = (dir / "ints").string();
    {
        ZULFileBasedIO out(path, "wb");
        ASSERT_TRUE(out.zulIsOpen());
        EXPECT_EQ(out.zulWriteInt32(0x01020304, 0), 1);
        EXPECT_EQ(out.zulWriteInt16(0x0506, 1), 1);
        EXPECT_EQ(out.zulClose(), 0);
    }
    EXPECT_EQ(readBytes(path), (Bytes{4, 3, 2, 1, 5, 6}));
    ZULFileBasedIO in(path, "rb");
    EXPECT_EQ(in.zulSize(), 6);
    EXPECT_EQ(in.zulReadInt32(1), 0x04030201);
    EXPECT_EQ(in.zulReadInt16(0), 0x0605);
    char byte = 0;
    EXPECT_EQ(in.zulRead(&byte, 1), 0);  // at the end
    ZULFileBasedIO missing((dir / "none").string(), "rb");
    EXPECT_FALSE(missing.zulIsOpen());
    EXPECT_EQ(missing.zulRead(&byte, 1), 0);
    EXPECT_EQ(missing.zulClose(), 0);
}
