// PAGE XML and ALTO export of a 10,000-word-zone file (500 lines of 20
// words, chained by nextZoneID), reading included; and -import of the PAGE
// file it makes.  The page image is not loaded: its size is given.
#include "BenchPages.h"
#include "interchange/Interchange.h"
#include "util/Report.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

namespace {

constexpr int kLines = 500;
constexpr int kWordsPerLine = 20;
constexpr int kWidth = 5000;
constexpr int kHeight = 40 * kLines + 100;

void writeWords(const tavobench::TempFolder& folder)
{
    std::ofstream out(folder.file("words.xml"), std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<TAVO>\r\n<DL_PAGE tavo_type=\"DL_PAGE\" width=\""
        << kWidth << "\" height=\"" << kHeight << "\">\r\n";
    int id = 1;
    for (int l = 0; l < kLines; ++l)
        for (int w = 0; w < kWordsPerLine; ++w, ++id) {
            out << "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"" << id << "\" segmentation=\"word\" col=\""
                << kWidth - 240 * (w + 1) << "\" row=\"" << 40 * l + 10 << "\" width=\"200\" height=\"30\" "
                << "contents=\"\xD9\x83\xD8\xAA\xD8\xA7\xD8\xA8\" offsets=\"\"";
            if (id < kLines * kWordsPerLine)
                out << " nextZoneID=\"" << id + 1 << "\"";
            out << " confidence=\"0.87\"> </DL_ZONE>\r\n";
        }
    out << "</DL_PAGE>\r\n</TAVO>\r\n";
}

void BM_Export(benchmark::State& state)
{
    const bool alto = state.range(0) == 1;
    const tavobench::TempFolder folder("interchange", writeWords);
    for (auto _ : state) {
        tavo::Report report;
        const tavo::GtPage page = tavo::readGtPage(folder.wide("words.xml"), "page.tif", kWidth, kHeight, report);
        const std::string xml = alto ? tavo::altoXml(page, false) : tavo::pageXml(page, {});
        tavo::writeUtf8File(folder.wide("out.xml"), xml);
        benchmark::DoNotOptimize(xml.data());
    }
    state.SetLabel(alto ? "ALTO 4.4" : "PAGE 2019");
}
BENCHMARK(BM_Export)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Import(benchmark::State& state)
{
    const tavobench::TempFolder folder("interchange", writeWords);
    tavo::Report report;
    const tavo::GtPage page = tavo::readGtPage(folder.wide("words.xml"), "page.tif", kWidth, kHeight, report);
    tavo::writeUtf8File(folder.wide("page.xml"), tavo::pageXml(page, {}));
    for (auto _ : state) {
        tavo::Report run;
        tavo::runImport(folder.wide("page.xml"), folder.wide("back.xml"), run);
    }
}
BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond);

}  // namespace
