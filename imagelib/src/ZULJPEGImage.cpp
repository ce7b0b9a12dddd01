#include "ZULJPEGImage.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <jerror.h>
#include <memory>
#include <vector>

#include "ZULAtomicFile.h"
#include "ZULException.h"
#include "ZULExif.h"
#include "ZULFileSupport.h"
#include "ZULImageConverter.h"
#include "ZULOrientation.h"

namespace {

constexpr const char* kSource = "..\\src\\ZULJPEGImage";
// Messages name the line of this file each failure was first raised at, as
// they always have; a line number stays with its message when code moves.
constexpr const char* kLoad = "ZULJPEGImage::zulLoadImage()";
constexpr const char* kSave = "ZULJPEGImage::zulSaveImage()";
constexpr int kQuality = 95;
// Memory libjpeg may take for its own buffers (progressive files keep all
// coefficients: about 210 MB for an A4 colour page at 600 dpi).
constexpr long kLibraryMemory = 512L << 20;
// Pixels allocated before any row is decoded: the whole image when the file
// is large enough to hold it at a usual compression ratio, otherwise a part
// that grows as rows arrive, so a short file claiming a huge size costs
// little.
constexpr std::size_t kFirstAllocation = std::size_t{4} << 20;
constexpr std::size_t kUsualRatio = 64;

// libjpeg sees the first member; the rest is ours.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void onJpegError(j_common_ptr info)
{
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings are not printed (a page that decodes needs no word about them);
// a file or a data segment that ends before the image is complete is an
// error (libjpeg would fill the rest with gray).
void onJpegMessage(j_common_ptr info, int level)
{
    if (level >= 0) {
        return;
    }
    if (info->err->msg_code == JWRN_JPEG_EOF || info->err->msg_code == JWRN_HIT_MARKER) {
        onJpegError(info);
    }
    ++info->err->num_warnings;
}

void installErrors(JpegErrors& errors)
{
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onJpegError;
    errors.manager.emit_message = onJpegMessage;
    errors.message[0] = '\0';
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Everything a decode touches lives here, in the caller's frame, so that it
// is intact after a long jump.
struct JpegInput {
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    std::FILE* file = nullptr;
    std::size_t fileSize = 0;
    ZULImage::Buffer pixels;
    std::vector<JSAMPLE> skimmedRow;  // the one row a skim decodes into
    std::vector<JSAMPLE> colourRow;   // the one colour row a gray decode converts
    bool gray = false;                // a colour file decoded to gray
    // Rows handed on as decoded instead of kept (zulReadRows).
    const std::function<void(const ZULImageHead&)>* begin = nullptr;
    const std::function<void(int, const unsigned char*)>* rowSink = nullptr;
    bool turned = false;              // zulReadRows: the orientation turns the rows
    std::size_t capacity = 0;
    std::size_t rowBytes = 0;
    float xResolution = 0.0f;
    float yResolution = 0.0f;
    int orientation = 1;
};

// Dots per inch of a density in unit (1 inch, 2 or 3 centimetre), rounded; 0
// when unknown or out of range.
float dotsPerInch(double density, int unit, int centimetres)
{
    const double dpi = unit == centimetres ? density * 2.54 : density;
    return dpi >= 1.0 && dpi < 1.0e6 ? static_cast<float>(std::round(dpi)) : 0.0f;
}

// Resolution from the JFIF density, else from EXIF; orientation from EXIF.
void readPlacement(JpegInput& in)
{
    ZULExif::Fields exif;
    for (jpeg_saved_marker_ptr marker = in.info.marker_list; marker != nullptr; marker = marker->next) {
        // APP1 also carries XMP; the first EXIF block counts.
        if (marker->marker == JPEG_APP0 + 1 && marker->data_length >= 6 &&
            std::memcmp(marker->data, "Exif\0\0", 6) == 0) {
            exif = ZULExif::zulRead(marker->data, marker->data_length);
            break;
        }
    }
    in.orientation = exif.orientation;
    const int unit = in.info.saw_JFIF_marker ? in.info.density_unit : 0;
    if (unit == 1 || unit == 2) {
        in.xResolution = dotsPerInch(in.info.X_density, unit, 2);
        in.yResolution = dotsPerInch(in.info.Y_density, unit, 2);
    } else if (exif.resolutionUnit != 1) {
        in.xResolution = dotsPerInch(exif.xResolution, exif.resolutionUnit, 3);
        in.yResolution = dotsPerInch(exif.yResolution, exif.resolutionUnit, 3);
    }
    if (in.xResolution == 0.0f || in.yResolution == 0.0f) {
        in.xResolution = in.yResolution = 0.0f;
    }
}

void growPixels(JpegInput& in, std::size_t needed, std::size_t total)
{
    const std::size_t capacity = std::min(total, std::max(needed, 2 * in.capacity));
    ZULImage::Buffer larger = ZULFileSupport::zulAllocate(capacity);
    if (!larger) {
        throw ZULException(13, ZULFileSupport::zulText(kLoad, "Could not allocate enough memory for the image"),
                           kSource, 133);
    }
    if (in.pixels) {
        std::memcpy(larger.get(), in.pixels.get(), in.capacity);
    }
    in.pixels = std::move(larger);
    in.capacity = capacity;
}

// Reads the header and checks what a decode needs; throws for a page too
// large or a colour space other than gray, YCbCr and RGB.
void readHeader(JpegInput& in)
{
    jpeg_stdio_src(&in.info, in.file);
    jpeg_save_markers(&in.info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&in.info, TRUE);
    readPlacement(in);
    ZULFileSupport::zulCheckSize(in.info.image_width, in.info.image_height, kSource, kLoad);
    if (in.info.jpeg_color_space == JCS_GRAYSCALE) {
        in.info.out_color_space = JCS_GRAYSCALE;
    } else if (in.info.jpeg_color_space == JCS_YCbCr || in.info.jpeg_color_space == JCS_RGB) {
        in.info.out_color_space = JCS_RGB;
    } else {
        throw ZULException(8, ZULFileSupport::zulText(kLoad, "Only gray and RGB JPEG files are supported"), kSource,
                           157);
    }
}

// Decodes the whole file at an eighth of its size in gray: every bit of the
// entropy-coded data is read, so a file the full decode refuses is refused
// here too, but no colour is converted and a block's pixels come from its
// mean alone.  False when libjpeg failed.
// A decompressor reading a file, the library's errors caught by its own
// handler and its memory bounded; destroyed with this object.
struct Decompressor {
    std::unique_ptr<JpegInput> in = std::make_unique<JpegInput>();

    explicit Decompressor(std::FILE* file)
    {
        in->file = file;
        installErrors(in->errors);
        in->info.err = &in->errors.manager;
        jpeg_create_decompress(&in->info);
        in->info.mem->max_memory_to_use = kLibraryMemory;
    }
    ~Decompressor() { jpeg_destroy_decompress(&in->info); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;
};

bool skim(JpegInput& in)
{
    if (setjmp(in.errors.jump) != 0) {
        return false;
    }
    readHeader(in);
    in.info.out_color_space = JCS_GRAYSCALE;
    in.info.scale_num = 1;
    in.info.scale_denom = 8;
    jpeg_start_decompress(&in.info);
    in.skimmedRow.resize(in.info.output_width);
    JSAMPROW rows[1] = {in.skimmedRow.data()};
    while (in.info.output_scanline < in.info.output_height) {
        jpeg_read_scanlines(&in.info, rows, 1);
    }
    jpeg_finish_decompress(&in.info);
    return true;
}

// False when libjpeg failed (its message is in in.errors.message).
bool decode(JpegInput& in)
{
    if (setjmp(in.errors.jump) != 0) {
        return false;
    }
    readHeader(in);
    if (in.rowSink) {
        in.turned = in.orientation >= 2 && in.orientation <= 8;
        if (in.turned) {
            return true;
        }
        jpeg_start_decompress(&in.info);
        ZULImageHead head;
        head.width = static_cast<int>(in.info.output_width);
        head.height = static_cast<int>(in.info.output_height);
        head.bitsPerPixel = in.info.output_components == 3 ? 24 : 8;
        head.xResolution = in.xResolution;
        head.yResolution = in.yResolution;
        head.zulDeriveLayout();
        (*in.begin)(head);
        in.colourRow.resize(static_cast<std::size_t>(in.info.output_width) * in.info.output_components);
        while (in.info.output_scanline < in.info.output_height) {
            const int y = static_cast<int>(in.info.output_scanline);
            JSAMPROW row = in.colourRow.data();
            jpeg_read_scanlines(&in.info, &row, 1);
            (*in.rowSink)(y, row);
        }
        jpeg_finish_decompress(&in.info);
        return true;
    }
    jpeg_start_decompress(&in.info);
    const bool convert = in.gray && in.info.output_components == 3;
    in.rowBytes = static_cast<std::size_t>(in.info.output_width) * (convert ? 1 : in.info.output_components);
    const std::size_t total = in.rowBytes * in.info.output_height;
    growPixels(in, std::min(total, std::max(kFirstAllocation, in.fileSize * kUsualRatio)), total);
    if (convert) {
        in.colourRow.resize(3 * static_cast<std::size_t>(in.info.output_width));
    }
    while (in.info.output_scanline < in.info.output_height) {
        const std::size_t end = (in.info.output_scanline + std::size_t{1}) * in.rowBytes;
        if (end > in.capacity) {
            growPixels(in, end, total);
        }
        JSAMPROW row = in.pixels.get() + in.info.output_scanline * in.rowBytes;
        if (!convert) {
            jpeg_read_scanlines(&in.info, &row, 1);
            continue;
        }
        JSAMPROW colour = in.colourRow.data();
        jpeg_read_scanlines(&in.info, &colour, 1);
        ZULImageConverter::zulColor2GrayRow(colour, static_cast<int>(in.info.output_width), row);
    }
    jpeg_finish_decompress(&in.info);
    return true;
}

struct JpegOutput {
    jpeg_compress_struct info{};
    JpegErrors errors{};
    std::FILE* file = nullptr;
    const ZULImage* image = nullptr;
};

bool encode(JpegOutput& out)
{
    if (setjmp(out.errors.jump) != 0) {
        return false;
    }
    const ZULImage& image = *out.image;
    jpeg_stdio_dest(&out.info, out.file);
    out.info.image_width = static_cast<JDIMENSION>(image.zulGetWidth());
    out.info.image_height = static_cast<JDIMENSION>(image.zulGetHeight());
    const bool color = image.zulGetBitsPerPixel() == 24;
    out.info.input_components = color ? 3 : 1;
    out.info.in_color_space = color ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&out.info);
    jpeg_set_quality(&out.info, kQuality, TRUE);
    const double x = image.zulGetXResolution();
    const double y = image.zulGetYResolution();
    if (image.zulGetResolutionInInches() != 0 && x >= 1.0 && y >= 1.0 && x < 65535.5 && y < 65535.5) {
        out.info.density_unit = 1;
        out.info.X_density = static_cast<UINT16>(std::lround(x));
        out.info.Y_density = static_cast<UINT16>(std::lround(y));
    }
    jpeg_start_compress(&out.info, TRUE);
    for (int y = 0; y < image.zulGetHeight(); ++y) {
        // libjpeg only reads the rows it is given.
        JSAMPROW row = const_cast<unsigned char*>(image.zulGetRow(y));
        jpeg_write_scanlines(&out.info, &row, 1);
    }
    jpeg_finish_compress(&out.info);
    return true;
}

}  // namespace

bool ZULJPEGImage::zulReadSize(const std::string& path, int& width, int& height) const
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return false;
    }
    const Decompressor decompressor(file.get());
    JpegInput* in = decompressor.in.get();
    if (!skim(*in)) {
        throw ZULFileSupport::zulExplained(
            ZULException(4, ZULFileSupport::zulText(kLoad, "Could not decode the JPEG data"), kSource, 275),
            in->errors.message);
    }
    // Orientations 5 to 8 turn the page a quarter.
    const bool turned = in->orientation >= 5 && in->orientation <= 8;
    width = static_cast<int>(turned ? in->info.image_height : in->info.image_width);
    height = static_cast<int>(turned ? in->info.image_width : in->info.image_height);
    return true;
}

