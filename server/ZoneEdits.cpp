#include "server/ZoneEdits.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavo {

namespace {

// Reading order within a line: right edges from the right, then left edges.
bool readsBefore(const EditZone& a, const EditZone& b)
{
    if (a.box.right() != b.box.right())
        return a.box.right() > b.box.right();
    return a.box.x > b.box.x;
}

EditBox unite(const EditBox& a, const EditBox& b)
{
    const int left = std::min(a.x, b.x), top = std::min(a.y, b.y);
    const int right = std::max(a.right(), b.right()), bottom = std::max(a.y + a.h, b.y + b.h);
    return {left, top, right - left, bottom - top};
}

std::optional<EditBox> uniteAll(const std::vector<EditBox>& boxes)
{
    if (boxes.empty())
        return std::nullopt;
    EditBox all = boxes.front();
    for (const EditBox& b : boxes)
        all = unite(all, b);
    return all;
}

long overlap(const EditBox& a, const EditBox& b)
{
    const long across = std::min(a.right(), b.right()) - std::max(a.x, b.x);
    const long down = std::min(a.y + a.h, b.y + b.h) - std::max(a.y, b.y);
    return across > 0 && down > 0 ? across * down : 0;
}

void markEdited(EditZone& zone)
{
    zone.checked = true;
    zone.confidence.reset();
    zone.doubt.reset();
}

std::u16string trimmed(std::u16string_view text)
{
    const size_t first = text.find_first_not_of(u' ');
    if (first == std::u16string_view::npos)
        return {};
    return std::u16string(text.substr(first, text.find_last_not_of(u' ') - first + 1));
}

// The zones in reading order (see renumberZones), without the ones keep
// marks false; resort tells which lines (by their index in zones) have their
// words sorted right to left.
std::vector<EditZone> reorder(std::vector<EditZone> zones, const std::vector<bool>& keep,
                              const std::vector<bool>& resort, bool sortLines)
{
    std::vector<int> lines;
    for (size_t i = 0; i < zones.size(); ++i)
        if (zones[i].isLine)
            lines.push_back(static_cast<int>(i));
    if (sortLines)
        std::stable_sort(lines.begin(), lines.end(),
                         [&](int a, int b) { return zones[size_t(a)].box.y < zones[size_t(b)].box.y; });
    std::vector<int> newIndex(zones.size(), -1);
    for (size_t k = 0; k < lines.size(); ++k)
        newIndex[size_t(lines[k])] = static_cast<int>(k);

    std::vector<std::vector<EditZone>> words(lines.size());
    std::vector<EditZone> loose;
    for (size_t i = 0; i < zones.size(); ++i) {
        EditZone& z = zones[i];
        if (z.isLine || !keep[i])
            continue;
        const bool known = z.line >= 0 && size_t(z.line) < zones.size() && zones[size_t(z.line)].isLine;
        if (!known) {
            z.line = -1;
            loose.push_back(std::move(z));
            continue;
        }
        words[size_t(newIndex[size_t(z.line)])].push_back(std::move(z));
    }
    std::vector<EditZone> out;
    out.reserve(zones.size());
    for (int at : lines)
        out.push_back(std::move(zones[size_t(at)]));
    for (size_t k = 0; k < lines.size(); ++k) {
        if (resort[size_t(lines[k])])
            std::stable_sort(words[k].begin(), words[k].end(), readsBefore);
        for (EditZone& w : words[k]) {
            w.line = static_cast<int>(k);
            out.push_back(std::move(w));
        }
    }
    for (EditZone& w : loose)
        out.push_back(std::move(w));
    return out;
}

EditZone& wordAt(std::vector<EditZone>& zones, int index)
{
    if (index < 0 || size_t(index) >= zones.size())
        throw EditError("no zone " + std::to_string(index));
    if (zones[size_t(index)].isLine)
        throw EditError("zone " + std::to_string(index) + " is a line, not a word");
    return zones[size_t(index)];
}

// The baseline points on one side of column c, with the point where the
// baseline crosses c; nothing when fewer than two points remain.
std::vector<std::pair<int, int>> baselinePart(const std::vector<std::pair<int, int>>& points, int c, bool left)
{
    std::vector<std::pair<int, int>> part;
    for (size_t i = 0; i < points.size(); ++i) {
        const auto [x, y] = points[i];
        const bool inside = left ? x < c : x >= c;
        if (i > 0) {
            const auto [px, py] = points[i - 1];
            if ((px < c) != (x < c) && x != px) {
                const double t = double(c - px) / double(x - px);
                part.emplace_back(c, static_cast<int>(std::lround(py + t * (y - py))));
            }
        }
        if (inside)
            part.emplace_back(x, y);
    }
    if (part.size() < 2)
        part.clear();
    return part;
}

void splitWord(std::vector<EditZone>& zones, std::vector<bool>& resort, int index, int x)
{
    EditZone& word = wordAt(zones, index);
    if (x <= word.box.x || x >= word.box.right())
        throw EditError("column " + std::to_string(x) + " does not lie inside word " + std::to_string(index));
    const int c = snapSplitColumn(word, x);
    EditZone left = word;
    EditZone& right = word;
    left.ref = 0;
    left.polygon.clear();
    right.polygon.clear();

    std::vector<EditBox> leftPaws, rightPaws;
    for (const EditBox& p : word.pawboxes)
        (2 * p.x + p.w < 2 * c ? leftPaws : rightPaws).push_back(p);
    const EditBox whole = word.box;
    left.box = uniteAll(leftPaws).value_or(EditBox{whole.x, whole.y, c - whole.x, whole.h});
    right.box = uniteAll(rightPaws).value_or(EditBox{c, whole.y, whole.right() - c, whole.h});
    left.pawboxes = std::move(leftPaws);
    right.pawboxes = std::move(rightPaws);
    left.baseline = baselinePart(word.baseline, c, true);
    right.baseline = baselinePart(word.baseline, c, false);

    // The text is cut at the space nearest the share of the word (counted
    // from the right, where reading starts) that the right part takes.
    const std::u16string text = trimmed(word.text);
    const double share = double(whole.right() - c) / std::max(1, whole.w);
    const double wanted = share * double(text.size());
    size_t best = std::u16string::npos;
    for (size_t i = text.find(u' '); i != std::u16string::npos; i = text.find(u' ', i + 1))
        if (best == std::u16string::npos || std::abs(double(i) - wanted) < std::abs(double(best) - wanted))
            best = i;
    if (best == std::u16string::npos) {
        right.text = text;
        left.text.clear();
    } else {
        right.text = trimmed(std::u16string_view(text).substr(0, best));
        left.text = trimmed(std::u16string_view(text).substr(best + 1));
    }
    markEdited(left);
    markEdited(right);
    if (right.line >= 0 && size_t(right.line) < resort.size())
        resort[size_t(right.line)] = true;
    zones.push_back(std::move(left));  // reorder puts it in its place
}

void mergeWords(std::vector<EditZone>& zones, std::vector<bool>& keep, std::vector<bool>& resort, int a, int b)
{
    EditZone& first0 = wordAt(zones, a);
    EditZone& second0 = wordAt(zones, b);
    if (a == b)
        throw EditError("a word cannot be merged with itself");
    if (first0.line != second0.line)
        throw EditError("words " + std::to_string(a) + " and " + std::to_string(b) + " are on different lines");
    const bool aFirst = !readsBefore(second0, first0);
    EditZone& first = aFirst ? first0 : second0;
    EditZone& second = aFirst ? second0 : first0;
    first.box = unite(first.box, second.box);
    const std::u16string one = trimmed(first.text), two = trimmed(second.text);
    first.text = one.empty() ? two : two.empty() ? one : one + u' ' + two;
    first.pawboxes.insert(first.pawboxes.end(), second.pawboxes.begin(), second.pawboxes.end());
    std::stable_sort(first.pawboxes.begin(), first.pawboxes.end(),
                     [](const EditBox& p, const EditBox& q) { return p.right() > q.right(); });
    first.baseline.insert(first.baseline.end(), second.baseline.begin(), second.baseline.end());
    std::stable_sort(first.baseline.begin(), first.baseline.end());
    first.polygon.clear();
    markEdited(first);
    keep[size_t(aFirst ? b : a)] = false;
    if (first.line >= 0 && size_t(first.line) < resort.size())
        resort[size_t(first.line)] = true;
}

void moveWord(std::vector<EditZone>& zones, std::vector<bool>& resort, int index, int dir)
{
    EditZone& word = wordAt(zones, index);
    if (dir != -1 && dir != 1)
        throw EditError("a word moves one line up (-1) or down (1)");
    std::vector<int> lines;
    for (size_t i = 0; i < zones.size(); ++i)
        if (zones[i].isLine)
            lines.push_back(static_cast<int>(i));
    const auto at = std::find(lines.begin(), lines.end(), word.line);
    if (at == lines.end())
        throw EditError("word " + std::to_string(index) + " belongs to no line");
    const long target = (at - lines.begin()) + dir;
    if (target < 0 || size_t(target) >= lines.size())
        throw EditError(dir < 0 ? "no line above" : "no line below");
    resort[size_t(word.line)] = true;
    word.line = lines[size_t(target)];
    resort[size_t(word.line)] = true;
    markEdited(word);
}

}  // namespace

