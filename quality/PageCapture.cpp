#include "quality/PageCapture.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavo::quality {

namespace {

struct Stain {
    double cx, cy, rx, ry, depth;
    Rgb colour;
};

// Grey of a colour as the program's own conversion weighs it.
double greyOf(double r, double g, double b) { return 0.299 * r + 0.587 * g + 0.114 * b; }

// A cheap, seeded noise source for per-pixel grain.
class Grain {
public:
    explicit Grain(std::uint32_t seed) : state_(seed | 1u) {}
    // Roughly normal with deviation about amount (sum of two uniforms).
    double next(double amount)
    {
        state_ ^= state_ << 13, state_ ^= state_ >> 17, state_ ^= state_ << 5;
        const double a = (state_ & 0xffff) / 65535.0, b = (state_ >> 16) / 65535.0;
        return (a + b - 1.0) * amount * 2.45;
    }

private:
    std::uint32_t state_;
};

std::uint8_t clampByte(double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

class Paper {
public:
    Paper(const PageStyle& s, std::mt19937& rng) : s_(s)
    {
        auto real = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
        for (int i = 0; i < s.stains; ++i) {
            const double r = real(0.04, 0.15) * s.width;
            stains_.push_back({real(0, s.width), real(0, s.height), r * real(0.6, 1.4), r * real(0.6, 1.4),
                               real(0.15, 0.4), Rgb{150, 120, 70}});
        }
        ruleWidth_ = std::max(1.0, s.dpi / 150.0);
        ruleStep_ = s.pitch;
        ruleOffset_ = s.top + s.pitch * 0.8;  // the baselines of the lines
        lightX_ = real(0.2, 0.8) * s.width;
        lightY_ = real(0.2, 0.8) * s.height;
    }

    Rgb at(int x, int y) const
    {
        Rgb c = s_.paper;
        if (s_.ruled && onRule(y))
            c = s_.rule;
        else if (s_.squared && onRule(x + int(ruleOffset_)))
            c = s_.rule;
        for (const Stain& st : stains_) {
            const double dx = (x - st.cx) / st.rx, dy = (y - st.cy) / st.ry;
            const double d = dx * dx + dy * dy;
            if (d < 1) {
                const double a = st.depth * (1 - d * d);
                c = {c.r + (st.colour.r - c.r) * a, c.g + (st.colour.g - c.g) * a, c.b + (st.colour.b - c.b) * a};
            }
        }
        if (s_.lightFalloff > 0) {
            const double dx = (x - lightX_) / s_.width, dy = (y - lightY_) / s_.height;
            const double light = 1 - s_.lightFalloff * std::min(1.0, 1.6 * (dx * dx + dy * dy));
            c = {c.r * light, c.g * light, c.b * light};
        }
        return c;
    }

private:
    bool onRule(int y) const
    {
        const double offset = std::fmod(y - ruleOffset_ + 1000 * ruleStep_, ruleStep_);
        return offset < ruleWidth_;
    }

    const PageStyle& s_;
    std::vector<Stain> stains_;
    double ruleWidth_, ruleStep_, ruleOffset_;
    double lightX_, lightY_;
};

// Specks of dirt: small dark blobs about a stroke wide.
void addSpecks(const PageStyle& s, std::mt19937& rng, std::vector<std::uint8_t>& cover)
{
    auto real = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    for (int i = 0; i < s.specks; ++i) {
        const double r = real(0.02, 0.08) * s.em;
        const int cx = int(real(0, s.width)), cy = int(real(0, s.height));
        for (int y = std::max(0, cy - int(r) - 1); y <= std::min(s.height - 1, cy + int(r) + 1); ++y)
            for (int x = std::max(0, cx - int(r) - 1); x <= std::min(s.width - 1, cx + int(r) + 1); ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
                    cover[static_cast<size_t>(y) * s.width + x] = 255;
    }
}

// A camera's softness: the ink spread by a three-pixel box, across then down.
void soften(std::vector<std::uint8_t>& cover, int width, int height)
{
    std::vector<std::uint8_t> line;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = cover.data() + static_cast<size_t>(y) * width;
        line.assign(row, row + width);
        for (int x = 1; x + 1 < width; ++x)
            row[x] = static_cast<std::uint8_t>((line[x - 1] + line[x] + line[x + 1] + 1) / 3);
    }
    std::vector<std::uint8_t> above(cover.begin(), cover.begin() + width), current(width);
    for (int y = 1; y + 1 < height; ++y) {
        std::uint8_t* row = cover.data() + static_cast<size_t>(y) * width;
        const std::uint8_t* below = row + width;
        current.assign(row, row + width);
        for (int x = 0; x < width; ++x)
            row[x] = static_cast<std::uint8_t>((above[x] + current[x] + below[x] + 1) / 3);
        above.swap(current);
    }
}

}  // namespace

std::string captureExtension(Capture capture)
{
    switch (capture) {
    case Capture::Bilevel:
    case Capture::Grey:
        return ".tif";
    case Capture::Colour:
        return ".png";
    case Capture::Photo:
        return ".jpg";
    }
    return ".tif";
}

ZULImage capturePage(const PageStyle& s, const InkLayer& ink, std::mt19937& rng)
{
    std::vector<std::uint8_t> cover = ink.cover;
    addSpecks(s, rng, cover);
    if (s.capture == Capture::Photo)
        soften(cover, s.width, s.height);
    const bool colour = s.capture == Capture::Colour || (s.capture == Capture::Photo && !s.greyPhoto);
    const int bits = s.capture == Capture::Bilevel ? 1 : colour ? 24 : 8;
    ZULImage image(s.width, s.height, bits, true);
    image.zulSetResolution(float(s.dpi), float(s.dpi), 1);

    if (bits == 1) {
        // A bilevel scan: a pixel is black exactly where the ink covers half
        // of it, so the truth boxes hold all of the page's ink.
        for (int y = 0; y < s.height; ++y) {
            const std::uint8_t* c = cover.data() + static_cast<size_t>(y) * s.width;
            for (int x = 0; x < s.width; ++x)
                if (c[x] >= kInkCover)
                    image.zulSetPixel(x, y, 0);
        }
        return image;
    }

    const Paper paper(s, rng);
    Grain grain(static_cast<std::uint32_t>(rng()));
    for (int y = 0; y < s.height; ++y) {
        const std::uint8_t* c = cover.data() + static_cast<size_t>(y) * s.width;
        unsigned char* row = image.zulGetRow(y);
        for (int x = 0; x < s.width; ++x) {
            const Rgb bg = paper.at(x, y);
            const double a = c[x] / 255.0;
            const double n = s.grain > 0 ? grain.next(s.grain) : 0;
            const double r = bg.r + (s.ink.r - bg.r) * a + n;
            const double g = bg.g + (s.ink.g - bg.g) * a + n;
            const double b = bg.b + (s.ink.b - bg.b) * a + n;
            if (colour) {
                row[3 * x] = clampByte(r);
                row[3 * x + 1] = clampByte(g);
                row[3 * x + 2] = clampByte(b);
            } else {
                row[x] = clampByte(greyOf(r, g, b));
            }
        }
    }
    return image;
}

}  // namespace tavo::quality
