#include "ZULNiblackBinarization.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <vector>

#include "ZULEdgeMap.h"
#include "ZULException.h"
#include "ZULImage.h"
#include "ZULImageConverter.h"
#include "ZULInk.h"
#include "ZULLWConnectedComponents.h"
#include "ZULLocalThreshold.h"

namespace {

constexpr const char* kSource = "..\\src\\ZULNiblackBinarization";
constexpr int kLineNoData = 20;
constexpr int kLargestSide = 800;

int sizeCategory(int width, int height)
{
    if (width < 500 || height < 500)
        return 1;
    if (width < 1500 || height < 1500)
        return 2;
    return 3;
}

}  // namespace

std::int64_t ZULNiblackBinarization::edgeStrength(const ZULLWComponent& component, const ZULImage& binary,
                                                  const std::int16_t* gradient, std::int64_t whenEmpty)
{
    const int width = binary.zulGetWidth();
    const int height = binary.zulGetHeight();
    std::int64_t sum = 0;
    std::int64_t count = 0;
    const std::size_t last = component.runs.size() - 1;
    for (std::size_t i = 0; i < component.runs.size(); ++i) {
        const ZULDataruns& run = component.runs[i];
        const std::int16_t* g = gradient + static_cast<std::size_t>(run.row) * static_cast<std::size_t>(width);
        if (i == 0 || i == last) {  // the whole run
            for (int x = run.start; x < run.end; ++x)
                sum += g[x];
            count += run.end - run.start;
            continue;
        }
        // A pixel on the edge has paper beside, above or below it (none off the page).
        const unsigned char* row = binary.zulGetRow(run.row);
        const unsigned char* above = run.row > 0 ? binary.zulGetRow(run.row - 1) : nullptr;
        const unsigned char* below = run.row + 1 < height ? binary.zulGetRow(run.row + 1) : nullptr;
        for (int x = run.start; x < run.end; ++x) {
            if ((x > 0 && row[x - 1] == 255) || (x + 1 < width && row[x + 1] == 255) || (above && above[x] == 255) ||
                (below && below[x] == 255)) {
                sum += g[x];
                ++count;
            }
        }
    }
    return count == 0 ? whenEmpty : sum / count;
}

ZULRunLabeller::Labelling ZULNiblackBinarization::zulInkComponents(const ZULImage& src)
{
    if (!src.zulHasImageData() || src.zulGetBitsPerPixel() != 8 || src.zulGetBinaryState() == 1) {
        ZULImage binary;
        return ZULRunLabeller::zulLabelRuns(zulBinarizeImage(binary, src));
    }
    const int width = src.zulGetWidth();
    const int height = src.zulGetHeight();
    const auto rowWords = static_cast<std::size_t>(ZULInk::zulPackedWords(width));
    // Every word is written by zulPackRow, so the map starts uncleared.
    const std::unique_ptr<std::uint64_t[]> packed(new std::uint64_t[rowWords * static_cast<std::size_t>(height)]);
    zulLocalThresholdRows(src, windowWidth, windowHeight, k, minStdDev, [&](int y, const unsigned char* row) {
        ZULInk::zulPackRow(row, 8, width, packed.get() + static_cast<std::size_t>(y) * rowWords);
    });
    // Every byte is written by zulBoxMean3x3Into.
    const std::unique_ptr<unsigned char[]> mean(
        new unsigned char[static_cast<std::size_t>(width) * static_cast<std::size_t>(height)]);
    zulBoxMean3x3Into(src, mean.get());

    // edgeStrength on the packed map with the gradient taken where it is
    // read.  A run's pixels have ink beside them but at its ends (the run
    // starts and ends at paper or the page's edge), so a pixel is on the edge
    // when it is the run's first (not in column 0) or last (not in the last
    // column), or when the row above or below (none off the page) has paper
    // over or under it: those rows' words say which, 64 pixels at a time.
    const std::vector<std::uint64_t> allInk(rowWords, ~std::uint64_t{0});  // the rows off the page
    const std::uint64_t* noRow = allInk.data();
    auto strength = [&](const ZULRunLabeller::Box& c, const ZULRunLabeller::Run* runs) {
        std::int64_t sum = 0;
        std::int64_t count = 0;
        const std::int32_t last = c.runCount - 1;
        for (std::int32_t i = 0; i <= last; ++i) {
            const ZULRunLabeller::Run& run = runs[i];
            if (i == 0 || i == last) {  // the whole run
                for (int x = run.start; x < run.end; ++x)
                    sum += zulGradientAt(mean.get(), width, height, x, run.row);
                count += run.end - run.start;
                continue;
            }
            const std::uint64_t* above =
                run.row > 0 ? packed.get() + static_cast<std::size_t>(run.row - 1) * rowWords : noRow;
            const std::uint64_t* below =
                run.row + 1 < height ? packed.get() + static_cast<std::size_t>(run.row + 1) * rowWords : noRow;
            for (int j = run.start >> 6; j <= (run.end - 1) >> 6; ++j) {
                const int from = std::max(run.start, 64 * j) - 64 * j;  // the run's bits in word j
                const int to = std::min(run.end, 64 * j + 64) - 64 * j;
                const std::uint64_t inRun = (to == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << to) - 1) &
                                            ~((std::uint64_t{1} << from) - 1);
                std::uint64_t edge = ~(above[j] & below[j]) & inRun;
                if (run.start > 0 && run.start >> 6 == j)
                    edge |= std::uint64_t{1} << from;
                if (run.end < width && (run.end - 1) >> 6 == j)
                    edge |= std::uint64_t{1} << (to - 1);
                for (; edge != 0; edge &= edge - 1) {
                    sum += zulGradientAt(mean.get(), width, height, 64 * j + std::countr_zero(edge), run.row);
                    ++count;
                }
            }
        }
        return count == 0 ? minEdgeStrength + std::int64_t{1} : sum / count;
    };
    const int c = sizeCategory(width, height);
    // zulFilterByWidth, zulFilterByHeight and zulFilterLarger together, then
    // the edge check.
    return ZULRunLabeller::zulLabelPacked(
        packed.get(), width, height, [&](const ZULRunLabeller::Box& box, const ZULRunLabeller::Run* runs) {
            const int w = box.right - box.left + 1;
            const int h = box.bottom - box.top + 1;
            return w > c && w <= kLargestSide && h > c && h <= kLargestSide && strength(box, runs) >= minEdgeStrength;
        });
}

