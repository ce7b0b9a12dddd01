#include "lines/LineInk.h"

#include <algorithm>
#include <cmath>

namespace tavo {

namespace {

// An unmatched candidate this share of a pitch or more away from every
// matched line holds other ink (a page number, a note) and keeps its own
// bodies; a nearer one is a fringe of its neighbours and gives them up.
constexpr double kForeignDistance = 0.6;
// Ink further than this share of a pitch from every line belongs to none.
constexpr double kStrayDistance = 0.9;
// A body reaching this share of a body past a neighbour line's centre spans
// two lines and is cut between them.
constexpr double kSpanMargin = 0.25;
// Lines that a body may span are looked for this many lines either side
// (pieces of other lines may stand between two neighbours).
constexpr int kSpanReach = 3;
// A mark sits within this many bodies above or below a body of its line
// (dots, vowel signs); further out it is a speck.
constexpr double kMarkGap = 0.6;

using Run = ZULRunLabeller::Run;

struct Owned {
    std::vector<Run> runs;
    std::vector<Run> bodyRuns;
};

bool overlapAcross(const LineCandidate& a, int left, int right) { return a.left <= right && left <= a.right; }

class Assigner {
public:
    Assigner(const PageComponents& page, const PageLines& lines, const std::vector<LineMatch>& matches)
        : page_(page), pitch_(lines.pitch), owned_(matches.size())
    {
        std::vector<int> owner(lines.candidates.size(), -1);
        for (size_t i = 0; i < matches.size(); ++i) {
            for (int j = matches[i].first; j >= 0 && j <= matches[i].last; ++j)
                owner[static_cast<size_t>(j)] = static_cast<int>(i);
        }
        bodyLine_.assign(page.components.size(), -1);
        for (size_t j = 0; j < owner.size(); ++j) {
            const LineCandidate& c = lines.candidates[j];
            if (owner[j] < 0 && nearMatched(lines.candidates, owner, c))
                continue;
            for (int body : c.bodies)
                bodyLine_[static_cast<size_t>(body)] = static_cast<int>(lines_.size());
            owners_.push_back(owner[j]);
            lines_.push_back(c);
        }
    }

    std::vector<Owned> run()
    {
        for (size_t i = 0; i < page_.components.size(); ++i) {
            if (page_.components[i].kind == PieceKind::Body)
                assignBody(i);
        }
        indexBodies();
        for (size_t i = 0; i < page_.components.size(); ++i) {
            if (page_.components[i].kind == PieceKind::Mark)
                assignMark(page_.components[i]);
        }
        return std::move(owned_);
    }

private:
    // Whether a matched candidate lies over the same columns within a
    // fringe's distance: then c is that line's fringe and gives up its ink.
    bool nearMatched(const std::vector<LineCandidate>& all, const std::vector<int>& owner, const LineCandidate& c) const
    {
        for (size_t j = 0; j < all.size(); ++j) {
            const LineCandidate& m = all[j];
            if (owner[j] < 0 || !overlapAcross(m, c.left, c.right))
                continue;
            const double x = (std::max(m.left, c.left) + std::min(m.right, c.right)) / 2.0;
            if (std::abs(m.line.at(x) - c.line.at(x)) < kForeignDistance * pitch_)
                return true;
        }
        return false;
    }

    void give(int line, const Run& run, bool body)
    {
        const int owner = owners_[static_cast<size_t>(line)];
        if (owner < 0)
            return;
        owned_[static_cast<size_t>(owner)].runs.push_back(run);
        if (body)
            owned_[static_cast<size_t>(owner)].bodyRuns.push_back(run);
    }

