#include "lines/LinesCommand.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

#include "lines/InkMap.h"
#include "ZULException.h"
#include "ZULImageConverter.h"
#include "ZULImageFile.h"
#include "ZULJPEGImage.h"
#include "transcript/Merge.h"
#include "textline/PageDocument.h"
#include "align/Paw.h"
#include "util/Strings.h"
#include "util/TextFile.h"
#include "groundtruth/ZoneDocument.h"
#include "groundtruth/ZoneLine.h"

namespace tavo {

namespace {

// A line whose alignment step cost this much (a log ratio of ink to text)
// has no confidence left; one that cost more than kDoubtful is marked
// doubtful.
constexpr double kNoConfidence = 1.5;
constexpr double kDoubtful = 0.5;
// The page's first line, below which no faint ink is sought, is at least
// this share of the median candidate long.
constexpr double kMarginLineShare = 0.25;

struct TextLine {
    std::u16string raw;      // as kept, unescaped
    std::u16string escaped;  // as -merge writes it
    long number = 0;         // 1-based line of the transcription file
};

std::vector<TextLine> readTranscription(const std::u16string& textFile, Report& report)
{
    const std::string name = utf8FromWide(textFile);
    CTextFileRead text(textFile);
    if (!text.isOpen())
        report.fail(name, "cannot open transcription");
    std::vector<TextLine> lines;
    std::u16string line;
    long number = 0;
    while (text.readLine(line)) {
        ++number;
        const std::vector<std::u16string> kept = mergeTextLines({line});
        if (!kept.empty())
            lines.push_back({line.substr(line.find_first_not_of(u"\t \r\n")), kept.front(), number});
    }
    if (text.readFailed())
        report.fail(name, "cannot read transcription");
    if (lines.empty())
        report.fail(name, "transcription has no text line");
    return lines;
}

std::u16string points(const std::vector<InkPoint>& list)
{
    std::string text;
    for (const auto& [x, y] : list) {
        if (!text.empty())
            text += ' ';
        text += intToText(x) + ',' + intToText(y);
    }
    return toWide(text);
}

std::u16string twoDecimals(double value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%.2f", std::clamp(value, 0.0, 1.0));
    return toWide(buffer);
}

// Where a line without ink would stand: between its found neighbours, at
// the mean pitch when it lies beyond them.
std::pair<int, int> guessedPlace(const std::vector<LineInk>& ink, size_t i)
{
    int before = -1;
    int after = -1;
    for (size_t k = 0; k < ink.size(); ++k) {
        if (!ink[k].found)
            continue;
        if (k < i)
            before = static_cast<int>(k);
        else if (after < 0 && k > i)
            after = static_cast<int>(k);
    }
    if (before >= 0 && after >= 0) {
        const double t = static_cast<double>(static_cast<int>(i) - before) / (after - before);
        const LineInk& a = ink[static_cast<size_t>(before)];
        const LineInk& b = ink[static_cast<size_t>(after)];
        return {(a.left + b.left) / 2, static_cast<int>(a.centreY + t * (b.centreY - a.centreY))};
    }
    const int known = before >= 0 ? before : after;
    if (known < 0)
        return {0, 0};
    const LineInk& k = ink[static_cast<size_t>(known)];
    const double pitch = std::max(1, k.bottom - k.top + 1);
    return {k.left, std::max(0, static_cast<int>(k.centreY + (static_cast<int>(i) - known) * pitch))};
}

// Two text lines matched to one band get a line each; the candidates are
// put back in top to bottom order and the matches follow them.
void splitSharedBands(const PageComponents& components, PageLines& lines, std::vector<LineMatch>& matches)
{
    std::vector<std::vector<size_t>> users(lines.candidates.size());
    for (size_t i = 0; i + 1 < matches.size(); ++i) {
        if (matches[i].band != 1)
            continue;
        const size_t j = static_cast<size_t>(matches[i].first);
        auto [upper, lower] = splitBand(components, lines.candidates[j], lines.pitch, lines.slant);
        const bool both = !upper.bodies.empty() && !lower.bodies.empty();
        lines.candidates[j] = std::move(upper);
        if (both) {
            lines.candidates.push_back(std::move(lower));
            users.emplace_back();
            matches[i + 1].first = matches[i + 1].last = static_cast<int>(lines.candidates.size() - 1);
        } else {
            matches[i + 1] = LineMatch{};
        }
    }
    std::vector<size_t> order(lines.candidates.size());
    for (size_t j = 0; j < order.size(); ++j)
        order[j] = j;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return lines.candidates[a].line.centre < lines.candidates[b].line.centre;
    });
    std::vector<int> place(order.size());
    std::vector<LineCandidate> sorted;
    for (size_t k = 0; k < order.size(); ++k) {
        place[order[k]] = static_cast<int>(k);
        sorted.push_back(std::move(lines.candidates[order[k]]));
    }
    lines.candidates = std::move(sorted);
    for (LineMatch& m : matches) {
        if (m.first >= 0) {
            m.first = place[static_cast<size_t>(m.first)];
            m.last = place[static_cast<size_t>(m.last)];
        }
    }
}

