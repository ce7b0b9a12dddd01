#include "review/ZoneScore.h"

#include "review/ZoneOverlap.h"

#include "align/Paw.h"
#include "util/Strings.h"
#include "groundtruth/ZoneVerdict.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

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

InkFit measure(const InkIndex& index, const ZoneArea& area)
{
    const ZoneBox& box = area.box;
    InkFit fit;
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
            ++fit.bodies;
            fit.straddling += outside;
        } else {
            fit.straddling += inside;
        }
    }
    fit.inkWidth = std::max(0, right - left + 1);
    return fit;
}

// The penalties of one kind of zone and their reasons, gathered before the
// page median of the length ratio is known.
struct Pending {
    std::vector<std::pair<double, const char*>> penalties;
    double ratio = 0;  // ink width over expected width; 0 when unknown
};

// Thresholds of the two kinds of zone: a line holds many letters, so its
// length and body count stray less from the text's than a word's do.  The
// body count is off by the difference less an allowance per piece of text
// (pieces of a hand touch, broken strokes add bodies), as a share of the
// pieces for lines.
struct Limits {
    double lengthLow, lengthHigh;  // |log| of ratio over the page median
    double bodiesLow, bodiesHigh;
    double allowancePerPiece;
    bool relativeBodies;
};
constexpr Limits kWordLimits{0.35, 0.85, 0.8, 2.3, 0.2, false};
constexpr Limits kLineLimits{0.25, 0.6, 0.25, 0.6, 0.0, true};

// Ink cut off by the zone's edge, as a share of the zone's ink.
constexpr double kCutLow = 0.1, kCutHigh = 0.35;
// Zone area shared with another zone of the same file.
constexpr double kOverlapLow = 0.2, kOverlapHigh = 0.6;
// Line ink no word zone covers.
constexpr double kStrayLow = 0.08, kStrayHigh = 0.3;
// A penalty from this size on is named among the doubts.
constexpr double kNamed = 0.2;
// Less ink than a stroke this many body heights long is no writing.
constexpr double kLeastInkBodies = 0.5;

Pending measureZone(const InkIndex& index, const ZoneEntry& zone, const ZoneArea& area, const Limits& limits)
{
    Pending p;
    const std::u16string text = normaliseSpaces(zone.text);
    if (text.empty()) {
        p.penalties.push_back({1.0, "empty"});
        return p;
    }
    const InkFit fit = measure(index, area);
    if (fit.ink < kLeastInkBodies * index.bodyHeight() * index.strokeWidth()) {
        p.penalties.push_back({1.0, "noink"});
        return p;
    }
    const double expected = expectedWidth(text) * index.bodyHeight();
    if (expected > 0)
        p.ratio = fit.inkWidth / expected;

    const int paws = expectedBodies(text);
    const double off = std::abs(fit.bodies - paws) - limits.allowancePerPiece * paws;
    const double bodiesOff = limits.relativeBodies ? off / std::max(paws, 1) : off;
    p.penalties.push_back({ramp(bodiesOff, limits.bodiesLow, limits.bodiesHigh), "bodies"});
    p.penalties.push_back(
        {ramp(static_cast<double>(fit.straddling) / static_cast<double>(fit.ink), kCutLow, kCutHigh), "cut"});
    return p;
}


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

std::vector<Pending> measureAll(const InkIndex& index, const std::vector<ZoneEntry>& zones,
                                const std::vector<ZoneArea>& areas, const Limits& limits)
{
    std::vector<Pending> pending;
    pending.reserve(zones.size());
    for (size_t i = 0; i < zones.size(); ++i)
        pending.push_back(measureZone(index, zones[i], areas[i], limits));
    std::vector<double> ratios;
    for (const Pending& p : pending)
        if (p.ratio > 0)
            ratios.push_back(p.ratio);
    const double typical = median(ratios);
    const std::vector<double> overlap = overlapShares(zones);
    for (size_t i = 0; i < zones.size(); ++i) {
        Pending& p = pending[i];
        if (p.ratio > 0 && typical > 0)
            p.penalties.push_back(
                {ramp(std::abs(std::log(p.ratio / typical)), limits.lengthLow, limits.lengthHigh), "length"});
        p.penalties.push_back({ramp(overlap[i], kOverlapLow, kOverlapHigh), "overlap"});
    }
    return pending;
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

PageScores scorePage(const InkIndex& ink, const std::vector<ZoneEntry>& givenWords,
                     const std::vector<ZoneEntry>& givenLines)
{
    const std::vector<ZoneEntry> words = onPage(givenWords, ink.pageWidth(), ink.pageHeight());
    const std::vector<ZoneEntry> lines = onPage(givenLines, ink.pageWidth(), ink.pageHeight());
    const std::vector<ZoneArea> lineAreas = areasOf(lines);
    std::vector<Pending> wordPending = measureAll(ink, words, areasOf(words), kWordLimits);
    std::vector<Pending> linePending = measureAll(ink, lines, lineAreas, kLineLimits);

    // A line is judged also by the word zones on it: how many there are
    // against the words of its text, and how much of its ink they leave out.
    const std::vector<int> owner = lineOfWords(words, lines, lineAreas);
    std::vector<std::vector<ZoneBox>> wordsOfLine(lines.size());
    for (size_t w = 0; w < words.size(); ++w)
        if (owner[w] >= 0)
            wordsOfLine[static_cast<size_t>(owner[w])].push_back(words[w].box);
    if (!words.empty()) {
        for (size_t l = 0; l < lines.size(); ++l) {
            const std::u16string text = normaliseSpaces(lines[l].text);
            if (text.empty())
                continue;
            const int expected = countSpaces(text) + 1;
            const int found = static_cast<int>(wordsOfLine[l].size());
            const double off = std::abs(found - expected);
            const char* reason = found == 0 ? "skipped" : (found > expected ? "split" : "merged");
            linePending[l].penalties.push_back({ramp(off, 0, 2), reason});
            linePending[l].penalties.push_back(
                {ramp(strayShare(ink, lines[l], lineAreas[l], wordsOfLine[l]), kStrayLow, kStrayHigh), "stray"});
        }
    }

    PageScores scores;
    for (size_t l = 0; l < lines.size(); ++l)
        scores.lines.push_back(finish(std::move(linePending[l].penalties), lines[l]));
    // A word on a doubtful line shares the line's doubt: its text came from it.
    for (size_t w = 0; w < words.size(); ++w) {
        auto penalties = std::move(wordPending[w].penalties);
        if (owner[w] >= 0) {
            const double line = scores.lines[static_cast<size_t>(owner[w])].confidence;
            if (line < kDoubtfulBelow)
                penalties.push_back({1.0 - line, "line"});
        }
        scores.words.push_back(finish(std::move(penalties), words[w]));
    }
    return scores;
}

}  // namespace tavo
