// -segword cuts every text line at its word boundaries only; splitWords then
// makes one zone per word of such a line.
//
// Split list of a line: its offsets, 0 and width - 1, ascending with
// duplicates kept.  Word w (from 1, text order, so from the right of the
// line) spans entries S - w - 1 to S - w, both columns included, so
// neighbouring words share their cut column.

#include "align/Words.h"

#include "align/LineRewrite.h"
#include "align/Paw.h"
#include "align/ZoneImage.h"
#include "groundtruth/NewZoneLine.h"
#include "groundtruth/ZoneLine.h"
#include "util/Strings.h"

#include "ZULException.h"

#include <algorithm>

namespace tavo {

namespace {

std::vector<int> splitList(const std::u16string& offsets, int width)
{
    std::vector<int> splits = sortedIntegers(offsets);
    splits.push_back(0);
    splits.push_back(width - 1);
    std::sort(splits.begin(), splits.end());
    return splits;
}

}  // namespace

std::u16string segmentWordLine(ZULImage& page, const std::u16string& zoneLine)
{
    const std::u16string words = normaliseSpaces(getAttribute(u"contents", zoneLine));
    const ZoneBox zone = readZoneBox(zoneLine);
    // The line image is read in place on the page rather than copied out.
    checkZone(page, zone);
    std::vector<int> cuts;
    try {
        cuts = findZoneCuts(page, zone, countSpaces(caretsToSpaces(words)));
    } catch (const ZULException& e) {
        throw UnprocessableZone(e.what());
    }
    std::sort(cuts.begin(), cuts.end());
    markZone(page, zone, cuts);

    // The status goes right after contents, where appending it after the
    // line's last quote puts it; appending by name would find a "status"
    // inside contents and overwrite the end of the line.
    return NewZoneLine()
        .add(u"col", zone.col)
        .add(u"row", zone.row)
        .add(u"width", zone.width)
        .add(u"height", zone.height)
        .add(u"offsets", toWide(joinOffsets(cuts)))
        .add(u"contents", caretsToSpaces(words))
        .add(u"status", getWholeAttribute(zoneLine, u"status").value_or(std::u16string()))
        .finish();
}

std::vector<std::u16string> splitWords(const ZULImage& page, const std::u16string& zoneLine)
{
    const ZoneBox zone = readZoneBox(zoneLine);
    checkZone(page, zone);  // refused when outside the page, offsets or not

    const std::u16string offsets = getAttribute(u" offsets", zoneLine);
    if (offsets.empty())
        return {zoneLine};

    const std::u16string words = normaliseSpaces(getAttribute(u" contents", zoneLine));
    const std::vector<int> splits = splitList(offsets, zone.width);
    std::u16string text(1, u' ');
    text += reverseAsciiTokens(words + u' ');
    const std::vector<size_t> spaces = spacePositions(text);

    const size_t S = splits.size();
    const size_t wordCount = std::min(spaces.size(), S);
    std::vector<std::u16string> lines;
    for (size_t w = 1; w < wordCount; ++w) {
        const int left = splits[S - w - 1];
        const int right = splits[S - w];
        ZULImage word = cutGreyColumns(page, zone, left, right);
        removeSpecks(word);
        const ZULRectShape ink = inkBox(word);

        const long space = static_cast<long>(w);
        lines.push_back(NewZoneLine()
                            .add(u"col", zone.col + left + ink.x)
                            .add(u"row", zone.row + ink.y)
                            .add(u"width", ink.width)
                            .add(u"height", ink.height)
                            .add(u"contents", *textBetweenSpaces(text, spaces, space - 1, space))
                            .finish(u"offsets=\"\"> </DL_ZONE>"));
    }
    return lines;
}

void runSegWord(const std::u16string& image, const std::u16string& inXml,
                const std::u16string& outXml, Report& report)
{
    rewriteTextLineZones(image, inXml, outXml, report,
                         [](ZULImage& page, const std::u16string& line) {
                             return std::vector<std::u16string>{segmentWordLine(page, line)};
                         });
}

}  // namespace tavo
