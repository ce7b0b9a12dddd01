// Draws Arabic text one PAW at a time with Pango and Cairo and keeps the exact
// ink box of each: the PAW is filled (and stroked with the pen) into a
// scratch coverage mask under the word's transform, its box is taken from
// the mask's pixels, and the mask is then laid onto the page's ink layer.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstdint>
#include <string>
#include <vector>

#include "quality/PageTruth.h"

namespace tavo::quality {

// How much ink covers each page pixel, 0 (none) to 255 (full).
struct InkLayer {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> cover;
    InkLayer(int w, int h) : width(w), height(h), cover(static_cast<size_t>(w) * h, 0) {}
};

// A scratch pixel counts as ink from half coverage on, where a grey page
// turns dark at a threshold of 128.
constexpr int kInkCover = 128;

class InkPainter {
public:
    // Text is laid out at kReferenceEm pixels to the em; the word transform
    // scales it to the page.
    static constexpr double kReferenceEm = 100.0;

    explicit InkPainter(const std::string& family);
    ~InkPainter();
    InkPainter(const InkPainter&) = delete;
    InkPainter& operator=(const InkPainter&) = delete;

    // Bends every outline by a smooth wave of the given amplitude and
    // wavelength (reference pixels), as an unsteady hand does; phase moves
    // the wave, so words differ.  Amplitude 0 draws the font's outlines.
    void setWobble(double amplitude, double wavelength);
    void setWobblePhase(double across, double down);

    // Advance width of the text in reference pixels.
    double advance(const std::string& text);

    // Draws the text with the left end of its advance at local x = left on
    // the local baseline y = 0; toPage maps local reference pixels to page
    // pixels.  pen is an extra stroke width in local units.  Returns the ink
    // box on the page (empty when nothing of it lands on the page).
    Box paint(const std::string& text, const cairo_matrix_t& toPage, double left, double pen,
              double strength, InkLayer& layer);

private:
    void bendPath(cairo_t* cr) const;

    double wobble_ = 0, wave_ = 1, phaseX_ = 0, phaseY_ = 0;
    PangoContext* context_;
    PangoLayout* layout_;
    PangoFontDescription* font_;
};

// Frees the font map and the font and glyph caches that Pango, Cairo and
// fontconfig keep for the life of the process, so that leak checkers see
// only real leaks.  Call it last, when no InkPainter is left.
void releaseFontCaches();

// Local word frame to page: the word's right end on the baseline at (x, y),
// turned by angle, leaning by slant, scaled by scale.
cairo_matrix_t wordTransform(double x, double y, double angle, double slant, double scale);

}  // namespace tavo::quality
