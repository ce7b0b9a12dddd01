#include "review/ReviewIndex.h"

#include "review/Html.h"
#include "util/LineFiles.h"
#include "util/Strings.h"
#include "util/TextFile.h"
#include "review/ZoneFile.h"
#include "groundtruth/ZoneVerdict.h"

#include <algorithm>
#include <climits>
#include <ctime>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

namespace tavo {

namespace {

namespace fs = std::filesystem;

enum class PageState { Failed, ToReview, Done, Clean, Unfinished };  // the order of the index

struct PageRow {
    std::string name;       // the folder's name, bytes as the file system gives them
    std::string link;       // folder relative to the index, with a trailing slash (bytes)
    PageState state = PageState::Unfinished;
    long long words = 0, doubtfulWords = 0, checked = 0;
    long long lines = -1, doubtfulLines = -1;  // -1: not checked
    std::string verdict;    // what -verify said
    std::string saved;      // when a person last saved the page (UTC), empty if never
    bool hasReview = false, hasThumb = false;

    long long doubtful() const { return doubtfulWords + std::max(0LL, doubtfulLines); }
};

// Files of a page, read by their path as the file system has it (a folder
// name need not be UTF-8), decoded as the program writes them: UTF-8, CR LF.
std::vector<std::u16string> linesOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<std::u16string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (lines.empty() && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3);
        lines.push_back(wideFromUtf8(line));
    }
    return lines;
}

// A count from a file: the shared integer reader, saturating at 2^31 - 1,
// never below 0.
long long countAt(std::u16string_view text) { return std::max(0, atoiValue(text)); }

// The last line of check.txt: "doubtful: L of N lines, W of M words".
void readCheckSummary(const fs::path& file, PageRow& row)
{
    static constexpr std::u16string_view kStart = u"doubtful: ", kOf = u" of ";
    for (const std::u16string& line : linesOf(file)) {
        const std::u16string_view text(line);
        const size_t of = text.find(kOf);
        if (text.rfind(kStart, 0) != 0 || of == std::u16string_view::npos || !text.ends_with(u" words"))
            continue;
        row.doubtfulLines = countAt(text.substr(kStart.size()));
        row.lines = countAt(text.substr(of + kOf.size()));
    }
}

// The time of the last save: words.xml's when history/ holds a version.
std::string lastSaved(const fs::path& folder)
{
    std::error_code error;
    if (fs::is_empty(folder / "history", error) || error)
        return {};
    struct stat written {};
    if (::stat((folder / "words.xml").c_str(), &written) != 0)
        return {};
    std::tm utc{};
    gmtime_r(&written.st_mtime, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &utc);
    return text;
}

bool newer(const fs::path& a, const fs::path& b)
{
    std::error_code error;
    const auto ta = fs::last_write_time(a, error);
    const auto tb = fs::last_write_time(b, error);
    return !error && ta > tb;
}

PageRow readPage(const fs::path& folder)
{
    PageRow row;
    row.name = folder.filename().string();
    row.link = "pages/" + row.name + "/";
    std::error_code error;
    const bool finished = fs::exists(folder / "done", error);
    const fs::path words = folder / "words.xml";
    const bool hasWords = fs::exists(words, error);
    if (hasWords) {
        const ZoneFile file = zoneFileOf(linesOf(words));
        row.words = static_cast<long long>(file.zones.size());
        for (const ZoneEntry& zone : file.zones) {
            row.checked += zone.checked;
            row.doubtfulWords += !zone.checked && zone.confidence &&
                                 verdictOf(*zone.confidence, !zone.doubt.empty()) != ZoneVerdict::Sure;
        }
    }
    row.saved = lastSaved(folder);
    // The line doubts -check listed were seen by whoever saved the page since.
    if (row.saved.empty() || !newer(words, folder / "check.txt"))
        readCheckSummary(folder / "check.txt", row);
    const std::vector<std::u16string> verify = linesOf(folder / "verify.txt");
    row.verdict = verify.empty() ? std::string() : utf8FromWide(verify.front());
    row.hasReview = fs::exists(folder / "review.html", error);
    row.hasThumb = fs::exists(folder / "review-thumb.png", error);
    if (!finished)
        row.state = PageState::Unfinished;
    else if (!hasWords)
        row.state = PageState::Failed;
    else if (row.doubtful() > 0)
        row.state = PageState::ToReview;
    else
        row.state = row.checked > 0 ? PageState::Done : PageState::Clean;
    return row;
}

const char* stateName(PageState s)
{
    switch (s) {
    case PageState::Failed: return "failed";
    case PageState::ToReview: return "to review";
    case PageState::Done: return "done";
    case PageState::Clean: return "clean";
    case PageState::Unfinished: break;
    }
    return "unfinished";
}

const char* stateClass(PageState s)
{
    switch (s) {
    case PageState::Failed: return "failed";
    case PageState::ToReview: return "doubtful";
    case PageState::Done: return "done";
    case PageState::Clean: return "sure";
    case PageState::Unfinished: break;
    }
    return "unfinished";
}

