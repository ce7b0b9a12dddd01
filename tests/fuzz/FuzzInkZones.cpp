// libFuzzer target: the commands that read ink with the transcription as the
// guide, on a small page drawn from the input: the line finder on a
// transcription, the word finder on one zone line, and the zone scores on
// line and word zones with arbitrary boxes and outlines.  Each must keep
// its zones on the page and its confidences in 0..1, or refuse the zone
// with UnprocessableZone; nothing else may escape.
//
// Input: one flags byte (bits 0-1: 0 lines, 1 words, 2 scores, 3 all), 288
// bytes of page (96 x 24 pixels, a bit each, 1 ink), then the fields
// transcription (lines separated by '\n'), col, row, width, height, contents
// and polygon separated by 0x1F.
#include "FuzzText.h"

#include "align/Words.h"
#include "lines/LinesCommand.h"
#include "review/InkIndex.h"
#include "review/ZoneFile.h"
#include "review/ZoneScore.h"
#include "util/Strings.h"
#include "words/WordFinder.h"

#include "ZULImage.h"

using fuzztext::check;

namespace {

constexpr int kWidth = 96, kHeight = 24, kScale = 4;  // the page is drawn kScale times larger
constexpr size_t kPageBytes = kWidth * kHeight / 8;

ZULImage pageOf(const std::uint8_t* bits, size_t size)
{
    ZULImage page(kWidth * kScale, kHeight * kScale, 24, true);
    for (int y = 0; y < kHeight * kScale; ++y)
        for (int x = 0; x < kWidth * kScale; ++x) {
            const size_t bit = static_cast<size_t>((y / kScale) * kWidth + x / kScale);
            const bool ink = bit / 8 < size && ((bits[bit / 8] >> (bit % 8)) & 1) != 0;
            const std::uint8_t v = ink ? 0 : 255;
            page.zulSetColorPixel(x, y, v, v, v);
        }
    return page;
}

bool onPage(int left, int top, int right, int bottom)
{
    return left >= 0 && top >= 0 && left <= right && top <= bottom && right < kWidth * kScale &&
           bottom < kHeight * kScale;
}

void runLines(const ZULImage& page, const std::u16string& transcription)
{
    std::vector<std::u16string> text;
    for (size_t start = 0; start <= transcription.size();) {
        size_t end = transcription.find(u'\n', start);
        if (end == std::u16string::npos)
            end = transcription.size();
        if (end > start)
            text.push_back(transcription.substr(start, end - start));
        start = end + 1;
    }
    const tavo::PageLineResult found = tavo::findTranscriptionLines(page, text);
    check(found.ink.size() == text.size());
    for (const tavo::LineInk& line : found.ink) {
        if (!line.found)
            continue;
        check(onPage(line.left, line.top, line.right, line.bottom));
        for (const auto& [x, y] : line.polygon)
            check(onPage(x, y, x, y));
    }
}

void runWords(const ZULImage& page, const std::u16string& zoneLine)
{
    try {
        const tavo::FoundLine line = tavo::findWords(page, zoneLine);
        for (const tavo::FoundWord& word : line.words) {
            check(word.confidence >= 0 && word.confidence <= 1);
            if (word.box.width > 0)
                check(onPage(word.box.col, word.box.row, word.box.col + word.box.width - 1,
                             word.box.row + word.box.height - 1));
        }
    } catch (const tavo::UnprocessableZone&) {
    }
}

void runScores(const ZULImage& page, const tavo::ZoneEntry& zone)
{
    tavo::ZoneEntry word = zone;
    word.outline.clear();
    const tavo::PageScores scores = tavo::scorePage(tavo::InkIndex::ofPage(page), {word, word}, {zone});
    for (const auto* list : {&scores.words, &scores.lines})
        for (const tavo::ZoneScore& s : *list)
            check(s.confidence >= 0 && s.confidence <= 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int which = data[0] & 3;
    const size_t pageBytes = std::min(size - 1, kPageBytes);
    const ZULImage page = pageOf(data + 1, pageBytes);
    const auto f = fuzztext::fields(data + 1 + pageBytes, size - 1 - pageBytes, 7);

    std::u16string zoneLine = u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" ";
    const char16_t* names[] = {u"col", u"row", u"width", u"height", u"offsets", u"contents", u"polygon"};
    for (size_t i = 0; i < 7; ++i)
        zoneLine += std::u16string(names[i]) + u"=\"" + (i == 4 ? u"" : fuzztext::textOf(f[i < 4 ? i + 1 : i])) +
                    u"\" ";
    zoneLine += u"> </DL_ZONE>";
    tavo::ZoneEntry zone;
    zone.lineNumber = 1;
    zone.box = tavo::readZoneBox(zoneLine);
    zone.text = fuzztext::textOf(f[5]);
    zone.outline = tavo::parseOutline(fuzztext::textOf(f[6]));

    if (which == 0 || which == 3)
        runLines(page, fuzztext::textOf(f[0]));
    if (which == 1 || which == 3)
        runWords(page, zoneLine);
    if (which == 2 || which == 3)
        runScores(page, zone);
    return 0;
}
