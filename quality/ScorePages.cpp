// Scores the zone files of one or more runs against page truth.
//
//   score_pages [--quiet] [--run NAME] --truth PAGE.truth.json --lines LINES.xml
//               [--words WORDS.xml] [--seconds S] [--truth ...] [--run NAME2 ...]
//
// --truth starts a page of the current run; --lines, --words and --seconds
// belong to the page before them.  Prints a row per page (unless --quiet),
// then per run a row per page kind and the total.  Exit status 2 for bad
// arguments or an unreadable truth file.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "quality/PageTruth.h"
#include "quality/ZoneScore.h"

namespace {

using namespace tavo::quality;

struct PageRequest {
    std::string truth, lines, words;
    double seconds = -1;
};

struct Run {
    std::string name;
    std::vector<PageRequest> pages;
};

struct Totals {
    int pages = 0;
    int truthLines = 0, lineZones = 0, matchedLines = 0, rightLines = 0;
    int truthWords = 0, rightWords = 0, wordPages = 0;
    int truthPaws = 0, pawBoxes = 0, matchedPaws = 0;
    int flagged = 0, needed = 0, silentBad = 0;
    int correctZones = 0, doubtfulCorrect = 0;
    double seconds = 0;
    int timed = 0;
    int rightWordsDoubted = 0, wrongWordZones = 0, wrongWordsTrusted = 0;
    std::array<int, 10> binZones{};
    std::array<double, 10> binConfidence{};
    std::array<int, 10> binRight{};

    void add(const PageScore& s)
    {
        ++pages;
        truthLines += s.truthLines, lineZones += s.lineZones, matchedLines += s.matchedLines;
        rightLines += s.rightLines;
        if (s.wordsGiven && s.truthWords > 0)
            ++wordPages, truthWords += s.truthWords, rightWords += s.rightWords;
        truthPaws += s.truthPaws, pawBoxes += s.pawBoxes, matchedPaws += s.matchedPaws;
        flagged += s.flagged, needed += s.neededFlag, silentBad += s.neededFlag && !s.flagged;
        correctZones += s.correctZones, doubtfulCorrect += s.doubtfulCorrect;
        if (s.seconds >= 0)
            seconds += s.seconds, ++timed;
        rightWordsDoubted += s.rightWordsDoubted, wrongWordZones += s.wrongWordZones;
        wrongWordsTrusted += s.wrongWordsTrusted;
        for (size_t b = 0; b < binZones.size(); ++b)
            binZones[b] += s.binZones[b], binConfidence[b] += s.binConfidence[b], binRight[b] += s.binRight[b];
    }
};

std::string percent(int part, int whole)
{
    if (whole <= 0)
        return "n/a";
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 100.0 * part / whole);
    return text;
}

std::string secondsText(double seconds, int count)
{
    if (count <= 0)
        return "n/a";
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", seconds / count);
    return text;
}

const char* const kHeader = "%-10s %-16s %6s %6s %6s %6s %6s %6s %7s %7s %6s %7s\n";

void printRow(const std::string& run, const std::string& label, const Totals& t)
{
    std::printf(kHeader, run.c_str(), label.c_str(), std::to_string(t.pages).c_str(),
                percent(t.matchedLines, t.truthLines).c_str(), percent(t.matchedLines, t.lineZones).c_str(),
                percent(t.rightLines, t.truthLines).c_str(),
                t.wordPages ? percent(t.rightWords, t.truthWords).c_str() : "n/a",
                t.pawBoxes ? percent(t.matchedPaws, t.truthPaws).c_str() : "n/a",
                (std::to_string(t.flagged) + "/" + std::to_string(t.needed)).c_str(),
                std::to_string(t.silentBad).c_str(), percent(t.doubtfulCorrect, t.correctZones).c_str(),
                secondsText(t.seconds, t.timed).c_str());
}

void printHeader(const char* second)
{
    std::printf(kHeader, "run", second, "pages", "lineR", "lineP", "lineT", "words", "paws", "flag/nd",
                "silent", "falseA", "s/page");
}

// Calibration of the word confidences: right words doubted, wrong word
// zones trusted, expected calibration error.
void printCalibration(const std::string& run, const std::string& label, const Totals& t)
{
    char ece[16];
    std::snprintf(ece, sizeof ece, "%.3f", calibrationError(t.binZones, t.binConfidence, t.binRight));
    std::printf("%-10s %-16s %8s %8s %8s %8s\n", run.c_str(), label.c_str(),
                percent(t.rightWordsDoubted, t.rightWords).c_str(),
                (std::to_string(t.wrongWordsTrusted) + "/" + std::to_string(t.wrongWordZones)).c_str(),
                percent(t.wrongWordsTrusted, t.wrongWordZones).c_str(), t.wordPages ? ece : "n/a");
}

