#include "ZULTIFFImage.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

#include "ZULAtomicFile.h"
#include "ZULException.h"
#include "ZULFileSupport.h"
#include "ZULOrientation.h"

namespace {

constexpr const char* kSource = "..\\src\\ZULTIFFImage";
constexpr const char* kLoad = "ZULTIFFImage::zulLoadImage()";
constexpr const char* kLoadAtPage = "ZULTIFFImage::zulLoadImageAtPage()";
constexpr const char* kSave = "ZULTIFFImage::zulSaveImage()";
constexpr const char* kNoMemory =
    "<ZULTIFFImage::zulLoadImage()> Could not allocate enough memory for the uncompressed image";
constexpr const char* kNoPaletteMemory =
    "<ZULTIFFImage::zulLoadImage()> Could not allocate enough memory for the palette_raw_data image";
constexpr const char* kStripError = "<ZULTIFFImage::zulLoadImage()> Read error on input strip";
constexpr float kDefaultResolution = 200.0f;

// libtiff's first error and first warning about one file.  They are never
// printed: a failure carries them in its message (the error when there is
// one), and a page that loads needs no word about them.
struct TiffContext {
    std::string name;
    bool failed = false;
    std::string error{};
    std::string warning{};

    const std::string& diagnostic() const { return error.empty() ? warning : error; }
};

void keepTiffMessage(std::string& kept, const TiffContext& context, const char* module, const char* format,
                     va_list args)
{
    if (!kept.empty()) {
        return;
    }
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    if (module != nullptr && *module != '\0' && context.name != module) {
        kept = std::string(module) + ": ";
    }
    kept += text;
}

int onTiffWarning(TIFF*, void* user, const char* module, const char* format, va_list args)
{
    auto& context = *static_cast<TiffContext*>(user);
    keepTiffMessage(context.warning, context, module, format, args);
    return 1;
}

int onTiffError(TIFF*, void* user, const char* module, const char* format, va_list args)
{
    auto& context = *static_cast<TiffContext*>(user);
    context.failed = true;
    keepTiffMessage(context.error, context, module, format, args);
    return 1;
}

// TIFFOpen with this file's message handlers.
TIFF* openTiff(const std::string& path, const char* mode, TiffContext& context)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, onTiffError, &context);
    TIFFOpenOptionsSetWarningHandlerExtR(options, onTiffWarning, &context);
    TIFF* tiff = TIFFOpenExt(path.c_str(), mode, options);
    TIFFOpenOptionsFree(options);
    return tiff;
}

using TiffHandle = std::unique_ptr<TIFF, decltype(&TIFFClose)>;

[[noreturn]] void fail(int code, const char* text, int line) { throw ZULException(code, text, kSource, line); }

// Resolution fields and unit of the current page.
void readResolution(TIFF* tiff, float& x, float& y, std::uint8_t& inches)
{
    if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x) == 0) {
        x = kDefaultResolution;
    }
    if (TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y) == 0) {
        y = kDefaultResolution;
    }
    // A page without the unit tag is in inches, the format's default.
    std::uint16_t unit = RESUNIT_INCH;
    TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    inches = unit == RESUNIT_INCH || unit == RESUNIT_CENTIMETER ? 1 : 0;
    if (unit == RESUNIT_CENTIMETER) {
        // Truncated, so 118.11 dots per centimetre gives 299.
        const auto toInch = [](float value) {
            const double converted = std::trunc(static_cast<double>(value) * 2.54);
            return converted >= 0.0 && converted < 2.0e9 ? static_cast<float>(converted) : 0.0f;
        };
        x = toInch(x);
        y = toInch(y);
    }
}

// Most bytes one stored byte can decode to under a compression scheme; the
// CCITT codings need at least one bit per row.
std::uint64_t expansionLimit(TIFF* tiff, std::uint16_t compression)
{
    switch (compression) {
    case COMPRESSION_NONE:
        return 1;
    case COMPRESSION_PACKBITS:
        return 64;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
        return 1100;
    case COMPRESSION_LZW:
        return 4096;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
        return 8 * static_cast<std::uint64_t>(std::max<tmsize_t>(TIFFScanlineSize(tiff), 1));
    default:
        return 65536;
    }
}

