#include "quality/ZoneScore.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "util/Strings.h"
#include "util/TextFile.h"
#include "groundtruth/ZoneLine.h"

namespace tavo::quality {

namespace {

int intAttribute(std::u16string_view line, std::u16string_view name)
{
    const std::optional<std::u16string> value = getWholeAttribute(line, name);
    return value ? leadingInt(*value).value_or(0) : 0;
}

Zone zoneFromLine(std::u16string_view line)
{
    Zone zone;
    zone.box = {intAttribute(line, u"col"), intAttribute(line, u"row"), intAttribute(line, u"width"),
                intAttribute(line, u"height")};
    zone.text = utf8FromWide(unescapeXml(getWholeAttribute(line, u"contents").value_or(u"")));
    if (const auto confidence = getWholeAttribute(line, u"confidence")) {
        const std::string value = utf8FromWide(*confidence);
        char* end = nullptr;
        const double c = std::strtod(value.c_str(), &end);
        if (end != value.c_str())
            zone.confidence = c;
    }
    const auto doubt = getWholeAttribute(line, u"doubt");
    zone.doubt = doubt && !normaliseSpaces(*doubt).empty();
    if (const auto paws = getWholeAttribute(line, u"pawboxes"))
        zone.pawBoxes = parseBoxList(utf8FromWide(*paws));
    return zone;
}

std::u16string withoutSpaces(const std::string& text)
{
    std::u16string out = wideFromUtf8(text);
    std::erase(out, u' ');
    return out;
}

std::vector<Box> boxesOf(const std::vector<Zone>& zones)
{
    std::vector<Box> boxes;
    boxes.reserve(zones.size());
    for (const Zone& z : zones)
        boxes.push_back(z.box);
    return boxes;
}

}  // namespace

ZoneFile readZoneFile(const std::string& path)
{
    ZoneFile file;
    CTextFileRead in(wideFromUtf8(path));
    if (!in.isOpen())
        return file;
    std::u16string line;
    while (in.readLine(line))
        if (isZoneLine(line))
            file.zones.push_back(zoneFromLine(line));
    file.opened = !in.readFailed();
    return file;
}

std::vector<Box> parseBoxList(const std::string& value)
{
    std::vector<Box> boxes;
    size_t start = 0;
    while (start < value.size()) {
        size_t end = value.find(' ', start);
        if (end == std::string::npos)
            end = value.size();
        const std::string item = value.substr(start, end - start);
        start = end + 1;
        int v[4];
        int fields = 0;
        const char* p = item.c_str();
        while (fields < 4) {
            char* next = nullptr;
            const long n = std::strtol(p, &next, 10);
            if (next == p || n < -(1L << 30) || n > (1L << 30))
                break;
            v[fields++] = static_cast<int>(n);
            p = next;
            if (fields < 4 && *p++ != ',')
                break;
        }
        if (fields == 4 && *p == '\0' && v[2] >= 0 && v[3] >= 0)
            boxes.push_back({v[0], v[1], v[2], v[3]});
    }
    return boxes;
}

std::vector<std::pair<int, int>> matchBoxes(const std::vector<Box>& truth, const std::vector<Box>& found,
                                            double minIou)
{
    // Candidate pairs: found boxes sorted by left edge, so each truth box
    // only meets those that can overlap it horizontally.
    std::vector<int> order(found.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return found[a].x < found[b].x; });
    struct Pair {
        double iou;
        int t, f;
    };
    std::vector<Pair> pairs;
    for (size_t t = 0; t < truth.size(); ++t) {
        const Box& tb = truth[t];
        for (int f : order) {
            if (found[f].x >= tb.x + tb.w)
                break;
            const double v = iou(tb, found[f]);
            if (v >= minIou)
                pairs.push_back({v, static_cast<int>(t), f});
        }
    }
    std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) {
        return a.iou != b.iou ? a.iou > b.iou : a.t != b.t ? a.t < b.t : a.f < b.f;
    });
    std::vector<char> truthUsed(truth.size()), foundUsed(found.size());
    std::vector<std::pair<int, int>> matches;
    for (const Pair& p : pairs) {
        if (truthUsed[p.t] || foundUsed[p.f])
            continue;
        truthUsed[p.t] = foundUsed[p.f] = 1;
        matches.emplace_back(p.t, p.f);
    }
    return matches;
}