int usage()
{
    std::fprintf(stderr,
                 "usage: score_pages [--quiet] [--run NAME] --truth PAGE.truth.json --lines LINES.xml\n"
                 "                   [--words WORDS.xml] [--seconds S] [--truth ...] [--run NAME ...]\n");
    return 2;
}

std::string pageName(const PageTruth& truth, const std::string& path)
{
    std::string name = truth.image.empty() ? path : truth.image;
    const size_t slash = name.find_last_of('/');
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.find('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<Run> runs;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--quiet") {
            quiet = true;
            continue;
        }
        if (i + 1 >= argc)
            return usage();
        const std::string v = argv[++i];
        if (a == "--run") {
            runs.push_back({v, {}});
            continue;
        }
        if (runs.empty())
            runs.push_back({"run", {}});
        std::vector<PageRequest>& pages = runs.back().pages;
        if (a == "--truth")
            pages.push_back({v, "", "", -1});
        else if (pages.empty())
            return usage();
        else if (a == "--lines")
            pages.back().lines = v;
        else if (a == "--words")
            pages.back().words = v;
        else if (a == "--seconds")
            pages.back().seconds = std::atof(v.c_str());
        else
            return usage();
    }
    if (runs.empty())
        return usage();

    // Every truth file is read before anything is printed, so a bad one
    // stops the run with its message alone.
    struct Scored {
        std::string name;
        PageScore score;
    };
    std::vector<std::vector<Scored>> scored(runs.size());
    for (size_t r = 0; r < runs.size(); ++r) {
        for (const PageRequest& request : runs[r].pages) {
            std::string error;
            const std::optional<PageTruth> truth = readTruthFile(request.truth, error);
            if (!truth) {
                std::fprintf(stderr, "score_pages: %s: %s\n", request.truth.c_str(), error.c_str());
                return 2;
            }
            const ZoneFile lines = request.lines.empty() ? ZoneFile{} : readZoneFile(request.lines);
            std::optional<ZoneFile> words;
            if (!request.words.empty())
                words = readZoneFile(request.words);
            PageScore score = scorePage(*truth, lines, words ? &*words : nullptr);
            score.seconds = request.seconds;
            if (score.kind.empty())
                score.kind = "lines";
            scored[r].push_back({pageName(*truth, request.truth), score});
        }
    }

    std::vector<std::map<std::string, Totals>> byKind(runs.size());
    std::vector<Totals> totals(runs.size());
    if (!quiet)
        std::printf(kHeader, "run", "page", "lines", "zones", "lineR", "lineT", "words", "paws", "flagged",
                    "needed", "falseA", "s");
    for (size_t r = 0; r < runs.size(); ++r)
        for (const auto& [name, s] : scored[r]) {
            byKind[r][s.kind].add(s);
            totals[r].add(s);
            if (quiet)
                continue;
            std::printf(kHeader, runs[r].name.c_str(), name.c_str(), std::to_string(s.truthLines).c_str(),
                        (s.linesRead ? std::to_string(s.lineZones) : std::string("none")).c_str(),
                        percent(s.matchedLines, s.truthLines).c_str(), percent(s.rightLines, s.truthLines).c_str(),
                        s.wordsGiven ? percent(s.rightWords, s.truthWords).c_str() : "n/a",
                        s.pawBoxes ? percent(s.matchedPaws, s.truthPaws).c_str() : "n/a",
                        s.flagged ? "yes" : "no", s.neededFlag ? "yes" : "no",
                        percent(s.doubtfulCorrect, s.correctZones).c_str(),
                        secondsText(s.seconds, s.seconds >= 0).c_str());
        }
    if (!quiet)
        std::printf("\n");
    printHeader("kind");
    std::set<std::string> kinds;
    for (const auto& run : byKind)
        for (const auto& entry : run)
            kinds.insert(entry.first);
    for (const std::string& kind : kinds) {
        for (size_t r = 0; r < runs.size(); ++r) {
            const auto it = byKind[r].find(kind);
            printRow(runs[r].name, kind, it == byKind[r].end() ? Totals{} : it->second);
        }
    }
    for (size_t r = 0; r < runs.size(); ++r)
        printRow(runs[r].name, "all", totals[r]);

    std::printf("\n%-10s %-16s %8s %8s %8s %8s\n", "run", "kind", "rDoubt", "wTrust", "wTrust%", "ECE");
    for (const std::string& kind : kinds)
        for (size_t r = 0; r < runs.size(); ++r) {
            const auto it = byKind[r].find(kind);
            printCalibration(runs[r].name, kind, it == byKind[r].end() ? Totals{} : it->second);
        }
    for (size_t r = 0; r < runs.size(); ++r)
        printCalibration(runs[r].name, "all", totals[r]);
    return 0;
}