// Bytes of decoded data the page needs: whole tiles (the format stores edge
// tiles at full size), but strips only as far as the page's rows go, since
// the last strip of each plane holds only the rows that remain.
long double decodedSize(TIFF* tiff, std::uint32_t height)
{
    if (TIFFIsTiled(tiff) != 0) {
        return static_cast<long double>(TIFFTileSize64(tiff)) * TIFFNumberOfTiles(tiff);
    }
    std::uint32_t rowsPerStrip = height;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = rowsPerStrip == 0 ? height : std::min(rowsPerStrip, height);
    const std::uint32_t fullStrips = (height - 1) / rowsPerStrip;
    const std::uint32_t lastRows = height - fullStrips * rowsPerStrip;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t samples = 1;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    const long double plane = static_cast<long double>(TIFFVStripSize64(tiff, rowsPerStrip)) * fullStrips +
                              static_cast<long double>(TIFFVStripSize64(tiff, lastRows));
    return planar == PLANARCONFIG_SEPARATE ? plane * samples : plane;
}

// Refuses a page whose stored data cannot hold the pixels its header claims.
void checkStoredData(TIFF* tiff, std::uint32_t height)
{
    const std::uint32_t pieces = TIFFIsTiled(tiff) != 0 ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    std::uint64_t stored = 0;
    for (std::uint32_t i = 0; i < pieces; ++i) {
        stored += TIFFGetStrileByteCount(tiff, i);
    }
    const std::int64_t fileSize = static_cast<std::int64_t>(TIFFGetSizeProc(tiff)(TIFFClientdata(tiff)));
    if (fileSize >= 0) {
        stored = std::min(stored, static_cast<std::uint64_t>(fileSize));
    }
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
    const long double capacity = static_cast<long double>(stored) * expansionLimit(tiff, compression);
    if (decodedSize(tiff, height) > capacity) {
        throw ZULException(4, ZULFileSupport::zulText(kLoad, "File is too short for its image size"), kSource,
                           __LINE__);
    }
}

ZULImage::Buffer allocate(std::size_t size, const char* text, int line)
{
    ZULImage::Buffer buffer = ZULFileSupport::zulAllocate(size);
    if (!buffer) {
        fail(13, text, line);
    }
    return buffer;
}

// Reads a one-sample page of bits (1 or 8) per pixel stored in tiles into
// buffer (rows of the image layout), dropping the tiles' parts beyond the
// page's edges.  Tile widths are multiples of 16, so tiles start on bytes.
void readTiles(TIFF* tiff, unsigned char* buffer, std::uint32_t width, std::uint32_t height, int bits, int errorLine)
{
    std::uint32_t tileWidth = 0;
    std::uint32_t tileHeight = 0;
    TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileHeight);
    const tmsize_t tileSize = TIFFTileSize(tiff);
    const std::size_t tileRow = static_cast<std::size_t>(TIFFTileRowSize(tiff));
    if (tileWidth == 0 || tileHeight == 0 || tileSize <= 0 || tileWidth % 8 != 0) {
        fail(4, kStripError, errorLine);
    }
    const ZULImage::Buffer tile = allocate(static_cast<std::size_t>(tileSize), kNoMemory, 148);
    const std::size_t rowBytes = static_cast<std::size_t>(ZULImageHead::zulRowBytes(width, bits));
    for (std::uint32_t top = 0; top < height; top += tileHeight) {
        for (std::uint32_t left = 0; left < width; left += tileWidth) {
            if (TIFFReadTile(tiff, tile.get(), left, top, 0, 0) < 0) {
                fail(4, kStripError, errorLine);
            }
            const std::size_t first = static_cast<std::size_t>(left) * static_cast<std::size_t>(bits) / 8;
            const std::size_t count = std::min(tileRow, rowBytes - first);
            for (std::uint32_t y = top; y < std::min(height, top + tileHeight); ++y) {
                std::memcpy(buffer + y * rowBytes + first, tile.get() + (y - top) * tileRow, count);
            }
        }
    }
}