int snapSplitColumn(const EditZone& word, int x)
{
    std::vector<EditBox> paws = word.pawboxes;
    std::sort(paws.begin(), paws.end(), [](const EditBox& p, const EditBox& q) { return p.x < q.x; });
    std::optional<int> best;
    for (size_t i = 0; i + 1 < paws.size(); ++i) {
        const int gap = (std::max(paws[i].right(), paws[i].x) + paws[i + 1].x) / 2;
        if (gap <= word.box.x || gap >= word.box.right())
            continue;
        if (!best || std::abs(gap - x) < std::abs(*best - x))
            best = gap;
    }
    return best.value_or(x);
}

std::vector<EditZone> applyEdit(std::vector<EditZone> zones, const EditOp& op)
{
    std::vector<bool> keep(zones.size(), true);
    std::vector<bool> resort(zones.size(), op.type == EditOp::Type::Renumber);
    switch (op.type) {
    case EditOp::Type::Split: splitWord(zones, resort, op.zone, op.x); break;
    case EditOp::Type::Merge: mergeWords(zones, keep, resort, op.zone, op.other); break;
    case EditOp::Type::Move: moveWord(zones, resort, op.zone, op.dir); break;
    case EditOp::Type::Renumber: break;
    }
    keep.resize(zones.size(), true);
    resort.resize(zones.size(), false);
    return reorder(std::move(zones), keep, resort, op.type == EditOp::Type::Renumber);
}