std::string pageRow(const PageRow& r)
{
    const std::string link = escapeHtml(fileUrl(r.link + (r.hasReview ? "review.html" : "")));
    std::string out = "<tr class=\"page\" data-state=\"" + std::string(stateClass(r.state)) + "\" data-doubtful=\"" +
                      std::to_string(r.doubtful()) + "\" data-checked=\"" + std::to_string(r.checked) +
                      "\">\n<td>";
    if (r.hasThumb)
        out += "<a href=\"" + link + "\"><img loading=\"lazy\" src=\"" + escapeHtml(fileUrl(r.link + "review-thumb.png")) +
               "\" alt=\"" + escapeHtml(fitUtf8(r.name)) + "\"></a>";
    out += "</td>\n<td><a class=\"name\" href=\"" + link + "\">" + htmlName(r.name) +
           "</a></td>\n<td><span class=\"badge " + stateClass(r.state) + "\">" + stateName(r.state) +
           "</span></td>\n<td>" + std::to_string(r.words) + "</td>\n<td>" +
           (r.lines < 0 ? std::string("–") : std::to_string(r.doubtfulLines) + " of " + std::to_string(r.lines)) +
           "</td>\n<td>" + std::to_string(r.doubtfulWords) + "</td>\n<td>" + std::to_string(r.checked) +
           "</td>\n<td>" + (r.saved.empty() ? std::string("–") : r.saved) + "</td>\n<td><bdi>" +
           htmlText(wideFromUtf8(r.verdict)) + "</bdi></td>\n</tr>\n";
    return out;
}

const char* const kStyle = R"(
main { padding: 1em; }
table { border-collapse: collapse; background: #fff; }
th, td { border-bottom: 1px solid #ddd; padding: 0.3em 0.8em; text-align: left; vertical-align: middle; }
td img { width: 120px; border: 1px solid #ccc; display: block; }
.badge.unfinished { background: #777; } .badge.done { background: #2a6ad4; }
progress { width: 20em; }
)";

// Served by -serve with ?token= in the address, the links to the pages carry
// the token on, so each page opens in the editor.
const char* const kScript = R"(
(function () {
  var token = new URLSearchParams(location.search).get('token');
  if (!token || !/^https?:$/.test(location.protocol)) return;
  document.querySelectorAll('a[href]').forEach(function (a) {
    var url = new URL(a.getAttribute('href'), location.href);
    if (url.origin !== location.origin) return;
    url.searchParams.set('token', token);
    a.href = url.href;
  });
})();
)";

}  // namespace

void runReviewIndex(const std::u16string& batchDir, const std::u16string& html, Report& report)
{
    const fs::path pages = fs::path(utf8FromWide(batchDir)) / "pages";
    std::error_code error;
    if (!fs::is_directory(pages, error))
        report.fail(pages.string(), "no pages folder");
    std::vector<fs::path> folders;
    for (const fs::directory_entry& entry : fs::directory_iterator(pages, error))
        if (entry.is_directory())
            folders.push_back(entry.path());
    std::sort(folders.begin(), folders.end());

    std::vector<PageRow> rows;
    for (const fs::path& folder : folders)
        rows.push_back(readPage(folder));
    std::stable_sort(rows.begin(), rows.end(), [](const PageRow& a, const PageRow& b) {
        if (a.state != b.state)
            return a.state < b.state;
        return a.doubtful() > b.doubtful();
    });

    long long counts[5] = {0, 0, 0, 0, 0};
    long long doubtfulLines = 0, doubtfulWords = 0;  // each row's counts are at most 2^31 - 1
    for (const PageRow& r : rows) {
        ++counts[static_cast<int>(r.state)];
        doubtfulLines += std::max(0LL, r.doubtfulLines);
        doubtfulWords += r.doubtfulWords;
    }
    const int total = static_cast<int>(rows.size());
    const long long finished = total - counts[static_cast<int>(PageState::Unfinished)];
    const std::string summary =
        std::to_string(total) + " pages: " + std::to_string(finished) + " finished, " +
        std::to_string(counts[static_cast<int>(PageState::Failed)]) + " failed, " +
        std::to_string(counts[static_cast<int>(PageState::ToReview)]) + " to review, " +
        std::to_string(counts[static_cast<int>(PageState::Done)]) + " done, " +
        std::to_string(counts[static_cast<int>(PageState::Clean)]) + " clean; " + std::to_string(doubtfulLines) +
        " doubtful lines, " + std::to_string(doubtfulWords) + " doubtful words";

    std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Review index</title>\n<style>" +
                       std::string(kCommonStyle) + kStyle + "</style>\n</head>\n<body>\n<header>\n<h1>Review index</h1>\n"
                       "<p><progress max=\"" + std::to_string(std::max(total, 1)) + "\" value=\"" +
                       std::to_string(finished) + "\"></progress></p>\n<p id=\"summary\">" + summary +
                       ".</p>\n</header>\n<main>\n<table>\n<thead><tr><th></th><th>page</th><th>verdict</th>"
                       "<th>zones</th><th>doubtful lines</th><th>doubtful words</th><th>checked</th><th>last saved</th>"
                       "<th>verify</th></tr></thead>\n<tbody>\n";
    for (const PageRow& r : rows)
        page += pageRow(r);
    page += "</tbody>\n</table>\n</main>\n<script>" + std::string(kScript) + "</script>\n</body>\n</html>\n";
    CTextFileWrite out(html, kUtf8);
    out.writeText(page);
    out.close();
    report.printLine(summary);
}

}  // namespace tavo
