// Whole-file edits on large inputs: -replace with 200 rules and -reverse on
// a text of 5 and 20 MB (the two sizes show that the time grows linearly),
// and -meta on a page file with 100,000 zones.  The inputs are generated
// once in a temporary folder; each run calls the command function.
#include "transcript/Meta.h"
#include "transcript/Replace.h"
#include "transcript/ReverseIndicShift.h"
#include "util/Report.h"
#include "util/TextFile.h"
#include "BenchPages.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::u16string path(const std::string& name)
{
    static const tavobench::TempFolder folder("edits-bench");
    return folder.wide(name);
}

// Arabic words of three to six letters, and a few Latin ones.
std::vector<std::u16string> vocabulary()
{
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> letter(0x0628, 0x064A);
    std::uniform_int_distribution<int> length(3, 6);
    std::vector<std::u16string> words;
    for (int i = 0; i < 2000; ++i) {
        std::u16string word(static_cast<size_t>(length(rng)), u' ');
        for (char16_t& c : word)
            c = static_cast<char16_t>(letter(rng));
        words.push_back(word);
    }
    for (const char16_t* latin : {u"page", u"12", u"line", u"A4", u"x"})
        words.push_back(latin);
    return words;
}

// A text of about `megabytes` MB of UTF-8, lines of about 80 characters.
std::u16string textFile(int megabytes)
{
    const std::u16string name = path("text" + std::to_string(megabytes) + ".txt");
    if (fs::exists(fs::path(name)))
        return name;
    const std::vector<std::u16string> words = vocabulary();
    std::mt19937 rng(5);
    std::uniform_int_distribution<size_t> pick(0, words.size() - 1);
    tavo::CTextFileWrite out(name, tavo::kUtf8);
    const size_t bytes = static_cast<size_t>(megabytes) << 20;
    size_t written = 0;
    while (written < bytes) {
        std::u16string line;
        while (line.size() < 80) {
            line += words[pick(rng)];
            line += u' ';
        }
        out.writeText(line);
        out.writeEndLine();
        written += line.size() * 2;  // most characters take two bytes
    }
    out.close();
    return name;
}

// 200 rules: words of the vocabulary to other words, some cascading.
std::u16string ruleList()
{
    const std::u16string name = path("rules.ini");
    if (fs::exists(fs::path(name)))
        return name;
    const std::vector<std::u16string> words = vocabulary();
    tavo::CTextFileWrite out(name, tavo::kUtf8);
    for (size_t k = 0; k < 200; ++k) {
        out.writeText(words[k * 7]);
        out.writeEndLine();
        out.writeText(words[k * 7 + 3].substr(0, 2));
        out.writeEndLine();
    }
    out.close();
    return name;
}

std::u16string pageFile(int zones)
{
    const std::u16string name = path("7-8-" + std::to_string(zones) + ".xml");
    if (fs::exists(fs::path(name)))
        return name;
    tavo::CTextFileWrite out(name, tavo::kUtf8);
    for (const char* line : {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                             "<TAVO xmlns=\"urn:tavo:groundtruth\" version=\"1.0\">",
                             "<DL_DOCUMENT src=\"C:\\p\\a.tif\" docTag=\"xml\" NrOfPages=\"1\">",
                             "<DL_PAGE tavo_type=\"DL_PAGE\" src=\"a.tif\" pageID=\"1\" "
                             "width=\"2000\" height=\"3000\">"}) {
        out.writeText(line);
        out.writeEndLine();
    }
    const std::u16string contents = u"\u0643\u062A\u0627\u0628 \u0627\u0644\u0642\u0644\u0645";
    for (int i = 0; i < zones; ++i) {
        out.writeText("<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" col=\"" +
                      std::to_string(i % 2000) + "\" row=\"" + std::to_string(i) +
                      "\" width=\"300\" height=\"40\" offsets=\"10,20\" contents=\"");
        out.writeText(contents);
        out.writeText("\" segmentation=\"word\" > </DL_ZONE>");
        out.writeEndLine();
    }
    out.writeText("\t\t</DL_PAGE>\r\n\t</DL_DOCUMENT>\r\n</TAVO>");
    out.close();
    return name;
}

// Times run(report) as the command name on input, counting input's bytes
// once per run.
template <class Run>
void timeEdit(benchmark::State& state, const char* name, const std::u16string& input, Run run)
{
    for (auto _ : state) {
        tavo::Report report(name);
        run(report);
        benchmark::DoNotOptimize(report.out());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(fs::file_size(fs::path(input))));
}

void BM_Replace200Rules(benchmark::State& state)
{
    const std::u16string input = textFile(static_cast<int>(state.range(0)));
    const std::u16string rules = ruleList();
    timeEdit(state, "-replace", input,
             [&](tavo::Report& report) { tavo::runReplace(input, path("replaced.txt"), rules, report); });
}
BENCHMARK(BM_Replace200Rules)->Arg(5)->Arg(20)->Unit(benchmark::kMillisecond);

void BM_Reverse(benchmark::State& state)
{
    const std::u16string input = textFile(static_cast<int>(state.range(0)));
    timeEdit(state, "-reverse", input,
             [&](tavo::Report& report) { tavo::runReverse(input, path("reversed.txt"), report); });
}
BENCHMARK(BM_Reverse)->Arg(5)->Arg(20)->Unit(benchmark::kMillisecond);

void BM_Meta(benchmark::State& state)
{
    const std::u16string input = pageFile(static_cast<int>(state.range(0)));
    timeEdit(state, "-meta", input, [&](tavo::Report& report) { tavo::runMeta(input, path("meta.xml"), report); });
}
BENCHMARK(BM_Meta)->Arg(25000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
