#include "quality/InkPainter.h"

#include <algorithm>
#include <cmath>
#include <fontconfig/fontconfig.h>
#include <numbers>

namespace tavo::quality {

InkPainter::InkPainter(const std::string& family)
{
    context_ = pango_font_map_create_context(pango_cairo_font_map_get_default());
    // Outlines without hinting, so that shapes and advances scale with the
    // word transform exactly.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context_, options);
    cairo_font_options_destroy(options);
    layout_ = pango_layout_new(context_);
    font_ = pango_font_description_new();
    pango_font_description_set_family(font_, family.c_str());
    pango_font_description_set_absolute_size(font_, kReferenceEm * PANGO_SCALE);
    pango_layout_set_font_description(layout_, font_);
}

InkPainter::~InkPainter()
{
    pango_font_description_free(font_);
    g_object_unref(layout_);
    g_object_unref(context_);
}

void InkPainter::setWobble(double amplitude, double wavelength)
{
    wobble_ = amplitude;
    wave_ = 2 * std::numbers::pi / std::max(1.0, wavelength);
}

void InkPainter::setWobblePhase(double across, double down)
{
    phaseX_ = across;
    phaseY_ = down;
}

// Moves every point of the current path: across by a wave running down the
// text, down by one running across it.
void InkPainter::bendPath(cairo_t* cr) const
{
    cairo_path_t* path = cairo_copy_path(cr);
    for (int i = 0; i < path->num_data; i += path->data[i].header.length)
        for (int j = 1; j < path->data[i].header.length; ++j) {
            cairo_path_data_t& p = path->data[i + j];
            const double x = p.point.x, y = p.point.y;
            p.point.x = x + wobble_ * std::sin(y * wave_ + phaseX_);
            p.point.y = y + wobble_ * std::sin(x * wave_ + phaseY_);
        }
    cairo_new_path(cr);
    cairo_append_path(cr, path);
    cairo_path_destroy(path);
}

double InkPainter::advance(const std::string& text)
{
    pango_layout_set_text(layout_, text.c_str(), -1);
    PangoRectangle logical;
    pango_layout_get_extents(layout_, nullptr, &logical);
    return double(logical.width) / PANGO_SCALE;
}

Box InkPainter::paint(const std::string& text, const cairo_matrix_t& toPage, double left, double pen,
                      double strength, InkLayer& layer)
{
    pango_layout_set_text(layout_, text.c_str(), -1);
    PangoRectangle ink, logical;
    pango_layout_get_extents(layout_, &ink, &logical);
    const double originX = left - double(logical.x) / PANGO_SCALE;
    const double originY = -double(pango_layout_get_baseline(layout_)) / PANGO_SCALE;

    // Page rectangle that surely holds the ink: the ink extents widened by
    // the pen, through the transform, plus a pixel of antialiasing.
    const double grow = pen + wobble_ + 1;
    const double x0 = originX + double(ink.x) / PANGO_SCALE - grow;
    const double y0 = originY + double(ink.y) / PANGO_SCALE - grow;
    const double x1 = x0 + double(ink.width) / PANGO_SCALE + 2 * grow;
    const double y1 = y0 + double(ink.height) / PANGO_SCALE + 2 * grow;
    double lo[2] = {1e18, 1e18}, hi[2] = {-1e18, -1e18};
    for (const auto& [cx, cy] : {std::pair{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}}) {
        double px = cx, py = cy;
        cairo_matrix_transform_point(&toPage, &px, &py);
        lo[0] = std::min(lo[0], px), hi[0] = std::max(hi[0], px);
        lo[1] = std::min(lo[1], py), hi[1] = std::max(hi[1], py);
    }
    const int bx = std::max(0, int(std::floor(lo[0])) - 2);
    const int by = std::max(0, int(std::floor(lo[1])) - 2);
    const int ex = std::min(layer.width, int(std::ceil(hi[0])) + 2);
    const int ey = std::min(layer.height, int(std::ceil(hi[1])) + 2);
    if (ex <= bx || ey <= by)
        return {};

    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_A8, ex - bx, ey - by);
    cairo_t* cr = cairo_create(scratch);
    cairo_translate(cr, -bx, -by);
    cairo_transform(cr, &toPage);
    cairo_move_to(cr, originX, originY);
    pango_cairo_layout_path(cr, layout_);
    if (wobble_ > 0)
        bendPath(cr);
    cairo_fill_preserve(cr);
    if (pen > 0) {
        cairo_set_line_width(cr, pen);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(scratch);

    const unsigned char* data = cairo_image_surface_get_data(scratch);
    const int stride = cairo_image_surface_get_stride(scratch);
    int minX = ex, minY = ey, maxX = -1, maxY = -1;
    for (int y = by; y < ey; ++y) {
        const unsigned char* row = data + static_cast<size_t>(y - by) * stride;
        std::uint8_t* page = layer.cover.data() + static_cast<size_t>(y) * layer.width;
        for (int x = bx; x < ex; ++x) {
            const int v = row[x - bx];
            if (v == 0)
                continue;
            if (v >= kInkCover) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
            const auto laid = static_cast<std::uint8_t>(std::lround(v * strength));
            page[x] = std::max(page[x], laid);
        }
    }
    cairo_surface_destroy(scratch);
    if (maxX < 0)
        return {};
    return {minX, minY, maxX - minX + 1, maxY - minY + 1};
}

void releaseFontCaches()
{
    pango_cairo_font_map_set_default(nullptr);
    cairo_debug_reset_static_data();
    FcFini();
}

cairo_matrix_t wordTransform(double x, double y, double angle, double slant, double scale)
{
    cairo_matrix_t m, step;
    cairo_matrix_init_scale(&m, scale, scale);
    cairo_matrix_init(&step, 1, 0, -slant, 1, 0, 0);
    cairo_matrix_multiply(&m, &m, &step);
    cairo_matrix_init_rotate(&step, angle);
    cairo_matrix_multiply(&m, &m, &step);
    cairo_matrix_init_translate(&step, x, y);
    cairo_matrix_multiply(&m, &m, &step);
    return m;
}

}  // namespace tavo::quality