// Rows above the page's first line of some length, half a pitch clear of
// it: what is written there (a reference, a note) may be in pencil.
int topMargin(const PageComponents& components, const PageLines& lines)
{
    std::vector<int> lengths;
    for (const LineCandidate& c : lines.candidates)
        lengths.push_back(c.length);
    if (lengths.empty())
        return 0;
    std::nth_element(lengths.begin(), lengths.begin() + static_cast<std::ptrdiff_t>(lengths.size() / 2), lengths.end());
    const double least = kMarginLineShare * lengths[lengths.size() / 2];
    for (const LineCandidate& c : lines.candidates) {
        if (c.length < least || c.bodies.empty())
            continue;
        int top = components.components[static_cast<size_t>(c.bodies.front())].box.top;
        for (int b : c.bodies)
            top = std::min(top, components.components[static_cast<size_t>(b)].box.top);
        return top - static_cast<int>(lines.pitch / 2);
    }
    return 0;
}

struct PageReading {
    PageComponents components;
    PageLines lines;
    std::vector<LineMatch> matches;
    double cost = 0;
};

// The page's candidate lines and the text aligned to them.
PageReading readPage(InkMap& map, const std::vector<TextSize>& texts)
{
    PageReading reading;
    reading.components = findPageComponents(map);
    reading.lines = findLineCandidates(reading.components, map.width);
    std::vector<InkSize> ink;
    for (const LineCandidate& c : reading.lines.candidates)
        ink.push_back({static_cast<double>(c.length), static_cast<double>(c.bodies.size()), c.left, c.right,
                       c.line.at(map.width / 2.0), c.spread});
    reading.matches = alignLines(texts, ink, reading.lines.pitch, &reading.cost);
    return reading;
}

}  // namespace

TextSize measureText(const std::u16string& line)
{
    TextSize size;
    size.arabic = false;
    for (char16_t c : line) {
        if (c != u' ' && c != u'\t')
            size.characters += 1;
        size.arabic = size.arabic || isArabicChar(c);
    }
    const std::u16string marked = markPaws(line);
    size.paws = marked.empty() ? 0 : 1;
    for (char16_t c : marked)
        size.paws += (c == u' ' || c == u'^') ? 1 : 0;
    return size;
}

PageLineResult findTranscriptionLines(const ZULImage& page, const std::vector<std::u16string>& text)
{
    return findTranscriptionLines(makeInkMap(page), page.zulGetWidth(), page.zulGetHeight(), text);
}

PageLineResult findTranscriptionLines(InkMap map, int pageWidth, int pageHeight,
                                      const std::vector<std::u16string>& text)
{
    std::vector<TextSize> texts;
    for (const std::u16string& line : text)
        texts.push_back(measureText(line));
    PageReading reading = readPage(map, texts);
    // Faint ink above the first line is taken when it explains the text
    // better: pencil there is a reference or a note, not a stain.
    if (addFaintInk(map, topMargin(reading.components, reading.lines))) {
        PageReading faint = readPage(map, texts);
        if (faint.cost < reading.cost)
            reading = std::move(faint);
    }
    PageLineResult result;
    result.matches = std::move(reading.matches);
    splitSharedBands(reading.components, reading.lines, result.matches);
    result.ink = collectLineInk(reading.components, reading.lines, result.matches, map.scale, pageWidth, pageHeight);
    return result;
}

