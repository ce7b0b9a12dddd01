#include "review/ReviewPage.h"

#include "review/Html.h"
#include "review/PageCheck.h"
#include "review/ScoreCache.h"
#include "review/EditorAssets.h"
#include "util/Strings.h"
#include "util/TextFile.h"
#include "groundtruth/ZoneVerdict.h"

#include "ZULImageConverter.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>

namespace tavo {

namespace {

namespace fs = std::filesystem;

// Crops of doubtful zones are shown at most this wide.
constexpr double kCropWidth = 560;

const char* const kStyle = R"(
main { display: flex; gap: 1em; padding: 1em; align-items: flex-start; }
#doubtful { flex: 0 0 34em; max-height: calc(100vh - 7em); overflow-y: auto; }
#doubtful ol { list-style: none; padding: 0; margin: 0; }
#doubtful li { background: #fff; border: 1px solid #ddd; border-left: 0.4em solid var(--doubtful);
               margin: 0 0 0.5em; padding: 0.4em; cursor: pointer; }
#doubtful li.failed { border-left-color: var(--failed); }
#doubtful li.selected { outline: 3px solid #2a6ad4; }
.crop { background-repeat: no-repeat; border: 1px solid #bbb; margin: 0.2em 0; }
.meta { font-size: 0.85em; color: #555; }
#view { flex: 1; min-width: 0; }
.page { position: relative; }
.page img { width: 100%; display: block; }
.page svg { position: absolute; inset: 0; width: 100%; height: 100%; }
rect { fill: transparent; stroke-width: 3; cursor: pointer; vector-effect: non-scaling-stroke; }
rect.line { stroke-dasharray: 8 4; }
rect.sure { stroke: var(--sure); } rect.doubtful { stroke: var(--doubtful); fill: rgba(240,140,0,0.12); }
rect.failed { stroke: var(--failed); fill: rgba(212,32,32,0.15); }
rect.selected { stroke: #2a6ad4; stroke-width: 5; fill: rgba(42,106,212,0.15); }
#detail { position: sticky; top: 0; background: #fff; border: 1px solid #ccc; padding: 0.4em 0.8em;
          margin-bottom: 0.5em; min-height: 2.6em; }
kbd { border: 1px solid #999; border-radius: 3px; padding: 0 0.3em; background: #eee; }
)";

const char* const kScript = R"(
(function () {
  var items = Array.prototype.slice.call(document.querySelectorAll('#doubtful li'));
  var at = -1;
  function select(id) {
    document.querySelectorAll('.selected').forEach(function (e) { e.classList.remove('selected'); });
    var zone = document.getElementById(id);
    if (!zone) return;
    zone.classList.add('selected');
    var d = zone.dataset;
    document.getElementById('detail-text').textContent = d.text;
    document.getElementById('detail-meta').textContent =
      d.kind + ' ' + d.file + ':' + d.line + ' · confidence ' + d.confidence + (d.doubt ? ' · ' + d.doubt : '');
    var item = document.querySelector('#doubtful li[data-zone="' + id + '"]');
    if (item) { item.classList.add('selected'); item.scrollIntoView({block: 'nearest'}); at = items.indexOf(item); }
    zone.scrollIntoView({block: 'center', inline: 'nearest'});
  }
  function step(by) {
    if (!items.length) return;
    at = (at + by + items.length) % items.length;
    select(items[at].dataset.zone);
  }
  // Served with a token, the editor takes over (editor/editor.js).
  function editing() { return document.body.classList.contains('editing'); }
  document.querySelector('svg').addEventListener('click', function (e) {
    if (!editing() && e.target.id) select(e.target.id);
  });
  items.forEach(function (item) {
    item.addEventListener('click', function (e) {
      if (!editing() && e.target.tagName !== 'A') select(item.dataset.zone);
    });
  });
  document.addEventListener('keydown', function (e) {
    if (e.altKey || e.ctrlKey || e.metaKey || editing()) return;
    if (e.key === 'n' || e.key === 'ArrowDown' || e.key === 'ArrowRight') { step(1); e.preventDefault(); }
    if (e.key === 'p' || e.key === 'ArrowUp' || e.key === 'ArrowLeft') { step(-1); e.preventDefault(); }
  });
})();
)";

struct ShownZone {
    std::string id;     // element id: l<line> or w<line>
    bool isLine = false;
    const ZoneEntry* zone = nullptr;
    const ZoneScore* score = nullptr;
    const std::string* file = nullptr;  // the ground-truth file relative to the page (bytes)
};

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

void addZones(std::vector<ShownZone>& shown, const ZoneFile& file, const std::vector<ZoneScore>& scores,
              bool isLine, const std::string& link)
{
    for (size_t i = 0; i < file.zones.size() && i < scores.size(); ++i) {
        std::string id(1, isLine ? 'l' : 'w');
        id += std::to_string(file.zones[i].lineNumber);
        shown.push_back({std::move(id), isLine, &file.zones[i], &scores[i], &link});
    }
}

std::string zoneText(const ShownZone& z) { return htmlText(normaliseSpaces(z.zone->text)); }

std::string doubtOf(const ShownZone& z) { return htmlText(doubtText(z.score->doubts)); }

// One rectangle of the page drawing, with everything the script shows.
std::string zoneRect(const ShownZone& z)
{
    const ZoneBox& b = z.zone->box;
    const std::string conf = utf8FromWide(confidenceText(z.score->confidence));
    std::string out = "<rect id=\"" + z.id + "\" class=\"" + (z.isLine ? "line " : "word ") +
                      verdictClass(z.score->verdict()) + (z.zone->checked ? " checked" : "") + "\" x=\"" +
                      std::to_string(b.col) + "\" y=\"" + std::to_string(b.row) + "\" width=\"" +
                      std::to_string(b.width) + "\" height=\"" + std::to_string(b.height) + "\" data-kind=\"" +
                      (z.isLine ? "line" : "word") + "\" data-file=\"" + escapeHtml(fitUtf8(*z.file)) +
                      "\" data-line=\"" + std::to_string(z.zone->lineNumber) + "\" data-confidence=\"" + conf +
                      "\" data-doubt=\"" + doubtOf(z) + "\" data-text=\"" + zoneText(z) + "\"><title>" +
                      zoneText(z) + " (" + conf + ")</title></rect>\n";
    return out;
}

// One entry of the doubtful list: a crop of the zone cut from the page
// picture by the background position, its text and where it is written.
std::string doubtfulItem(const ShownZone& z, const std::string& picture, int pageWidth, int pageHeight)
{
    // In doubles: a zone read from a file may lie anywhere, even far off the page.
    const ZoneBox& b = z.zone->box;
    const double margin = std::max(2, b.height / 8);
    const double x = std::clamp(b.col - margin, 0.0, double(pageWidth));
    const double y = std::clamp(b.row - margin, 0.0, double(pageHeight));
    const double w = std::clamp(double(b.col) + b.width + margin, x, double(pageWidth)) - x;
    const double h = std::clamp(double(b.row) + b.height + margin, y, double(pageHeight)) - y;
    const double scale = std::min(1.0, kCropWidth / std::max(1.0, w));
    const std::string conf = utf8FromWide(confidenceText(z.score->confidence));
    return "<li class=\"" + std::string(verdictClass(z.score->verdict())) + "\" data-zone=\"" + z.id +
           "\" data-confidence=\"" + conf + "\">\n<div class=\"crop\" style=\"width:" + number(w * scale) +
           "px;height:" + number(h * scale) + "px;background-image:" + escapeHtml(cssUrl(picture)) +
           ";background-size:" + number(pageWidth * scale) + "px " + number(pageHeight * scale) +
           "px;background-position:-" + number(x * scale) + "px -" + number(y * scale) + "px\"></div>\n" +
           "<div class=\"ar\" dir=\"rtl\" lang=\"ar\">" + zoneText(z) + "</div>\n<div class=\"meta\">" +
           "<span class=\"badge " + verdictClass(z.score->verdict()) + "\">" + conf + "</span> " +
           (z.isLine ? "line" : "word") + " · <bdi>" + doubtOf(z) + "</bdi> · <a href=\"" +
           escapeHtml(fileUrl(*z.file)) + "\">" + htmlName(*z.file) + "</a> line " +
           std::to_string(z.zone->lineNumber) + "</div></li>\n";
}

// The path of target relative to folder, '/' between parts (bytes as the
// file system has them).
std::string relativePath(const fs::path& target, const fs::path& folder)
{
    std::error_code ignored;
    const fs::path relative = fs::relative(target, folder, ignored);
    return relative.empty() ? target.generic_string() : relative.generic_string();
}

std::string linkTo(const std::u16string& file, const fs::path& folder)
{
    return relativePath(fs::absolute(fs::path(utf8FromWide(file))), folder);
}

// Formats every browser shows as they are; others (TIFF, PBM/PGM/PPM) get one
// JPEG rendering beside the review page.
bool browserShows(const fs::path& image)
{
    std::string ext = image.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
    return ext == ".png" || ext == ".jpg" || ext == ".jpeg" || ext == ".gif" || ext == ".bmp" || ext == ".webp";
}

enum class Tones { BlackAndWhite, Grey, Colour };

Tones tonesOf(const ZULImage& page)
{
    if (page.zulGetBitsPerPixel() != 24)
        return page.zulGetBitsPerPixel() == 1 ? Tones::BlackAndWhite : Tones::Grey;
    bool twoTones = true;
    for (int y = 0; y < page.zulGetHeight(); ++y) {
        const unsigned char* row = page.zulGetRow(y);
        for (int x = 0; x < page.zulGetWidth(); ++x, row += 3) {
            if (row[0] != row[1] || row[1] != row[2])
                return Tones::Colour;
            twoTones = twoTones && (row[0] == 0 || row[0] == 255);
        }
    }
    return twoTones ? Tones::BlackAndWhite : Tones::Grey;
}

// The rendering of a scan browsers do not show: a black-and-white page as a
// 1-bit PNG (smaller and quicker than any JPEG of it), others as JPEG.
ZULImage renderingOf(const ZULImage& page, Tones tones)
{
    if (tones == Tones::Colour)
        return page;
    ZULImage out;
    ZULImageConverter::zulConvertImage(out, page, tones == Tones::Grey ? ZULImageConverter::kGray
                                                                        : ZULImageConverter::kBinary);
    return out;
}

// The rendering is written once: kept while it is newer than the scan.
bool renderingIsCurrent(const fs::path& rendering, const fs::path& scan)
{
    std::error_code error;
    const auto made = fs::last_write_time(rendering, error);
    if (error)
        return false;
    const auto scanned = fs::last_write_time(scan, error);
    return !error && made >= scanned;
}

}  // namespace

void writeReviewHtml(const ReviewContent& c, const std::function<void(const std::string&)>& write)
{
    std::vector<ShownZone> shown;
    addZones(shown, c.lines, c.lineScores, true, c.linesLink);
    addZones(shown, c.words, c.wordScores, false, c.wordsLink);
    std::vector<const ShownZone*> doubtful;
    for (const ShownZone& z : shown)
        if (z.score->verdict() != ZoneVerdict::Sure && !z.zone->checked)
            doubtful.push_back(&z);
    std::stable_sort(doubtful.begin(), doubtful.end(), [](const ShownZone* a, const ShownZone* b) {
        return a->score->confidence < b->score->confidence;
    });

    const int doubtfulLines = countDoubtful(c.lineScores);
    const int doubtfulWords = countDoubtful(c.wordScores);
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Review: " +
                       titleText(c.title) + "</title>\n<script>" + kEditorStart + "</script>\n<style>" +
                       kCommonStyle + kStyle + kEditorStyle + "</style>\n</head>\n<body>\n<header>\n<h1>" + htmlName(c.title) +
                       "</h1>\n<p id=\"summary\" data-doubtful-lines=\"" + std::to_string(doubtfulLines) +
                       "\" data-doubtful-words=\"" + std::to_string(doubtfulWords) + "\">" + escapeHtml(c.summary) +
                       ". " + (doubtful.empty() ? "Every zone fits its ink." : "Check the listed zones first.") +
                       " Keys: <kbd>n</kbd>/<kbd>→</kbd> next doubtful zone, <kbd>p</kbd>/<kbd>←</kbd> previous;"
                       " click a zone for its text.</p>\n</header>\n<main>\n<section id=\"doubtful\">\n<h2>To check (" +
                       std::to_string(doubtful.size()) + ")</h2>\n<ol>\n";
    // Handed on a megabyte at a time, so a page of a million zones is never
    // held whole.
    auto spill = [&page, &write] {
        if (page.size() >= (size_t{1} << 20)) {
            write(page);
            page.clear();
        }
    };
    for (const ShownZone* z : doubtful) {
        page += doubtfulItem(*z, c.picture, c.width, c.height);
        spill();
    }
    page += "</ol>\n</section>\n<section id=\"view\">\n<div id=\"detail\"><div id=\"detail-text\" class=\"ar\" "
            "dir=\"rtl\" lang=\"ar\"></div><div id=\"detail-meta\" class=\"meta\" dir=\"auto\">Click a zone.</div></div>\n"
            "<div class=\"page\"><img src=\"" + escapeHtml(fileUrl(c.picture)) + "\" width=\"" +
            std::to_string(c.width) + "\" height=\"" + std::to_string(c.height) + "\" alt=\"page\">\n<svg viewBox=\"0 0 " +
            std::to_string(c.width) + " " + std::to_string(c.height) + "\" preserveAspectRatio=\"none\">\n";
    for (const ShownZone& z : shown) {
        page += zoneRect(z);
        spill();
    }
    page += "</svg></div>\n</section>\n</main>\n<script>" + std::string(kScript) + "</script>\n<script>" +
            kEditorScript + "</script>\n</body>\n</html>\n";
    write(page);
}

std::string reviewHtml(const ReviewContent& c)
{
    std::string page;
    writeReviewHtml(c, [&page](const std::string& piece) { page += piece; });
    return page;
}

void runReview(const std::u16string& image, const std::u16string& wordsXml, const std::u16string& html,
               const std::u16string& linesXml, Report& report, const std::u16string& scoresFile)
{
    const fs::path htmlPath = fs::absolute(fs::path(utf8FromWide(html)));
    const fs::path folder = htmlPath.parent_path();
    const std::string stem = htmlPath.stem().string();
    const fs::path scan = fs::absolute(fs::path(utf8FromWide(image)));
    const bool shownAsIs = browserShows(scan);

    // The scores -check kept for exactly these files are those computed here
    // and come with the page's size and thumbnail, so a scan shown as it is
    // need not be decoded at all.  Files that do not match (or cannot be
    // read) are loaded and measured as always, failing as always.
    const std::uint64_t digest = scoresFile.empty() ? 0 : inputDigest(image, wordsXml, linesXml);
    CheckedPage checked;
    if (digest != 0 && shownAsIs) {
        checked.words = readZoneFile(wordsXml, report);
        if (!linesXml.empty())
            checked.lines = readZoneFile(linesXml, report);
    } else {
        checked = loadCheckedPage(image, wordsXml, linesXml, report);
    }
    std::optional<KnownScores> known =
        digest == 0 ? std::nullopt
                    : readKnownScores(scoresFile, digest, checked.words.zones.size(), checked.lines.zones.size());
    if (known && checked.page.zulHasImageData() &&
        (known->width != checked.page.zulGetWidth() || known->height != checked.page.zulGetHeight()))
        known.reset();
    if (known) {
        checked.scores = std::move(known->scores);
    } else {
        if (!checked.page.zulHasImageData())
            checked.page = loadWorkingPage(image, report);
        checked.scores = scoreCheckedPage(InkIndex::ofPage(checked.page), checked.words, checked.lines);
    }
    const int width = known ? known->width : checked.page.zulGetWidth();
    const int height = known ? known->height : checked.page.zulGetHeight();
    const Tones tones = shownAsIs ? Tones::Colour : tonesOf(checked.page);
    const std::string picture = shownAsIs ? relativePath(scan, folder)
                                          : stem + (tones == Tones::BlackAndWhite ? "-page.png" : "-page.jpg");

    const std::string linesLink = linesXml.empty() ? "" : linkTo(linesXml, folder);
    const std::string wordsLink = linkTo(wordsXml, folder);
    const std::string summary = doubtSummary(checked);
    // The page is opened first, so an unwritable folder stops the command
    // before the images are written, and committed last.
    CTextFileWrite out(html, kUtf8);
    writeReviewHtml({utf8FromWide(image), picture, width, height, checked.lines, checked.scores.lines, linesLink,
                     checked.words, checked.scores.words, wordsLink, summary},
                    [&out](const std::string& piece) { out.writeText(piece); });
    if (!shownAsIs && !renderingIsCurrent(folder / picture, scan))
        saveImage(renderingOf(checked.page, tones), (folder / picture).string());
    saveImage(known ? known->thumbnail : reviewThumbnail(checked.page), (folder / (stem + "-thumb.png")).string());
    out.close();
    report.printLine(summary);
}

}  // namespace tavo