bool sameLineText(const std::string& a, const std::string& b)
{
    return normaliseSpaces(wideFromUtf8(a)) == normaliseSpaces(wideFromUtf8(b));
}

bool sameWordText(const std::string& a, const std::string& b) { return withoutSpaces(a) == withoutSpaces(b); }

double calibrationError(const std::array<int, 10>& zones, const std::array<double, 10>& confidence,
                        const std::array<int, 10>& right)
{
    int total = 0;
    for (int n : zones)
        total += n;
    if (total == 0)
        return 0;
    double error = 0;
    for (size_t b = 0; b < zones.size(); ++b)
        if (zones[b] > 0)
            error += std::fabs(confidence[b] - right[b]) / total;
    return error;
}

PageScore scorePage(const PageTruth& truth, const ZoneFile& lines, const ZoneFile* words)
{
    PageScore s;
    s.kind = truth.kind;
    s.linesRead = lines.opened;
    s.wordsGiven = words != nullptr;
    s.wordsRead = words && words->opened;

    std::vector<Box> truthLines, truthWords, truthPaws;
    std::vector<const std::string*> lineTexts, wordTexts;
    for (const TruthLine& line : truth.lines) {
        truthLines.push_back(line.box);
        lineTexts.push_back(&line.text);
        for (const TruthWord& word : line.words) {
            truthWords.push_back(word.box);
            wordTexts.push_back(&word.text);
            truthPaws.insert(truthPaws.end(), word.paws.begin(), word.paws.end());
        }
    }
    s.truthLines = static_cast<int>(truthLines.size());
    s.truthPaws = static_cast<int>(truthPaws.size());
    s.lineZones = static_cast<int>(lines.zones.size());

    auto countCorrect = [&](const Zone& zone) {
        ++s.correctZones;
        s.doubtfulCorrect += zone.doubtful();
    };
    for (const auto& [t, f] : matchBoxes(truthLines, boxesOf(lines.zones))) {
        ++s.matchedLines;
        if (sameLineText(lines.zones[f].text, *lineTexts[t])) {
            ++s.rightLines;
            countCorrect(lines.zones[f]);
        }
    }

    const ZoneFile& pawSource = words ? *words : lines;
    std::vector<Box> pawBoxes;
    for (const Zone& z : pawSource.zones)
        pawBoxes.insert(pawBoxes.end(), z.pawBoxes.begin(), z.pawBoxes.end());
    s.pawBoxes = static_cast<int>(pawBoxes.size());
    s.matchedPaws = static_cast<int>(matchBoxes(truthPaws, pawBoxes).size());

    const bool scoreWords = words && !truthWords.empty();
    if (scoreWords) {
        s.truthWords = static_cast<int>(truthWords.size());
        s.wordZones = static_cast<int>(words->zones.size());
        std::vector<char> right(words->zones.size(), 0);
        for (const auto& [t, f] : matchBoxes(truthWords, boxesOf(words->zones)))
            if (sameWordText(words->zones[f].text, *wordTexts[t])) {
                ++s.rightWords;
                countCorrect(words->zones[f]);
                right[static_cast<size_t>(f)] = 1;
            }
        for (size_t f = 0; f < words->zones.size(); ++f) {
            const Zone& zone = words->zones[f];
            if (right[f]) {
                s.rightWordsDoubted += zone.doubtful();
            } else {
                ++s.wrongWordZones;
                s.wrongWordsTrusted += !zone.doubtful();
            }
            const auto bin = static_cast<size_t>(std::clamp(static_cast<int>(zone.confidence * 10), 0, 9));
            ++s.binZones[bin];
            s.binConfidence[bin] += zone.confidence;
            s.binRight[bin] += right[f];
        }
    }

    auto anyDoubtful = [](const ZoneFile& file) {
        return std::any_of(file.zones.begin(), file.zones.end(), [](const Zone& z) { return z.doubtful(); });
    };
    s.flagged = anyDoubtful(lines) || (words && anyDoubtful(*words));
    const int right = scoreWords ? s.rightWords : s.rightLines;
    const int total = scoreWords ? s.truthWords : s.truthLines;
    s.neededFlag = total > 0 && right < kGoodPageShare * total;
    return s;
}

}  // namespace tavo::quality
