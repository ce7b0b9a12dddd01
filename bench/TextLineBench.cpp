// -textline on an A4 page at 300 dpi (2480 x 3508) with 25 handwriting-like
// lines, against loading the page alone, for the page as an 8-bit grey TIFF
// (argument 8) and as a 1-bit TIFF (argument 1).  The command should take at
// most three times as long as the load.
#include "PageDocument.h"
#include "Report.h"
#include "Strings.h"

#include "ZULImage.h"
#include "ZULImageConverter.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int kPageWidth = 2480;
constexpr int kPageHeight = 3508;
constexpr int kLines = 25;
constexpr int kLineLeft = 240;
constexpr int kLineRight = 2240;
constexpr int kLinePitch = 130;
constexpr int kFirstLineRow = 200;

void fill(ZULImage& page, int left, int top, int width, int height, unsigned char value)
{
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            page.zulGetRow(y)[x] = value;
}

class BenchPage {
public:
    BenchPage()
    {
        dir_ = fs::temp_directory_path() / ("tavo-textline-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        writePage();
    }
    ~BenchPage() { fs::remove_all(dir_); }

    std::string pagePath(int depth) const { return (dir_ / ("page" + std::to_string(depth) + ".tif")).string(); }
    std::u16string page(int depth) const { return tavo::wideFromUtf8(pagePath(depth)); }
    std::u16string out() const { return tavo::wideFromUtf8((dir_ / "out.xml").string()); }

private:
    // Each line: word pieces 15 to 90 columns wide and 20 to 80 rows high
    // (the wider and higher ones are removed as blobs, as long connected
    // strokes are), dots above and below, and a little scanner noise.
    void writePage() const
    {
        ZULImage page(kPageWidth, kPageHeight, 8, true);
        std::mt19937 random(11);
        std::uniform_int_distribution<int> pieceWidth(15, 90), pieceHeight(20, 80), gap(6, 40), shift(0, 20),
            grey(0, 90), dot(0, 2), noiseX(0, kPageWidth - 1), noiseY(0, kPageHeight - 1);
        for (int line = 0; line < kLines; ++line) {
            const int base = kFirstLineRow + line * kLinePitch + 90;
            for (int x = kLineLeft; x < kLineRight;) {
                const int width = pieceWidth(random);
                const int height = pieceHeight(random);
                fill(page, x, base - height + shift(random) / 4, width, height - 4, static_cast<unsigned char>(grey(random)));
                if (dot(random) == 0)
                    fill(page, x + width / 2, base - height - 18, 8, 8, 20);
                if (dot(random) == 1)
                    fill(page, x + width / 3, base + 12, 8, 8, 20);
                x += width + gap(random);
            }
        }
        for (int i = 0; i < 2000; ++i)
            fill(page, noiseX(random) % (kPageWidth - 2), noiseY(random) % (kPageHeight - 2), 2, 2, 60);
        ZULImage bits;
        ZULImageConverter::zulByte2Bit(bits, page, 128);
        if (!page.zulSaveImage(pagePath(8)) || !bits.zulSaveImage(pagePath(1)))
            throw std::runtime_error("cannot write the benchmark page");
    }

    fs::path dir_;
};

const BenchPage& benchPage()
{
    static const BenchPage page;
    return page;
}

void BM_LoadPage(benchmark::State& state)
{
    const BenchPage& files = benchPage();
    for (auto _ : state) {
        ZULImage page;
        if (!page.zulLoadImage(files.pagePath(static_cast<int>(state.range(0)))))
            state.SkipWithError("cannot load the page");
        benchmark::DoNotOptimize(page.zulGetImageData());
    }
}
BENCHMARK(BM_LoadPage)->Arg(8)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_TextLine(benchmark::State& state)
{
    const BenchPage& files = benchPage();
    for (auto _ : state) {
        tavo::Report report("-textline");
        tavo::writePageDocument(files.page(static_cast<int>(state.range(0))), files.out(), 0, report);
    }
}
BENCHMARK(BM_TextLine)->Arg(8)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