    void assignBody(size_t index)
    {
        const InkComponent& c = page_.components[index];
        int k = bodyLine_[index];
        if (k < 0)
            k = nearestLine(lines_, c.centreX, c.centreY, nullptr);
        if (k < 0 || std::abs(lines_[static_cast<size_t>(k)].line.at(c.centreX) - c.centreY) > kStrayDistance * pitch_) {
            bodyLine_[index] = -1;
            return;
        }
        bodyLine_[index] = k;
        // Neighbouring lines over the same columns whose centre the body
        // reaches past: its runs are shared out between them.
        const double margin = kSpanMargin * page_.measures.body;
        std::vector<int> shared = {k};
        for (int n = std::max(0, k - kSpanReach); n <= std::min(k + kSpanReach, static_cast<int>(lines_.size()) - 1); ++n) {
            if (n == k)
                continue;
            const LineCandidate& other = lines_[static_cast<size_t>(n)];
            const double y = other.line.at(c.centreX);
            if (y > c.box.top + margin && y < c.box.bottom - margin && overlapAcross(other, c.box.left, c.box.right))
                shared.push_back(n);
        }
        for (int r = 0; r < c.box.runCount; ++r) {
            const Run& run = page_.runs[static_cast<size_t>(c.box.firstRun + r)];
            int to = k;
            for (int n : shared) {
                const double x = (run.start + run.end) * 0.5;
                if (std::abs(lines_[static_cast<size_t>(n)].line.at(x) - run.row) <
                    std::abs(lines_[static_cast<size_t>(to)].line.at(x) - run.row))
                    to = n;
            }
            give(to, run, true);
        }
    }

    // Buckets of columns, one body high, listing the bodies over them.
    void indexBodies()
    {
        bucketWidth_ = std::max(1, static_cast<int>(page_.measures.body));
        for (size_t i = 0; i < page_.components.size(); ++i) {
            if (bodyLine_[i] < 0 || page_.components[i].kind != PieceKind::Body)
                continue;
            const auto& box = page_.components[i].box;
            for (int b = box.left / bucketWidth_; b <= box.right / bucketWidth_; ++b) {
                if (static_cast<size_t>(b) >= buckets_.size())
                    buckets_.resize(static_cast<size_t>(b) + 1);
                buckets_[static_cast<size_t>(b)].push_back(static_cast<int>(i));
            }
        }
    }

    // Whether a body of line k lies over or under the columns of the mark,
    // give or take a body's height, and close above or below it.
    bool hasBodyOver(int k, const InkComponent& mark) const
    {
        const int left = mark.box.left - bucketWidth_;
        const int right = mark.box.right + bucketWidth_;
        const double reach = kMarkGap * page_.measures.body;
        for (int b = std::max(0, left / bucketWidth_);
             b <= right / bucketWidth_ && static_cast<size_t>(b) < buckets_.size(); ++b) {
            for (int i : buckets_[static_cast<size_t>(b)]) {
                const auto& box = page_.components[static_cast<size_t>(i)].box;
                const int gap = std::max({0, box.top - mark.box.bottom, mark.box.top - box.bottom});
                if (bodyLine_[static_cast<size_t>(i)] == k && box.left <= right && box.right >= left && gap <= reach)
                    return true;
            }
        }
        return false;
    }

    // The nearest line (by its centre) with a body over or under the mark.
    void assignMark(const InkComponent& mark)
    {
        const int k = nearestLine(lines_, mark.centreX, mark.centreY, nullptr);
        int best = -1;
        double bestDistance = kStrayDistance * pitch_;
        for (int n = std::max(0, k - 2); n >= 0 && n <= std::min(k + 2, static_cast<int>(lines_.size()) - 1); ++n) {
            const double d = std::abs(lines_[static_cast<size_t>(n)].line.at(mark.centreX) - mark.centreY);
            if (d < bestDistance && hasBodyOver(n, mark)) {
                best = n;
                bestDistance = d;
            }
        }
        if (best < 0)
            return;
        for (int r = 0; r < mark.box.runCount; ++r)
            give(best, page_.runs[static_cast<size_t>(mark.box.firstRun + r)], false);
    }

