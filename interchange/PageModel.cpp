#include "interchange/PageModel.h"

#include "align/Paw.h"
#include "transcript/ReadingOrder.h"
#include "util/Strings.h"
#include "interchange/XmlText.h"
#include "ZULException.h"
#include "ZULImage.h"
#include "groundtruth/ZoneDocument.h"
#include "groundtruth/ZoneLine.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <deque>
#include <iterator>
#include <set>
#include <sstream>

namespace tavo {

void PixelBox::include(const PixelBox& other)
{
    if (other.empty())
        return;
    if (empty()) {
        *this = other;
        return;
    }
    left = std::min(left, other.left);
    top = std::min(top, other.top);
    right = std::max(right, other.right);
    bottom = std::max(bottom, other.bottom);
}

bool PixelBox::contains(const PixelBox& other) const
{
    return other.left >= left && other.top >= top && other.right <= right && other.bottom <= bottom;
}

std::optional<std::vector<Point>> parsePoints(std::string_view text)
{
    std::vector<int> values;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == ',' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r') {
            ++i;
            continue;
        }
        int value = 0;
        const auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), value);
        if (error != std::errc())
            return std::nullopt;
        size_t next = static_cast<size_t>(end - text.data());
        // Decimal fractions (some editors write them) are cut off.
        if (next < text.size() && text[next] == '.')
            while (++next < text.size() && text[next] >= '0' && text[next] <= '9') {
            }
        values.push_back(value);
        i = next;
    }
    if (values.empty() || values.size() % 2 != 0)
        return std::nullopt;
    std::vector<Point> points;
    for (size_t k = 0; k < values.size(); k += 2)
        points.push_back({values[k], values[k + 1]});
    return points;
}

std::string formatPoints(const std::vector<Point>& points, char within)
{
    std::string out;
    for (const Point& p : points) {
        if (!out.empty())
            out += ' ';
        out += std::to_string(p.x);
        out += within;
        out += std::to_string(p.y);
    }
    return out;
}

PixelBox boundingBox(const std::vector<Point>& points)
{
    PixelBox box;
    for (const Point& p : points)
        box.include({p.x, p.y, p.x, p.y});
    return box;
}

std::pair<int, int> pageImageSize(const std::u16string& image, Report& report, const std::u16string& cacheFile)
{
    const std::string name = utf8FromWide(image);
    int width = 0, height = 0;
    if (GreyCache(cacheFile, image).size(width, height))
        return {width, height};
    try {
        if (!ZULImage::zulReadImageSize(name, width, height) || width <= 0 || height <= 0)
            report.fail(name, "cannot load image");
    } catch (const ZULException& error) {
        report.fail(name, std::string("cannot load image: ") + error.what());
    }
    return {width, height};
}

namespace {

std::vector<Point> corners(const PixelBox& b)
{
    return {{b.left, b.top}, {b.right, b.top}, {b.right, b.bottom}, {b.left, b.bottom}};
}

// The transcription of a zone.  A line cut into PAWs (woffsets present)
// holds a blank between every two pieces; only the word boundaries among
// them are kept.
std::u16string zoneText(std::u16string_view line)
{
    std::u16string text = getWholeAttribute(line, u"contents").value_or(u"");
    const std::optional<std::u16string> words = getWholeAttribute(line, u"woffsets");
    if (!words || words->empty())
        return text;
    std::set<int> boundaries;
    for (size_t i = 0; i < words->size();) {
        const std::optional<int> n = leadingInt(words->substr(i));
        if (n)
            boundaries.insert(*n);
        const size_t blank = words->find(u' ', i);
        i = blank == std::u16string::npos ? words->size() : blank + 1;
    }
    std::u16string joined;
    int separator = 0;
    for (const char16_t c : text) {
        if (c == u' ' && !boundaries.count(separator++))
            continue;
        joined += c;
    }
    return joined;
}

struct Clamp {
    int width;
    int height;
    Point operator()(Point p) const
    {
        return {std::clamp(p.x, 0, width - 1), std::clamp(p.y, 0, height - 1)};
    }
};

bool isIdText(std::string_view id)
{
    return !id.empty() && id.size() <= 64 &&
           std::all_of(id.begin(), id.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                      c == '_' || c == '-';
           });
}

