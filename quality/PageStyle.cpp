#include "quality/PageStyle.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace tavo::quality {

namespace {

constexpr double kA4WidthInches = 8.27;
constexpr double kA4HeightInches = 11.69;
constexpr double kPointsPerInch = 72.0;
constexpr int kFewestLines = 8;
constexpr int kMostLines = 25;

class Dice {
public:
    explicit Dice(std::mt19937& rng) : rng_(rng) {}
    double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
    int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(double p) { return real(0, 1) < p; }
    template <class T>
    const T& pick(const std::vector<T>& items) { return items[integer(0, int(items.size()) - 1)]; }

private:
    std::mt19937& rng_;
};

// The hand and layout every kind starts from: a tidy writer on plain paper.
void drawHand(PageStyle& s, Dice& dice)
{
    s.font = dice.pick(handFonts());
    const double points = dice.real(15, 22);
    s.em = points * s.dpi / kPointsPerInch;
    s.pen = dice.chance(0.5) ? dice.real(0, 0.03) * s.em : 0;
    s.wobble = dice.real(0, 0.025);
    s.wobbleWave = dice.real(0.2, 0.5);
    s.slant = dice.real(-0.15, 0.2);
    s.slantJitter = dice.real(0.02, 0.08);
    s.sizeJitter = dice.real(0.03, 0.1);
    s.baselineJitter = dice.real(0.02, 0.08);
    s.angleJitter = dice.real(0.005, 0.03);
    s.pawGapJitter = dice.real(0.0, 0.12);
    s.wordGap = dice.real(0.3, 0.6);
    s.wordGapJitter = dice.real(0.05, 0.2);
    s.marginRight = s.width * dice.real(0.06, 0.1);
    s.marginLeft = s.width * dice.real(0.06, 0.12);
    s.top = s.height * dice.real(0.06, 0.1);
    s.raggedRight = dice.real(0.1, 0.6);
    s.drift = dice.real(0, 0.012);
    s.curve = dice.real(0, 0.12);
    s.pitchJitter = dice.real(0, 0.06);
    s.pageNumber = dice.chance(0.4);
    s.marginNote = dice.chance(0.2);
}

// A pitch between lowPitch and highPitch em, and between two thirds of the
// lines that fit and all of them, at least kFewestLines and at most
// kMostLines; the pitch shrinks when that many would not fit.
void drawLines(PageStyle& s, Dice& dice, double lowPitch, double highPitch)
{
    const double usable = s.height - 2 * s.top;
    s.pitch = s.em * dice.real(lowPitch, highPitch);
    const int fit = std::clamp(int(usable / s.pitch) - 1, kFewestLines, kMostLines);
    s.lines = dice.integer(std::min(fit, std::max(kFewestLines, fit * 2 / 3)), fit);
    s.pitch = std::min(s.pitch, usable / (s.lines + 0.5));
}

}  // namespace

const std::vector<std::string>& pageKinds()
{
    static const std::vector<std::string> kinds = {"clean", "ruled", "squared", "faint",
                                                   "photo", "tight", "mixed"};
    return kinds;
}

bool isPageKind(const std::string& kind)
{
    return std::find(pageKinds().begin(), pageKinds().end(), kind) != pageKinds().end();
}

const std::vector<std::string>& handFonts()
{
    static const std::vector<std::string> fonts = {"KacstPen",  "KacstLetter", "KacstOffice", "KacstBook",
                                                   "KacstNaskh", "Amiri",      "Scheherazade", "Mashq",
                                                   "Hani",       "Furat"};
    return fonts;
}

PageStyle drawStyle(const std::string& kind, std::mt19937& rng)
{
    if (!isPageKind(kind))
        throw std::invalid_argument("unknown page kind: " + kind);
    Dice dice(rng);
    PageStyle s;
    s.kind = kind;
    const std::string look = kind == "mixed" ? dice.pick(std::vector<std::string>{
                                                   "clean", "ruled", "squared", "faint", "photo", "tight"})
                                             : kind;
    s.dpi = look == "photo" ? dice.pick(std::vector<int>{200, 300})
                            : dice.pick(std::vector<int>{200, 300, 300, 400});
    s.width = int(std::lround(kA4WidthInches * s.dpi));
    s.height = int(std::lround(kA4HeightInches * s.dpi));
    drawHand(s, dice);
    drawLines(s, dice, 1.6, 2.5);
    s.specks = dice.integer(0, 40);

    if (look == "ruled" || look == "squared") {
        s.capture = Capture::Colour;
        s.ruled = true;
        s.squared = look == "squared";
        s.drift = dice.real(0, 0.003);
        s.curve = dice.real(0, 0.04);
        s.paper = {dice.real(245, 255), dice.real(243, 253), dice.real(235, 248)};
        s.ink = dice.chance(0.5) ? Rgb{20, 35, dice.real(120, 170)} : Rgb{25, 25, 30};
        s.grain = dice.real(0, 4);
    } else if (look == "faint") {
        s.capture = Capture::Grey;
        s.inkStrength = dice.real(0.6, 0.8);
        s.inkStrengthJitter = dice.real(0.04, 0.1);
        s.ink = dice.chance(0.5) ? Rgb{40, 60, 160} : Rgb{60, 60, 60};
        s.pen = 0;
        s.grain = dice.real(2, 8);
    } else if (look == "photo") {
        s.capture = Capture::Photo;
        s.greyPhoto = dice.chance(0.4);
        s.paper = {dice.real(200, 235), dice.real(195, 230), dice.real(180, 215)};
        s.ink = dice.chance(0.5) ? Rgb{25, 40, 130} : Rgb{35, 30, 35};
        s.inkStrength = dice.real(0.75, 0.95);
        s.lightFalloff = dice.real(0.2, 0.45);
        s.stains = dice.integer(0, 3);
        s.grain = dice.real(4, 10);
        s.specks = 0;
    } else if (look == "tight") {
        // A large hand packed close: descenders of one line meet the
        // ascenders of the next.
        s.em = dice.real(20, 27) * s.dpi / kPointsPerInch;
        drawLines(s, dice, 1.0, 1.25);
        s.pitchJitter = dice.real(0.02, 0.08);
    }
    if (kind == "mixed") {
        s.curve = dice.real(0.05, 0.3);
        s.drift = dice.real(0.004, 0.02);
        s.stains = std::max(s.stains, dice.integer(1, 3));
        s.pageNumber = dice.chance(0.7);
        s.marginNote = dice.chance(0.6);
        if (s.capture == Capture::Bilevel)
            s.capture = Capture::Grey;
    }
    if (s.marginNote)
        s.marginLeft = s.width * dice.real(0.14, 0.2);
    return s;
}

}  // namespace tavo::quality
