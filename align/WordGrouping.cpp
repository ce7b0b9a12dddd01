// -word: a line cut into PAWs by -paw becomes one zone per word.
//
// The cut list runs from the left of the line while separators are numbered
// in text order, from the right: with K cuts and the line's left edge put in
// front (the extended cut list), separator s lies at entry K - s, and the end
// of the text (separator K) at entry 0.

#include "align/Words.h"

#include "align/LineRewrite.h"
#include "align/Paw.h"
#include "align/ZoneImage.h"
#include "groundtruth/NewZoneLine.h"
#include "groundtruth/ZoneLine.h"
#include "util/Strings.h"

#include "ZULLineShape.h"
#include "ZULRectShape.h"

#include <algorithm>
#include <cstdint>

namespace tavo {

namespace {

struct WordZone {
    ZULRectShape box;          // page pixels
    std::vector<int> cuts;     // relative to box.x
    std::u16string text;
};

std::u16string wordZoneLine(const WordZone& word)
{
    return NewZoneLine()
        .add(u"col", word.box.x)
        .add(u"row", word.box.y)
        .add(u"width", word.box.width)
        .add(u"height", word.box.height)
        .add(u"offsets", toWide(joinOffsets(word.cuts)))
        .add(u"contents", word.text)
        .finish();
}

}  // namespace

std::vector<std::u16string> groupWords(ZULImage& page, const std::u16string& zoneLine)
{
    const ZoneBox zone = readZoneBox(zoneLine);
    checkZone(page, zone);  // refused when outside the page, offsets or not
    const int lineWidth = zone.width;

    std::vector<int> boundaries = parseIntList(getAttribute(u" woffsets", zoneLine), false);
    std::sort(boundaries.begin(), boundaries.end());
    std::vector<int> cuts = sortedIntegers(getAttribute(u" offsets", zoneLine));
    if (boundaries.empty() || cuts.empty())
        return {zoneLine};

    const std::u16string text = reverseAsciiTokens(getAttribute(u" contents", zoneLine) + u" ");
    const std::vector<size_t> spaces = spacePositions(text);
    const size_t spaceCount = spaces.size();

    cuts.insert(cuts.begin(), 0);
    const size_t K = cuts.size() - 1;
    if (spaceCount - 1 < K + 1)  // unsigned: no spaces at all appends nothing
        boundaries.push_back(static_cast<int>(spaceCount - 1));

    std::vector<bool> isBoundary(K + 1, false);
    for (int b : boundaries) {
        if (b < 0 || static_cast<size_t>(b) > K) {
            throw UnprocessableZone("woffsets entry " + std::to_string(b) +
                                    " has no cut among the " + std::to_string(K) + " offsets");
        }
        isBoundary[static_cast<size_t>(b)] = true;
    }

    // Everything is measured before anything is drawn, so a zone refused
    // half-way leaves no marks on the page.
    std::vector<WordZone> words;
    words.reserve(boundaries.size());
    for (size_t i = 0; i < boundaries.size(); ++i) {
        const long before = i == 0 ? -1 : boundaries[i - 1];
        const int right = i == 0 ? lineWidth - 1 : cuts[K - static_cast<size_t>(before)];
        const int left = cuts[K - static_cast<size_t>(boundaries[i])];
        std::optional<std::u16string> wordText =
            textBetweenSpaces(text, spaces, before, boundaries[i]);
        if (!wordText) {
            throw UnprocessableZone("contents has no word between spaces " +
                                    std::to_string(before) + " and " +
                                    std::to_string(boundaries[i]));
        }
        // The word's ink read in place on the working page: no copy and no
        // grey conversion of its pixels.
        const ZULRectShape ink = inkBox(page, zoneColumns(page, zone, left, right));

        WordZone word;
        word.box = ZULRectShape(zone.col + left + ink.x, zone.row + ink.y, ink.width, ink.height);
        word.text = std::move(*wordText);
        // The PAW cuts strictly inside the word's box that are not word
        // boundaries, found by binary search in the ascending cut list.
        const std::int64_t boxLeft = word.box.x;
        const std::int64_t boxEnd = boxLeft + word.box.width;
        auto first = std::upper_bound(cuts.begin(), cuts.end(), boxLeft - zone.col);
        auto last = std::lower_bound(first, cuts.end(), boxEnd - zone.col);
        for (auto it = first; it != last; ++it) {
            const size_t p = static_cast<size_t>(it - cuts.begin());
            if (!isBoundary[K - p])
                word.cuts.push_back(static_cast<int>(zone.col + std::int64_t{*it} - boxLeft));
        }
        words.push_back(std::move(word));
    }

    std::vector<std::u16string> lines;
    lines.reserve(words.size());
    for (const WordZone& word : words) {
        word.box.zulDraw(page);
        const int top = word.box.y;
        for (int cut : word.cuts) {
            const int x = word.box.x + cut;
            ZULLineShape(ZULPoint(x, top), ZULPoint(x, top + word.box.height)).zulDraw(page);
        }
        lines.push_back(wordZoneLine(word));
    }
    return lines;
}

void runWord(const std::u16string& image, const std::u16string& inXml,
             const std::u16string& outXml, Report& report)
{
    rewriteTextLineZones(image, inXml, outXml, report, groupWords);
}

}  // namespace tavo
