#include "words/WordFinder.h"

#include "words/ZoneInk.h"
#include "groundtruth/NewZoneLine.h"
#include "words/PawMatch.h"
#include "words/PawPlan.h"
#include "util/Strings.h"
#include "align/Words.h"
#include "align/ZoneImage.h"
#include "groundtruth/ZoneLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tavo {

namespace {

constexpr double kConfidencePerCost = 0.3;
constexpr double kDoubtBelow = 0.5;

InkBoxI sliceBox(const InkPart& body, const InkSlice& slice)
{
    InkBoxI box;
    for (const InkRun& r : body.runs) {
        const int start = std::max(r.start, slice.from);
        const int end = std::min(r.end, slice.to + 1);
        if (start < end)
            box.addRun({r.row, start, end});
    }
    return box;
}

int centreDistance(const InkBoxI& a, int x)
{
    return x < a.left ? a.left - x : x > a.right ? x - a.right : 0;
}

// Where every mark and left-over body goes: the PAW whose slice of the
// mark's owner lies under its centre, or else the PAW it overlaps most.  A
// weak PAW (a hamza, a zero) that found no body takes the marks of its
// neighbours that lie beyond their ink on its side.
void attachMarks(const ZoneInk& ink, const PawAlignment& match, const LinePlan& plan,
                 std::vector<InkBoxI>& boxes)
{
    std::vector<std::vector<std::pair<size_t, InkSlice>>> slicesOf(ink.bodies.size());
    for (size_t j = 0; j < match.paws.size(); ++j)
        for (const InkSlice& s : match.paws[j].slices)
            slicesOf[static_cast<size_t>(s.body)].push_back({j, s});

    const size_t none = boxes.size();
    std::vector<size_t> pawOf(ink.marks.size(), none);
    for (size_t m = 0; m < ink.marks.size(); ++m) {
        const InkPart& mark = ink.marks[m];
        if (mark.owner < 0)
            continue;
        const auto& owners = slicesOf[static_cast<size_t>(mark.owner)];
        const int x = (mark.box.left + mark.box.right) / 2;
        int bestDistance = 0;
        for (size_t k = 0; k < owners.size(); ++k) {
            const int d = centreDistance({owners[k].second.from, 0, owners[k].second.to, 0}, x);
            if (pawOf[m] == none || d < bestDistance) {
                pawOf[m] = owners[k].first;
                bestDistance = d;
            }
        }
    }
    for (size_t j = 0; j < boxes.size(); ++j) {
        if (!plan.paws[j].weak || !boxes[j].empty())
            continue;
        for (size_t m = 0; m < ink.marks.size(); ++m) {
            const int x = (ink.marks[m].box.left + ink.marks[m].box.right) / 2;
            if ((j > 0 && pawOf[m] == j - 1 && x < boxes[j - 1].left) ||
                (j + 1 < boxes.size() && pawOf[m] == j + 1 && x > boxes[j + 1].right))
                pawOf[m] = j;
        }
    }
    for (size_t m = 0; m < ink.marks.size(); ++m)
        if (pawOf[m] != none)
            boxes[pawOf[m]].add(ink.marks[m].box);

    // Bodies the match left over join the PAW they overlap most, if any.
    for (size_t b = 0; b < ink.bodies.size(); ++b) {
        if (!slicesOf[b].empty())
            continue;
        const InkBoxI& box = ink.bodies[b].box;
        size_t best = boxes.size();
        int bestOverlap = 0;
        for (size_t j = 0; j < boxes.size(); ++j) {
            if (boxes[j].empty())
                continue;
            const int overlap = std::min(box.right, boxes[j].right) - std::max(box.left, boxes[j].left);
            if (overlap > bestOverlap) {
                best = j;
                bestOverlap = overlap;
            }
        }
        if (best < boxes.size())
            boxes[best].add(box);
    }
}

std::u16string doubtOf(const std::vector<const MatchedPaw*>& paws, bool noInk, bool fallback)
{
    std::u16string out;
    auto note = [&](bool on, std::u16string_view word) {
        if (on && out.find(word) == std::u16string::npos) {
            if (!out.empty())
                out += u' ';
            out += word;
        }
    };
    note(fallback, u"unmatched");
    note(noInk, u"noink");
    for (const MatchedPaw* p : paws) {
        note(p->merged, u"merged");
        note(p->split, u"split");
        note(p->wide, u"wide");
        note(p->narrow, u"narrow");
        note(p->gap, u"gap");
    }
    return out;
}

PageBox pageBox(const InkBoxI& b, const ZoneBox& zone)
{
    return {zone.col + b.left, zone.row + b.top, b.width(), b.height()};
}

std::u16string boxText(const PageBox& b)
{
    return toWide(std::to_string(b.col) + "," + std::to_string(b.row) + "," +
                  std::to_string(b.width) + "," + std::to_string(b.height));
}

}  // namespace

