// -verify and -merge on generated pages of 50,000 and 100,000 word zones,
// listed in shuffled order so the chain check and the row sort do real work.
#include "transcript/Merge.h"
#include "transcript/Verify.h"
#include "util/Report.h"
#include "util/Strings.h"
#include "BenchPages.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

std::u16string writeFile(const tavobench::TempFolder& folder, const std::string& name, const std::string& text)
{
    std::ofstream(folder.file(name), std::ios::binary) << text;
    return folder.wide(name);
}

std::string word(long i)
{
    return "\xD9\x83\xD8\xAA\xD8\xA7\xD8\xA8" + std::to_string(i);  // an Arabic word and a number
}

std::vector<long> shuffledOrder(long n)
{
    std::vector<long> order(static_cast<size_t>(n));
    for (long i = 0; i < n; ++i)
        order[static_cast<size_t>(i)] = i + 1;
    std::shuffle(order.begin(), order.end(), std::mt19937(11));
    return order;
}

const std::string kHead = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<TAVO>\r\n"
                          "<DL_PAGE tavo_type=\"DL_PAGE\" width=\"5000\" height=\"90000\">\r\n";
const std::string kTail = "</DL_PAGE>\r\n</TAVO>\r\n";

void BM_Verify(benchmark::State& state)
{
    const long n = state.range(0);
    std::string page = kHead;
    std::string source;
    for (long i : shuffledOrder(n)) {
        page += "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"" + std::to_string(i) +
            "\" segmentation=\"word\" col=\"10\" row=\"" + std::to_string(i) +
            "\" width=\"40\" height=\"30\" contents=\"" + word(i) + "\" offsets=\"\"";
        if (i < n)
            page += " nextZoneID=\"" + std::to_string(i + 1) + "\"";
        page += " status=\"OK\"> </DL_ZONE>\r\n";
    }
    page += kTail;
    for (long i = 1; i <= n; ++i)
        source += word(i) + (i % 12 == 0 ? "\r\n" : " ");
    const tavobench::TempFolder folder("order-bench");
    const std::u16string xml = writeFile(folder, "words.xml", page);
    const std::u16string txt = writeFile(folder, "source.txt", source);
    for (auto _ : state) {
        tavo::Report report;
        tavo::runVerify(xml, txt, report);
        if (report.out() != "99999\n")
            state.SkipWithError("the generated page does not verify");
        benchmark::DoNotOptimize(report.out().data());
    }
    state.SetComplexityN(n);
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_Merge(benchmark::State& state)
{
    const long n = state.range(0);
    std::string page = kHead;
    std::string text;
    for (long i : shuffledOrder(n))
        page += "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" segmentation=\"word\" col=\"10\" "
                "row=\"" +
            std::to_string(i % 5000) +
            "\" width=\"400\" height=\"30\" contents=\"\" "
            "status=\"OK\"> </DL_ZONE>\r\n";
    page += kTail;
    for (long i = 1; i <= n; ++i)
        text += "  " + word(i) + " & " + word(i + 1) + "\r\n";
    const tavobench::TempFolder folder("order-bench");
    const std::u16string txt = writeFile(folder, "text.txt", text);
    const std::u16string in = writeFile(folder, "in.xml", page);
    const std::u16string out = writeFile(folder, "out.xml", "");
    for (auto _ : state) {
        tavo::Report report;
        tavo::runMerge(txt, in, out, report);
        if (!report.out().empty())
            state.SkipWithError("line counts differ");
    }
    state.SetComplexityN(n);
    state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK(BM_Verify)
    ->Arg(50000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_Merge)
    ->Arg(50000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