namespace {

ZULImage loadJpeg(const std::string& path, bool gray)
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return ZULImage();
    }
    const Decompressor decompressor(file.get());
    JpegInput* in = decompressor.in.get();
    in->gray = gray;
    in->fileSize = static_cast<std::size_t>(std::max<std::int64_t>(ZULFileSupport::zulFileSize(path), 0));
    if (!decode(*in)) {
        throw ZULFileSupport::zulExplained(
            ZULException(4, ZULFileSupport::zulText(kLoad, "Could not decode the JPEG data"), kSource, 296),
            in->errors.message);
    }
    ZULImage image;
    const int bits = in->info.output_components == 3 && !gray ? 24 : 8;
    image.zulSetImageHead(static_cast<int>(in->info.output_width), static_cast<int>(in->info.output_height), bits,
                          in->xResolution, in->yResolution, 1);
    image.zulSetImageData(std::move(in->pixels));
    image.zulSetFromFile(1);
    return ZULOrientation::zulUpright(std::move(image), in->orientation);
}

}  // namespace

ZULImage ZULJPEGImage::zulLoadImage(const std::string& path) const
{
    return loadJpeg(path, false);
}

ZULImage ZULJPEGImage::zulLoadGrayImage(const std::string& path) const
{
    return loadJpeg(path, true);
}

