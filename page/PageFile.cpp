#include "page/PageFile.h"

#include "groundtruth/ZoneLine.h"
#include "util/FileDigest.h"
#include "util/Strings.h"

#include "ZULAtomicFile.h"
#include "ZULException.h"
#include "ZULImage.h"
#include "ZULImageConverter.h"
#include "ZULImageFile.h"

#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace tavo {

ZULImage loadPage(const std::u16string& path, Report& report)
{
    const std::string name = utf8FromWide(path);
    ZULImage page;
    try {
        if (!page.zulLoadImage(name))
            report.fail(name, "cannot load image");
    } catch (const ZULException& error) {
        report.fail(name, std::string("cannot load image: ") + error.what());
    }
    const int depth = page.zulGetBitsPerPixel();
    if (depth != 1 && depth != 8 && depth != 24)
        report.fail(name, "unsupported image depth " + intToText(depth) + " bits");
    return page;
}

ZULImage loadWorkingPage(const std::u16string& path, Report& report)
{
    ZULImage page = loadPage(path, report);
    if (page.zulGetBitsPerPixel() == 24)
        return page;
    ZULImage colour;
    try {
        if (page.zulGetBitsPerPixel() == 1)
            ZULImageConverter::zulBit2Color(colour, page);
        else
            ZULImageConverter::zulGray2Color(colour, page);
    } catch (const ZULException& error) {
        report.fail(utf8FromWide(path), std::string("cannot load image: ") + error.what());
    }
    return colour;
}

namespace {

constexpr const char* kCacheHeader = "tavoalign grey 1";

// The digest of the page file's bytes; 0 when it cannot be read, which no
// cache file holds.
std::uint64_t pageDigest(const std::string& page)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    if (!addFileDigest(hash, page))
        return 0;
    return hash == 0 ? 1 : hash;
}

struct CacheHead {
    int width = 0, height = 0;
    float xResolution = 0, yResolution = 0;
    unsigned inches = 1;
};

// The cache file open after its head, when the head names this digest and
// a sane size and the file holds exactly the pixels the head announces.
std::optional<CacheHead> openCache(const std::string& cache, std::uint64_t digest, std::unique_ptr<std::FILE, int (*)(std::FILE*)>& file)
{
    if (digest == 0)
        return std::nullopt;
    file.reset(std::fopen(cache.c_str(), "rb"));
    if (!file)
        return std::nullopt;
    char line[160];
    if (!std::fgets(line, sizeof line, file.get()) || std::strcmp(line, (std::string(kCacheHeader) + "\n").c_str()) != 0 ||
        !std::fgets(line, sizeof line, file.get()))
        return std::nullopt;
    CacheHead head;
    std::uint64_t named = 0;
    char end = 0;
    if (std::sscanf(line, "%" SCNx64 " %d %d %g %g %u%c", &named, &head.width, &head.height, &head.xResolution,
                    &head.yResolution, &head.inches, &end) != 7 ||
        end != '\n' || named != digest || head.width < 1 || head.height < 1 ||
        head.width > ZULImageHead::kMaxSide || head.height > ZULImageHead::kMaxSide ||
        std::int64_t{head.width} * head.height > ZULImageHead::kMaxPixels || head.inches > 1)
        return std::nullopt;
    const long start = std::ftell(file.get());
    if (start < 0 || std::fseek(file.get(), 0, SEEK_END) != 0 ||
        std::ftell(file.get()) - start != std::int64_t{head.width} * head.height ||
        std::fseek(file.get(), start, SEEK_SET) != 0)
        return std::nullopt;
    return head;
}

std::optional<ZULImage> readCache(const std::string& cache, std::uint64_t digest)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(nullptr, std::fclose);
    const std::optional<CacheHead> head = openCache(cache, digest, file);
    if (!head)
        return std::nullopt;
    const std::size_t size = static_cast<std::size_t>(head->width) * static_cast<std::size_t>(head->height);
    ZULImage::Buffer pixels(new (std::nothrow) unsigned char[size]);
    if (!pixels || std::fread(pixels.get(), 1, size, file.get()) != size)
        return std::nullopt;
    ZULImage grey(head->width, head->height, 8);
    grey.zulSetImageData(std::move(pixels));
    grey.zulSetResolution(head->xResolution, head->yResolution, static_cast<std::uint8_t>(head->inches));
    return grey;
}

