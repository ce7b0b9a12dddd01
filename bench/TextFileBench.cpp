// Throughput of the ground-truth file foundations on a synthetic 50 MB
// ground-truth file with Arabic contents: reading line by line, writing
// line by line, and the finishing pass (read + rewrite).
#include "groundtruth/FinishingPass.h"
#include "util/Strings.h"
#include "util/TextFile.h"
#include "BenchPages.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr size_t kTargetBytes = 50u << 20;

std::u16string zoneLine(int n)
{
    static const std::u16string words[] = {u"\u0627\u0644\u0643\u062A\u0627\u0628", u"\u0641\u064A",
                                           u"\u0645\u062F\u0631\u0633\u0629", u"\u0648\u0642\u0627\u0644",
                                           u"\u0661\u0662\u0663"};
    std::u16string contents;
    for (int w = 0; w < 8; ++w) {
        if (w)
            contents += u' ';
        contents += words[(n + w * 3) % 5];
    }
    const std::u16string num = tavo::wideFromUtf8(std::to_string(n % 4000));
    return u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" segmentation=\"word\" col=\"" + num +
           u"\" row=\"" + num + u"\" width=\"1800\" height=\"120\" contents=\"" + contents +
           u"\" offsets=\"12,40,77,130,190,260,301\" woffsets=\"1,0,1,1,0,1\"> </DL_ZONE>";
}

// The folder with the generated file; removed when the program ends.
class Corpus {
public:
    static const Corpus& get()
    {
        static const Corpus corpus;
        return corpus;
    }
    std::u16string path(const char* name) const { return folder_.wide(name); }
    const std::vector<std::u16string>& lines() const { return lines_; }
    size_t bytes() const { return bytes_; }

private:
    Corpus()
    {
        for (int n = 0; bytes_ < kTargetBytes; ++n) {
            lines_.push_back(zoneLine(n));
            bytes_ += tavo::utf8FromWide(lines_.back()).size() + 2;
        }
        tavo::CTextFileWrite out(path("page.xml"), tavo::kUtf8);
        for (const auto& l : lines_) {
            out.writeText(l);
            out.writeEndLine();
        }
        out.close();
        bytes_ = std::filesystem::file_size(folder_.file("page.xml"));
    }

    tavobench::TempFolder folder_{"textfile-bench"};
    std::vector<std::u16string> lines_;
    size_t bytes_ = 0;
};

void BM_ReadLines(benchmark::State& state)
{
    const Corpus& corpus = Corpus::get();
    for (auto _ : state) {
        tavo::CTextFileRead in(corpus.path("page.xml"));
        std::u16string line;
        size_t units = 0;
        while (in.readLine(line))
            units += line.size();
        benchmark::DoNotOptimize(units);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.bytes()));
}

void BM_WriteLines(benchmark::State& state)
{
    const Corpus& corpus = Corpus::get();
    for (auto _ : state) {
        tavo::CTextFileWrite out(corpus.path("written.xml"), tavo::kUtf8);
        for (const auto& l : corpus.lines()) {
            out.writeText(l);
            out.writeEndLine();
        }
        out.close();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.bytes()));
}

// Bytes counted once: the pass reads and writes that many each.
void BM_FinishPass(benchmark::State& state)
{
    const Corpus& corpus = Corpus::get();
    for (auto _ : state)
        tavo::finishPass(corpus.path("page.xml"), corpus.path("out.xml"));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.bytes()));
}

}  // namespace

BENCHMARK(BM_ReadLines)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Repetitions(3);
BENCHMARK(BM_WriteLines)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Repetitions(3);
BENCHMARK(BM_FinishPass)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)->Repetitions(3);
