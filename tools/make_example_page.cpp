// Renders a page of handwritten-looking Arabic text at 300 dpi together with
// its transcription, reproducibly from a seed.
//
//   make_example_page [--seed N] [--lines L] [--width W] [--height H]
//                     [--font "KacstPen 16"] [--preview page.png] page.tif page.txt
//
// Words are laid out right to left one at a time, with a small random lift
// and size change per word and word gaps clearly wider than the gaps
// between the pieces of a word, so that the page has the structure a
// scanned handwritten page has.  The page is written as a 1-bit Group 4
// TIFF (min-is-black: ink is 0) and the transcription as UTF-8, one text
// line per line.
#include <cairo.h>
#include <pango/pangocairo.h>
#include <tiffio.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "quality/Vocabulary.h"

namespace {

struct Options {
    unsigned seed = 1;
    int lines = 14;
    int width = 2480;
    int height = 1754;
    std::string font = "KacstPen 16";
    std::string image;
    std::string text;
    std::string preview;  // optional PNG of the page
};

bool parseOptions(int argc, char** argv, Options& o)
{
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = nullptr;
        if (a == "--seed" && (v = value()))
            o.seed = static_cast<unsigned>(std::strtoul(v, nullptr, 10));
        else if (a == "--lines" && (v = value()))
            o.lines = std::atoi(v);
        else if (a == "--width" && (v = value()))
            o.width = std::atoi(v);
        else if (a == "--height" && (v = value()))
            o.height = std::atoi(v);
        else if (a == "--font" && (v = value()))
            o.font = v;
        else if (a == "--preview" && (v = value()))
            o.preview = v;
        else if (!a.empty() && a[0] != '-')
            files.push_back(a);
        else
            return false;
    }
    if (files.size() != 2 || o.lines < 1 || o.width < 200 || o.height < 200)
        return false;
    o.image = files[0];
    o.text = files[1];
    return true;
}

// Draws one word with its right edge at x and its baseline at y; returns its
// width in pixels.
int drawWord(cairo_t* cr, PangoLayout* layout, const char* word, double right, double baseline)
{
    pango_layout_set_text(layout, word, -1);
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    const double left = right - (ink.x + ink.width);
    cairo_move_to(cr, left, baseline - pango_layout_get_baseline(layout) / double(PANGO_SCALE));
    pango_cairo_show_layout(cr, layout);
    return ink.x + ink.width;
}

bool writeGroup4Tiff(const std::string& path, const unsigned char* grey, int stride, int width,
                     int height)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 300.0);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 300.0);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    const int rowBytes = (width + 7) / 8;
    std::vector<unsigned char> bits(static_cast<size_t>(rowBytes) * height, 0);
    for (int y = 0; y < height; ++y) {
        const unsigned char* src = grey + static_cast<size_t>(y) * stride;
        unsigned char* dst = bits.data() + static_cast<size_t>(y) * rowBytes;
        for (int x = 0; x < width; ++x)
            if (src[x] >= 128)  // white paper is a set bit
                dst[x >> 3] |= static_cast<unsigned char>(0x80 >> (x & 7));
    }
    const bool ok =
        TIFFWriteEncodedStrip(tif, 0, bits.data(), static_cast<tmsize_t>(bits.size())) >= 0;
    TIFFClose(tif);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parseOptions(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: make_example_page [--seed N] [--lines L] [--width W] [--height H] "
                     "[--font FONT] [--preview page.png] page.tif page.txt\n");
        return 2;
    }
    std::mt19937 rng(o.seed);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };

    // Cairo's A8 surface holds coverage; we draw ink as coverage and turn it
    // into grey afterwards.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, o.width, o.height);
    cairo_t* cr = cairo_create(surface);
    cairo_font_options_t* fontOptions = cairo_font_options_create();
    cairo_font_options_set_antialias(fontOptions, CAIRO_ANTIALIAS_GRAY);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout), fontOptions);
    pango_cairo_context_set_resolution(pango_layout_get_context(layout), 300.0);
    PangoFontDescription* baseFont = pango_font_description_from_string(o.font.c_str());

    const int margin = o.width / 12;
    const int top = o.height / 14;
    const int pitch = (o.height - 2 * top) / o.lines;
    std::string transcript;
    for (int line = 0; line < o.lines; ++line) {
        const double baseline = top + pitch * line + pitch * 0.7;
        double right = o.width - margin - uniform(0, 40);
        std::string text;
        for (bool last = false; !last;) {
            // The last word of the line when little room is left.
            last = right - margin < 420;
            const bool edge = text.empty() || last;
            const auto words = edge ? tavo::quality::shortPieceWords : tavo::quality::commonWords;
            const char* word = words[uniform(0, static_cast<int>(words.size()) - 1)];
            PangoFontDescription* font = pango_font_description_copy(baseFont);
            const int size = pango_font_description_get_size(baseFont);
            pango_font_description_set_size(font, size * uniform(92, 108) / 100);
            pango_layout_set_font_description(layout, font);
            pango_font_description_free(font);
            pango_layout_set_text(layout, word, -1);
            PangoRectangle ink, logical;
            pango_layout_get_pixel_extents(layout, &ink, &logical);
            if (right - (ink.x + ink.width) < margin)
                break;
            right -= drawWord(cr, layout, word, right, baseline + uniform(-6, 6));
            right -= uniform(45, 75);
            if (!text.empty())
                text += ' ';
            text += word;
        }
        transcript += text;
        transcript += '\n';
    }
    cairo_surface_flush(surface);

    const unsigned char* cover = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    std::vector<unsigned char> grey(static_cast<size_t>(stride) * o.height);
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = static_cast<unsigned char>(255 - cover[i]);
    const bool ok = writeGroup4Tiff(o.image, grey.data(), stride, o.width, o.height);
    if (!o.preview.empty()) {
        cairo_surface_t* view = cairo_image_surface_create(CAIRO_FORMAT_RGB24, o.width, o.height);
        unsigned char* px = cairo_image_surface_get_data(view);
        const int viewStride = cairo_image_surface_get_stride(view);
        for (int y = 0; y < o.height; ++y)
            for (int x = 0; x < o.width; ++x) {
                const unsigned char g = grey[static_cast<size_t>(y) * stride + x] >= 128 ? 255 : 0;
                std::memset(px + static_cast<size_t>(y) * viewStride + 4 * x, g, 4);
            }
        cairo_surface_mark_dirty(view);
        cairo_surface_write_to_png(view, o.preview.c_str());
        cairo_surface_destroy(view);
    }

    pango_font_description_free(baseFont);
    g_object_unref(layout);
    cairo_font_options_destroy(fontOptions);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);

    std::FILE* f = std::fopen(o.text.c_str(), "wb");
    if (!ok || !f || std::fwrite(transcript.data(), 1, transcript.size(), f) != transcript.size()) {
        std::fprintf(stderr, "make_example_page: cannot write %s or %s\n", o.image.c_str(),
                     o.text.c_str());
        if (f)
            std::fclose(f);
        return 2;
    }
    return std::fclose(f) == 0 ? 0 : 2;
}
