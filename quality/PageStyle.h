// What a generated page looks like: the hand (font, size, pen, slant and
// how much each word wanders), the layout of the lines, the paper and the
// way the page was captured.  drawStyle picks all of it for a page kind from
// a random source, so a kind and a seed fix the page.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace tavo::quality {

// The kinds of page, in the order the default set lists them.
const std::vector<std::string>& pageKinds();
bool isPageKind(const std::string& kind);

enum class Capture {
    Bilevel,  // scanner output of 1 bit, Group 4 TIFF
    Grey,     // 8-bit grey TIFF
    Colour,   // 24-bit colour PNG
    Photo,    // colour or grey JPEG taken with a camera
};

struct Rgb {
    double r = 0, g = 0, b = 0;
};

struct PageStyle {
    std::string kind;
    int dpi = 300;
    int width = 0, height = 0;  // A4 at dpi
    Capture capture = Capture::Bilevel;
    bool greyPhoto = false;

    // The hand: sizes in pixels unless marked as a share of em.
    std::string font;
    double em = 60;              // font size
    double pen = 0;              // extra stroke width, pixels
    double wobble = 0;           // bend of the strokes, share of em
    double wobbleWave = 0.3;     // its wavelength, share of em
    double slant = 0;            // shear of every word
    double slantJitter = 0;      // per word
    double sizeJitter = 0;       // per word, share of the size
    double baselineJitter = 0;   // per word, share of em
    double angleJitter = 0;      // per word, radians
    double pawGapJitter = 0;     // extra space between PAWs, share of em
    double wordGap = 0.35;       // share of em
    double wordGapJitter = 0.1;  // share of em

    // Layout.
    int lines = 14;
    double pitch = 120;        // pixels between baselines
    double pitchJitter = 0;    // per line, share of the pitch
    double drift = 0;          // largest slope of a line
    double curve = 0;          // amplitude of the line's bend, share of em
    double marginRight = 0, marginLeft = 0, top = 0;
    double raggedRight = 0;    // per line, share of em
    double digitShare = 0.03;  // share of words that are numbers
    bool pageNumber = false;
    bool marginNote = false;

    // Paper, ink and capture.
    Rgb paper{255, 255, 255};
    Rgb ink{15, 15, 20};
    double inkStrength = 1.0;      // 1 full coverage; below: faint ink
    double inkStrengthJitter = 0;  // per word
    bool ruled = false;
    bool squared = false;
    Rgb rule{165, 195, 235};
    double lightFalloff = 0;  // darkening towards the page corners, share
    int stains = 0;
    int specks = 0;           // noise blobs
    double grain = 0;         // grey-level noise amplitude
};

// Throws std::invalid_argument for an unknown kind.
PageStyle drawStyle(const std::string& kind, std::mt19937& rng);

// The families the generator may pick from.
const std::vector<std::string>& handFonts();

}  // namespace tavo::quality