    const PageComponents& page_;
    double pitch_;
    std::vector<Owned> owned_;
    std::vector<LineCandidate> lines_;  // candidates that keep their ink, top to bottom
    std::vector<int> owners_;           // text line of each, -1 for ink of no text line
    std::vector<int> bodyLine_;         // line of each body, -1 for none yet
    int bucketWidth_ = 1;
    std::vector<std::vector<int>> buckets_;
};

// Baseline of one strip: the row with the most body ink.
int densestRow(const std::vector<int>& rows, int top)
{
    const auto best = std::max_element(rows.begin(), rows.end());
    return top + static_cast<int>(best - rows.begin());
}

LineInk shapeLine(const Owned& owned, int strip, int scale, int pageWidth, int pageHeight)
{
    LineInk ink;
    if (owned.runs.empty())
        return ink;
    ink.found = true;
    int left = owned.runs.front().start;
    int right = owned.runs.front().end - 1;
    int top = owned.runs.front().row;
    int bottom = top;
    for (const Run& run : owned.runs) {
        left = std::min(left, static_cast<int>(run.start));
        right = std::max(right, static_cast<int>(run.end) - 1);
        top = std::min(top, static_cast<int>(run.row));
        bottom = std::max(bottom, static_cast<int>(run.row));
    }
    const int strips = (right - left) / strip + 1;
    std::vector<int> stripTop(static_cast<size_t>(strips), bottom + 1);
    std::vector<int> stripBottom(static_cast<size_t>(strips), top - 1);
    for (const Run& run : owned.runs) {
        for (int s = (run.start - left) / strip; s <= (run.end - 1 - left) / strip; ++s) {
            stripTop[static_cast<size_t>(s)] = std::min(stripTop[static_cast<size_t>(s)], static_cast<int>(run.row));
            stripBottom[static_cast<size_t>(s)] = std::max(stripBottom[static_cast<size_t>(s)], static_cast<int>(run.row));
        }
    }
    const size_t height = static_cast<size_t>(bottom - top + 1);
    std::vector<std::vector<int>> rows(static_cast<size_t>(strips));
    for (const Run& run : owned.bodyRuns) {
        for (int s = (run.start - left) / strip; s <= (run.end - 1 - left) / strip; ++s) {
            const int x0 = std::max(static_cast<int>(run.start), left + s * strip);
            const int x1 = std::min(static_cast<int>(run.end), left + (s + 1) * strip);
            std::vector<int>& hist = rows[static_cast<size_t>(s)];
            hist.resize(height);
            hist[static_cast<size_t>(run.row - top)] += x1 - x0;
        }
    }
    auto px = [&](int x) { return std::clamp(x * scale, 0, pageWidth - 1); };
    auto py = [&](int y) { return std::clamp(y * scale, 0, pageHeight - 1); };
    auto pxEnd = [&](int x) { return std::clamp((x + 1) * scale - 1, 0, pageWidth - 1); };
    auto pyEnd = [&](int y) { return std::clamp((y + 1) * scale - 1, 0, pageHeight - 1); };
    ink.left = px(left);
    ink.right = pxEnd(right);
    ink.top = py(top);
    ink.bottom = pyEnd(bottom);
    std::vector<InkPoint> under;
    for (int s = 0; s < strips; ++s) {
        if (stripTop[static_cast<size_t>(s)] > stripBottom[static_cast<size_t>(s)])
            continue;
        const int x0 = left + s * strip;
        const int x1 = std::min(right, x0 + strip - 1);
        ink.polygon.emplace_back(px(x0), py(stripTop[static_cast<size_t>(s)]));
        ink.polygon.emplace_back(pxEnd(x1), py(stripTop[static_cast<size_t>(s)]));
        under.emplace_back(px(x0), pyEnd(stripBottom[static_cast<size_t>(s)]));
        under.emplace_back(pxEnd(x1), pyEnd(stripBottom[static_cast<size_t>(s)]));
        if (!rows[static_cast<size_t>(s)].empty())
            ink.baseline.emplace_back(px((x0 + x1) / 2), py(densestRow(rows[static_cast<size_t>(s)], top)));
    }
    ink.polygon.insert(ink.polygon.end(), under.rbegin(), under.rend());
    // A median of three steadies the baseline against one strip's tall letter.
    std::vector<InkPoint> steady = ink.baseline;
    for (size_t i = 1; i + 1 < steady.size(); ++i) {
        int a = ink.baseline[i - 1].second;
        int b = ink.baseline[i].second;
        int c = ink.baseline[i + 1].second;
        steady[i].second = std::max(std::min(a, b), std::min(std::max(a, b), c));
    }
    ink.baseline = std::move(steady);
    ink.centreY = (ink.top + ink.bottom) / 2.0;
    return ink;
}

}  // namespace

std::vector<LineInk> collectLineInk(const PageComponents& page, const PageLines& lines,
                                    const std::vector<LineMatch>& matches, int scale, int pageWidth,
                                    int pageHeight)
{
    std::vector<Owned> owned = Assigner(page, lines, matches).run();
    const int strip = std::max(1, static_cast<int>(page.measures.body));
    std::vector<LineInk> result;
    result.reserve(owned.size());
    for (const Owned& o : owned)
        result.push_back(shapeLine(o, strip, scale, pageWidth, pageHeight));
    return result;
}

}  // namespace tavo