// Reads every strip into buffer (size bytes), one after another, or the
// tiles of a tiled page.
void readStrips(TIFF* tiff, unsigned char* buffer, std::size_t size, int errorLine)
{
    if (TIFFIsTiled(tiff) != 0) {
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        std::uint16_t bits = 8;
        TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
        TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
        readTiles(tiff, buffer, width, height, bits, errorLine);
        return;
    }
    const tmsize_t stripSize = TIFFStripSize(tiff);
    const std::uint32_t strips = TIFFNumberOfStrips(tiff);
    std::size_t filled = 0;
    for (std::uint32_t s = 0; s < strips && filled < size; ++s) {
        const tmsize_t want = std::min<tmsize_t>(stripSize, static_cast<tmsize_t>(size - filled));
        const tmsize_t got = TIFFReadEncodedStrip(tiff, s, buffer + filled, want);
        if (got < 0) {
            fail(4, kStripError, errorLine);
        }
        filled += static_cast<std::size_t>(got);
    }
    if (filled < size) {
        fail(4, kStripError, errorLine);
    }
}

// The fax decoders write only the pixels of a row, so in a 1-bit page whose
// width is not a multiple of 8 the low bits of each row's last byte are left
// as the buffer had them; they are set to 0, as the converter writes them.
void clearRowPadding(unsigned char* pixels, std::uint32_t width, std::uint32_t height)
{
    const int rest = static_cast<int>(width % 8);
    if (rest == 0) {
        return;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(ZULImageHead::zulRowBytes(width, 1));
    const auto keep = static_cast<unsigned char>(0xFF << (8 - rest));
    for (std::size_t y = 0; y < height; ++y) {
        pixels[y * rowBytes + rowBytes - 1] &= keep;
    }
}

ZULImage::Buffer readPalettePage(TIFF* tiff, std::uint32_t width, std::uint32_t height)
{
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    std::uint16_t* red = nullptr;
    std::uint16_t* green = nullptr;
    std::uint16_t* blue = nullptr;
    ZULImage::Buffer indices = allocate(pixels, kNoPaletteMemory, 223);
    ZULImage::Buffer rgb = allocate(3 * pixels, kNoPaletteMemory, 227);
    if (TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue) == 0) {
        fail(1, "<ZULTIFFImage::zulLoadImage()> Cannot find color map information", 232);
    }
    readStrips(tiff, indices.get(), pixels, 243);
    unsigned char* out = rgb.get();
    for (std::size_t i = 0; i < pixels; ++i, out += 3) {
        const unsigned index = indices[i];
        out[0] = static_cast<unsigned char>(red[index] * 255U / 65535U);
        out[1] = static_cast<unsigned char>(green[index] * 255U / 65535U);
        out[2] = static_cast<unsigned char>(blue[index] * 255U / 65535U);
    }
    return rgb;
}

// The page through libtiff's RGBA interface, rows in stored order (the
// caller turns the page upright, as for every layout), transparent areas
// over white.
ZULImage::Buffer readRgbaPage(TIFF* tiff, std::uint32_t width, std::uint32_t height, int orientation)
{
    char reason[1024] = "";
    if (TIFFRGBAImageOK(tiff, reason) == 0) {
        throw ZULFileSupport::zulExplained(
            ZULException(3, "<ZULTIFFImage::zulLoadImage()> Unsupported tiff type", kSource, 145), reason);
    }
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    std::unique_ptr<std::uint32_t[]> raster(new (std::nothrow) std::uint32_t[pixels]);
    if (!raster) {
        fail(13, kNoMemory, 155);
    }
    ZULImage::Buffer rgb = allocate(3 * pixels, kNoMemory, 155);
    // Asking for the page's own orientation makes libtiff keep the stored
    // row order (it would only flip, never turn, a sideways page).
    if (TIFFReadRGBAImageOriented(tiff, width, height, raster.get(), orientation, 1) == 0) {
        throw ZULException(4, ZULFileSupport::zulText(kLoad, "Could not read the page as RGBA"), kSource,
                           __LINE__);
    }
    unsigned char* out = rgb.get();
    // libtiff hands out colours premultiplied by alpha, so a pixel over
    // white is its colour plus the white that shows through.
    const auto overWhite = [](std::uint32_t colour, std::uint32_t clear) {
        return static_cast<unsigned char>(std::min<std::uint32_t>(colour + clear, 255));
    };
    for (std::size_t i = 0; i < pixels; ++i, out += 3) {
        const std::uint32_t value = raster[i];
        const std::uint32_t clear = 255 - TIFFGetA(value);
        out[0] = overWhite(TIFFGetR(value), clear);
        out[1] = overWhite(TIFFGetG(value), clear);
        out[2] = overWhite(TIFFGetB(value), clear);
    }
    return rgb;
}

}  // namespace

