#include "review/ZoneScore.h"

#include "review/ZoneOverlap.h"

#include "align/Paw.h"
#include "util/Strings.h"
#include "groundtruth/ZoneVerdict.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace tavo {

namespace {

bool isMark(char16_t c) { return (c >= 0x064B && c <= 0x065F) || c == 0x0670; }

// Width of a letter as a share of the body height, by the shape family of
// its middle form; marks take none.
double letterWidth(char16_t c)
{
    if (isMark(c))
        return 0;
    switch (c) {
    case 0x0622: case 0x0623: case 0x0625: case 0x0627: return 0.25;  // alef
    case 0x0621: return 0.3;                                           // hamza
    case 0x062F: case 0x0630: case 0x0631: case 0x0632:
    case 0x0648: case 0x0624: return 0.45;                             // dal, ra, waw
    case 0x0633: case 0x0634: case 0x0635: case 0x0636: return 1.1;    // seen, sad
    case 0x0637: case 0x0638: return 0.9;                              // tah
    case 0x062C: case 0x062D: case 0x062E: case 0x0639: case 0x063A: return 0.75;
    case 0x0641: case 0x0642: case 0x0643: return 0.75;
    case 0x0644: return 0.45;
    case 0x0020: return 0.5;
    default: return 0.55;
    }
}

double ramp(double value, double low, double high)
{
    return std::clamp((value - low) / (high - low), 0.0, 1.0);
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Zones are read with atoi rules and may lie anywhere; every measure works
// on the part of the zone that lies on the page.
std::vector<ZoneEntry> onPage(std::vector<ZoneEntry> zones, int width, int height)
{
    for (ZoneEntry& z : zones) {
        const std::int64_t left = std::max<std::int64_t>(0, z.box.col);
        const std::int64_t top = std::max<std::int64_t>(0, z.box.row);
        const std::int64_t right = std::min<std::int64_t>(width, std::int64_t{z.box.col} + std::max(0, z.box.width));
        const std::int64_t bottom =
            std::min<std::int64_t>(height, std::int64_t{z.box.row} + std::max(0, z.box.height));
        z.box = {static_cast<int>(std::min<std::int64_t>(left, width)),
                 static_cast<int>(std::min<std::int64_t>(top, height)),
                 static_cast<int>(std::max<std::int64_t>(0, right - left)),
                 static_cast<int>(std::max<std::int64_t>(0, bottom - top))};
    }
    return zones;
}

double overlapArea(const ZoneBox& a, const ZoneBox& b)
{
    const int w = std::min(a.col + a.width, b.col + b.width) - std::max(a.col, b.col);
    const int h = std::min(a.row + a.height, b.row + b.height) - std::max(a.row, b.row);
    return w > 0 && h > 0 ? double(w) * double(h) : 0;
}

// What the ink inside one zone looks like.
struct InkFit {
    long ink = 0;        // ink pixels inside the zone
    int inkWidth = 0;    // columns from the first to the last ink inside
    int bodies = 0;      // letter bodies mostly inside
    long straddling = 0; // body ink cut off by the zone's edge, either side
};

constexpr double kWidestLetter = 4;

// Whether component a lies above the upper half of the bigger component b,
// over at least half of a's columns.
bool ridesOn(const InkIndex& index, int a, int b)
{
    const InkIndex::Box& c = index.component(a);
    const InkIndex::Box& o = index.component(b);
    if (index.pixels(b) <= index.pixels(a) || 2 * c.bottom >= o.top + o.bottom)
        return false;
    const int shared = std::min(c.right, o.right) - std::max(c.left, o.left) + 1;
    return 2 * shared >= c.right - c.left + 1;
}

InkFit measure(const InkIndex& index, const ZoneArea& area)
{
    const ZoneBox& box = area.box;
    InkFit fit;
    std::vector<int> held;  // letter bodies mostly inside
    int left = box.col + box.width, right = box.col - 1;
    for (int i : index.touching(box)) {
        const long inside = index.pixelsInside(i, area);
        if (inside == 0)
            continue;
        const InkIndex::Box& c = index.component(i);
        fit.ink += inside;
        left = std::min(left, std::max(c.left, box.col));
        right = std::max(right, std::min(c.right, box.col + box.width - 1));
        if (!index.isBody(i) || index.isRuling(i))
            continue;
        const long outside = index.pixels(i) - inside;
        if (inside >= outside) {
            held.push_back(i);
            fit.straddling += outside;
        } else {
            fit.straddling += inside;
        }
    }
    fit.inkWidth = std::max(0, right - left + 1);
    // A stroke drawn apart above a bigger body (the bar of a kaf, three dots
    // drawn as one stroke, a mark of some size) rides on that letter and
    // makes no body of its own.
    std::sort(held.begin(), held.end(), [&](int a, int b) { return index.component(a).left < index.component(b).left; });
    for (size_t a = 0; a < held.size(); ++a) {
        const InkIndex::Box& c = index.component(held[a]);
        bool rides = false;
        // Letters are at most a few body heights wide: the bodies to look at
        // start within that of this one.
        const double reach = c.left - kWidestLetter * index.bodyHeight();
        for (size_t b = a; b-- > 0 && !rides && index.component(held[b]).left >= reach;)
            rides = ridesOn(index, held[a], held[b]);
        for (size_t b = a + 1; b < held.size() && !rides && index.component(held[b]).left <= c.right; ++b)
            rides = ridesOn(index, held[a], held[b]);
        if (!rides)
            ++fit.bodies;
    }
    return fit;
}

// Thresholds of a line zone: the length (|log| of its ratio over the page
// median) and the body count (off the hand's count for the text, as a share
// of it).
struct Limits {
    double lengthLow, lengthHigh;
    double bodiesLow, bodiesHigh;
};
constexpr Limits kLineLimits{0.25, 0.6, 0.25, 0.6};

// Ink cut off by the zone's edge, as a share of the zone's ink.
constexpr double kCutLow = 0.1, kCutHigh = 0.35;
// Zone area shared with another zone of the same file.
constexpr double kOverlapLow = 0.2, kOverlapHigh = 0.6;
// Word zones off the line's word count, as a share of its words.
constexpr double kWordsOffLow = 0.1, kWordsOffHigh = 0.25;
// Words a line's zones must reproduce for its length to be left unjudged.
constexpr int kLeastWordsForLength = 4;
// Line ink no word zone covers.
constexpr double kStrayLow = 0.08, kStrayHigh = 0.3;
// A penalty from this size on is named among the doubts.
constexpr double kNamed = 0.2;
// Less ink than a stroke this many body heights long is no writing.
constexpr double kLeastInkBodies = 0.5;


// The part of a box inside an outlined area, column by column.
double sharedArea(const ZoneBox& box, const ZoneArea& area)
{
    double shared = 0;
    const int from = std::max(box.col, area.box.col);
    const int to = std::min(box.col + box.width, area.box.col + area.box.width);
    for (int x = from; x < to; ++x) {
        const auto column = static_cast<size_t>(x - area.box.col);
        const long long top = std::max(box.row, area.top[column]);
        const long long bottom = std::min(box.row + box.height - 1, area.bottom[column]);
        if (bottom >= top)  // a column the outline does not cross has top above bottom
            shared += static_cast<double>(bottom - top + 1);
    }
    return shared;
}

// The line each word lies on (the one sharing most of its area), or -1.
// Lines are taken in row order from the first that may reach the word.
std::vector<int> lineOfWords(const std::vector<ZoneEntry>& words, const std::vector<ZoneEntry>& lines,
                             const std::vector<ZoneArea>& areas)
{
    std::vector<size_t> order(lines.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return lines[a].box.row < lines[b].box.row; });
    int tallest = 0;
    for (const ZoneEntry& line : lines)
        tallest = std::max(tallest, line.box.height);
    // Close lines' boxes share rows; an outlined line owns only what lies
    // inside its outline.
    std::vector<int> owner(words.size(), -1);
    for (size_t w = 0; w < words.size(); ++w) {
        const ZoneBox& word = words[w].box;
        auto first = std::lower_bound(order.begin(), order.end(), word.row - tallest,
                                      [&](size_t l, int row) { return lines[l].box.row < row; });
        double best = 0;
        for (auto it = first; it != order.end() && lines[*it].box.row < word.row + word.height; ++it) {
            const double area = areas[*it].outlined() ? sharedArea(word, areas[*it]) : overlapArea(word, lines[*it].box);
            if (area > best) {
                best = area;
                owner[w] = static_cast<int>(*it);
            }
        }
    }
    return owner;
}

// Line ink outside the columns of the line's words, as a share of the line's ink.
double strayShare(const InkIndex& index, const ZoneEntry& line, const ZoneArea& area, std::vector<ZoneBox> wordBoxes)
{
    long total = 0;
    for (int i : index.touching(line.box))
        total += index.pixelsInside(i, area);
    if (total == 0)
        return 0;
    std::sort(wordBoxes.begin(), wordBoxes.end(), [](const ZoneBox& a, const ZoneBox& b) { return a.col < b.col; });
    long covered = 0;
    int doneTo = line.box.col;  // columns before this are counted
    for (const ZoneBox& w : wordBoxes) {
        const int from = std::max(w.col, doneTo);
        const int to = std::min(w.col + w.width, line.box.col + line.box.width);
        if (to <= from)
            continue;
        ZoneArea strip{{from, line.box.row, to - from, line.box.height}, {}, {}};
        if (area.outlined()) {
            const auto first = area.top.begin() + (from - line.box.col);
            strip.top.assign(first, first + (to - from));
            const auto low = area.bottom.begin() + (from - line.box.col);
            strip.bottom.assign(low, low + (to - from));
        }
        for (int i : index.touching(strip.box))
            covered += index.pixelsInside(i, strip);
        doneTo = to;
    }
    return 1.0 - static_cast<double>(covered) / static_cast<double>(total);
}

// Adds the reasons a zone came with (from the word finder) that the score
// does not name yet, in their order.
void keepGivenReasons(ZoneScore& score, const ZoneEntry& zone)
{
    const std::string given = utf8FromWide(normaliseSpaces(zone.doubt));
    for (size_t start = 0; start < given.size();) {
        size_t end = given.find(' ', start);
        if (end == std::string::npos)
            end = given.size();
        const std::string reason = given.substr(start, end - start);
        if (std::find(score.doubts.begin(), score.doubts.end(), reason) == score.doubts.end())
            score.doubts.push_back(reason);
        start = end + 1;
    }
}

ZoneScore finish(std::vector<std::pair<double, const char*>> penalties, const ZoneEntry& zone)
{
    std::stable_sort(penalties.begin(), penalties.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    ZoneScore score;
    for (const auto& [penalty, reason] : penalties) {
        score.confidence *= 1.0 - penalty;
        if (penalty >= kNamed)
            score.doubts.emplace_back(reason);
    }
    if (zone.confidence && *zone.confidence < score.confidence)
        score.confidence = *zone.confidence;
    score.doubtful = score.confidence < kDoubtfulBelow;
    if (score.doubtful && score.doubts.empty() && !penalties.empty() && penalties.front().first > 0)
        score.doubts.emplace_back(penalties.front().second);
    keepGivenReasons(score, zone);
    if (score.doubtful && score.doubts.empty())
        score.doubts.emplace_back("weak");
    return score;
}

std::vector<ZoneArea> areasOf(const std::vector<ZoneEntry>& zones)
{
    std::vector<ZoneArea> areas;
    areas.reserve(zones.size());
    for (const ZoneEntry& zone : zones)
        areas.push_back(zoneArea(zone.box, zone.outline));
    return areas;
}

}  // namespace

double expectedWidth(std::u16string_view text)
{
    double width = 0;
    for (char16_t c : text)
        width += letterWidth(c);
    return width;
}

int expectedBodies(std::u16string_view text)
{
    const std::u16string marked = markPaws(text);
    int count = 0;
    bool drawn = false;  // the current piece holds a letter on the line
    for (size_t i = 0; i <= marked.size(); ++i) {
        const char16_t c = i < marked.size() ? marked[i] : u' ';
        if (c == u' ' || c == u'^') {
            count += drawn;
            drawn = false;
        } else if (!isMark(c) && c != 0x0621 && c != u'.') {
            drawn = true;
        }
    }
    return count;
}

std::u16string confidenceText(double confidence)
{
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", std::clamp(confidence, 0.0, 1.0));
    return toWide(text);
}

std::u16string doubtText(const std::vector<std::string>& doubts)
{
    std::string joined;
    for (const std::string& d : doubts)
        joined += (joined.empty() ? "" : " ") + d;
    return toWide(joined);
}

namespace {

// Word confidence: the chance that the word is right, a logistic over the
// evidence.  Fitted with tools/fit-confidence.py (logistic regression, L2
// 0.01, Newton's method) on the word zones of the generated default set and
// of real development pages with word truth (those weighing four times the
// generated ones in total), each zone labelled right when its text and box
// match the truth.  A word is doubtful below the chance that leaves one in
// twenty of the real pages' wrong zones trusted (--miss 0.05).
constexpr double kBias = 5.42;
constexpr double kPerBodies = 0.35;
constexpr double kPerLength = 1.46;
constexpr double kPerCut = 1.04;
constexpr double kPerOverlap = 1.38;
constexpr double kPerFinder = 1.65;
constexpr double kPerLine = 1.22;
constexpr double kWordDoubtBelow = 0.955;

// A line doubted this much (1 - its confidence) on takes up to this share
// of its words' confidence.
constexpr double kLineWrongLow = 0.6, kLineShare = 0.6;
// Share of a word's ink cut off at its edge, beyond what the page's words
// typically have cut off, from which it is ruled out.
constexpr double kStrongCutLow = 0.1, kStrongCutHigh = 0.5;
// The page's typical cut is this quantile of its words' cuts, and never
// more than the most a page of touching words shows: where nearly every
// zone cuts deep, the zones are wrong rather than the hand close.
constexpr double kTypicalCutQuantile = 0.75, kMostTypicalCut = 0.3;

// Zones that fit their text this well teach the page's hand.
constexpr double kHandLength = 0.3;  // |log| of the length ratio
constexpr double kHandCut = 0.1;
constexpr int kHandLeastZones = 5;
// The spread of the body count per expected body: the least and the most a
// page may claim, and the share of the zones, those that fit the rate best,
// it is measured on (the rest may hold a wrong text).
constexpr double kLeastSpread = 0.05, kMostSpread = 2.0;
constexpr double kSpreadKept = 0.95;
// The variance of any count around the hand's rate, however regular the
// hand: a stroke broken or joined on the scan.
constexpr double kCountNoise = 0.25;
// Bodies off the hand's count by this many of the page's own standard
// deviations rule a word out whatever the fit says.
constexpr double kStrongBodiesLow = 2, kStrongBodiesHigh = 4;

// Named reasons: the evidence that pulls a word's chance down this much.
constexpr double kNamedLogit = 0.5;

HandModel measureHand(const std::vector<InkFit>& fits, const std::vector<ZoneEntry>& zones,
                      const std::vector<double>& ratios, double typical)
{
    HandModel hand;
    hand.lengthPerWidth = typical;
    double bodies = 0, paws = 0;
    std::vector<std::pair<int, int>> used;  // bodies and pieces of each zone taken
    for (size_t i = 0; i < zones.size(); ++i) {
        if (ratios[i] <= 0 || typical <= 0 || std::abs(std::log(ratios[i] / typical)) > kHandLength)
            continue;
        if (fits[i].ink <= 0 || static_cast<double>(fits[i].straddling) > kHandCut * static_cast<double>(fits[i].ink))
            continue;
        const int expected = expectedBodies(normaliseSpaces(zones[i].text));
        if (expected <= 0)
            continue;
        bodies += fits[i].bodies;
        paws += expected;
        used.emplace_back(fits[i].bodies, expected);
        ++hand.zonesUsed;
    }
    if (hand.zonesUsed < kHandLeastZones || paws <= 0)
        return hand;
    hand.bodiesPerPaw = std::clamp(bodies / paws, 0.6, 3.0);
    // The spread: the mean squared misfit of the count per expected body,
    // over the zones that fit best, so that the few zones of a wrong text
    // among them do not widen it.  A hand that lifts the pen now and then
    // strays more than a tidy one and is judged against that.
    std::vector<double> spreads;
    for (const auto& [b, p] : used) {
        const double expected = hand.bodiesPerPaw * p;
        spreads.push_back(std::pow(b - expected, 2) / expected);
    }
    std::sort(spreads.begin(), spreads.end());
    const auto kept = static_cast<std::ptrdiff_t>(std::ceil(kSpreadKept * static_cast<double>(spreads.size())));
    double sum = 0;
    for (auto it = spreads.begin(); it != spreads.begin() + kept; ++it)
        sum += *it;
    hand.bodiesSpread = std::clamp(sum / static_cast<double>(kept), kLeastSpread, kMostSpread);
    return hand;
}

// The upper quartile of the share of ink cut off at the edge of the word
// zones that hold text and ink.
double typicalCut(const InkIndex& ink, const std::vector<ZoneEntry>& words, const std::vector<InkFit>& fits)
{
    std::vector<double> cuts;
    for (size_t i = 0; i < words.size(); ++i)
        if (fits[i].ink >= kLeastInkBodies * ink.bodyHeight() * ink.strokeWidth() && !normaliseSpaces(words[i].text).empty())
            cuts.push_back(static_cast<double>(fits[i].straddling) / static_cast<double>(fits[i].ink));
    if (cuts.empty())
        return 0;
    const auto at = cuts.begin() + static_cast<std::ptrdiff_t>(kTypicalCutQuantile * static_cast<double>(cuts.size() - 1));
    std::nth_element(cuts.begin(), at, cuts.end());
    return std::min(*at, kMostTypicalCut);
}

// The median of a measure over a page's lines, when there are enough of
// them to speak for the page; 0 otherwise.
double typicalOf(const std::vector<double>& values)
{
    return static_cast<int>(values.size()) >= kHandLeastZones ? median(values) : 0;
}

struct Measured {
    std::vector<InkFit> fits;
    std::vector<double> ratios;  // ink width over expected width; 0 when unknown
    double typical = 0;          // their median
};

Measured measureFits(const InkIndex& index, const std::vector<ZoneEntry>& zones, const std::vector<ZoneArea>& areas)
{
    Measured m;
    std::vector<double> known;
    for (size_t i = 0; i < zones.size(); ++i) {
        const std::u16string text = normaliseSpaces(zones[i].text);
        m.fits.push_back(text.empty() ? InkFit{} : measure(index, areas[i]));
        const double expected = expectedWidth(text) * index.bodyHeight();
        m.ratios.push_back(expected > 0 && m.fits.back().ink > 0 ? m.fits.back().inkWidth / expected : 0);
        if (m.ratios.back() > 0)
            known.push_back(m.ratios.back());
    }
    m.typical = median(known);
    return m;
}

// Bodies off the hand's count for the text, in standard deviations of a
// count whose spread grows with the number of pieces as the page's does.
double bodiesOff(int bodies, int paws, const HandModel& hand)
{
    const double expected = hand.bodiesPerPaw * paws;
    return std::abs(bodies - expected) / std::sqrt(kCountNoise + hand.bodiesSpread * expected);
}

}  // namespace

namespace {

// The fitted chance; shifted by the log-odds of the doubt threshold, it is
// the chance measured against the threshold (0.5 there).
double fittedChance(const WordEvidence& e, double shift = 0)
{
    const double logit = kBias - kPerBodies * e.bodies - kPerLength * e.length - kPerCut * e.cut -
                         kPerOverlap * e.overlap - kPerFinder * e.finder - kPerLine * e.line;
    return 1.0 / (1.0 + std::exp(shift - logit));
}

}  // namespace

// Evidence beyond what the fitting data held much of (a body count far off
// the page's own spread, a zone edge through the letters) still rules a
// zone out, and a line that is most likely wrong passes its doubt on to its
// words: the share of the fitted chance they leave.
double wordRuledOut(const WordEvidence& e)
{
    return (1.0 - ramp(e.bodies, kStrongBodiesLow, kStrongBodiesHigh)) *
           (1.0 - ramp(e.cut - e.pageCut, kStrongCutLow, kStrongCutHigh)) *
           (1.0 - kLineShare * ramp(e.line, kLineWrongLow, 1.0));
}

double wordProbability(const WordEvidence& e)
{
    if (e.empty || e.noInk)
        return 0;
    return wordRuledOut(e) * fittedChance(e);
}

namespace {

struct PageWork {
    std::vector<ZoneEntry> words, lines;
    std::vector<ZoneArea> lineAreas;
    PageEvidence evidence;
    std::vector<ZoneScore> lineScores;
    std::vector<int> owner;
};

PageWork weigh(const InkIndex& ink, const std::vector<ZoneEntry>& givenWords, const std::vector<ZoneEntry>& givenLines)
{
    PageWork w;
    w.words = onPage(givenWords, ink.pageWidth(), ink.pageHeight());
    w.lines = onPage(givenLines, ink.pageWidth(), ink.pageHeight());
    w.lineAreas = areasOf(w.lines);
    const Measured words = measureFits(ink, w.words, areasOf(w.words));
    const Measured lines = measureFits(ink, w.lines, w.lineAreas);
    // The hand is learnt from the words when there are any, else from the lines.
    w.evidence.hand = w.words.empty() ? measureHand(lines.fits, w.lines, lines.ratios, lines.typical)
                                      : measureHand(words.fits, w.words, words.ratios, words.typical);
    const HandModel& hand = w.evidence.hand;

    // Lines: penalties, with the body count against the hand's rate and the
    // cut against the page's typical line.
    std::vector<double> lineCuts(w.lines.size(), 0), known;
    for (size_t l = 0; l < w.lines.size(); ++l) {
        const InkFit& fit = lines.fits[l];
        if (fit.ink >= kLeastInkBodies * ink.bodyHeight() * ink.strokeWidth() &&
            !normaliseSpaces(w.lines[l].text).empty()) {
            lineCuts[l] = static_cast<double>(fit.straddling) / static_cast<double>(fit.ink);
            known.push_back(lineCuts[l]);
        }
    }
    w.evidence.hand.lineCutTypical = typicalOf(known);
    const std::vector<double> lineOverlap = overlapShares(w.lines);
    std::vector<std::vector<std::pair<double, const char*>>> linePenalties(w.lines.size());
    for (size_t l = 0; l < w.lines.size(); ++l) {
        auto& p = linePenalties[l];
        const std::u16string text = normaliseSpaces(w.lines[l].text);
        const InkFit& fit = lines.fits[l];
        if (text.empty()) {
            p.push_back({1.0, "empty"});
            continue;
        }
        if (fit.ink < kLeastInkBodies * ink.bodyHeight() * ink.strokeWidth()) {
            p.push_back({1.0, "noink"});
            continue;
        }
        const int paws = expectedBodies(text);
        const double expected = hand.bodiesPerPaw * paws;
        const double off = std::abs(fit.bodies - expected) / std::max(expected, 1.0);
        p.push_back({ramp(off, kLineLimits.bodiesLow, kLineLimits.bodiesHigh), "bodies"});
        p.push_back({ramp(lineCuts[l] - w.evidence.hand.lineCutTypical, kCutLow, kCutHigh), "cut"});
        if (lines.ratios[l] > 0 && lines.typical > 0)
            p.push_back({ramp(std::abs(std::log(lines.ratios[l] / lines.typical)), kLineLimits.lengthLow,
                              kLineLimits.lengthHigh), "length"});
        p.push_back({ramp(lineOverlap[l], kOverlapLow, kOverlapHigh), "overlap"});
    }

    // A line is judged also by the word zones on it: how many there are
    // against the words of its text, and how much of its ink they leave out.
    w.owner = lineOfWords(w.words, w.lines, w.lineAreas);
    std::vector<std::vector<ZoneBox>> wordsOfLine(w.lines.size());
    for (size_t i = 0; i < w.words.size(); ++i)
        if (w.owner[i] >= 0)
            wordsOfLine[static_cast<size_t>(w.owner[i])].push_back(w.words[i].box);
    if (!w.words.empty()) {
        std::vector<double> strays(w.lines.size(), 0);
        known.clear();
        for (size_t l = 0; l < w.lines.size(); ++l)
            if (!normaliseSpaces(w.lines[l].text).empty()) {
                strays[l] = strayShare(ink, w.lines[l], w.lineAreas[l], wordsOfLine[l]);
                known.push_back(strays[l]);
            }
        w.evidence.hand.strayTypical = typicalOf(known);
        for (size_t l = 0; l < w.lines.size(); ++l) {
            const std::u16string text = normaliseSpaces(w.lines[l].text);
            if (text.empty())
                continue;
            const int expected = countSpaces(text) + 1;
            const int found = static_cast<int>(wordsOfLine[l].size());
            const double off = std::abs(found - expected);
            const char* reason = found == 0 ? "skipped" : (found > expected ? "split" : "merged");
            const double stray = strays[l] - w.evidence.hand.strayTypical;
            auto& p = linePenalties[l];
            // A line whose words each find their own ink, that leaves none
            // over and whose letters fit the text is not doubted for its
            // length alone: a hand draws an opening line out, or packs a
            // last one, and the words say the text is there.  Only a line
            // of a few words: that two zones fall where two words are says
            // little.
            const auto fits = [&p](const char* what) {
                return std::none_of(p.begin(), p.end(), [what](const auto& q) {
                    return q.first > 0 && std::string_view(q.second) == what;
                });
            };
            if (found == expected && expected >= kLeastWordsForLength && stray < kStrayLow && fits("bodies") &&
                fits("cut") && fits("overlap"))
                std::erase_if(p, [](const auto& q) { return std::string_view(q.second) == "length"; });
            // Word zones missing or too many, as a share of the line's words:
            // the word finder's slip on a long line is its words' doubt, not
            // the line's; a line that has no word zone at all is doubted.
            p.push_back({found == 0 ? 1.0 : ramp(off / expected, kWordsOffLow, kWordsOffHigh), reason});
            p.push_back({ramp(stray, kStrayLow, kStrayHigh), "stray"});
        }
    }
    for (size_t l = 0; l < w.lines.size(); ++l) {
        LineEvidence line;
        for (const auto& [penalty, reason] : linePenalties[l])
            line.penalties.emplace_back(penalty, reason);
        w.lineScores.push_back(finish(std::move(linePenalties[l]), w.lines[l]));
        line.confidence = w.lineScores.back().confidence;
        w.evidence.lines.push_back(std::move(line));
    }

    // Words: evidence for the calibrated chance.
    w.evidence.hand.cutTypical = typicalCut(ink, w.words, words.fits);
    const std::vector<double> wordOverlap = overlapShares(w.words);
    for (size_t i = 0; i < w.words.size(); ++i) {
        WordEvidence e;
        const ZoneEntry& zone = w.words[i];
        const std::u16string text = normaliseSpaces(zone.text);
        const InkFit& fit = words.fits[i];
        e.empty = text.empty();
        e.noInk = !e.empty && fit.ink < kLeastInkBodies * ink.bodyHeight() * ink.strokeWidth();
        if (!e.empty && !e.noInk) {
            const int paws = expectedBodies(text);
            e.bodyCount = fit.bodies;
            e.pieces = paws;
            e.bodies = bodiesOff(fit.bodies, paws, hand);
            if (words.ratios[i] > 0 && words.typical > 0)
                e.length = std::abs(std::log(words.ratios[i] / words.typical));
            e.cut = static_cast<double>(fit.straddling) / static_cast<double>(fit.ink);
            e.pageCut = hand.cutTypical;
        }
        e.overlap = wordOverlap[i];
        if (const std::optional<double> finder = zone.finderScore ? zone.finderScore : zone.confidence)
            e.finder = -std::log(std::max(*finder, 0.01));
        if (w.owner[i] >= 0)
            e.line = 1.0 - w.lineScores[static_cast<size_t>(w.owner[i])].confidence;
        w.evidence.words.push_back(e);
    }
    return w;
}

ZoneScore wordScore(const WordEvidence& e, const ZoneEntry& zone)
{
    ZoneScore score;
    score.confidence = wordProbability(e);
    // Doubtful below the threshold, and sooner as strong evidence scales
    // the chance down.
    static const double shift = std::log(kWordDoubtBelow / (1.0 - kWordDoubtBelow));
    score.doubtful = e.empty || e.noInk || wordRuledOut(e) * fittedChance(e, shift) < 0.5;
    if (e.empty)
        score.doubts.emplace_back("empty");
    if (e.noInk)
        score.doubts.emplace_back("noink");
    std::vector<std::pair<double, const char*>> pulls = {
        {kPerBodies * e.bodies, "bodies"}, {kPerLength * e.length, "length"}, {kPerCut * e.cut, "cut"},
        {kPerOverlap * e.overlap, "overlap"}, {kPerLine * e.line, "line"}};
    std::stable_sort(pulls.begin(), pulls.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [pull, reason] : pulls)
        if (pull >= kNamedLogit)
            score.doubts.emplace_back(reason);
    auto name = [&score](bool on, const char* reason) {
        if (on && std::find(score.doubts.begin(), score.doubts.end(), reason) == score.doubts.end())
            score.doubts.emplace_back(reason);
    };
    name(ramp(e.line, kLineWrongLow, 1.0) >= kNamed, "line");
    name(ramp(e.bodies, kStrongBodiesLow, kStrongBodiesHigh) >= kNamed, "bodies");
    name(ramp(e.cut - e.pageCut, kStrongCutLow, kStrongCutHigh) >= kNamed, "cut");
    // The reasons the zone came with (from the word finder) are kept.
    keepGivenReasons(score, zone);
    if (score.doubtful && score.doubts.empty()) {
        // Doubted for the sum of small misfits: the largest is named.
        pulls.push_back({kPerFinder * e.finder, "finder"});
        score.doubts.emplace_back(std::max_element(pulls.begin(), pulls.end(), [](const auto& a, const auto& b) {
                                      return a.first < b.first;
                                  })->second);
    }
    return score;
}

}  // namespace

PageEvidence pageEvidence(const InkIndex& ink, const std::vector<ZoneEntry>& words,
                          const std::vector<ZoneEntry>& lines)
{
    return weigh(ink, words, lines).evidence;
}

PageScores scorePage(const InkIndex& ink, const std::vector<ZoneEntry>& givenWords,
                     const std::vector<ZoneEntry>& givenLines)
{
    PageWork w = weigh(ink, givenWords, givenLines);
    PageScores scores;
    scores.lines = std::move(w.lineScores);
    for (size_t i = 0; i < w.words.size(); ++i)
        scores.words.push_back(wordScore(w.evidence.words[i], w.words[i]));
    // A line whose words are mostly in doubt is in doubt: the words of a text
    // put on the wrong ink fail one by one even where the line's own
    // measures (its length, its body count) happen to fit.
    std::vector<int> owned(scores.lines.size()), doubted(scores.lines.size());
    for (size_t i = 0; i < w.words.size(); ++i) {
        if (w.owner[i] < 0)
            continue;
        ++owned[static_cast<size_t>(w.owner[i])];
        doubted[static_cast<size_t>(w.owner[i])] += scores.words[i].doubtful ? 1 : 0;
    }
    for (size_t l = 0; l < scores.lines.size(); ++l) {
        ZoneScore& line = scores.lines[l];
        if (line.doubtful || owned[l] < 2 || doubted[l] < owned[l])
            continue;
        line.confidence = std::min(line.confidence, 1.0 - static_cast<double>(doubted[l]) / owned[l]);
        line.doubtful = true;
        line.doubts.emplace_back("words");
    }
    return scores;
}

}  // namespace tavo