ZULImage& ZULNiblackBinarization::zulBinarizeImage(ZULImage& out, const ZULImage& src)
{
    if (!src.zulHasImageData())
        throw ZULException(5, "<ZULNiblackBinarization::zulBinarizeImage()> Image Data is NULL!", kSource,
                           kLineNoData);
    // The grey working page: the source itself when it is 8-bit.
    ZULImage converted;
    const ZULImage* page = &src;
    if (src.zulGetBitsPerPixel() == 1)
        page = &ZULImageConverter::zulBit2Byte(converted, src);
    else if (src.zulGetBitsPerPixel() == 24)
        page = &ZULImageConverter::zulColor2Gray(converted, src);
    const ZULImage& gray = *page;
    if (src.zulGetBitsPerPixel() == 1 || src.zulGetBinaryState() == 1) {
        ZULImage copy = gray;
        copy.zulSetBinaryState(1);
        out = std::move(copy);
        return out;
    }

    ZULImage binary = zulLocalThreshold(gray, windowWidth, windowHeight, k, minStdDev);
    const std::vector<std::int16_t> gradient = zulGradientMap(zulBoxMean3x3(gray));

    ZULLWConnectedComponents components;
    components.zulExtractComponents(binary);
    const int c = sizeCategory(gray.zulGetWidth(), gray.zulGetHeight());
    components.zulFilterByWidth(c, kLargestSide);
    components.zulFilterByHeight(c, kLargestSide);
    components.zulFilterLarger(c, c);

    ZULImage canvas(gray.zulGetWidth(), gray.zulGetHeight(), 8, true);
    for (int index : components.zulSelection()) {
        const ZULLWComponent& component = components.zulComponents()[static_cast<std::size_t>(index)];
        if (edgeStrength(component, binary, gradient.data(), minEdgeStrength + std::int64_t{1}) < minEdgeStrength)
            continue;
        for (const ZULDataruns& run : component.runs)
            std::memset(canvas.zulGetRow(run.row) + run.start, 0, static_cast<std::size_t>(run.length()));
    }
    canvas.zulSetResolution(src.zulGetXResolution(), src.zulGetYResolution(), src.zulGetResolutionInInches());
    canvas.zulSetBinaryState(1);
    out = std::move(canvas);
    return out;
}
