#include "server/PageStore.h"

#include "groundtruth/CutList.h"
#include "groundtruth/NewZoneLine.h"
#include "groundtruth/ZoneBox.h"
#include "groundtruth/ZoneDocument.h"
#include "groundtruth/ZoneLine.h"
#include "groundtruth/ZoneVerdict.h"
#include "interchange/Interchange.h"
#include "transcript/Verify.h"
#include "util/Report.h"
#include "util/Strings.h"
#include "util/TextFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <unordered_map>

namespace tavo {

namespace fs = std::filesystem;

namespace {

std::u16string wide(const fs::path& p) { return wideFromUtf8(p.string()); }

bool isRegularFile(const fs::path& p)
{
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

// Adds the bytes of a file to a 64-bit FNV-1a hash; false when it cannot be read.
bool hashFile(const fs::path& p, uint64_t& hash, uintmax_t& size)
{
    std::ifstream in(p, std::ios::binary);
    if (!in)
        return false;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        const std::streamsize n = in.gcount();
        for (std::streamsize i = 0; i < n; ++i) {
            hash ^= static_cast<unsigned char>(buffer[i]);
            hash *= 1099511628211ULL;
        }
        size += static_cast<uintmax_t>(n);
    }
    return true;
}

std::string percentEncode(const std::string& path)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::vector<EditBox> readBoxes(std::u16string_view value)
{
    std::vector<EditBox> out;
    const std::vector<int> numbers = parseIntList(value, true);
    if (numbers.size() % 4 != 0)
        return out;
    for (size_t i = 0; i < numbers.size(); i += 4)
        out.push_back({numbers[i], numbers[i + 1], numbers[i + 2], numbers[i + 3]});
    return out;
}

std::vector<std::pair<int, int>> readPoints(std::u16string_view value)
{
    std::vector<std::pair<int, int>> out;
    if (const auto points = parsePoints(toNarrow(value)))
        for (const Point& p : *points)
            out.emplace_back(p.x, p.y);
    return out;
}

std::u16string boxesText(const std::vector<EditBox>& boxes)
{
    std::string out;
    for (const EditBox& b : boxes) {
        if (!out.empty())
            out += ' ';
        for (int v : {b.x, b.y, b.w, b.h}) {
            out += std::to_string(v);
            out += ',';
        }
        out.pop_back();
    }
    return toWide(out);
}

std::u16string pointsText(const std::vector<std::pair<int, int>>& points)
{
    std::string out;
    for (const auto& [x, y] : points) {
        if (!out.empty())
            out += ' ';
        out += std::to_string(x);
        out += ',';
        out += std::to_string(y);
    }
    return toWide(out);
}

// The PAW cuts -words writes for a word: between neighbouring PAW boxes
// (right to left), relative to the word's left edge, ascending.
std::vector<int> offsetsOf(const EditZone& zone)
{
    std::vector<int> cuts;
    const std::vector<EditBox>& paws = zone.pawboxes;
    for (size_t k = 0; k + 1 < paws.size(); ++k) {
        const int cut = (paws[k].x + paws[k + 1].x + paws[k + 1].w) / 2 - zone.box.x;
        cuts.push_back(std::clamp(cut, 0, std::max(0, zone.box.w - 1)));
    }
    std::sort(cuts.begin(), cuts.end());
    return cuts;
}

// Removes ` name="value"` (the whole attribute) when the line has it.
void removeAttribute(std::u16string& line, std::u16string_view name)
{
    std::u16string pattern = u" ";
    pattern += name;
    pattern += u"=\"";
    const size_t at = line.find(pattern);
    if (at == std::u16string::npos)
        return;
    const size_t close = line.find(u'"', at + pattern.size());
    line.erase(at, close == std::u16string::npos ? std::u16string::npos : close + 1 - at);
}

void putAttribute(std::u16string& line, std::u16string_view name, std::u16string_view value)
{
    if (!setWholeAttribute(line, name, value))
        appendAttribute(line, name, value);
}

void putOrRemove(std::u16string& line, std::u16string_view name, std::u16string_view value)
{
    if (value.empty())
        removeAttribute(line, name);
    else
        putAttribute(line, name, value);
}

std::u16string confidenceValue(double c)
{
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", c);
    return toWide(text);
}

// Gives the word lines ids 1, 2, ... in their order, each naming the next
// (the last names none), and a status, as -splitword numbers them.
void numberWords(std::vector<std::u16string>& words)
{
    for (size_t i = 0; i < words.size(); ++i) {
        std::u16string& line = words[i];
        setIdAttribute(line, toWide(std::to_string(i + 1)), true);
        if (!getWholeAttribute(line, u"status"))
            appendAttribute(line, u"status", u"");
        if (i + 1 < words.size())
            putAttribute(line, u"nextZoneID", toWide(std::to_string(i + 2)));
        else
            removeAttribute(line, u"nextZoneID");
    }
}

bool numbered(const ZoneDocument& document)
{
    return std::any_of(document.zones.begin(), document.zones.end(),
                       [](const DocumentZone& z) { return parseInt(toNarrow(getIdAttribute(z.text))) > 0; });
}

ZoneDocument loadDocument(const fs::path& p)
{
    std::optional<ZoneDocument> document = loadZoneDocument(wide(p));
    if (!document)
        throw RuntimeFailure(p.string() + ": cannot open ground-truth file");
    // A file that ends in a line end reads with one empty line more, which
    // writing it back would add again on every save.
    std::vector<std::u16string>& tail = document->zones.empty() ? document->headerLines : document->footerLines;
    if (!tail.empty() && tail.back().empty())
        tail.pop_back();
    return std::move(*document);
}

// The zone lines for the posted zones of one kind, each built on the line of
// the file it came from when its ref names one.
std::vector<std::u16string> zoneLines(const std::vector<const EditZone*>& zones, const ZoneDocument& file)
{
    std::unordered_map<long, const std::u16string*> byLine;
    for (const DocumentZone& z : file.zones)
        byLine[z.lineNumber] = &z.text;
    std::vector<std::u16string> out;
    out.reserve(zones.size());
    for (const EditZone* z : zones) {
        const auto at = z->ref > 0 ? byLine.find(z->ref) : byLine.end();
        out.push_back(zoneLineFor(*z, at == byLine.end() ? std::u16string() : *at->second));
    }
    return out;
}

// Links the current file into history/<stem>.N.<ext> under the first free N
// (link never replaces a file); the atomic writer then puts the new file
// beside it under the old name.  Returns the history file.
fs::path keepHistory(const fs::path& file, const PageFiles& page)
{
    const fs::path history = page.folder / "history";
    std::error_code ec;
    fs::create_directory(history, ec);
    const fs::path real = fs::canonical(history, ec);
    if (ec || !isInside(real, page.root) || !fs::is_directory(real))
        throw RuntimeFailure((page.folder / "history").string() + ": cannot keep the previous version there");
    const fs::path source = fs::canonical(file);
    const std::string stem = file.stem().string(), ext = file.extension().string();
    int n = 1;
    for (const auto& entry : fs::directory_iterator(real, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > stem.size() + ext.size() + 1 && name.starts_with(stem + ".") && name.ends_with(ext)) {
            const std::string number = name.substr(stem.size() + 1, name.size() - stem.size() - 1 - ext.size());
            const int v = parseInt(number);
            if (v >= n && std::to_string(v) == number)
                n = v + 1;
        }
    }
    for (;; ++n) {
        const fs::path target = real / (stem + "." + std::to_string(n) + ext);
        if (::link(source.c_str(), target.c_str()) == 0)
            return target;
        if (errno == EEXIST)
            continue;
        // A file system without hard links: a copy that may not replace anything.
        fs::copy_file(source, target, fs::copy_options::none, ec);
        if (!ec)
            return target;
        if (ec == std::errc::file_exists)
            continue;
        throw RuntimeFailure(target.string() + ": cannot keep the previous version: " + ec.message());
    }
}

// Marks with linezone="K" (K counting the line zones from 0) every word whose
// line is not the one assignWordsToLines would find for it, so the next read
// finds it where it was put; the others lose the mark.
void recordPlacedLines(const std::vector<EditZone>& zones, std::vector<std::u16string>& wordLines)
{
    std::vector<int> ordinal(zones.size(), -1);
    std::vector<EditZone> asRead;
    for (size_t i = 0; i < zones.size(); ++i)
        if (zones[i].isLine) {
            ordinal[i] = static_cast<int>(asRead.size());
            asRead.push_back(zones[i]);
        }
    const size_t lineCount = asRead.size();
    std::vector<int> wanted;
    for (const EditZone& z : zones) {
        if (z.isLine)
            continue;
        asRead.push_back(z);
        wanted.push_back(z.line >= 0 && size_t(z.line) < zones.size() ? ordinal[size_t(z.line)] : -1);
    }
    assignWordsToLines(asRead);
    for (size_t k = 0; k < wanted.size(); ++k) {
        const bool differs = wanted[k] >= 0 && asRead[lineCount + k].line != wanted[k];
        putOrRemove(wordLines[k], u"linezone", differs ? toWide(std::to_string(wanted[k])) : std::u16string());
    }
}

}  // namespace

bool isInside(const fs::path& path, const fs::path& root)
{
    auto p = path.begin();
    for (auto r = root.begin(); r != root.end(); ++r, ++p) {
        if (r->empty() && std::next(r) == root.end())
            break;  // a trailing separator
        if (p == path.end() || *p != *r)
            return false;
    }
    return true;
}

std::optional<PageFiles> findPage(const fs::path& root, const std::string& relative)
{
    const std::string rel = relative.empty() ? "." : relative;
    if (rel.find('\0') != std::string::npos || rel.find('\\') != std::string::npos)
        return std::nullopt;
    const fs::path given(rel);
    if (given.is_absolute())
        return std::nullopt;
    for (const fs::path& part : given)
        if (part == "..")
            return std::nullopt;
    std::error_code ec;
    const fs::path folder = fs::canonical(root / given, ec);
    if (ec || !isInside(folder, root) || !fs::is_directory(folder, ec))
        return std::nullopt;
    PageFiles page;
    page.root = root;
    page.folder = folder;
    page.words = folder / "words.xml";
    const fs::path realWords = fs::canonical(page.words, ec);
    if (ec || !isInside(realWords, root) || !isRegularFile(realWords))
        return std::nullopt;
    for (const char* name : {"segmented.xml", "merged.xml"}) {
        const fs::path real = fs::canonical(folder / name, ec);
        if (!ec && isInside(real, root) && isRegularFile(real)) {
            page.lines = folder / name;
            break;
        }
    }
    page.transcript = folder / "page.txt";
    const fs::path realText = fs::canonical(page.transcript, ec);
    if (!ec && !isInside(realText, root))
        page.transcript.clear();
    const fs::path name = folder.lexically_relative(root);
    page.name = name.empty() ? "." : name.generic_string();
    return page;
}

std::string pageVersion(const PageFiles& page)
{
    uint64_t hash = 14695981039346656037ULL;
    uintmax_t size = 0;
    if (!hashFile(page.words, hash, size))
        throw RuntimeFailure(page.words.string() + ": cannot read");
    if (!page.lines.empty())
        hashFile(page.lines, hash, size);
    char text[48];
    std::snprintf(text, sizeof text, "%ju-%016llx", size, static_cast<unsigned long long>(hash));
    return text;
}

EditZone zoneFromLine(const std::u16string& line, bool isLine)
{
    EditZone zone;
    zone.isLine = isLine;
    const ZoneBox box = readZoneBox(line);
    zone.box = {box.col, box.row, box.width, box.height};
    zone.text = unescapeXml(getWholeAttribute(line, u"contents").value_or(u""));
    zone.confidence = zoneConfidence(line);
    if (auto doubt = getWholeAttribute(line, u"doubt"); doubt && !doubt->empty())
        zone.doubt = unescapeXml(*doubt);
    zone.checked = getWholeAttribute(line, u"checked").value_or(u"") == u"yes";
    zone.pawboxes = readBoxes(getWholeAttribute(line, u"pawboxes").value_or(u""));
    if (auto polygon = readPolygon(getWholeAttribute(line, u"polygon").value_or(u"")))
        zone.polygon = std::move(*polygon);
    zone.baseline = readPoints(getWholeAttribute(line, u"baseline").value_or(u""));
    return zone;
}

std::u16string zoneLineFor(const EditZone& zone, const std::u16string& original)
{
    std::u16string line;
    const std::u16string contents = escapeXml(zone.text);
    if (original.empty()) {
        line = NewZoneLine()
                   .add(u"col", zone.box.x)
                   .add(u"row", zone.box.y)
                   .add(u"width", zone.box.w)
                   .add(u"height", zone.box.h)
                   .add(u"contents", contents)
                   .finish(u"offsets=\"" + toWide(joinOffsets(zone.isLine ? std::vector<int>() : offsetsOf(zone))) +
                           u"\"> </DL_ZONE>");
    } else {
        line = original;
        const EditZone before = zoneFromLine(original, zone.isLine);
        putAttribute(line, u"col", toWide(std::to_string(zone.box.x)));
        putAttribute(line, u"row", toWide(std::to_string(zone.box.y)));
        putAttribute(line, u"width", toWide(std::to_string(zone.box.w)));
        putAttribute(line, u"height", toWide(std::to_string(zone.box.h)));
        if (before.text != zone.text)
            putAttribute(line, u"contents", contents);
        const bool moved = !(before.box == zone.box) || before.pawboxes != zone.pawboxes;
        if (!zone.isLine && moved)
            putAttribute(line, u"offsets", toWide(joinOffsets(offsetsOf(zone))));
        else if (zone.isLine && before.text != zone.text && !getWholeAttribute(line, u"offsets").value_or(u"").empty())
            putAttribute(line, u"offsets", u"");  // the old cuts no longer fit the text
        if (before.pawboxes != zone.pawboxes)
            putOrRemove(line, u"pawboxes", boxesText(zone.pawboxes));
        if (before.polygon != zone.polygon)
            putOrRemove(line, u"polygon", pointsText(zone.polygon));
        if (before.baseline != zone.baseline)
            putOrRemove(line, u"baseline", pointsText(zone.baseline));
    }
    if (original.empty()) {
        if (!zone.pawboxes.empty())
            appendAttribute(line, u"pawboxes", boxesText(zone.pawboxes));
        if (!zone.polygon.empty())
            appendAttribute(line, u"polygon", pointsText(zone.polygon));
        if (!zone.baseline.empty())
            appendAttribute(line, u"baseline", pointsText(zone.baseline));
    }
    const std::optional<double> oldConfidence = zoneConfidence(line);
    if (!zone.confidence)
        removeAttribute(line, u"confidence");
    else if (!oldConfidence || confidenceValue(*oldConfidence) != confidenceValue(*zone.confidence))
        putAttribute(line, u"confidence", confidenceValue(*zone.confidence));
    putOrRemove(line, u"doubt", zone.doubt ? escapeXml(*zone.doubt) : std::u16string());
    putOrRemove(line, u"checked", zone.checked ? u"yes" : u"");
    return line;
}

PageView loadPage(const PageFiles& page)
{
    PageView view;
    view.version = pageVersion(page);
    const ZoneDocument words = loadDocument(page.words);
    if (!page.lines.empty()) {
        const ZoneDocument lines = loadDocument(page.lines);
        for (const DocumentZone& z : lines.zones) {
            view.zones.push_back(zoneFromLine(z.text, true));
            view.zones.back().ref = z.lineNumber;
        }
    }
    for (const DocumentZone& z : words.zones) {
        view.zones.push_back(zoneFromLine(z.text, false));
        view.zones.back().ref = z.lineNumber;
    }
    assignWordsToLines(view.zones);
    // A word a person placed in another line than its ink suggests keeps it.
    const int lineCount = static_cast<int>(view.zones.size() - words.zones.size());
    for (size_t i = 0; i < words.zones.size(); ++i) {
        const int placed = parseInt(toNarrow(getWholeAttribute(words.zones[i].text, u"linezone").value_or(u"")));
        if (placed >= 0 && placed < lineCount)
            view.zones[size_t(lineCount) + i].line = placed;
    }
    view.width = words.pageWidth;
    view.height = words.pageHeight;

    const std::string prefix = page.name == "." ? "" : page.name + "/";
    std::string image;
    if (isRegularFile(page.folder / "review-page.png")) {
        image = "review-page.png";
    } else {
        for (const std::u16string& line : words.headerLines)
            if (getAttribute(u"tavo_type", line) == u"DL_PAGE")
                image = baseName(utf8FromWide(getWholeAttribute(line, u"src").value_or(u"")));
    }
    view.image = image.empty() ? "" : percentEncode(prefix + image);

    if (!page.transcript.empty() && isRegularFile(page.transcript)) {
        CTextFileRead in(wide(page.transcript));
        std::vector<std::u16string> lines;
        std::u16string line;
        while (in.readLine(line))
            lines.push_back(line);
        if (!lines.empty() && lines.back().empty())
            lines.pop_back();
        view.transcript = std::move(lines);
    }
    return view;
}

std::optional<fs::path> pageImage(const PageFiles& page)
{
    const ZoneDocument words = loadDocument(page.words);
    for (const std::u16string& line : words.headerLines)
        if (getAttribute(u"tavo_type", line) == u"DL_PAGE") {
            const std::string name = baseName(utf8FromWide(getWholeAttribute(line, u"src").value_or(u"")));
            std::error_code ec;
            const fs::path real = fs::canonical(page.folder / name, ec);
            if (!name.empty() && !ec && isInside(real, page.root) && isRegularFile(real))
                return real;
        }
    return std::nullopt;
}

SaveResult savePage(const PageFiles& page, const std::string& base, const std::vector<EditZone>& zones)
{
    // The page folder's lock, which the commands that work through temp.xml
    // hold too: a second server or such a command in the folder takes turns
    // with this save instead of slipping between its check and its write.
    const int folderFd = ::open(page.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0)
        while (flock(folderFd, LOCK_EX) != 0 && errno == EINTR) {
        }
    struct Unlock {
        int fd;
        ~Unlock()
        {
            if (fd >= 0)
                ::close(fd);
        }
    } unlock{folderFd};

    if (pageVersion(page) != base)
        throw VersionConflict("the page was saved elsewhere since version " + base + " was loaded");
    ZoneDocument words = loadDocument(page.words);
    std::vector<const EditZone*> wordZones, lineZones;
    for (const EditZone& z : zones)
        (z.isLine ? lineZones : wordZones).push_back(&z);

    std::vector<std::u16string> wordLines = zoneLines(wordZones, words);
    if (!page.lines.empty())
        recordPlacedLines(zones, wordLines);
    if (numbered(words))
        numberWords(wordLines);

    std::optional<ZoneDocument> lines;
    if (!page.lines.empty()) {
        ZoneDocument current = loadDocument(page.lines);
        std::vector<std::u16string> lineLines = zoneLines(lineZones, current);
        const bool changed = lineLines.size() != current.zones.size() ||
                             !std::equal(lineLines.begin(), lineLines.end(), current.zones.begin(),
                                         [](const std::u16string& a, const DocumentZone& b) { return a == b.text; });
        if (changed) {
            current.zones.clear();
            for (std::u16string& l : lineLines)
                current.zones.push_back({std::move(l), 0});
            lines = std::move(current);
        }
    }

    SaveResult result;
    result.history = keepHistory(page.words, page).lexically_relative(page.root).generic_string();
    words.zones.clear();
    for (std::u16string& l : wordLines)
        words.zones.push_back({std::move(l), 0});
    writeZoneDocument(words, wide(page.words));
    if (lines) {
        keepHistory(page.lines, page);
        writeZoneDocument(*lines, wide(page.lines));
    }

    // The exports, as -topage and -toalto write them, with the page size the
    // zone file gives (the picture need not be decoded again).
    std::string imageName;
    for (const std::u16string& line : words.headerLines)
        if (getAttribute(u"tavo_type", line) == u"DL_PAGE")
            imageName = baseName(utf8FromWide(getWholeAttribute(line, u"src").value_or(u"")));
    if (!imageName.empty() && words.pageWidth > 0 && words.pageHeight > 0) {
        Report quiet;
        const GtPage gt = readGtPage(wide(page.words), imageName, words.pageWidth, words.pageHeight, quiet);
        writeUtf8File(wide(page.folder / "page.xml"), pageXml(gt, PageXmlOptions()));
        writeUtf8File(wide(page.folder / "alto.xml"), altoXml(gt, false));
    }

    if (!page.transcript.empty() && isRegularFile(page.transcript)) {
        Report verify;
        runVerify(wide(page.words), wide(page.transcript), verify);
        std::string out = verify.out();
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
            out.pop_back();
        result.verify = out;
    }
    result.doubtful = static_cast<int>(std::count_if(zones.begin(), zones.end(), [](const EditZone& z) {
        return !z.checked && ((z.confidence && verdictOf(*z.confidence) != ZoneVerdict::Sure) ||
                              (z.doubt && !z.doubt->empty()));
    }));
    result.version = pageVersion(page);
    return result;
}

}  // namespace tavo