bool ZULJPEGImage::zulReadRows(const std::string& path, const std::function<void(const ZULImageHead&)>& begin,
                               const std::function<void(int, const unsigned char*)>& row) const
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return false;
    }
    const Decompressor decompressor(file.get());
    JpegInput* in = decompressor.in.get();
    in->begin = &begin;
    in->rowSink = &row;
    if (!decode(*in)) {
        throw ZULFileSupport::zulExplained(
            ZULException(4, ZULFileSupport::zulText(kLoad, "Could not decode the JPEG data"), kSource, 296),
            in->errors.message);
    }
    return !in->turned;
}

void ZULJPEGImage::zulSaveImage(const std::string& path, const ZULImage& image) const
{
    if (!image.zulHasImageData()) {
        throw ZULException(5, ZULFileSupport::zulText(kSave, "Image Data is NULL!"), kSource, 311);
    }
    const int bits = image.zulGetBitsPerPixel();
    if (bits != 1 && bits != 8 && bits != 24) {
        throw ZULException(8, ZULFileSupport::zulText(kSave, "Only 1, 8 and 24 bit images can be written"), kSource,
                           316);
    }
    ZULImageConverter::ImagePtr gray;
    if (bits == 1) {
        gray = ZULImageConverter::zulCreateConvertedImage(&image, ZULImageConverter::kGray);
        if (!gray) {
            throw ZULException(13, ZULFileSupport::zulText(kSave, "Could not convert the image to gray"), kSource,
                               323);
        }
    }
    ZULAtomicFile output(path, kSource, kSave);
    FilePtr file(std::fopen(output.zulTempPath().c_str(), "wb"));
    if (!file) {
        throw ZULException(1, ZULFileSupport::zulText(kSave, "Could not open for writing"), kSource, 329);
    }
    auto out = std::make_unique<JpegOutput>();
    out->file = file.get();
    out->image = gray ? gray.get() : &image;
    installErrors(out->errors);
    out->info.err = &out->errors.manager;
    jpeg_create_compress(&out->info);
    struct Destroy {
        jpeg_compress_struct* info;
        ~Destroy() { jpeg_destroy_compress(info); }
    } destroy{&out->info};
    if (!encode(*out)) {
        throw ZULFileSupport::zulExplained(
            ZULException(1, ZULFileSupport::zulText(kSave, "Could not write the file"), kSource, 343),
            out->errors.message);
    }
    if (std::fclose(file.release()) != 0) {
        throw ZULException(1, ZULFileSupport::zulText(kSave, "Could not write the file"), kSource, 347);
    }
    output.zulCommit();
}
