// -word and -segword on an A4 page at 300 dpi (2480 x 3508, 8-bit grey TIFF)
// with 25 text lines of 8 words of one to three PAWs each, against loading
// the page and making its colour working copy, which both commands do first.
// Each command should take at most twice as long as that.
//
// The -word input is the -paw output of the page, made once before timing.
#include "Paw.h"
#include "Report.h"
#include "Strings.h"
#include "Words.h"

#include "ZULImage.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int kPageWidth = 2480;
constexpr int kPageHeight = 3508;
constexpr int kLines = 25;
constexpr int kWordsPerLine = 8;
constexpr int kLineLeft = 240;
constexpr int kLineWidth = 2000;
constexpr int kLineHeight = 90;
constexpr int kLinePitch = 130;
constexpr int kFirstLineRow = 200;

// An Arabic word of 1, 2 or 3 PAWs: beh alef repeated (alef joins nothing
// after it, so every pair ends a PAW).
std::string arabicWord(int paws)
{
    std::string word;
    for (int i = 0; i < paws; ++i)
        word += "\xD8\xA8\xD8\xA7";
    return word;
}

class BenchPage {
public:
    BenchPage()
    {
        dir_ = fs::temp_directory_path() / ("tavo-word-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        writePageAndText();
        tavo::Report report("-paw");
        tavo::runPaw(page(), segIn(), pawOut(), report);
    }
    ~BenchPage() { fs::remove_all(dir_); }

    std::u16string page() const { return path("page.tif"); }
    std::u16string segIn() const { return path("lines.xml"); }
    std::u16string pawOut() const { return path("paw.xml"); }
    std::u16string out() const { return path("temp.xml"); }

private:
    std::u16string path(const char* name) const { return tavo::toWide((dir_ / name).string()); }

    // Words are laid out from the right of each line, as Arabic is read;
    // PAWs of one word are 6 to 12 columns apart, words 30 to 45.
    void writePageAndText() const
    {
        ZULImage page(kPageWidth, kPageHeight, 8, true);
        std::mt19937 random(7);
        std::uniform_int_distribution<int> pawCount(1, 3), pawWidth(40, 90), pawGap(6, 12),
            wordGap(30, 45), inkTop(5, 30);
        std::ofstream xml(dir_ / "lines.xml", std::ios::binary);
        xml << "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<TAVO>\r\n"
            << "<DL_PAGE tavo_type=\"DL_PAGE\" width=\"2480\" height=\"3508\">\r\n";
        for (int line = 0; line < kLines; ++line) {
            const int row = kFirstLineRow + line * kLinePitch;
            int right = kLineLeft + kLineWidth - 20;
            std::string contents;
            for (int w = 0; w < kWordsPerLine; ++w) {
                const int paws = pawCount(random);
                if (w > 0)
                    contents += ' ';
                contents += arabicWord(paws);
                for (int p = 0; p < paws; ++p) {
                    const int left = right - pawWidth(random);
                    for (int y = row + inkTop(random); y < row + kLineHeight - 10; ++y)
                        for (int x = left; x < right; ++x)
                            page.zulGetRow(y)[x] = (x + y) % 7 == 0 ? 255 : 20;
                    right = left - (p + 1 < paws ? pawGap(random) : wordGap(random));
                }
            }
            xml << "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"" << line + 1 << "\" col=\""
                << kLineLeft << "\" row=\"" << row << "\" width=\"" << kLineWidth << "\" height=\""
                << kLineHeight << "\" contents=\"" << contents << "\" status=\"OK\"> </DL_ZONE>\r\n";
        }
        xml << "</DL_PAGE>\r\n</TAVO>\r\n";
        if (!page.zulSaveImage((dir_ / "page.tif").string()))
            throw std::runtime_error("cannot write the benchmark page");
    }

    fs::path dir_;
};

const BenchPage& benchPage()
{
    static const BenchPage page;
    return page;
}

void BM_LoadWorkingPage(benchmark::State& state)
{
    const BenchPage& files = benchPage();
    for (auto _ : state) {
        tavo::Report report("-word");
        ZULImage page = tavo::loadWorkingPage(files.page(), report);
        benchmark::DoNotOptimize(page.zulGetImageData());
    }
}
BENCHMARK(BM_LoadWorkingPage)->Unit(benchmark::kMillisecond);

template <void (*command)(const std::u16string&, const std::u16string&, const std::u16string&,
                          tavo::Report&)>
void runCommand(benchmark::State& state, const std::u16string& in)
{
    const BenchPage& files = benchPage();
    for (auto _ : state) {
        tavo::Report report("word bench");
        command(files.page(), in, files.out(), report);
        if (report.hasUnchangedZones())
            state.SkipWithError("zones were left unchanged");
    }
}

void BM_Word(benchmark::State& state)
{
    runCommand<tavo::runWord>(state, benchPage().pawOut());
}
BENCHMARK(BM_Word)->Unit(benchmark::kMillisecond);

void BM_SegWord(benchmark::State& state)
{
    runCommand<tavo::runSegWord>(state, benchPage().segIn());
}
BENCHMARK(BM_SegWord)->Unit(benchmark::kMillisecond);

}  // namespace
