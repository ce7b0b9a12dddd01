#include "quality/TruthOverlay.h"

#include <algorithm>

#include "ZULImageConverter.h"

namespace tavo::quality {

namespace {

constexpr int kShrink = 2;

void frame(ZULImage& view, const Box& b, std::uint8_t r, std::uint8_t g, std::uint8_t bl)
{
    const int x0 = b.x / kShrink, y0 = b.y / kShrink;
    const int x1 = (b.x + b.w - 1) / kShrink, y1 = (b.y + b.h - 1) / kShrink;
    for (int x = x0; x <= x1; ++x)
        view.zulSetColorPixel(x, y0, r, g, bl), view.zulSetColorPixel(x, y1, r, g, bl);
    for (int y = y0; y <= y1; ++y)
        view.zulSetColorPixel(x0, y, r, g, bl), view.zulSetColorPixel(x1, y, r, g, bl);
}

}  // namespace

ZULImage truthOverlay(const ZULImage& page, const PageTruth& truth)
{
    ZULImage colour;
    ZULImageConverter::zulConvertImage(colour, page, ZULImageConverter::kColor);
    const int w = std::max(1, page.zulGetWidth() / kShrink), h = std::max(1, page.zulGetHeight() / kShrink);
    ZULImage view(w, h, 24, true);
    for (int y = 0; y < h; ++y) {
        unsigned char* out = view.zulGetRow(y);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                // The darker of the pixels, so thin strokes survive.
                int v = 255;
                for (int dy = 0; dy < kShrink; ++dy)
                    for (int dx = 0; dx < kShrink; ++dx)
                        v = std::min<int>(v, colour.zulGetRow(y * kShrink + dy)[3 * (x * kShrink + dx) + c]);
                out[3 * x + c] = static_cast<unsigned char>(v);
            }
    }
    for (const TruthLine& line : truth.lines) {
        for (const TruthWord& word : line.words) {
            for (const Box& p : word.paws)
                frame(view, p, 0, 170, 0);
            frame(view, word.box, 0, 0, 230);
        }
        frame(view, line.box, 230, 0, 0);
    }
    for (const Box& e : truth.extras)
        frame(view, e, 220, 0, 220);
    return view;
}

}  // namespace tavo::quality
