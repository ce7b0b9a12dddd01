#include "quality/HandwrittenPage.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "align/Paw.h"
#include "util/Strings.h"
#include "quality/Vocabulary.h"

namespace tavo::quality {

namespace {

constexpr char16_t kFirstDigit = 0x0660;
constexpr char16_t kLastDigit = 0x0669;

bool isDigitWord(const std::u16string& word)
{
    return !word.empty() &&
           std::all_of(word.begin(), word.end(), [](char16_t c) { return c >= kFirstDigit && c <= kLastDigit; });
}

class Hand {
public:
    Hand(const PageStyle& style, std::mt19937& rng, InkLayer& ink)
        : s_(style), rng_(rng), ink_(ink), painter_(style.font)
    {
        painter_.setWobble(style.wobble * InkPainter::kReferenceEm, style.wobbleWave * InkPainter::kReferenceEm);
    }

    double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
    int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    double jitter(double amount) { return amount > 0 ? std::normal_distribution<double>(0, amount)(rng_) : 0; }

    // A number of up to the given digits, without leading zeros.
    std::string number(int mostDigits)
    {
        std::u16string digits;
        for (int n = integer(1, mostDigits); n > 0; --n)
            digits += char16_t(kFirstDigit + integer(digits.empty() ? 1 : 0, 9));
        return utf8FromWide(digits);
    }

    std::string pickWord()
    {
        const double r = real(0, 1);
        if (r < s_.digitShare)
            return number(4);
        // About one word in ten of many pieces and one in ten of short ones.
        const auto& words = r < 0.12 ? manyPieceWords : r < 0.22 ? shortPieceWords : commonWords;
        return words[integer(0, int(words.size()) - 1)];
    }

    struct Shape {
        std::vector<std::string> paws;
        std::vector<double> advances;  // reference pixels
        std::vector<double> gaps;      // after each PAW, reference pixels
        double width = 0;              // reference pixels
    };

    Shape shape(const std::string& word)
    {
        Shape w;
        w.paws = pawsRightToLeft(word);
        for (size_t i = 0; i < w.paws.size(); ++i) {
            w.advances.push_back(painter_.advance(w.paws[i]));
            const bool last = i + 1 == w.paws.size();
            w.gaps.push_back(last ? 0 : std::max(0.0, jitter(s_.pawGapJitter)) * InkPainter::kReferenceEm);
            w.width += w.advances.back() + w.gaps.back();
        }
        return w;
    }

    // Paints the word with its right end at the page point; returns its
    // truth with the PAW boxes.
    TruthWord paint(const std::string& text, const Shape& w, const cairo_matrix_t& toPage, double strength)
    {
        TruthWord word;
        word.text = text;
        painter_.setWobblePhase(real(0, 2 * std::numbers::pi), real(0, 2 * std::numbers::pi));
        double right = 0;
        const double pen = s_.pen * InkPainter::kReferenceEm / s_.em;
        for (size_t i = 0; i < w.paws.size(); ++i) {
            right += w.advances[i];
            const Box box = painter_.paint(w.paws[i], toPage, -right, pen, strength, ink_);
            right += w.gaps[i];
            if (box.empty())
                continue;
            word.paws.push_back(box);
            word.box = unite(word.box, box);
        }
        return word;
    }

