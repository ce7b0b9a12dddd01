#include "ZULPNGImage.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <png.h>
#include <zlib.h>
#include <vector>

#include "ZULAtomicFile.h"
#include "ZULException.h"
#include "ZULFileSupport.h"

namespace {

constexpr const char* kSource = "..\\src\\ZULPNGImage";
constexpr const char* kLoad = "ZULPNGImage::zulLoadImage()";
constexpr const char* kSave = "ZULPNGImage::zulSaveImage()";
constexpr double kMetresPerInch = 0.0254;
// Deflate turns one stored byte into at most 1032; the slack covers the
// chunk and zlib framing of tiny files.
constexpr std::uint64_t kInflateLimit = 1032;
constexpr std::uint64_t kInflateSlack = 4096;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// libpng's error about one file (errors end in a long jump).  Warnings are
// not kept: a page that decodes needs no word about them.
struct PngContext {
    std::string message;
};

[[noreturn]] void onPngError(png_structp png, png_const_charp text)
{
    static_cast<PngContext*>(png_get_error_ptr(png))->message = text;
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// What a decode touches, kept in the caller's frame across a long jump.
struct PngInput {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::FILE* file = nullptr;
    std::int64_t fileSize = -1;
    ZULImage::Buffer pixels;
    std::vector<png_bytep> rows;
    ZULImage image;
};

void setTransforms(png_structp png, png_infop info, int bitDepth, int colorType)
{
    if (bitDepth == 16) {
        png_set_strip_16(png);
    }
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth > 1 && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if ((colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
        png_color_16 white{};
        white.red = white.green = white.blue = white.gray = 255;
        png_set_background(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

// False when libpng failed (its message is in the context).
bool decode(PngInput& in)
{
    if (setjmp(png_jmpbuf(in.png)) != 0) {
        return false;
    }
    png_init_io(in.png, in.file);
    png_set_sig_bytes(in.png, 8);
    png_read_info(in.png, in.info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    png_get_IHDR(in.png, in.info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    ZULFileSupport::zulCheckSize(width, height, kSource, kLoad);
    const std::uint64_t stored = (png_get_rowbytes(in.png, in.info) + std::uint64_t{1}) * height;
    ZULFileSupport::zulCheckAvailable(stored, in.fileSize < 0 ? -1 : in.fileSize * kInflateLimit + kInflateSlack,
                                      kSource, kLoad);
    setTransforms(in.png, in.info, bitDepth, colorType);

    const int channels = png_get_channels(in.png, in.info);
    const int depth = png_get_bit_depth(in.png, in.info);
    const int bits = channels == 3 && depth == 8 ? 24 : channels == 1 && (depth == 8 || depth == 1) ? depth : 0;
    if (bits == 0) {
        throw ZULException(8, ZULFileSupport::zulText(kLoad, "Unsupported PNG layout"), kSource, __LINE__);
    }
    const std::size_t rowBytes = static_cast<std::size_t>(ZULImageHead::zulRowBytes(width, bits));
    if (png_get_rowbytes(in.png, in.info) != rowBytes) {
        throw ZULException(8, ZULFileSupport::zulText(kLoad, "Unsupported PNG layout"), kSource, __LINE__);
    }
    in.pixels = ZULFileSupport::zulAllocate(rowBytes * height);
    if (!in.pixels) {
        throw ZULException(13, ZULFileSupport::zulText(kLoad, "Could not allocate enough memory for the image"),
                           kSource, __LINE__);
    }
    in.rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) {
        in.rows[y] = in.pixels.get() + y * rowBytes;
    }
    png_read_image(in.png, in.rows.data());
    png_read_end(in.png, nullptr);

    png_uint_32 xPerMetre = 0;
    png_uint_32 yPerMetre = 0;
    int unit = 0;
    float x = 0.0f;
    float y = 0.0f;
    std::uint8_t inches = 1;
    if (png_get_pHYs(in.png, in.info, &xPerMetre, &yPerMetre, &unit) != 0) {
        inches = unit == PNG_RESOLUTION_METER ? 1 : 0;
        if (unit == PNG_RESOLUTION_METER) {
            x = static_cast<float>(std::round(xPerMetre * kMetresPerInch));
            y = static_cast<float>(std::round(yPerMetre * kMetresPerInch));
        }
    }
    in.image.zulSetImageHead(static_cast<int>(width), static_cast<int>(height), bits, x, y, inches);
    in.image.zulSetImageData(std::move(in.pixels));
    in.image.zulSetColorType(bits == 1 ? 1 : bits == 8 ? 2 : 3);
    in.image.zulSetFromFile(1);
    return true;
}

struct PngOutput {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::FILE* file = nullptr;
    const ZULImage* image = nullptr;
    bool fast = false;
};

bool encode(PngOutput& out)
{
    if (setjmp(png_jmpbuf(out.png)) != 0) {
        return false;
    }
    const ZULImage& image = *out.image;
    const int bits = image.zulGetBitsPerPixel();
    png_init_io(out.png, out.file);
    png_set_IHDR(out.png, out.info, static_cast<png_uint_32>(image.zulGetWidth()),
                 static_cast<png_uint_32>(image.zulGetHeight()), bits == 1 ? 1 : 8,
                 bits == 24 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const double x = image.zulGetXResolution();
    const double y = image.zulGetYResolution();
    if (image.zulGetResolutionInInches() != 0 && x > 0.0 && y > 0.0 && x < 1.0e7 && y < 1.0e7) {
        png_set_pHYs(out.png, out.info, static_cast<png_uint_32>(std::lround(x / kMetresPerInch)),
                     static_cast<png_uint_32>(std::lround(y / kMetresPerInch)), PNG_RESOLUTION_METER);
    }
    // Pages are mostly paper: the "up" filter alone compresses them as well
    // as libpng's adaptive choice among all filters, in a third of the time.
    // Fast: in gray, run lengths alone find the long runs of paper and ink
    // after the "up" filter as well as level 6 does, at a fraction of its
    // search; colour interleaves three samples, which breaks the runs, so it
    // gets zlib's quickest full search instead.
    png_set_compression_level(out.png, out.fast ? 1 : 6);
    if (out.fast && bits != 24) {
        png_set_compression_strategy(out.png, Z_RLE);
    }
    png_set_filter(out.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_write_info(out.png, out.info);
    for (int row = 0; row < image.zulGetHeight(); ++row) {
        // libpng only reads the rows it is given.
        png_write_row(out.png, const_cast<png_bytep>(image.zulGetRow(row)));
    }
    png_write_end(out.png, out.info);
    return true;
}

}  // namespace

ZULImage ZULPNGImage::zulLoadImage(const std::string& path) const
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return ZULImage();
    }
    png_byte signature[8] = {};
    if (std::fread(signature, 1, sizeof signature, file.get()) != sizeof signature ||
        png_sig_cmp(signature, 0, sizeof signature) != 0) {
        throw ZULException(4, ZULFileSupport::zulText(kLoad, "Not a PNG file"), kSource, __LINE__);
    }
    PngContext context;
    auto in = std::make_unique<PngInput>();
    in->file = file.get();
    in->fileSize = ZULFileSupport::zulFileSize(path);
    in->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, onPngError, onPngWarning);
    in->info = in->png != nullptr ? png_create_info_struct(in->png) : nullptr;
    struct Destroy {
        PngInput* in;
        ~Destroy() { png_destroy_read_struct(&in->png, &in->info, nullptr); }
    } destroy{in.get()};
    if (in->info == nullptr) {
        throw ZULException(13, ZULFileSupport::zulText(kLoad, "Could not allocate enough memory for the image"),
                           kSource, __LINE__);
    }
    png_set_user_limits(in->png, ZULImageHead::kMaxSide, ZULImageHead::kMaxSide);
    if (!decode(*in)) {
        throw ZULFileSupport::zulExplained(
            ZULException(4, ZULFileSupport::zulText(kLoad, "Could not decode the PNG data"), kSource, __LINE__),
            context.message);
    }
    return std::move(in->image);
}

void ZULPNGImage::zulSaveImage(const std::string& path, const ZULImage& image) const
{
    if (!image.zulHasImageData()) {
        throw ZULException(5, ZULFileSupport::zulText(kSave, "Image Data is NULL!"), kSource, __LINE__);
    }
    const int bits = image.zulGetBitsPerPixel();
    if (bits != 1 && bits != 8 && bits != 24) {
        throw ZULException(8, ZULFileSupport::zulText(kSave, "Only 1, 8 and 24 bit images can be written"), kSource,
                           __LINE__);
    }
    ZULAtomicFile output(path, kSource, kSave);
    FilePtr file(std::fopen(output.zulTempPath().c_str(), "wb"));
    if (!file) {
        throw ZULException(1, ZULFileSupport::zulText(kSave, "Could not open for writing"), kSource, __LINE__);
    }
    PngContext context;
    auto out = std::make_unique<PngOutput>();
    out->file = file.get();
    out->image = &image;
    out->fast = m_compression == kFast;
    out->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &context, onPngError, onPngWarning);
    out->info = out->png != nullptr ? png_create_info_struct(out->png) : nullptr;
    struct Destroy {
        PngOutput* out;
        ~Destroy() { png_destroy_write_struct(&out->png, &out->info); }
    } destroy{out.get()};
    if (out->info == nullptr || !encode(*out)) {
        throw ZULFileSupport::zulExplained(
            ZULException(1, ZULFileSupport::zulText(kSave, "Could not write the file"), kSource, __LINE__),
            context.message);
    }
    if (std::fclose(file.release()) != 0) {
        throw ZULException(1, ZULFileSupport::zulText(kSave, "Could not write the file"), kSource, __LINE__);
    }
    output.zulCommit();
}