ZULImage ZULTIFFImage::zulLoadImage(TIFF* tiff, int page) const
{
    if (page < 1) {
        fail(15, "<ZULTIFFImage::zulLoadImage()> Page number can't be 0 (zero).", 26);
    }
    for (int i = 1; i < page; ++i) {
        if (TIFFReadDirectory(tiff) == 0) {
            fail(15, "<ZULTIFFImage::zulLoadImage()> Invalid page number", 40);
        }
    }
    float xResolution = 0.0f;
    float yResolution = 0.0f;
    std::uint8_t inches = 1;
    readResolution(tiff, xResolution, yResolution, inches);

    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bitsPerSample = 1;
    std::uint16_t samples = 1;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t photometric = 0;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) == 0) {
        fail(12, "<ZULTIFFImage::zulLoadImage()> Image does not define its width", 97);
    }
    if (TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) == 0) {
        fail(12, "<ZULTIFFImage::zulLoadImage()> Image does not define its height", 101);
    }
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
    if (TIFFGetField(tiff, TIFFTAG_PLANARCONFIG, &planar) == 0 ||
        (planar != PLANARCONFIG_CONTIG && planar != PLANARCONFIG_SEPARATE)) {
        fail(12, "<ZULTIFFImage::zulLoadImage()> Either undefined or unsupported TIFFTAG_PLANARCONFIG", 109);
    }
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    if (TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) == 0) {
        fail(12, "<ZULTIFFImage::zulLoadImage()> Image has an undefined photometric interpretation", 123);
    }
    ZULFileSupport::zulCheckSize(width, height, kSource, kLoad);
    checkStoredData(tiff, height);
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetField(tiff, TIFFTAG_ORIENTATION, &orientation);
    if (orientation < ORIENTATION_TOPLEFT || orientation > ORIENTATION_LEFTBOT) {
        orientation = ORIENTATION_TOPLEFT;
    }

    // One sample per pixel, in strips or tiles.
    const bool strips = samples == 1 && (TIFFIsTiled(tiff) != 0 || planar == PLANARCONFIG_CONTIG);
    const bool gray = photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK;
    int bits = 24;
    ZULImage::Buffer pixels;
    if (strips && gray && (bitsPerSample == 1 || bitsPerSample == 8)) {
        bits = bitsPerSample;
        const std::size_t size = static_cast<std::size_t>(ZULImageHead::zulRowBytes(width, bits)) * height;
        pixels = allocate(size, kNoMemory, 148);
        readStrips(tiff, pixels.get(), size, 187);
        if (photometric == PHOTOMETRIC_MINISWHITE) {
            unsigned char* data = pixels.get();
            for (std::size_t i = 0; i < size; ++i) {
                data[i] = static_cast<unsigned char>(~data[i]);
            }
        }
        if (bits == 1) {
            clearRowPadding(pixels.get(), width, height);
        }
    } else if (strips && photometric == PHOTOMETRIC_PALETTE && bitsPerSample == 8) {
        pixels = readPalettePage(tiff, width, height);
    } else {
        pixels = readRgbaPage(tiff, width, height, orientation);
    }

    ZULImage image;
    image.zulSetImageHead(static_cast<int>(width), static_cast<int>(height), bits, xResolution, yResolution,
                          inches);
    image.zulSetImageData(std::move(pixels));
    image.zulSetColorType(bits == 1 ? 1 : bits == 8 ? 2 : 3);
    image.zulSetFromFile(1);
    return ZULOrientation::zulUpright(std::move(image), orientation);
}