FoundLine findWords(const ZULImage& page, const std::u16string& zoneLine)
{
    const std::u16string contents = getAttribute(u" contents", zoneLine);
    const LinePlan plan = planLine(contents);
    if (plan.words.empty())
        throw UnprocessableZone("the zone has no contents");
    const ZoneBox zone = readZoneBox(zoneLine);
    checkZone(page, zone);
    if (zone.width <= 0 || zone.height <= 0)
        throw UnprocessableZone("the zone holds no pixels");
    // One row more above and below where the page has it.
    const int above = zone.row > 0 ? 1 : 0;
    const int below = zone.row + zone.height < page.zulGetHeight() ? 1 : 0;
    const ZoneBox taller{zone.col, zone.row - above, zone.width, zone.height + above + below};
    const ZULImage grey = cutGreyColumns(page, taller, 0, zone.width - 1);
    // The outline in zone coordinates.
    auto outline = readPolygon(getWholeAttribute(zoneLine, u"polygon").value_or(u""));
    if (outline)
        for (auto& [x, y] : *outline) {
            x -= zone.col;
            y -= zone.row;
        }
    const ZoneInk ink = findLineInk(grey, above, below, outline ? &*outline : nullptr);
    if (ink.bodies.empty())
        throw UnprocessableZone("no ink in the zone");

    const PawAlignment match = matchPaws(ink, plan);
    std::vector<InkBoxI> boxes(plan.paws.size());
    for (size_t j = 0; j < match.paws.size(); ++j)
        for (const InkSlice& s : match.paws[j].slices)
            boxes[j].add(sliceBox(ink.bodies[static_cast<size_t>(s.body)], s));
    attachMarks(ink, match, plan, boxes);

    FoundLine line;
    int wordsWithoutInk = 0;
    int cursor = ink.bodies.front().box.right;  // left edge of the last word placed
    size_t j = 0;
    for (size_t w = 0; w < plan.words.size(); ++w) {
        FoundWord word;
        word.contents = plan.words[w];
        InkBoxI box;
        std::vector<InkBoxI> paws;
        std::vector<const MatchedPaw*> matched;
        double cost = 0;
        bool noInk = false;
        for (; j < plan.paws.size() && plan.paws[j].word == static_cast<int>(w); ++j) {
            matched.push_back(&match.paws[j]);
            cost += match.paws[j].cost;
            if (boxes[j].empty()) {
                noInk |= !plan.paws[j].weak;
                continue;
            }
            box.add(boxes[j]);
            paws.push_back(boxes[j]);
        }
        if (box.empty()) {  // nothing found: a thin zone where the word should be
            box = {std::max(0, cursor - 1), ink.coreTop, std::max(0, cursor - 1), ink.coreBottom};
            ++wordsWithoutInk;
        }
        cursor = box.left;
        word.box = pageBox(box, zone);
        for (size_t k = 0; k < paws.size(); ++k) {
            word.pawBoxes.push_back(pageBox(paws[k], zone));
            if (k + 1 < paws.size()) {
                const int cut = (paws[k].left + paws[k + 1].right + 1) / 2 - box.left;
                word.offsets.push_back(std::clamp(cut, 0, box.width() - 1));
            }
        }
        std::sort(word.offsets.begin(), word.offsets.end());
        word.confidence = match.fallback ? 0 : std::exp(-kConfidencePerCost * cost);
        if (word.confidence < kDoubtBelow)
            word.doubt = doubtOf(matched, noInk, match.fallback);
        line.words.push_back(std::move(word));
    }
    if (match.fallback)
        line.doubt = "too long to match its ink; words placed by width";
    else if (2 * wordsWithoutInk > static_cast<int>(line.words.size()))
        line.doubt = std::to_string(wordsWithoutInk) + " of " + std::to_string(line.words.size()) +
                     " words found no ink";
    return line;
}

std::u16string wordZoneLine(const FoundWord& word)
{
    return NewZoneLine()
        .add(u"col", word.box.col)
        .add(u"row", word.box.row)
        .add(u"width", word.box.width)
        .add(u"height", word.box.height)
        .add(u"contents", word.contents)
        .finish(u"offsets=\"" + toWide(joinOffsets(word.offsets)) + u"\"> </DL_ZONE>");
}

std::vector<std::pair<std::u16string, std::u16string>> wordExtraAttributes(const FoundWord& word)
{
    std::u16string boxes;
    for (const PageBox& b : word.pawBoxes) {
        if (!boxes.empty())
            boxes += u' ';
        boxes += boxText(b);
    }
    char confidence[16];
    std::snprintf(confidence, sizeof confidence, "%.2f", word.confidence);
    std::vector<std::pair<std::u16string, std::u16string>> extras = {
        {u"pawboxes", boxes}, {u"confidence", toWide(confidence)}};
    if (!word.doubt.empty())
        extras.push_back({u"doubt", word.doubt});
    return extras;
}

}  // namespace tavo