GtZone readZone(const DocumentZone& source, const Clamp& clamp, const std::string& file,
                Report& report)
{
    const std::u16string& line = source.text;
    GtZone zone;
    zone.sourceLine = source.lineNumber;
    zone.id = utf8FromWide(getIdAttribute(line));
    const ZoneBox b = readZoneBox(line);
    const std::int64_t right = std::int64_t{b.col} + b.width - 1;
    const std::int64_t bottom = std::int64_t{b.row} + b.height - 1;
    const Point first = clamp({b.col, b.row});
    const Point last = clamp({static_cast<int>(std::clamp<std::int64_t>(right, 0, clamp.width)),
                              static_cast<int>(std::clamp<std::int64_t>(bottom, 0, clamp.height))});
    zone.box = {first.x, first.y, std::max(first.x, last.x), std::max(first.y, last.y)};
    if (b.width <= 0 || b.height <= 0 || b.col < 0 || b.row < 0 || right >= clamp.width ||
        bottom >= clamp.height)
        report.doubtful(file, source.lineNumber, "zone box leaves the page; clamped to it");

    const std::u16string polygon = getWholeAttribute(line, u"polygon").value_or(u"");
    if (auto points = parsePoints(toNarrow(polygon)); points && points->size() >= 3) {
        std::transform(points->begin(), points->end(), points->begin(), clamp);
        zone.polygon = std::move(*points);
    } else {
        if (!polygon.empty())
            report.doubtful(file, source.lineNumber, "polygon unreadable; the box is used");
        zone.polygon = corners(zone.box);
    }
    zone.text = cleanZoneText(zoneText(line));
    if (auto c = getWholeAttribute(line, u"confidence")) {
        const std::string value = toNarrow(*c);
        double v = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), v);
        if (error == std::errc() && end == value.data() + value.size() && v >= 0 && v <= 1)
            zone.confidence = v;
    }
    zone.doubt = cleanZoneText(getWholeAttribute(line, u"doubt").value_or(u""));
    zone.pawboxes = cleanZoneText(getWholeAttribute(line, u"pawboxes").value_or(u""));
    zone.checked = getWholeAttribute(line, u"checked").value_or(u"") == u"yes";
    const std::u16string offsets = getWholeAttribute(line, u"offsets").value_or(u"");
    for (size_t i = 0; i < offsets.size();) {
        if (const std::optional<int> cut = leadingInt(offsets.substr(i))) {
            if (!zone.cuts.empty())
                zone.cuts += ',';
            zone.cuts += std::to_string(std::int64_t{b.col} + *cut);
        }
        const size_t comma = offsets.find(u',', i);
        i = comma == std::u16string::npos ? offsets.size() : comma + 1;
    }
    return zone;
}

// Left to right, inside the page, at least five pixels long; the lower
// quarter of the box when the zone gives none.
std::vector<Point> baselineOf(const std::u16string& line, const PixelBox& box, const Clamp& clamp)
{
    const std::u16string given = getWholeAttribute(line, u"baseline").value_or(u"");
    std::vector<Point> points = parsePoints(toNarrow(given)).value_or(std::vector<Point>{});
    std::transform(points.begin(), points.end(), points.begin(), clamp);
    std::stable_sort(points.begin(), points.end(), [](Point a, Point b) { return a.x < b.x; });
    if (points.size() >= 2 && points.back().x - points.front().x >= 5)
        return points;
    const int y = box.top + (box.height() * 3) / 4;
    Point left = clamp({box.left, y});
    Point right = clamp({std::max(box.right, box.left + 5), y});
    if (right.x - left.x < 5)
        left = clamp({right.x - 5, y});
    return {left, right};
}

// A line zone carries a baseline attribute, which only lines have (-lines
// and -import write it; -import leaves it empty when its source gives
// none), and never the PAW boxes of a word.
bool isLineZone(std::u16string_view zone)
{
    return getWholeAttribute(zone, u"baseline") && !getWholeAttribute(zone, u"pawboxes");
}

// The zones of a lines file (sorted by row, as -words takes them) each
// followed by as many word zones of the words file as its text has words,
// as -words writes them; a line the words file holds as it stands (copied
// unchanged) is taken from there.  givenLine marks the lines file's zones.
std::vector<DocumentZone> withLineZones(ZoneDocument lines, std::vector<DocumentZone> words,
                                        std::vector<bool>& givenLine)
{
    sortZonesByRow(lines);
    std::vector<DocumentZone> out;
    out.reserve(lines.zones.size() + words.size());
    size_t next = 0;
    for (DocumentZone& line : lines.zones) {
        if (next < words.size() && isLineZone(words[next].text) &&
            getWholeAttribute(words[next].text, u"contents") == getWholeAttribute(line.text, u"contents")) {
            out.push_back(std::move(words[next++]));
            givenLine.push_back(false);
            continue;
        }
        const std::string text = cleanZoneText(zoneText(line.text));
        std::istringstream tokens(text);
        out.push_back(std::move(line));
        givenLine.push_back(true);
        // As many words as the line has, unless a line zone comes first: a
        // word whose text was mended since keeps its place.
        for (std::string token; tokens >> token && next < words.size() && !isLineZone(words[next].text);) {
            out.push_back(std::move(words[next++]));
            givenLine.push_back(false);
        }
    }
    for (; next < words.size(); ++next) {
        out.push_back(std::move(words[next]));
        givenLine.push_back(false);
    }
    return out;
}