ZULImage ZULTIFFImage::zulLoadImageAtPage(const std::string& path, int page) const
{
    if (page <= 0) {
        fail(15, "<ZULTIFFImage::zulLoadImageAtPage()> Page number can't be 0 (zero).", 303);
    }
    const int probe = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (probe < 0) {
        return ZULImage();
    }
    ::close(probe);
    TiffContext context{path};
    try {
        TiffHandle tiff(openTiff(path, "r", context), TIFFClose);
        if (!tiff) {
            throw ZULException(4, ZULFileSupport::zulText(kLoadAtPage, "Not a readable TIFF file"), kSource,
                               __LINE__);
        }
        return zulLoadImage(tiff.get(), page);
    } catch (const ZULException& error) {
        throw ZULFileSupport::zulExplained(error, context.diagnostic());
    }
}

void ZULTIFFImage::zulSaveImage(TIFF* tiff, const ZULImage& image, int compression) const
{
    const int bits = image.zulGetBitsPerPixel();
    if (bits == 1 && (compression == COMPRESSION_LZW || compression == COMPRESSION_OJPEG ||
                      compression == COMPRESSION_JPEG || compression == COMPRESSION_PACKBITS ||
                      compression == COMPRESSION_DEFLATE)) {
        fail(8, "<ZULTIFFImage::zulSaveImage()> Requested compression type not supported for binary tiff images",
             384);
    }
    if ((bits == 8 || bits == 24) && (compression == COMPRESSION_CCITTRLE ||
                                      compression == COMPRESSION_CCITTFAX3 || compression == COMPRESSION_CCITTFAX4)) {
        fail(8,
             "<ZULTIFFImage::zulSaveImage()> Requested compression type not supported for grayscale and color "
             "tiff images",
             390);
    }
    if (bits != 1 && bits != 8 && bits != 24) {
        throw ZULException(8, ZULFileSupport::zulText(kSave, "Only 1, 8 and 24 bit images can be written"), kSource,
                           __LINE__);
    }
    if (!image.zulHasImageData()) {
        throw ZULException(5, ZULFileSupport::zulText(kSave, "Image Data is NULL!"), kSource, __LINE__);
    }
    const float x = image.zulGetXResolution();
    const float y = image.zulGetYResolution();
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.zulGetWidth()));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.zulGetHeight()));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
    if (bits == 24) {
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    } else {
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    }
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, image.zulGetResolutionInInches() != 0 ? RESUNIT_INCH : RESUNIT_NONE);
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<double>(x == 0.0f ? kDefaultResolution : x));
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<double>(y == 0.0f ? kDefaultResolution : y));
    // libtiff leaves the caller's bytes alone at these depths.
    auto* data = const_cast<unsigned char*>(image.zulGetImageData());
    if (TIFFWriteEncodedStrip(tiff, 0, data, static_cast<tmsize_t>(image.zulGetImageDataSize())) < 0) {
        throw ZULException(1, ZULFileSupport::zulText(kSave, "Could not write the file"), kSource, __LINE__);
    }
}

void ZULTIFFImage::zulSaveImage(const std::string& path, const ZULImage& image) const
{
    ZULAtomicFile output(path, nullptr, kSave);
    TiffContext context{path};
    try {
        TiffHandle tiff(openTiff(output.zulTempPath(), "w", context), TIFFClose);
        if (!tiff) {
            throw ZULException(1, "<ZULTIFFImage::zulSaveImage()> Could not open for writing");
        }
        zulSaveImage(tiff.get(), image, image.zulGetBitsPerPixel() == 1 ? COMPRESSION_CCITTFAX4 : COMPRESSION_PACKBITS);
        if (TIFFFlush(tiff.get()) == 0 || context.failed) {
            throw ZULException(1, ZULFileSupport::zulText(kSave, "Could not write the file"), kSource, __LINE__);
        }
    } catch (const ZULException& error) {
        throw ZULFileSupport::zulExplained(error, context.diagnostic());
    }
    output.zulCommit();
}