std::vector<EditZone> replaceLineWords(std::vector<EditZone> zones, int line, std::vector<EditZone> words)
{
    if (line < 0 || size_t(line) >= zones.size() || !zones[size_t(line)].isLine)
        throw EditError("zone " + std::to_string(line) + " is not a line");
    std::vector<bool> keep(zones.size(), true);
    std::vector<EditBox> checked;
    for (size_t i = 0; i < zones.size(); ++i) {
        const EditZone& z = zones[i];
        if (z.isLine || z.line != line)
            continue;
        if (z.checked)
            checked.push_back(z.box);
        else
            keep[i] = false;
    }
    for (EditZone& w : words) {
        if (std::any_of(checked.begin(), checked.end(), [&](const EditBox& c) { return overlap(c, w.box) > 0; }))
            continue;
        w.isLine = false;
        w.line = line;
        zones.push_back(std::move(w));
        keep.push_back(true);
    }
    std::vector<bool> resort(zones.size(), false);
    resort[size_t(line)] = true;
    return reorder(std::move(zones), keep, resort, false);
}

std::vector<EditZone> renumberZones(std::vector<EditZone> zones, const std::vector<int>& resortLines,
                                    bool sortLines)
{
    std::vector<bool> keep(zones.size(), true);
    std::vector<bool> resort(zones.size(), resortLines.empty());
    for (int line : resortLines)
        if (line >= 0 && size_t(line) < zones.size())
            resort[size_t(line)] = true;
    return reorder(std::move(zones), keep, resort, sortLines);
}

void assignWordsToLines(std::vector<EditZone>& zones)
{
    // Lines by their top row; a line that overlaps a word starts less than
    // the tallest line's height above the word's top.
    std::vector<int> lines;
    int tallest = 0;
    for (size_t i = 0; i < zones.size(); ++i)
        if (zones[i].isLine) {
            lines.push_back(static_cast<int>(i));
            tallest = std::max(tallest, zones[i].box.h);
        }
    std::stable_sort(lines.begin(), lines.end(),
                     [&](int a, int b) { return zones[size_t(a)].box.y < zones[size_t(b)].box.y; });
    for (EditZone& word : zones) {
        if (word.isLine)
            continue;
        auto at = std::lower_bound(lines.begin(), lines.end(), word.box.y - tallest,
                                   [&](int l, int row) { return zones[size_t(l)].box.y < row; });
        long bestArea = 0;
        int best = -1;
        for (; at != lines.end() && zones[size_t(*at)].box.y < word.box.y + word.box.h; ++at) {
            const long area = overlap(word.box, zones[size_t(*at)].box);
            if (area > bestArea || (area == bestArea && area > 0 && *at < best))
                bestArea = area, best = *at;
        }
        word.line = best;
    }
}

}  // namespace tavo
