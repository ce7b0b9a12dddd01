// libFuzzer target: groupWords, splitWords and segmentWordLine on arbitrary
// zone lines over a small page made once.  Each either returns zone lines
// that lie on the page or refuses the line with UnprocessableZone, leaving
// the page as it was; nothing else may escape.
//
// Input: one flags byte (bits 0-1: 0 groupWords, 1 splitWords,
// 2 segmentWordLine, 3 all three; bit 2: the page of black and white
// pixels instead of the grey one; bit 3: the rest is the whole line), then
// the fields col, row, width, height, offsets, woffsets, contents and status
// separated by 0x1F, from which a zone line in the order -paw writes is built.
#include "FuzzText.h"

#include "align/Paw.h"
#include "align/Words.h"
#include "groundtruth/ZoneLine.h"
#include "util/Strings.h"

#include "ZULImage.h"

#include <cstring>

using fuzztext::check;

namespace {

constexpr int kPageWidth = 240;
constexpr int kPageHeight = 64;
constexpr std::u16string_view kLineEnd = u"> </DL_ZONE>";

// Words of ink blocks with white gaps between them, a few 2 x 2 specks and
// thin strokes.  The grey page shades them; the other holds only 0 and 255,
// as a 1-bit page turned into colour does, so specks get removed.
ZULImage makePage(bool blackAndWhite)
{
    ZULImage page(kPageWidth, kPageHeight, 24, true);
    const auto fill = [&](int left, int top, int right, int bottom, int shade) {
        for (int y = top; y <= bottom; ++y) {
            for (int x = left; x <= right; ++x) {
                const int v = blackAndWhite ? 0 : (shade + 7 * x + 3 * y) % 140;
                page.zulSetColorPixel(x, y, static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v / 2),
                                      static_cast<std::uint8_t>(v + 60));
            }
        }
    };
    const int blocks[][2] = {{10, 30}, {36, 50}, {70, 110}, {118, 125}, {150, 200}, {210, 230}};
    for (const auto& block : blocks)
        fill(block[0], 12 + block[0] % 9, block[1], 48 - block[1] % 7, block[0]);
    fill(58, 20, 59, 21, 0);
    fill(140, 44, 141, 45, 30);
    fill(5, 56, 235, 56, 90);
    fill(131, 4, 131, 60, 10);
    return page;
}

const ZULImage& pageOf(bool blackAndWhite)
{
    static const ZULImage grey = makePage(false);
    static const ZULImage blackWhite = makePage(true);
    return blackAndWhite ? blackWhite : grey;
}

// The cut list of a line's offsets value.
std::vector<int> offsetsOf(const std::u16string& line)
{
    std::u16string value = tavo::getAttribute(u" offsets", line);
    for (char16_t& c : value)
        c = c == u',' ? u' ' : c;
    return tavo::parseIntList(value, false);
}

bool samePixels(const ZULImage& a, const ZULImage& b)
{
    return std::memcmp(a.zulGetImageData(), b.zulGetImageData(), a.zulGetImageDataSize()) == 0;
}

std::u16string zoneLineOf(const std::vector<std::string_view>& f)
{
    std::u16string line = u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" segmentation=\"word\" ";
    const char16_t* names[] = {u"col", u"row", u"width", u"height", u"offsets", u"contents", u"woffsets"};
    const size_t order[] = {0, 1, 2, 3, 4, 6, 5};  // the fields hold woffsets before contents
    for (size_t i = 0; i < 7; ++i)
        line += std::u16string(names[i]) + u"=\"" + fuzztext::textOf(f[order[i]]) + u"\" ";
    if (!f[7].empty())
        line += u"status=\"" + fuzztext::textOf(f[7]) + u"\" ";
    return line + std::u16string(kLineEnd);
}

// A word zone the commands write: a text-line zone on the page, at least one
// pixel each way, its own cuts strictly inside it, ending with the end tag.
void checkWordZone(const std::u16string& word)
{
    check(tavo::isZoneLine(word));
    check(word.size() >= kLineEnd.size() && word.ends_with(kLineEnd));
    const tavo::ZoneBox box = tavo::readZoneBox(word);
    check(box.width >= 1 && box.height >= 1);
    check(tavo::zoneFitsPage(box, kPageWidth, kPageHeight));
}

void runGroupWords(const ZULImage& original, const std::u16string& line)
{
    ZULImage page = original;
    try {
        const std::vector<std::u16string> words = tavo::groupWords(page, line);
        check(!words.empty());
        if (words.size() == 1 && words.front() == line)
            return;
        for (const std::u16string& word : words) {
            checkWordZone(word);
            const int width = tavo::readZoneBox(word).width;
            for (int cut : offsetsOf(word))
                check(cut > 0 && cut < width);
        }
    } catch (const tavo::UnprocessableZone&) {
        check(samePixels(page, original));
    }
}

void runSplitWords(const ZULImage& page, const std::u16string& line)
{
    try {
        const std::vector<std::u16string> words = tavo::splitWords(page, line);
        check(!words.empty());
        if (words.size() == 1 && words.front() == line)
            return;
        for (const std::u16string& word : words)
            checkWordZone(word);
    } catch (const tavo::UnprocessableZone&) {
    }
}

// The line keeps its transcription with single spaces and gets one cut per
// word boundary (none when there are as many boundaries as columns).
void runSegmentWordLine(const ZULImage& original, const std::u16string& line)
{
    ZULImage page = original;
    try {
        const std::u16string out = tavo::segmentWordLine(page, line);
        check(tavo::isZoneLine(out));
        check(out.ends_with(kLineEnd));
        const tavo::ZoneBox box = tavo::readZoneBox(out);
        check(tavo::zoneFitsPage(box, kPageWidth, kPageHeight));
        const std::u16string words = tavo::caretsToSpaces(tavo::normaliseSpaces(tavo::getAttribute(u"contents", line)));
        const int k = tavo::countSpaces(words);
        const std::vector<int> cuts = offsetsOf(out);
        check(cuts.size() == (k > 0 && k < box.width && box.height > 0 ? static_cast<size_t>(k) : 0));
        for (int cut : cuts)
            check(cut >= 0 && cut < box.width);
    } catch (const tavo::UnprocessableZone&) {
        check(samePixels(page, original));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int which = data[0] & 3;
    const ZULImage& page = pageOf((data[0] & 4) != 0);
    const std::u16string line =
        (data[0] & 8) != 0 ? fuzztext::textOf(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1))
                           : zoneLineOf(fuzztext::fields(data + 1, size - 1, 8));
    if (which == 0 || which == 3)
        runGroupWords(page, line);
    if (which == 1 || which == 3)
        runSplitWords(page, line);
    if (which == 2 || which == 3)
        runSegmentWordLine(page, line);
    return 0;
}
