// -serve measured as the editor uses it: the real server on a 400-word page,
// a save round trip (POST /api/save: history, words.xml, the lines file, page.xml,
// alto.xml, -verify) and the page load (GET /api/zones); then 1,000 saves in
// a row, counting the history files, reading every one back and reporting
// the server's resident memory along the way.
#include "groundtruth/ZoneDocument.h"
#include "util/Strings.h"
#include "support/ServeProcess.h"

#include <benchmark/benchmark.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr int kLines = 20, kWordsPerLine = 20;

void write(const fs::path& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }

// A page of 20 lines of 20 two-PAW words, numbered right to left, with its
// lines file and transcription.
fs::path makePage()
{
    const fs::path dir = fs::temp_directory_path() / ("serve-bench-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "p1");
    const std::string head = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<TAVO xmlns=\"urn:tavo:groundtruth\" "
                             "version=\"1.0\">\r\n<DL_DOCUMENT src=\"page.tif\" docTag=\"xml\" NrOfPages=\"1\">\r\n"
                             "<DL_PAGE tavo_type=\"DL_PAGE\" src=\"page.tif\" pageID=\"1\" width=\"4960\" height=\"7016\">\r\n";
    const std::string tail = "\t\t</DL_PAGE>\r\n\t</DL_DOCUMENT>\r\n</TAVO>\r\n";
    const std::string word = "\xD8\xA8\xD9\x8A\xD8\xAA \xD8\xAF\xD8\xA7\xD8\xB1";  // two words' worth of letters
    std::string words = head, lines = head, text;
    int id = 0;
    for (int l = 0; l < kLines; ++l) {
        const int row = 300 + l * 320;
        lines += "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" col=\"200\" row=\"" + std::to_string(row) +
                 "\" width=\"4500\" height=\"260\" offsets=\"\" contents=\"x\" segmentation=\"word\"> </DL_ZONE>\r\n";
        for (int w = 0; w < kWordsPerLine; ++w) {
            const int col = 4500 - w * 220;
            ++id;
            std::string next;
            if (id < kLines * kWordsPerLine) {
                next = " nextZoneID=\"";
                next += std::to_string(id + 1);
                next += '"';
            }
            words += "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"" + std::to_string(id) +
                     "\" segmentation=\"word\" col=\"" + std::to_string(col) + "\" row=\"" + std::to_string(row + 20) +
                     "\" width=\"200\" height=\"200\" contents=\"" + word.substr(0, 6) + "\" offsets=\"100\" status=\"\"" + next +
                     " pawboxes=\"" + std::to_string(col + 105) + "," + std::to_string(row + 20) + ",95,200 " +
                     std::to_string(col) + "," + std::to_string(row + 30) + ",95,180\" confidence=\"0.80\"> </DL_ZONE>\r\n";
            text += word.substr(0, 6) + (w + 1 < kWordsPerLine ? " " : "\n");
        }
    }
    write(dir / "p1/words.xml", words + tail);
    write(dir / "p1/merged.xml", lines + tail);
    write(dir / "p1/page.txt", text);
    return dir;
}

// The server of the benchmark, its per-save lines drained so the pipe never
// fills, and its resident memory.
class Server : public tavotest::ServeProcess {
public:
    explicit Server(const fs::path& folder) : ServeProcess(TAVO_BINARY, folder) { drain(); }
    ~Server() { stop(); }
    double residentMB() const
    {
        std::ifstream status("/proc/" + std::to_string(pid()) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("VmRSS:", 0) == 0)
                return std::stod(line.substr(6)) / 1024.0;
        return 0;
    }
};

struct Session {
    fs::path dir = makePage();
    Server server{dir};
    httplib::Client client{"127.0.0.1", server.port};
    json zones;
    std::string version;
    Session()
    {
        const auto res = client.Get("/api/zones?page=p1");
        const json page = json::parse(res->body);
        zones = page["zones"];
        version = page["version"];
    }
    ~Session() { fs::remove_all(dir); }
    // One save with the first word's text changed; false when refused.
    bool save(int n)
    {
        std::string text = "w";
        text += std::to_string(n);
        zones[kLines]["text"] = text;
        zones[kLines]["checked"] = true;
        const auto res = client.Post("/api/save?page=p1", {{"X-Tavo-Token", server.token}},
                                     json{{"base", version}, {"zones", zones}}.dump(), "application/json");
        if (!res || res->status != 200)
            return false;
        version = json::parse(res->body)["version"];
        return true;
    }
};

void BM_SaveRoundTrip(benchmark::State& state)
{
    Session s;
    int n = 0;
    for (auto _ : state)
        if (!s.save(++n))
            state.SkipWithError("save refused");
}
BENCHMARK(BM_SaveRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(100);

void BM_LoadZones(benchmark::State& state)
{
    Session s;
    for (auto _ : state)
        benchmark::DoNotOptimize(s.client.Get("/api/zones?page=p1"));
}
BENCHMARK(BM_LoadZones)->Unit(benchmark::kMillisecond)->Iterations(100);

void BM_ThousandSaves(benchmark::State& state)
{
    for (auto _ : state) {
        Session s;
        std::map<int, double> resident;  // after the nth save
        int refused = 0;
        for (int n = 1; n <= 1000; ++n) {
            refused += s.save(n) ? 0 : 1;
            if (n == 10 || n == 100 || n == 250 || n == 500 || n == 750 || n == 1000)
                resident[n] = s.server.residentMB();
        }
        // Every save kept the file before it, complete.
        int kept = 0, complete = 0;
        for (const auto& e : fs::directory_iterator(s.dir / "p1/history")) {
            if (e.path().filename().string().rfind("words.", 0) != 0)
                continue;
            ++kept;
            const auto doc = tavo::loadZoneDocument(tavo::wideFromUtf8(e.path().string()));
            complete += doc && doc->zones.size() == size_t(kLines * kWordsPerLine) ? 1 : 0;
        }
        state.counters["refused"] = refused;
        state.counters["history_files"] = kept;
        state.counters["complete_files"] = complete;
        for (const auto& [n, mb] : resident)
            state.counters["rss_MB_after_" + std::to_string(n)] = mb;
    }
}
BENCHMARK(BM_ThousandSaves)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