void runLines(const std::u16string& image, const std::u16string& textFile, const std::u16string& outputXml,
              Report& report, const std::u16string& cacheFile)
{
    const std::string textName = utf8FromWide(textFile);
    // The page's ink map, and the grey page the cache keeps: from a JPEG
    // stored upright, made as its rows are decoded, without the colour page.
    ZULImage page;  // the page as stored, when it is loaded whole
    ZULImage grey;  // the grey page for the cache, when the rows are streamed
    // Its rows as they come: like the decoder's own buffer, allocated for
    // the whole page only when the file is large enough to hold it, so a
    // short file claiming a huge size costs little.
    ZULImage::Buffer greyRows;
    size_t greyCapacity = 0, greySize = 0, greyTotal = 0;
    std::optional<InkMapRows> rows;
    int width = 0, height = 0, bits = 0;
    const std::string name = utf8FromWide(image);
    bool streamed = false;
    try {
        streamed =
            ZULImageFile::zulGetImageFormat(name) == ZULImageFile::kJPEG &&
            ZULJPEGImage().zulReadRows(
                name,
                [&](const ZULImageHead& head) {
                    width = head.width;
                    height = head.height;
                    bits = head.bitsPerPixel;
                    rows.emplace(width, height, bits);
                    if (!cacheFile.empty()) {
                        grey.zulSetImageHead(width, height, 8, head.xResolution, head.yResolution,
                                             head.resolutionInInches);
                        greyTotal = static_cast<size_t>(width) * static_cast<size_t>(height);
                        std::error_code error;
                        const auto file = static_cast<size_t>(std::filesystem::file_size(name, error));
                        greyCapacity = std::min(greyTotal, std::max(size_t{4} << 20, error ? 0 : 64 * file));
                        greyRows.reset(new unsigned char[greyCapacity]);
                    }
                },
                [&](int, const unsigned char* row) {
                    rows->add(row);
                    if (!greyRows)
                        return;
                    if (greySize + static_cast<size_t>(width) > greyCapacity) {
                        const size_t larger = std::min(greyTotal, std::max(greySize + width, 2 * greyCapacity));
                        ZULImage::Buffer moved(new unsigned char[larger]);
                        std::memcpy(moved.get(), greyRows.get(), greySize);
                        greyRows = std::move(moved);
                        greyCapacity = larger;
                    }
                    unsigned char* out = greyRows.get() + greySize;
                    if (bits == 24)
                        ZULImageConverter::zulColor2GrayRow(row, width, out);
                    else
                        std::memcpy(out, row, static_cast<size_t>(width));
                    greySize += static_cast<size_t>(width);
                });
        if (streamed && greyRows)
            grey.zulSetImageData(std::move(greyRows));  // every row is in: exactly the page's size
    } catch (const ZULException& error) {
        report.fail(name, std::string("cannot load image: ") + error.what());
    }
    if (!streamed) {
        page = loadPage(image, report);
        width = page.zulGetWidth();
        height = page.zulGetHeight();
    }
    const std::vector<TextLine> text = readTranscription(textFile, report);
    std::vector<std::u16string> raw;
    for (const TextLine& line : text)
        raw.push_back(line.raw);
    const PageLineResult found =
        streamed ? findTranscriptionLines(rows->finish(), width, height, raw) : findTranscriptionLines(page, raw);

    const PageDocumentFrame frame = pageDocumentFrame(image, width, height);
    ZoneDocument document;
    document.headerLines = frame.head;
    document.footerLines = frame.tail;
    for (size_t i = 0; i < text.size(); ++i) {
        const LineInk& ink = found.ink[i];
        ZULRectShape box;
        double confidence = 0;
        std::u16string doubt;
        if (ink.found) {
            box = ZULRectShape(ink.left, ink.top, ink.right - ink.left + 1, ink.bottom - ink.top + 1);
            confidence = 1 - found.matches[i].cost / kNoConfidence;
            if (found.matches[i].cost > kDoubtful)
                doubt = u"length";
            if (found.matches[i].first != found.matches[i].last)
                doubt += doubt.empty() ? u"pieces" : u" pieces";
            if (found.matches[i].band != 0)
                doubt += doubt.empty() ? u"band" : u" band";
        } else {
            const auto [x, y] = guessedPlace(found.ink, i);
            box = ZULRectShape(x, y, 0, 0);
            doubt = u"missing";
            report.zoneUnchanged(textName, text[i].number, "no ink found for this line; zone guessed");
        }
        std::u16string zone = toWide(textLineZone(box));
        setAttribute(zone, u"contents", text[i].escaped, true);
        appendAttribute(zone, u"polygon", points(ink.polygon));
        appendAttribute(zone, u"baseline", points(ink.baseline));
        appendAttribute(zone, u"confidence", twoDecimals(confidence));
        if (!doubt.empty())
            appendAttribute(zone, u"doubt", doubt);
        document.zones.push_back({std::move(zone), 0});
    }
    writeZoneDocument(document, outputXml);
    GreyCache(cacheFile, image).keep(streamed ? grey : page);
}

}  // namespace tavo