// Zone positions in reading order: the nextZoneID chain when it covers every
// zone, else file order.
std::vector<size_t> readingOrder(const std::vector<DocumentZone>& zones, bool& chained)
{
    std::vector<size_t> order(zones.size());
    for (size_t i = 0; i < zones.size(); ++i)
        order[i] = i;
    chained = std::any_of(zones.begin(), zones.end(), [](const DocumentZone& z) {
        return getWholeAttribute(z.text, u"nextZoneID").has_value();
    });
    if (!chained)
        return order;
    Report scratch;
    const std::optional<ReadingOrder> chain = checkReadingChain(zones, scratch);
    if (!chain)
        return order;
    std::vector<std::pair<int, size_t>> byId;  // id -> last zone position with it
    for (size_t i = 0; i < zones.size(); ++i)
        if (auto id = leadingInt(getIdAttribute(zones[i].text)))
            byId.emplace_back(*id, i);
    std::stable_sort(byId.begin(), byId.end(), [](auto a, auto b) { return a.first < b.first; });
    std::vector<size_t> walked;
    std::vector<bool> seen(zones.size(), false);
    for (int id = chain->head; id != 0 && walked.size() < zones.size(); id = chain->next(id)) {
        auto it = std::upper_bound(byId.begin(), byId.end(), id,
                                   [](int v, const auto& e) { return v < e.first; });
        if (it == byId.begin() || std::prev(it)->first != id || seen[std::prev(it)->second])
            return order;
        seen[std::prev(it)->second] = true;
        walked.push_back(std::prev(it)->second);
    }
    return walked.size() == zones.size() ? walked : order;
}

// The next zone continues the line so far when it overlaps the line's rows
// by at least half the smaller height and stands left of the zone before it.
bool sameLine(const PixelBox& line, const PixelBox& previous, const PixelBox& next)
{
    const int overlap = std::min(line.bottom, next.bottom) - std::max(line.top, next.top) + 1;
    const int smaller = std::min(line.height(), next.height());
    return 2 * overlap >= smaller && next.left + next.right < previous.left + previous.right;
}

// Ids unique across the page and safe after a prefix; others get their
// position in the file.
void makeIdsUnique(std::vector<GtZone*>& zones)
{
    std::set<std::string> used;
    for (GtZone* zone : zones)
        if (!isIdText(zone->id) || zone->id == "None" || !used.insert(zone->id).second)
            zone->id.clear();
    for (size_t i = 0; i < zones.size(); ++i)
        if (zones[i]->id.empty()) {
            std::string id = std::to_string(i + 1);
            id.insert(id.begin(), 'z');
            while (!used.insert(id).second)
                id += "_";
            zones[i]->id = id;
        }
}

}  // namespace

