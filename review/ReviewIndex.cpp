#include "review/ReviewIndex.h"

#include "review/Html.h"
#include "util/LineFiles.h"
#include "util/Strings.h"
#include "util/TextFile.h"
#include "review/ZoneFile.h"
#include "groundtruth/ZoneVerdict.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace tavo {

namespace {

namespace fs = std::filesystem;

enum class PageState { Failed, ToReview, Clean, Unfinished };  // the order of the index

struct PageRow {
    std::string name;
    std::string link;       // folder relative to the index, with a trailing slash
    PageState state = PageState::Unfinished;
    int words = 0, doubtfulWords = 0;
    int lines = -1, doubtfulLines = -1;  // -1: not checked
    std::string verdict;    // what -verify said
    bool hasReview = false, hasThumb = false;

    int doubtful() const { return doubtfulWords + std::max(0, doubtfulLines); }
};

std::string firstLine(const fs::path& file, const Report& report)
{
    if (!fs::exists(file))
        return {};
    return utf8FromWide(readFirstLine(wideFromUtf8(file.string()), report));
}

// The last line of check.txt: "doubtful: L of N lines, W of M words".
void readCheckSummary(const fs::path& file, PageRow& row, const Report& report)
{
    if (!fs::exists(file))
        return;
    for (const std::u16string& line : readAllLines(wideFromUtf8(file.string()), report)) {
        int dl = 0, nl = 0, dw = 0, nw = 0;
        if (std::sscanf(utf8FromWide(line).c_str(), "doubtful: %d of %d lines, %d of %d words", &dl, &nl, &dw, &nw) == 4) {
            row.doubtfulLines = dl;
            row.lines = nl;
        }
    }
}

PageRow readPage(const fs::path& folder, Report& report)
{
    PageRow row;
    row.name = folder.filename().string();
    row.link = "pages/" + row.name + "/";
    const bool finished = fs::exists(folder / "done");
    const fs::path words = folder / "words.xml";
    if (fs::exists(words)) {
        const ZoneFile file = readZoneFile(wideFromUtf8(words.string()), report);
        row.words = static_cast<int>(file.zones.size());
        for (const ZoneEntry& zone : file.zones)
            row.doubtfulWords += zone.confidence && verdictOf(*zone.confidence) != ZoneVerdict::Sure;
    }
    readCheckSummary(folder / "check.txt", row, report);
    row.verdict = firstLine(folder / "verify.txt", report);
    row.hasReview = fs::exists(folder / "review.html");
    row.hasThumb = fs::exists(folder / "review-thumb.png");
    if (!finished)
        row.state = PageState::Unfinished;
    else if (!fs::exists(words))
        row.state = PageState::Failed;
    else
        row.state = row.doubtful() > 0 ? PageState::ToReview : PageState::Clean;
    return row;
}

const char* stateName(PageState s)
{
    switch (s) {
    case PageState::Failed: return "failed";
    case PageState::ToReview: return "to review";
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
    case PageState::Clean: return "sure";
    case PageState::Unfinished: break;
    }
    return "unfinished";
}

std::string pageRow(const PageRow& r)
{
    const std::string link = escapeHtml(r.link + (r.hasReview ? "review.html" : ""));
    std::string out = "<tr class=\"page\" data-state=\"" + std::string(stateClass(r.state)) + "\" data-doubtful=\"" +
                      std::to_string(r.doubtful()) + "\">\n<td>";
    if (r.hasThumb)
        out += "<a href=\"" + link + "\"><img loading=\"lazy\" src=\"" + escapeHtml(r.link) +
               "review-thumb.png\" alt=\"" + escapeHtml(r.name) + "\"></a>";
    out += "</td>\n<td><a href=\"" + link + "\">" + escapeHtml(r.name) + "</a></td>\n<td><span class=\"badge " +
           stateClass(r.state) + "\">" + stateName(r.state) + "</span></td>\n<td>" +
           (r.lines < 0 ? std::string("–") : std::to_string(r.doubtfulLines) + " of " + std::to_string(r.lines)) +
           "</td>\n<td>" + std::to_string(r.doubtfulWords) + " of " + std::to_string(r.words) + "</td>\n<td>" +
           escapeHtml(r.verdict) + "</td>\n</tr>\n";
    return out;
}

const char* const kStyle = R"(
main { padding: 1em; }
table { border-collapse: collapse; background: #fff; }
th, td { border-bottom: 1px solid #ddd; padding: 0.3em 0.8em; text-align: left; vertical-align: middle; }
td img { width: 120px; border: 1px solid #ccc; display: block; }
.badge.unfinished { background: #777; }
progress { width: 20em; }
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
        rows.push_back(readPage(folder, report));
    std::stable_sort(rows.begin(), rows.end(), [](const PageRow& a, const PageRow& b) {
        if (a.state != b.state)
            return a.state < b.state;
        return a.doubtful() > b.doubtful();
    });

    int counts[4] = {0, 0, 0, 0};
    int doubtfulLines = 0, doubtfulWords = 0;
    for (const PageRow& r : rows) {
        ++counts[static_cast<int>(r.state)];
        doubtfulLines += std::max(0, r.doubtfulLines);
        doubtfulWords += r.doubtfulWords;
    }
    const int total = static_cast<int>(rows.size());
    const int finished = total - counts[static_cast<int>(PageState::Unfinished)];
    const std::string summary =
        std::to_string(total) + " pages: " + std::to_string(finished) + " finished, " +
        std::to_string(counts[static_cast<int>(PageState::Failed)]) + " failed, " +
        std::to_string(counts[static_cast<int>(PageState::ToReview)]) + " to review, " +
        std::to_string(counts[static_cast<int>(PageState::Clean)]) + " clean; " + std::to_string(doubtfulLines) +
        " doubtful lines, " + std::to_string(doubtfulWords) + " doubtful words";

    std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Review index</title>\n<style>" +
                       std::string(kCommonStyle) + kStyle + "</style>\n</head>\n<body>\n<header>\n<h1>Review index</h1>\n"
                       "<p><progress max=\"" + std::to_string(std::max(total, 1)) + "\" value=\"" +
                       std::to_string(finished) + "\"></progress></p>\n<p id=\"summary\">" + summary +
                       ".</p>\n</header>\n<main>\n<table>\n<thead><tr><th></th><th>page</th><th>verdict</th>"
                       "<th>doubtful lines</th><th>doubtful words</th><th>verify</th></tr></thead>\n<tbody>\n";
    for (const PageRow& r : rows)
        page += pageRow(r);
    page += "</tbody>\n</table>\n</main>\n</body>\n</html>\n";
    CTextFileWrite out(html, kUtf8);
    out.writeText(page);
    out.close();
    report.printLine(summary);
}

}  // namespace tavo
