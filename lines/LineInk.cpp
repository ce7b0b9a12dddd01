#include "LineInk.h"

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

using Run = ZULRunLabeller::Run;

struct Attractor {
    LineCandidate line;
    int owner = -1;  // text line, -1 for ink that belongs to none
};

struct Owned {
    std::vector<Run> runs;
    std::vector<Run> bodyRuns;
};

class Assigner {
public:
    Assigner(const PageComponents& page, const PageLines& lines, const std::vector<LineMatch>& matches)
        : page_(page), pitch_(lines.pitch), stray_(lines.stray), owned_(matches.size())
    {
        std::vector<int> owner(lines.candidates.size(), -1);
        for (size_t i = 0; i < matches.size(); ++i) {
            for (int j = matches[i].first; j >= 0 && j <= matches[i].last; ++j)
                owner[static_cast<size_t>(j)] = static_cast<int>(i);
        }
        std::vector<LineCandidate> matched;
        for (size_t j = 0; j < owner.size(); ++j) {
            if (owner[j] >= 0)
                matched.push_back(lines.candidates[j]);
        }
        for (size_t j = 0; j < owner.size(); ++j) {
            const LineCandidate& c = lines.candidates[j];
            double d = 0;
            if (owner[j] < 0 && nearestLine(matched, (c.left + c.right) / 2.0, c.line.at((c.left + c.right) / 2.0), &d) >= 0 &&
                d < kForeignDistance * pitch_)
                continue;
            attractors_.push_back({c, owner[j]});
            lines_.push_back(c);
        }
        bodyOwner_.assign(page.components.size(), -1);
    }

    std::vector<Owned> run()
    {
        for (size_t i = 0; i < page_.components.size(); ++i) {
            if (page_.components[i].kind == PieceKind::Body && !stray_[i])
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
    void give(int attractor, const Run& run, bool body)
    {
        const int owner = attractors_[static_cast<size_t>(attractor)].owner;
        if (owner < 0)
            return;
        owned_[static_cast<size_t>(owner)].runs.push_back(run);
        if (body)
            owned_[static_cast<size_t>(owner)].bodyRuns.push_back(run);
    }

    void assignBody(size_t index)
    {
        const InkComponent& c = page_.components[index];
        double d = 0;
        const int k = nearestLine(lines_, c.centreX, c.centreY, &d);
        if (k < 0 || d > kStrayDistance * pitch_)
            return;
        bodyOwner_[index] = k;
        const double margin = kSpanMargin * page_.measures.body;
        bool spans = false;
        for (int n : {k - 1, k + 1}) {
            if (n < 0 || n >= static_cast<int>(lines_.size()))
                continue;
            const double y = lines_[static_cast<size_t>(n)].line.at(c.centreX);
            spans = spans || (y > c.box.top + margin && y < c.box.bottom - margin);
        }
        for (int r = 0; r < c.box.runCount; ++r) {
            const Run& run = page_.runs[static_cast<size_t>(c.box.firstRun + r)];
            int to = k;
            if (spans)
                to = nearestLine(lines_, (run.start + run.end) * 0.5, run.row, nullptr);
            give(to, run, true);
        }
    }

    // Buckets of columns, one body high, listing the bodies over them.
    void indexBodies()
    {
        bucketWidth_ = std::max(1, static_cast<int>(page_.measures.body));
        for (size_t i = 0; i < page_.components.size(); ++i) {
            if (bodyOwner_[i] < 0)
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
    // give or take a body's height.
    bool hasBodyOver(int k, const InkComponent& mark) const
    {
        const int left = mark.box.left - bucketWidth_;
        const int right = mark.box.right + bucketWidth_;
        for (int b = std::max(0, left / bucketWidth_);
             b <= right / bucketWidth_ && static_cast<size_t>(b) < buckets_.size(); ++b) {
            for (int i : buckets_[static_cast<size_t>(b)]) {
                const auto& box = page_.components[static_cast<size_t>(i)].box;
                if (bodyOwner_[static_cast<size_t>(i)] == k && box.left <= right && box.right >= left)
                    return true;
            }
        }
        return false;
    }

    void assignMark(const InkComponent& mark)
    {
        double d = 0;
        int k = nearestLine(lines_, mark.centreX, mark.centreY, &d);
        if (k < 0 || d > kStrayDistance * pitch_)
            return;
        const int other = lines_[static_cast<size_t>(k)].line.at(mark.centreX) < mark.centreY ? k + 1 : k - 1;
        const bool own = hasBodyOver(k, mark);
        if (other >= 0 && other < static_cast<int>(lines_.size()) && !own && hasBodyOver(other, mark) &&
            std::abs(lines_[static_cast<size_t>(other)].line.at(mark.centreX) - mark.centreY) < kStrayDistance * pitch_)
            k = other;
        else if (!own)
            return;
        for (int r = 0; r < mark.box.runCount; ++r)
            give(k, page_.runs[static_cast<size_t>(mark.box.firstRun + r)], false);
    }

    const PageComponents& page_;
    double pitch_;
    const std::vector<bool>& stray_;
    std::vector<Owned> owned_;
    std::vector<Attractor> attractors_;
    std::vector<LineCandidate> lines_;  // the attractors' lines, top to bottom
    std::vector<int> bodyOwner_;        // attractor of each body, -1 for none
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
    std::vector<Point> under;
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
    std::vector<Point> steady = ink.baseline;
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