GtPage readGtPage(const std::u16string& zonesFile, const std::string& imageName, int width,
                  int height, Report& report, const std::u16string& linesFile)
{
    const std::string file = utf8FromWide(zonesFile);
    std::optional<ZoneDocument> document = loadWholeZoneDocument(zonesFile);
    if (!document)
        report.fail(file, "cannot open file");
    GtPage page;
    page.imageName = imageName;
    page.width = width;
    page.height = height;
    const Clamp clamp{width, height};
    std::vector<DocumentZone> zones = std::move(document->zones);
    document.reset();
    std::vector<bool> givenLine;  // a zone of the lines file
    bool chained = false;
    std::vector<size_t> order;
    if (!linesFile.empty()) {
        std::optional<ZoneDocument> lines = loadWholeZoneDocument(linesFile);
        if (!lines)
            report.fail(utf8FromWide(linesFile), "cannot open file");
        zones = withLineZones(std::move(*lines), std::move(zones), givenLine);
        chained = true;
        for (size_t i = 0; i < zones.size(); ++i)
            order.push_back(i);
    } else {
        order = readingOrder(zones, chained);
    }
    givenLine.resize(zones.size(), false);

    // A deque, so that each zone's storage goes as the zone moves to its line.
    std::deque<GtZone> read;
    std::vector<bool> lineZone(order.size(), false);
    std::deque<std::vector<Point>> lineBaselines;  // of the line zones, in order
    for (size_t k = 0; k < order.size(); ++k) {
        read.push_back(readZone(zones[order[k]], clamp, file, report));
        lineZone[k] = givenLine[order[k]] || isLineZone(zones[order[k]].text);
        if (lineZone[k])
            lineBaselines.push_back(baselineOf(zones[order[k]].text, read.back().box, clamp));
    }
    // A line zone is a line of its own, and the word zones after it that
    // spell its text word by word are its words; other word zones are
    // grouped by their places.
    std::vector<bool> startsLine(read.size(), true);
    std::vector<std::string> expected;  // the words of the last line zone still to come, last first
    bool inLineZone = false;            // the zone before belongs to a line zone
    bool anyText = false;               // that line zone's words are given by place, whatever their text
    PixelBox current = read.empty() ? PixelBox{} : read.front().box;
    for (size_t i = 0; i < read.size(); ++i) {
        if (lineZone[i]) {
            std::istringstream words(read[i].text);
            expected.assign(std::istream_iterator<std::string>(words), std::istream_iterator<std::string>());
            std::reverse(expected.begin(), expected.end());
            inLineZone = true;
            anyText = givenLine[order[i]];
            continue;
        }
        if (inLineZone && !expected.empty() && (anyText || read[i].text == expected.back())) {
            expected.pop_back();
            startsLine[i] = false;
            page.wordsFile = true;
            continue;
        }
        expected.clear();
        if (i > 0 && !inLineZone && sameLine(current, read[i - 1].box, read[i].box)) {
            startsLine[i] = false;
            page.wordsFile = true;
            current.include(read[i].box);
        } else {
            current = read[i].box;
        }
        inLineZone = false;
    }
    page.wordsFile = page.wordsFile || chained;
    if (page.wordsFile)
        std::vector<DocumentZone>().swap(zones);  // only line files need the zone lines further on

    std::vector<bool> outlined;  // per line: it has its own line zone
    for (size_t i = 0; !read.empty(); ++i) {
        GtZone zone = std::move(read.front());
        read.pop_front();
        if (!page.wordsFile || lineZone[i]) {
            GtLine line;
            line.zone = std::move(zone);
            if (lineZone[i]) {
                line.baseline = std::move(lineBaselines.front());
                lineBaselines.pop_front();
            } else {
                line.baseline = baselineOf(zones[order[i]].text, line.zone.box, clamp);
            }
            page.lines.push_back(std::move(line));
            outlined.push_back(true);
            continue;
        }
        if (startsLine[i]) {
            page.lines.emplace_back();
            outlined.push_back(false);
            page.lines.back().zone.checked = true;  // until a word is not
        }
        GtLine& line = page.lines.back();
        if (outlined.back()) {
            // A word stays inside the outline of the line it was found on.
            const PixelBox& within = line.zone.box;
            const Clamp inside{within.right + 1, within.bottom + 1};
            for (Point& p : zone.polygon)
                p = {std::max(inside(p).x, within.left), std::max(inside(p).y, within.top)};
            zone.box = boundingBox(zone.polygon);
        } else {
            line.zone.checked = line.zone.checked && zone.checked;
            line.zone.box.include(zone.box);
            line.zone.box.include(boundingBox(zone.polygon));
            if (zone.confidence)
                line.zone.confidence = std::min(line.zone.confidence.value_or(1.0), *zone.confidence);
        }
        line.words.push_back(std::move(zone));
    }
    std::vector<GtZone*> all;
    for (size_t l = 0; l < page.lines.size(); ++l) {
        GtLine& line = page.lines[l];
        if (page.wordsFile && !outlined[l]) {
            std::string text;
            for (const GtZone& word : line.words)
                if (!word.text.empty())
                    text += (text.empty() ? "" : " ") + word.text;
            line.zone.text = text;
            line.zone.sourceLine = line.words.front().sourceLine;
            line.zone.polygon = corners(line.zone.box);
            line.baseline = baselineOf(u"", line.zone.box, clamp);
        }
        if (page.wordsFile) {
            for (GtZone& word : line.words)
                all.push_back(&word);
        } else {
            all.push_back(&line.zone);
        }
    }
    makeIdsUnique(all);
    if (page.wordsFile)
        for (size_t i = 0; i < page.lines.size(); ++i)
            page.lines[i].zone.id = std::to_string(i + 1);
    return page;
}

}  // namespace tavo
