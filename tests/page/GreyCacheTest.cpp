// The grey page and the page job's grey.cache: the same pixels as the
// colour route the commands took before, and a file taken only for exactly
// the page it was made from.
#include "page/PageFile.h"
#include "support/RunTool.h"

#include "ZULImage.h"
#include "ZULImageConverter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using tavo::GreyCache;
using tavotest::TempDir;

// A colour page with a gradient and strokes, different for each seed.
ZULImage colourPage(int w, int h, int seed)
{
    ZULImage page(w, h, 24, true);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char* p = page.zulGetRow(y) + 3 * x;
            const bool ink = (x / 7 + y / 5 + seed) % 9 == 0;
            p[0] = static_cast<unsigned char>(ink ? 20 : 200 + (x + seed) % 50);
            p[1] = static_cast<unsigned char>(ink ? 30 : 190 + y % 60);
            p[2] = static_cast<unsigned char>(ink ? 90 : 170 + (x * y + seed) % 80);
        }
    return page;
}

bool samePixels(const ZULImage& a, const ZULImage& b)
{
    return a.zulGetWidth() == b.zulGetWidth() && a.zulGetHeight() == b.zulGetHeight() &&
           a.zulGetBitsPerPixel() == b.zulGetBitsPerPixel() && a.zulGetImageDataSize() == b.zulGetImageDataSize() &&
           std::equal(a.zulGetImageData(), a.zulGetImageData() + a.zulGetImageDataSize(), b.zulGetImageData());
}

// What -words and -check worked on before: the colour working page in grey.
ZULImage oldGrey(const std::filesystem::path& file)
{
    tavo::Report report("-check");
    ZULImage grey;
    ZULImageConverter::zulColor2Gray(grey, tavo::loadWorkingPage(file.u16string(), report));
    return grey;
}

ZULImage greyOf(const std::filesystem::path& cache, const std::filesystem::path& page)
{
    tavo::Report report("-check");
    return GreyCache(cache.u16string(), page.u16string()).load(report);
}

TEST(GreyPage, EveryDepthGivesTheGreyOfTheColourWorkingPage)
{
    TempDir dir;
    const ZULImage colour = colourPage(90, 60, 1);
    ZULImage grey, bits;
    ZULImageConverter::zulColor2Gray(grey, colour);
    ZULImageConverter::zulConvertImage(bits, grey, ZULImageConverter::kBinary);
    ZULImage black(40, 30, 8, true);  // only 0 and 255: loaded as binary
    for (int x = 5; x < 20; ++x)
        black.zulGetRow(10)[x] = 0;
    const std::pair<const ZULImage*, const char*> pages[] = {
        {&colour, "c.jpg"}, {&colour, "c.png"}, {&grey, "g.png"}, {&grey, "g.jpg"}, {&bits, "b.tif"}, {&black, "k.png"}};
    for (const auto& [page, name] : pages) {
        ASSERT_TRUE(page->zulSaveImage((dir / name).string())) << name;
        tavo::Report report("-words");
        const ZULImage loaded = tavo::loadGreyPage((dir / name).u16string(), report);
        EXPECT_TRUE(samePixels(loaded, oldGrey(dir / name))) << name;
        // Not taken for binary: Niblack thresholds it as it did the colour copy.
        EXPECT_EQ(loaded.zulGetBinaryState(), 0) << name;
    }
    tavo::Report report("-words");
    EXPECT_THROW(tavo::loadGreyPage((dir / "none.jpg").u16string(), report), tavo::RuntimeFailure);
}