// Writes the cache of a page of the given size and resolution; grey(y, out)
// fills out with the grey row y.  A file that cannot be written is left out
// (a later step decodes the page again).
template <class GreyRow>
void writeCache(const std::string& cache, std::uint64_t digest, const ZULImage& page, GreyRow grey)
{
    if (digest == 0)
        return;  // a page that cannot be read again is not kept
    ZULAtomicFile out(cache);
    if (out.zulDescriptor() < 0)
        return;
    char head[160];
    const int length = std::snprintf(head, sizeof head, "%s\n%016" PRIx64 " %d %d %.9g %.9g %u\n", kCacheHeader, digest,
                                     page.zulGetWidth(), page.zulGetHeight(), static_cast<double>(page.zulGetXResolution()),
                                     static_cast<double>(page.zulGetYResolution()), unsigned{page.zulGetResolutionInInches()});
    auto put = [&](const unsigned char* p, std::size_t left) {
        while (left > 0) {
            const ssize_t n = ::write(out.zulDescriptor(), p, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        return true;
    };
    if (!put(reinterpret_cast<const unsigned char*>(head), static_cast<std::size_t>(length)))
        return;  // the temporary file goes with out
    // Rows go out in blocks of about 256 KB.
    const auto width = static_cast<std::size_t>(page.zulGetWidth());
    const int rows = static_cast<int>(std::max<std::size_t>(1, (std::size_t{1} << 18) / width));
    std::vector<unsigned char> block(width * static_cast<std::size_t>(rows));
    for (int y = 0; y < page.zulGetHeight(); y += rows) {
        const int n = std::min(rows, page.zulGetHeight() - y);
        for (int i = 0; i < n; ++i)
            grey(y + i, block.data() + static_cast<std::size_t>(i) * width);
        if (!put(block.data(), static_cast<std::size_t>(n) * width))
            return;
    }
    out.zulFinish();
}

// Writes the cache of a page of any depth loadPage accepts.
void writeCacheOf(const std::string& cache, std::uint64_t digest, const ZULImage& page)
{
    const int width = page.zulGetWidth();
    switch (page.zulGetBitsPerPixel()) {
    case 8:
        writeCache(cache, digest, page, [&](int y, unsigned char* out) { std::memcpy(out, page.zulGetRow(y), static_cast<std::size_t>(width)); });
        break;
    case 24:
        writeCache(cache, digest, page, [&](int y, unsigned char* out) { ZULImageConverter::zulColor2GrayRow(page.zulGetRow(y), width, out); });
        break;
    default:
        break;  // 1-bit pages are not kept
    }
}

bool storedAsJpeg(const std::string& name)
{
    int format = ZULImageFile::zulGetImageFormat(name);
    if (format == ZULImageFile::kUnknown)
        format = ZULImageFile::zulGetContentFormat(name);
    return format == ZULImageFile::kJPEG;
}

// The grey page; bilevel tells whether it was stored in 1 bit.
ZULImage loadGrey(const std::u16string& path, Report& report, bool& bilevel)
{
    const std::string name = utf8FromWide(path);
    ZULImage grey;
    bilevel = false;
    if (storedAsJpeg(name)) {
        try {
            if (!grey.zulLoadGrayImage(name))
                report.fail(name, "cannot load image");
        } catch (const ZULException& error) {
            report.fail(name, std::string("cannot load image: ") + error.what());
        }
        if (grey.zulGetBitsPerPixel() != 8)
            report.fail(name, "unsupported image depth " + intToText(grey.zulGetBitsPerPixel()) + " bits");
        return grey;
    }
    ZULImage page = loadPage(path, report);
    bilevel = page.zulGetBitsPerPixel() == 1;
    try {
        if (page.zulGetBitsPerPixel() == 8)
            grey = std::move(page);
        else
            ZULImageConverter::zulConvertImage(grey, page, ZULImageConverter::kGray);
    } catch (const ZULException& error) {
        report.fail(name, std::string("cannot load image: ") + error.what());
    }
    grey.zulSetBinaryState(0);
    return grey;
}

}  // namespace

ZULImage loadGreyPage(const std::u16string& path, Report& report)
{
    bool bilevel = false;
    return loadGrey(path, report, bilevel);
}

GreyCache::GreyCache(std::u16string file, std::u16string page)
    : file_(utf8FromWide(file)), page_(utf8FromWide(page)), path_(std::move(page))
{
}

std::uint64_t GreyCache::digest()
{
    if (!digested_)
        digest_ = pageDigest(page_);
    digested_ = true;
    return digest_;
}

ZULImage GreyCache::load(Report& report)
{
    if (!file_.empty())
        if (std::optional<ZULImage> kept = readCache(file_, digest())) {
            held_ = true;
            return std::move(*kept);
        }
    return loadGrey(path_, report, bilevel_);
}

bool GreyCache::size(int& width, int& height)
{
    if (file_.empty())
        return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(nullptr, std::fclose);
    const std::optional<CacheHead> head = openCache(file_, digest(), file);
    if (!head)
        return false;
    width = head->width;
    height = head->height;
    return true;
}

void GreyCache::keep(const ZULImage& page)
{
    if (file_.empty() || held_ || bilevel_ || page.zulGetBitsPerPixel() == 1)
        return;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(nullptr, std::fclose);
    if (openCache(file_, digest(), file))
        return;  // kept already
    // A file that is there and holds no grey page (the scan itself, an
    // output, anything given by mistake) is never replaced.
    file.reset(std::fopen(file_.c_str(), "rb"));
    if (file) {
        char line[32] = {};
        if (!std::fgets(line, sizeof line, file.get()) || std::string(line) != std::string(kCacheHeader) + "\n")
            return;
    } else if (errno != ENOENT) {
        return;
    }
    file.reset();
    writeCacheOf(file_, digest(), page);
    held_ = true;
}

void savePage(const ZULImage& page, const std::u16string& path, Report& report)
{
    const std::string name = utf8FromWide(path);
    try {
        if (!page.zulSaveImage(name))
            report.fail(name, "cannot write image: unknown image format");
    } catch (const ZULException& error) {
        report.fail(name, std::string("cannot write image: ") + error.what());
    }
}

}  // namespace tavo