    const PageStyle& s_;
    std::mt19937& rng_;
    InkLayer& ink_;
    InkPainter painter_;
};

// Baseline of a line: height at distance u from its right end and its
// direction there.
struct Baseline {
    double y0 = 0, slope = 0, amplitude = 0, wave = 0, phase = 0;
    double y(double u) const { return y0 + slope * u + amplitude * std::sin(wave * u + phase); }
    // Direction of the page x axis along the baseline: y falls as u grows
    // leftwards.
    double angle(double u) const { return std::atan(-(slope + amplitude * wave * std::cos(wave * u + phase))); }
};

TruthLine writeLine(Hand& hand, const PageStyle& s, const Baseline& base, double right, double length)
{
    TruthLine line;
    const double scale = s.em / InkPainter::kReferenceEm;
    double u = 0;
    while (true) {
        const std::string text = hand.pickWord();
        const Hand::Shape shape = hand.shape(text);
        const double size = scale * std::max(0.5, 1 + hand.jitter(s.sizeJitter));
        const double width = shape.width * size;
        if (!line.words.empty() && u + width > length)
            break;
        const double angle = base.angle(u) + hand.jitter(s.angleJitter);
        const double slant = s.slant + hand.jitter(s.slantJitter);
        const double y = base.y(u) + hand.jitter(s.baselineJitter) * s.em;
        const double strength = std::clamp(s.inkStrength + hand.jitter(s.inkStrengthJitter), 0.2, 1.0);
        TruthWord word = hand.paint(text, shape, wordTransform(right - u, y, angle, slant, size), strength);
        u += width * std::cos(angle) + std::max(0.2, s.wordGap + hand.jitter(s.wordGapJitter)) * s.em;
        if (word.paws.empty())
            continue;
        line.box = unite(line.box, word.box);
        line.text += (line.text.empty() ? "" : " ") + text;
        line.words.push_back(std::move(word));
        if (u >= length)
            break;
    }
    return line;
}

// A short run of words in the same hand, drawn at a turn; returns its ink.
Box writeAside(Hand& hand, const std::vector<std::string>& words, double x, double y, double angle,
               double size)
{
    Box box;
    double u = 0;
    for (const std::string& text : words) {
        const Hand::Shape shape = hand.shape(text);
        const double dx = -u * std::cos(angle), dy = -u * std::sin(angle);
        const TruthWord word = hand.paint(text, shape, wordTransform(x + dx, y + dy, angle, 0, size), 1.0);
        box = unite(box, word.box);
        u += (shape.width + 0.4 * InkPainter::kReferenceEm) * size;
    }
    return box;
}

void writeExtras(Hand& hand, const PageStyle& s, PageTruth& truth)
{
    const double scale = s.em / InkPainter::kReferenceEm;
    if (s.pageNumber) {
        const std::string digits = hand.number(3);
        const bool atTop = hand.integer(0, 1) == 0;
        const double y = atTop ? s.top * 0.5 : s.height - s.top * 0.4;
        const Box box = writeAside(hand, {digits}, s.width * hand.real(0.45, 0.55), y, 0,
                                   scale * 0.8);
        if (!box.empty())
            truth.extras.push_back(box);
    }
    if (s.marginNote) {
        std::vector<std::string> words;
        for (int n = hand.integer(1, 3); n > 0; --n)
            words.push_back(hand.pickWord());
        // Written up the margin, as notes squeezed beside a page usually are.
        const double angle = -std::numbers::pi / 2 + hand.jitter(0.15);
        const Box box = writeAside(hand, words, s.marginLeft * hand.real(0.4, 0.6),
                                   s.height * hand.real(0.45, 0.8), angle, scale * 0.7);
        if (!box.empty())
            truth.extras.push_back(box);
    }
}

}  // namespace

std::vector<std::string> pawsRightToLeft(const std::string& word)
{
    const std::u16string wide = wideFromUtf8(word);
    std::vector<std::string> paws;
    if (isDigitWord(wide)) {
        for (auto it = wide.rbegin(); it != wide.rend(); ++it)
            paws.push_back(utf8FromWide(std::u16string(1, *it)));
        return paws;
    }
    const std::u16string marked = markPaws(wide);
    size_t start = 0;
    while (start <= marked.size()) {
        size_t end = marked.find_first_of(u"^ ", start);
        if (end == std::u16string::npos)
            end = marked.size();
        if (end > start)
            paws.push_back(utf8FromWide(marked.substr(start, end - start)));
        start = end + 1;
    }
    return paws;
}

InkedPage writePage(const PageStyle& s, std::mt19937& rng)
{
    InkedPage page{InkLayer(s.width, s.height), {}, {}};
    page.truth.width = s.width;
    page.truth.height = s.height;
    page.truth.dpi = s.dpi;
    page.truth.kind = s.kind;
    Hand hand(s, rng, page.ink);

    const double fullLength = s.width - s.marginRight - s.marginLeft;
    int paragraphLeft = hand.integer(2, 7);
    for (int i = 0; i < s.lines; ++i) {
        Baseline base;
        base.y0 = s.top + s.pitch * (i + 0.8) + hand.jitter(s.pitchJitter) * s.pitch;
        base.slope = hand.real(-s.drift, s.drift);
        base.amplitude = hand.real(0, s.curve) * s.em;
        base.wave = 2 * std::numbers::pi / (fullLength * hand.real(0.6, 2.0));
        base.phase = hand.real(0, 2 * std::numbers::pi);
        double right = s.width - s.marginRight - hand.real(0, s.raggedRight) * s.em;
        double length = right - s.marginLeft;
        // The last line of a paragraph stops early; the next one starts
        // indented from the right.
        if (--paragraphLeft == 0)
            length *= hand.real(0.2, 0.75);
        else if (paragraphLeft < 0) {
            paragraphLeft = hand.integer(2, 7);
            right -= hand.real(0.5, 2.0) * s.em;
            length = right - s.marginLeft;
        }
        TruthLine line = writeLine(hand, s, base, right, length);
        if (line.words.empty())
            continue;
        page.transcript += line.text + '\n';
        page.truth.lines.push_back(std::move(line));
    }
    writeExtras(hand, s, page.truth);
    return page;
}

}  // namespace tavo::quality