TEST(GreyCache, KeptPageIsTakenOnlyForThatPage)
{
    TempDir dir;
    const auto cache = dir / "grey.cache", a = dir / "a.jpg", b = dir / "b.jpg";
    ASSERT_TRUE(colourPage(90, 60, 1).zulSaveImage(a.string()));
    ASSERT_TRUE(colourPage(70, 80, 2).zulSaveImage(b.string()));
    tavo::Report report("-lines");
    // No file yet: decoded; kept once asked.
    GreyCache first(cache.u16string(), a.u16string());
    const ZULImage decoded = first.load(report);
    EXPECT_TRUE(samePixels(decoded, oldGrey(a)));
    EXPECT_FALSE(std::filesystem::exists(cache));
    first.keep(decoded);
    ASSERT_TRUE(std::filesystem::exists(cache));

    // Taken from the file: a byte changed there shows.
    std::string bytes = tavotest::readFile(cache);
    bytes.back() = static_cast<char>(bytes.back() ^ 1);
    tavotest::writeFile(cache, bytes);
    const ZULImage kept = greyOf(cache, a);
    ASSERT_TRUE(kept.zulHasImageData());
    EXPECT_EQ(kept.zulGetRow(59)[89], decoded.zulGetRow(59)[89] ^ 1);
    int width = 0, height = 0;
    EXPECT_TRUE(GreyCache(cache.u16string(), a.u16string()).size(width, height));
    EXPECT_EQ(width, 90);
    EXPECT_EQ(height, 60);

    // Another page, or the same page changed, is decoded.
    EXPECT_TRUE(samePixels(greyOf(cache, b), oldGrey(b)));
    EXPECT_FALSE(GreyCache(cache.u16string(), b.u16string()).size(width, height));
    ASSERT_TRUE(colourPage(90, 60, 3).zulSaveImage(a.string()));
    EXPECT_TRUE(samePixels(greyOf(cache, a), oldGrey(a)));
    // keep() replaces a file made from another page.
    GreyCache again(cache.u16string(), a.u16string());
    again.keep(again.load(report));
    EXPECT_TRUE(GreyCache(cache.u16string(), a.u16string()).size(width, height));
}

TEST(GreyCache, DamagedFilesAreDecodedAroundAndBilevelPagesNeverKept)
{
    TempDir dir;
    const auto cache = dir / "grey.cache", page = dir / "a.jpg";
    ASSERT_TRUE(colourPage(50, 40, 4).zulSaveImage(page.string()));
    tavo::Report report("-words");
    GreyCache(cache.u16string(), page.u16string()).keep(oldGrey(page));
    const std::string whole = tavotest::readFile(cache);
    for (const std::string& damaged : {whole.substr(0, whole.size() - 1), whole + "x", std::string("tavoalign grey 1\n"),
                                       "tavoalign grey 2" + whole.substr(16)}) {
        tavotest::writeFile(cache, damaged);
        EXPECT_TRUE(samePixels(greyOf(cache, page), oldGrey(page)));
        int width = 0, height = 0;
        EXPECT_FALSE(GreyCache(cache.u16string(), page.u16string()).size(width, height));
    }
    // A 1-bit page is cheaper to decode than its grey file is to read.
    ZULImage bits(64, 20, 1, true);
    const auto tiff = dir / "b.tif";
    ASSERT_TRUE(bits.zulSaveImage(tiff.string()));
    std::filesystem::remove(cache);
    GreyCache bilevel(cache.u16string(), tiff.u16string());
    bilevel.keep(bilevel.load(report));
    GreyCache(cache.u16string(), tiff.u16string()).keep(bits);
    EXPECT_FALSE(std::filesystem::exists(cache));
    // A file that is no grey page is never replaced: the scan or an output
    // named as the cache by mistake stays as it was.
    const std::string scan = tavotest::readFile(page);
    GreyCache mistaken(page.u16string(), page.u16string());
    mistaken.keep(mistaken.load(report));
    EXPECT_EQ(tavotest::readFile(page), scan);
    tavotest::writeFile(dir / "out.xml", "<TAVO/>\n");
    GreyCache(u"", page.u16string()).keep(oldGrey(page));
    GreyCache((dir / "out.xml").u16string(), page.u16string()).keep(oldGrey(page));
    EXPECT_EQ(tavotest::readFile(dir / "out.xml"), "<TAVO/>\n");
    std::filesystem::remove(dir / "out.xml");
    // No file name: nothing is read or written.
    GreyCache none({}, page.u16string());
    none.keep(none.load(report));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

}  // namespace
