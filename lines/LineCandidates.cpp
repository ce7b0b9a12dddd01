#include "lines/LineCandidates.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavo {

namespace {

// Slants tried: up to this many rows per column either way.
constexpr double kMaxSlant = 0.08;
constexpr int kSlantSteps = 20;
// The slant search bins body centres this many bins per body height.
constexpr double kBinsPerBody = 4.0;
// Pitch search range, in bodies.
constexpr double kShortestPitch = 0.8;
constexpr double kLongestPitch = 8.0;
// Without a pitch in the profile, lines are taken this many bodies apart.
constexpr double kDefaultPitch = 2.5;
// Peak finding smooths the profile by this share of the pitch, keeps peaks
// at least this share of a pitch apart and this share of the highest.
constexpr double kPeakSigma = 1.0 / 6.0;
constexpr double kPeakSpacing = 0.5;
constexpr double kPeakFloor = 0.05;
// A line's fitted slope changes at most this much from the page's slant,
// and only when its bodies span this many bodies across.
constexpr double kSlopeFreedom = 0.05;
constexpr double kSlopeSpan = 4.0;
// Ink this many pitches away from the rest of its line, and with less than
// this share of the ink of the line's main stretch, is a line of its own.
constexpr double kStrayGap = 2.5;
constexpr double kStrayShare = 0.35;
// Bodies whose centre lies this many pitches off their line's centre.
constexpr double kOffLine = 1.6;
// A gutter between text blocks: this many bodies wide, covered by at most
// this many bodies (a stray mark may cross it).
constexpr double kGutterWidth = 1.5;
constexpr int kGutterCover = 1;
// Rounds of the two-means split of a band holding two lines.
constexpr int kBandRounds = 5;

double slantScore(const PageComponents& page, const std::vector<int>& bodies, double slant, double pivot,
                  double bin, double margin, size_t bins)
{
    std::vector<double> profile(bins);
    for (int i : bodies) {
        const InkComponent& c = page.components[static_cast<size_t>(i)];
        const double y = (c.centreY - slant * (c.centreX - pivot) + margin) / bin;
        profile[std::min(bins - 1, static_cast<size_t>(std::max(0.0, y)))] += c.ink;
    }
    double score = 0;
    for (double v : profile)
        score += v * v;
    return score;
}

double findSlant(const PageComponents& page, const std::vector<int>& bodies, double pivot, double margin,
                 int mapHeight)
{
    const double bin = std::max(1.0, page.measures.body / kBinsPerBody);
    const size_t bins = static_cast<size_t>((mapHeight + 2 * margin) / bin) + 1;
    double best = slantScore(page, bodies, 0, pivot, bin, margin, bins);
    double slant = 0;
    for (int step = 1; step <= kSlantSteps; ++step) {
        for (int sign : {-1, 1}) {
            const double s = sign * kMaxSlant * step / kSlantSteps;
            const double score = slantScore(page, bodies, s, pivot, bin, margin, bins);
            if (score > best) {
                best = score;
                slant = s;
            }
        }
    }
    return slant;
}

std::vector<int> profilePeaks(const std::vector<double>& profile, double spacing)
{
    std::vector<int> peaks;
    double highest = 0;
    for (size_t i = 1; i + 1 < profile.size(); ++i) {
        if (profile[i] > profile[i - 1] && profile[i] >= profile[i + 1]) {
            peaks.push_back(static_cast<int>(i));
            highest = std::max(highest, profile[i]);
        }
    }
    std::sort(peaks.begin(), peaks.end(), [&](int a, int b) {
        return profile[static_cast<size_t>(a)] > profile[static_cast<size_t>(b)];
    });
    std::vector<int> kept;
    for (int p : peaks) {
        if (profile[static_cast<size_t>(p)] < kPeakFloor * highest)
            break;
        // Kept peaks are few per pitch, so the look-back stays short once sorted.
        const bool crowded = std::any_of(kept.begin(), kept.end(), [&](int q) { return std::abs(q - p) < spacing; });
        if (!crowded)
            kept.push_back(p);
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

void refit(const PageComponents& page, LineCandidate& line, double slant)
{
    double w = 0;
    double sx = 0;
    double sy = 0;
    for (int i : line.bodies) {
        const InkComponent& c = page.components[static_cast<size_t>(i)];
        w += c.ink;
        sx += c.ink * c.centreX;
        sy += c.ink * c.centreY;
    }
    if (w <= 0)
        return;
    const double mx = sx / w;
    const double my = sy / w;
    double sxx = 0;
    double sxy = 0;
    int left = std::numeric_limits<int>::max();
    int right = std::numeric_limits<int>::min();
    for (int i : line.bodies) {
        const InkComponent& c = page.components[static_cast<size_t>(i)];
        sxx += c.ink * (c.centreX - mx) * (c.centreX - mx);
        sxy += c.ink * (c.centreX - mx) * (c.centreY - my);
        left = std::min(left, static_cast<int>(c.box.left));
        right = std::max(right, static_cast<int>(c.box.right));
    }
    double slope = slant;
    if (right - left > kSlopeSpan * page.measures.body && sxx > 0)
        slope = std::clamp(sxy / sxx, slant - kSlopeFreedom, slant + kSlopeFreedom);
    line.line.slope = slope;
    line.line.centre = my + slope * (line.line.pivot - mx);
}

void measureLine(const PageComponents& page, LineCandidate& line)
{
    std::vector<std::pair<int, int>> spans;
    line.ink = 0;
    double square = 0;
    for (int i : line.bodies) {
        const InkComponent& c = page.components[static_cast<size_t>(i)];
        spans.emplace_back(c.box.left, c.box.right);
        line.ink += c.ink;
        const double r = c.centreY - line.line.at(c.centreX);
        square += c.ink * r * r;
    }
    line.spread = line.ink > 0 ? std::sqrt(square / line.ink) : 0;
    std::sort(spans.begin(), spans.end());
    line.length = 0;
    int end = -1;
    for (const auto& [a, b] : spans) {
        const int from = std::max(a, end + 1);
        if (b >= from)
            line.length += b - from + 1;
        end = std::max(end, b);
    }
    line.left = spans.empty() ? 0 : spans.front().first;
    line.right = end;
}

}  // namespace

std::vector<double> smoothProfile(const std::vector<double>& profile, double sigma)
{
    if (sigma < 0.5)
        return profile;
    const int radius = static_cast<int>(std::ceil(3 * sigma));
    std::vector<double> kernel(static_cast<size_t>(2 * radius + 1));
    for (int k = -radius; k <= radius; ++k)
        kernel[static_cast<size_t>(k + radius)] = std::exp(-0.5 * k * k / (sigma * sigma));
    std::vector<double> out(profile.size());
    const int n = static_cast<int>(profile.size());
    for (int i = 0; i < n; ++i) {
        double s = 0;
        for (int k = std::max(-radius, -i); k <= std::min(radius, n - 1 - i); ++k)
            s += kernel[static_cast<size_t>(k + radius)] * profile[static_cast<size_t>(i + k)];
        out[static_cast<size_t>(i)] = s;
    }
    return out;
}

double profilePitch(const std::vector<double>& profile, int shortest, int longest)
{
    const int n = static_cast<int>(profile.size());
    longest = std::min(longest, n / 2);
    if (shortest < 1 || longest <= shortest + 1)
        return 0;
    double mean = 0;
    for (double v : profile)
        mean += v;
    mean /= n;
    std::vector<double> corr(static_cast<size_t>(longest + 2));
    for (int lag = shortest - 1; lag <= longest + 1; ++lag) {
        double s = 0;
        for (int i = 0; i + lag < n; ++i)
            s += (profile[static_cast<size_t>(i)] - mean) * (profile[static_cast<size_t>(i + lag)] - mean);
        corr[static_cast<size_t>(lag)] = s / (n - lag);
    }
    double best = 0;
    for (int lag = shortest; lag <= longest; ++lag)
        best = std::max(best, corr[static_cast<size_t>(lag)]);
    if (best <= 0)
        return 0;
    for (int lag = shortest; lag <= longest; ++lag) {
        const double v = corr[static_cast<size_t>(lag)];
        if (v >= 0.5 * best && v >= corr[static_cast<size_t>(lag - 1)] && v >= corr[static_cast<size_t>(lag + 1)])
            return lag;
    }
    return 0;
}

int nearestLine(const std::vector<LineCandidate>& lines, double x, double y, double* distance)
{
    if (lines.empty())
        return -1;
    // Lines run top to bottom at every column of the page, so a binary search
    // finds the neighbourhood and a few neighbours settle it.
    size_t lo = 0;
    size_t hi = lines.size();
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (lines[mid].line.at(x) < y)
            lo = mid + 1;
        else
            hi = mid;
    }
    int best = -1;
    double bestDistance = 0;
    const size_t first = lo >= 3 ? lo - 3 : 0;
    for (size_t i = first; i < std::min(lines.size(), lo + 3); ++i) {
        // Beyond a line's ends its centre line is a guess: the distance
        // past either end counts too.
        const double beyond = std::max({0.0, lines[i].left - x, x - lines[i].right});
        const double d = std::abs(lines[i].line.at(x) - y) + beyond;
        if (best < 0 || d < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = d;
        }
    }
    if (distance)
        *distance = bestDistance;
    return best;
}

void assignBodies(const PageComponents& page, std::vector<LineCandidate>& lines)
{
    for (auto& line : lines)
        line.bodies.clear();
    for (size_t i = 0; i < page.components.size(); ++i) {
        const InkComponent& c = page.components[i];
        if (c.kind != PieceKind::Body)
            continue;
        const int k = nearestLine(lines, c.centreX, c.centreY, nullptr);
        if (k >= 0)
            lines[static_cast<size_t>(k)].bodies.push_back(static_cast<int>(i));
    }
    std::erase_if(lines, [](const LineCandidate& l) { return l.bodies.empty(); });
    for (auto& line : lines)
        measureLine(page, line);
}

// Text block of every column: a gutter (columns a few bodies wide that
// hardly any body covers, the whole page down) starts the next block, so
// the facing page or a column of notes stands apart from the text.
std::vector<int> columnBlocks(const PageComponents& page, int mapWidth)
{
    std::vector<int> cover(static_cast<size_t>(mapWidth) + 1);
    for (const InkComponent& c : page.components) {
        if (c.kind != PieceKind::Body)
            continue;
        ++cover[static_cast<size_t>(c.box.left)];
        --cover[static_cast<size_t>(c.box.right) + 1];
    }
    std::vector<int> block(static_cast<size_t>(mapWidth));
    const int gutter = static_cast<int>(kGutterWidth * page.measures.body);
    int covering = 0;
    int open = 0;
    int id = 0;
    for (int x = 0; x < mapWidth; ++x) {
        covering += cover[static_cast<size_t>(x)];
        open = covering <= kGutterCover ? open + 1 : 0;
        if (open == gutter)
            ++id;
        block[static_cast<size_t>(x)] = id;
    }
    return block;
}

void separateStrays(const PageComponents& page, PageLines& lines, int mapWidth)
{
    const double gap = kStrayGap * lines.pitch;
    const std::vector<int> block = columnBlocks(page, mapWidth);
    auto blockOf = [&](const InkComponent& c) { return block[static_cast<size_t>(c.centreX)]; };
    std::vector<LineCandidate> apart;
    for (LineCandidate& line : lines.candidates) {
        // Bodies well above or below the line (a catchword under the last
        // line, a note over the first) had too little ink for a peak of the
        // profile: they make a line each side.
        LineCandidate off[2];
        std::erase_if(line.bodies, [&](int b) {
            const InkComponent& c = page.components[static_cast<size_t>(b)];
            const double offset = c.centreY - line.line.at(c.centreX);
            if (std::abs(offset) < kOffLine * lines.pitch)
                return false;
            off[offset > 0 ? 1 : 0].bodies.push_back(b);
            return true;
        });
        for (LineCandidate& piece : off) {
            if (piece.bodies.empty())
                continue;
            piece.line = line.line;
            refit(page, piece, lines.slant);
            apart.push_back(std::move(piece));
        }
        std::vector<int> bodies = line.bodies;
        std::sort(bodies.begin(), bodies.end(), [&](int a, int b) {
            return page.components[static_cast<size_t>(a)].box.left < page.components[static_cast<size_t>(b)].box.left;
        });
        // Stretches of bodies without a wide gap: [first, end) of the sorted list and their ink.
        std::vector<std::pair<size_t, size_t>> stretches;
        std::vector<int> ink;
        int right = 0;
        for (size_t k = 0; k < bodies.size(); ++k) {
            const InkComponent& c = page.components[static_cast<size_t>(bodies[k])];
            if (k == 0 || c.box.left - right > gap ||
                blockOf(c) != blockOf(page.components[static_cast<size_t>(bodies[k - 1])])) {
                stretches.emplace_back(k, k);
                ink.push_back(0);
            }
            stretches.back().second = k + 1;
            ink.back() += c.ink;
            right = k == 0 ? c.box.right : std::max(right, static_cast<int>(c.box.right));
        }
        const int most = ink.empty() ? 0 : *std::max_element(ink.begin(), ink.end());
        line.bodies.clear();
        for (size_t s = 0; s < stretches.size(); ++s) {
            const std::vector<int> part(bodies.begin() + static_cast<std::ptrdiff_t>(stretches[s].first),
                                        bodies.begin() + static_cast<std::ptrdiff_t>(stretches[s].second));
            if (ink[s] >= kStrayShare * most) {
                line.bodies.insert(line.bodies.end(), part.begin(), part.end());
                continue;
            }
            LineCandidate piece;
            piece.line = line.line;
            piece.bodies = part;
            refit(page, piece, lines.slant);
            apart.push_back(std::move(piece));
        }
    }
    lines.candidates.insert(lines.candidates.end(), apart.begin(), apart.end());
    std::erase_if(lines.candidates, [](const LineCandidate& l) { return l.bodies.empty(); });
    for (auto& line : lines.candidates)
        measureLine(page, line);
    std::sort(lines.candidates.begin(), lines.candidates.end(),
              [](const LineCandidate& a, const LineCandidate& b) { return a.line.centre < b.line.centre; });
}

std::pair<LineCandidate, LineCandidate> splitBand(const PageComponents& page, const LineCandidate& band,
                                                  double pitch, double slant)
{
    // Two means of the bodies' lowest rows about the band's centre line: a
    // body's bottom keeps to its baseline better than its centre, which tall
    // letters lift.
    double upper = -pitch / 2;
    double lower = pitch / 2;
    std::pair<LineCandidate, LineCandidate> parts{band, band};
    for (int round = 0; round < kBandRounds; ++round) {
        parts.first.bodies.clear();
        parts.second.bodies.clear();
        double su = 0, wu = 0, sl = 0, wl = 0;
        for (int i : band.bodies) {
            const InkComponent& c = page.components[static_cast<size_t>(i)];
            const double r = c.box.bottom - band.line.at(c.centreX);
            const bool up = std::abs(r - upper) <= std::abs(r - lower);
            (up ? parts.first : parts.second).bodies.push_back(i);
            (up ? su : sl) += c.ink * r;
            (up ? wu : wl) += c.ink;
        }
        if (wu > 0)
            upper = su / wu;
        if (wl > 0)
            lower = sl / wl;
    }
    for (LineCandidate* part : {&parts.first, &parts.second}) {
        refit(page, *part, slant);
        measureLine(page, *part);
    }
    return parts;
}

PageLines findLineCandidates(const PageComponents& page, int mapWidth)
{
    PageLines result;
    std::vector<int> bodies;
    int mapHeight = 0;
    for (size_t i = 0; i < page.components.size(); ++i) {
        if (page.components[i].kind == PieceKind::Body) {
            bodies.push_back(static_cast<int>(i));
            mapHeight = std::max(mapHeight, page.components[i].box.bottom + 1);
        }
    }
    if (bodies.empty())
        return result;
    const double body = page.measures.body;
    const double pivot = mapWidth / 2.0;
    const double margin = kMaxSlant * pivot + 1;
    result.slant = findSlant(page, bodies, pivot, margin, mapHeight);

    std::vector<double> profile(static_cast<size_t>(mapHeight + 2 * margin) + 1);
    for (int i : bodies) {
        const InkComponent& c = page.components[static_cast<size_t>(i)];
        for (int r = 0; r < c.box.runCount; ++r) {
            const auto& run = page.runs[static_cast<size_t>(c.box.firstRun + r)];
            const double y = run.row - result.slant * ((run.start + run.end) * 0.5 - pivot) + margin;
            profile[std::min(profile.size() - 1, static_cast<size_t>(std::max(0.0, y)))] += run.end - run.start;
        }
    }
    result.pitch = profilePitch(smoothProfile(profile, body / 3), static_cast<int>(kShortestPitch * body),
                                static_cast<int>(kLongestPitch * body));
    if (result.pitch <= 0)
        result.pitch = kDefaultPitch * body;
    const std::vector<double> smooth = smoothProfile(profile, kPeakSigma * result.pitch);
    for (int p : profilePeaks(smooth, kPeakSpacing * result.pitch)) {
        LineCandidate line;
        line.line = CentreLine{p - margin, result.slant, pivot};
        line.right = mapWidth - 1;
        result.candidates.push_back(line);
    }
    for (int round = 0; round < 2; ++round) {
        assignBodies(page, result.candidates);
        for (auto& line : result.candidates)
            refit(page, line, result.slant);
        std::sort(result.candidates.begin(), result.candidates.end(),
                  [](const LineCandidate& a, const LineCandidate& b) { return a.line.centre < b.line.centre; });
    }
    assignBodies(page, result.candidates);
    separateStrays(page, result, mapWidth);
    return result;
}

}  // namespace tavo
