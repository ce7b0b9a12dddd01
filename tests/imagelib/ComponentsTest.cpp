// The run labeller and the component list: run extraction, 8-connectivity,
// merge order, finishing order, filters and rendering.
#include "ZULException.h"
#include "ZULImage.h"
#include "ZULInk.h"
#include "ZULLWConnectedComponents.h"
#include "ZULRunLabeller.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// '#' is ink (0), anything else paper (255).
ZULImage picture(const std::vector<std::string>& rows)
{
    const int width = static_cast<int>(rows.front().size());
    ZULImage image(width, static_cast<int>(rows.size()), 8, true);
    for (int y = 0; y < image.zulGetHeight(); ++y)
        for (int x = 0; x < width; ++x)
            image.zulGetRow(y)[x] = rows[y][x] == '#' ? 0 : 255;
    return image;
}

ZULImage randomPage(int width, int height, double density, unsigned seed)
{
    std::mt19937 rng(seed);
    std::bernoulli_distribution ink(density);
    ZULImage image(width, height, 8, true);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.zulGetRow(y)[x] = ink(rng) ? 0 : 255;
    return image;
}

std::vector<ZULLWComponent> extract(const ZULImage& image)
{
    ZULLWConnectedComponents cc;
    EXPECT_TRUE(cc.zulExtractComponents(image));
    return cc.zulGetAllComponents();
}

using Pixel = std::pair<int, int>;  // (row, column)

// A component as the flood fill sees it: box, pixels, and its finishing key
// (the row where it ends, then the leftmost column it has in that row).
struct Reference {
    int top, bottom, left, right;
    std::vector<Pixel> pixels;
    std::pair<int, int> order;
};

std::vector<Reference> floodFill(const ZULImage& image)
{
    const int w = image.zulGetWidth();
    const int h = image.zulGetHeight();
    std::vector<char> seen(static_cast<size_t>(w) * h, 0);
    std::vector<Reference> found;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (image.zulGetRow(y)[x] != 0 || seen[y * w + x])
                continue;
            Reference r{y, y, x, x, {}, {}};
            std::vector<Pixel> stack{{y, x}};
            seen[y * w + x] = 1;
            while (!stack.empty()) {
                const auto [py, px] = stack.back();
                stack.pop_back();
                r.pixels.push_back({py, px});
                r.top = std::min(r.top, py);
                r.bottom = std::max(r.bottom, py);
                r.left = std::min(r.left, px);
                r.right = std::max(r.right, px);
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int ny = py + dy, nx = px + dx;
                        if (ny < 0 || ny >= h || nx < 0 || nx >= w || seen[ny * w + nx] ||
                            image.zulGetRow(ny)[nx] != 0)
                            continue;
                        seen[ny * w + nx] = 1;
                        stack.push_back({ny, nx});
                    }
            }
            std::sort(r.pixels.begin(), r.pixels.end());
            int leftmostInBottom = w;
            for (const auto& [py, px] : r.pixels)
                if (py == r.bottom)
                    leftmostInBottom = std::min(leftmostInBottom, px);
            r.order = {r.bottom, leftmostInBottom};
            found.push_back(std::move(r));
        }
    }
    std::sort(found.begin(), found.end(), [](const Reference& a, const Reference& b) { return a.order < b.order; });
    return found;
}

// Compares the labeller with the flood fill: same components in the same
// order, each run maximal and listed once.
void expectSameAsFloodFill(const ZULImage& image)
{
    const std::vector<ZULLWComponent> got = extract(image);
    const std::vector<Reference> want = floodFill(image);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        const ZULLWComponent& c = got[i];
        EXPECT_EQ(std::tie(c.top, c.bottom, c.left, c.right),
                  std::tie(want[i].top, want[i].bottom, want[i].left, want[i].right))
            << "component " << i;
        std::vector<Pixel> pixels;
        for (const ZULDataruns& run : c.runs) {
            ASSERT_LT(run.start, run.end);
            const unsigned char* row = image.zulGetRow(run.row);
            EXPECT_TRUE(run.start == 0 || row[run.start - 1] == 255) << "run not maximal on the left";
            EXPECT_TRUE(run.end == image.zulGetWidth() || row[run.end] == 255) << "run not maximal on the right";
            for (int x = run.start; x < run.end; ++x)
                pixels.push_back({run.row, x});
        }
        std::sort(pixels.begin(), pixels.end());
        EXPECT_EQ(pixels, want[i].pixels) << "component " << i;
    }
}

TEST(RunExtraction, PackedRowsGiveTheRunsOfTheGreyRow)
{
    std::mt19937 rng(7);
    for (int width = 1; width <= 200; ++width) {
        for (double density : {0.1, 0.5, 0.9}) {
            std::bernoulli_distribution ink(density);
            std::vector<unsigned char> gray(width);
            for (auto& v : gray)
                v = ink(rng) ? static_cast<unsigned char>(rng() % 128) : static_cast<unsigned char>(128 + rng() % 128);
            std::vector<std::uint64_t> packed(ZULInk::zulPackedWords(width));
            ZULInk::zulPackRow(gray.data(), 8, width, packed.data());
            std::vector<ZULRunLabeller::RowRun> runs;
            ZULRunLabeller::zulExtractRowRuns(packed.data(), width, runs);

            std::vector<std::pair<int, int>> want;
            for (int x = 0; x < width;) {
                if (gray[x] >= 128) {
                    ++x;
                    continue;
                }
                const int start = x;
                while (x < width && gray[x] < 128)
                    ++x;
                want.push_back({start, x});
            }
            std::vector<std::pair<int, int>> got;
            for (const auto& r : runs)
                got.push_back({r.start, r.end});
            EXPECT_EQ(got, want) << "width " << width << " density " << density;
        }
    }
}

TEST(RunExtraction, RunReachingTheRowEndIsClosedByWidth)
{
    for (int width : {8, 13, 16, 64, 65}) {
        std::string row(width, '.');
        row.back() = '#';
        const auto comps = extract(picture({row}));
        ASSERT_EQ(comps.size(), 1u) << width;
        ASSERT_EQ(comps[0].runs.size(), 1u);
        EXPECT_EQ(comps[0].runs[0].start, width - 1);
        EXPECT_EQ(comps[0].runs[0].end, width);
        EXPECT_EQ(comps[0].right, width - 1);
    }
    const auto full = extract(picture({std::string(24, '#')}));
    ASSERT_EQ(full.size(), 1u);
    EXPECT_EQ(full[0].runs[0].start, 0);
    EXPECT_EQ(full[0].runs[0].end, 24);
}

TEST(Labeller, CornerContactJoinsBothDiagonals)
{
    const auto down = extract(picture({"#..", ".#.", "..."}));
    ASSERT_EQ(down.size(), 1u);
    EXPECT_EQ(std::tie(down[0].top, down[0].bottom, down[0].left, down[0].right), std::make_tuple(0, 1, 0, 1));

    const auto up = extract(picture({"...#", "..#.", "...."}));
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].left, 2);
    EXPECT_EQ(up[0].right, 3);

    // A one-column gap keeps them apart.
    EXPECT_EQ(extract(picture({"#.#", "...", "#.#"})).size(), 4u);
    EXPECT_EQ(extract(picture({"#..", "..#"})).size(), 2u);
}

TEST(Labeller, GrowingComponentListsItsBottomRunFirst)
{
    const auto comps = extract(picture({".#..", "##..", "###."}));
    ASSERT_EQ(comps.size(), 1u);
    const auto& runs = comps[0].runs;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(std::tie(runs[0].row, runs[0].start, runs[0].end), std::make_tuple(2, 0, 3));
    EXPECT_EQ(std::tie(runs[2].row, runs[2].start, runs[2].end), std::make_tuple(0, 1, 2));
}

TEST(Labeller, UShapeMergesOnTheBottomRowWithTheAbsorbersRunsFirst)
{
    const auto comps = extract(picture({"#...#", "#...#", "#####", "....."}));
    ASSERT_EQ(comps.size(), 1u);
    const auto& c = comps[0];
    EXPECT_EQ(std::tie(c.top, c.bottom, c.left, c.right), std::make_tuple(0, 2, 0, 4));
    // The bottom run went to the left arm, which then absorbed the right arm.
    const std::vector<std::tuple<int, int, int>> want = {
        {2, 0, 5}, {1, 0, 1}, {0, 0, 1}, {1, 4, 5}, {0, 4, 5}};
    std::vector<std::tuple<int, int, int>> got;
    for (const auto& r : c.runs)
        got.push_back({r.row, r.start, r.end});
    EXPECT_EQ(got, want);
}

TEST(Labeller, AbsorberIsTheComponentOfTheCurrentRun)
{
    // A dot inside a cup: the last row's right run touches the dot first, so
    // the dot's component absorbs the cup, although the cup is older and
    // already has a run in that row.
    const auto comps = extract(picture({"#######", "#.....#", "#..#..#", "#..####"}));
    ASSERT_EQ(comps.size(), 1u);
    const std::vector<std::tuple<int, int, int>> want = {
        {3, 3, 7}, {2, 3, 4}, {3, 0, 1}, {2, 6, 7}, {2, 0, 1}, {1, 6, 7}, {1, 0, 1}, {0, 0, 7}};
    std::vector<std::tuple<int, int, int>> got;
    for (const auto& r : comps[0].runs)
        got.push_back({r.row, r.start, r.end});
    EXPECT_EQ(got, want);
}

TEST(Labeller, ComponentsAreFinishedByEndRowThenLeftToRight)
{
    const auto comps = extract(picture({"#.#.#", "#...#", "#...."}));
    ASSERT_EQ(comps.size(), 3u);
    EXPECT_EQ(comps[0].left, 2);  // ends in row 0
    EXPECT_EQ(comps[1].left, 4);  // ends in row 1
    EXPECT_EQ(comps[2].left, 0);  // ends in row 2, the last row
}

TEST(Labeller, AllWhitePageGivesNoComponents)
{
    ZULLWConnectedComponents cc;
    EXPECT_TRUE(cc.zulExtractComponents(ZULImage(37, 11, 8, true)));
    EXPECT_EQ(cc.zulGetComponentCount(), 0);
    EXPECT_TRUE(cc.zulSelection().empty());
}

TEST(Labeller, RefusesGreyOtherDepthsAndEmptyImagesWithoutChangingTheList)
{
    ZULLWConnectedComponents cc;
    ASSERT_TRUE(cc.zulExtractComponents(picture({"#.#"})));
    ASSERT_EQ(cc.zulGetComponentCount(), 2);
    cc.zulFilterByWidth(5, 5);

    ZULImage grey = picture({"#.#"});
    grey.zulGetRow(0)[1] = 128;
    EXPECT_FALSE(cc.zulExtractComponents(grey));
    EXPECT_FALSE(cc.zulExtractComponents(ZULImage(8, 2, 1, true)));
    EXPECT_FALSE(cc.zulExtractComponents(ZULImage(3, 2, 24, true)));
    EXPECT_FALSE(cc.zulExtractComponents(ZULImage(3, 2, 8)));
    EXPECT_EQ(cc.zulGetComponentCount(), 2);
    EXPECT_TRUE(cc.zulSelection().empty());
}

TEST(Labeller, SecondExtractionAppendsAndSelectsAll)
{
    ZULLWConnectedComponents cc;
    ASSERT_TRUE(cc.zulExtractComponents(picture({"#.#"})));
    ASSERT_TRUE(cc.zulExtractComponents(picture({"##.", "..."})));
    EXPECT_EQ(cc.zulGetComponentCount(), 3);
    EXPECT_EQ(cc.zulSelection(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(cc.zulGetAllComponents()[2].right, 1);
}

TEST(Labeller, MatchesFloodFillOnRandomPages)
{
    unsigned seed = 1;
    for (double density : {0.05, 0.3, 0.5, 0.7, 0.95}) {
        for (auto [w, h] : {std::pair{1, 40}, {40, 1}, {63, 17}, {64, 64}, {129, 50}}) {
            SCOPED_TRACE(testing::Message() << "density " << density << " size " << w << "x" << h);
            expectSameAsFloodFill(randomPage(w, h, density, seed++));
        }
    }
}

TEST(Labeller, RecyclesLabelsOverManyRowsOfMergingAndEndingStrokes)
{
    // Combs whose teeth merge at their base, dots that end at once, and
    // zigzags, repeated down a tall page: labels are freed by merges and by
    // finishing and taken again many times.
    const std::vector<std::string> block = {
        "#.#.#.#.#.#.#.#.#.#.#.#.#.#.#.#.",
        "#.#.#.#.#.#.#.#.#.#.#.#.#.#.#.#.",
        "################################",
        "................................",
        ".#...#...#...#...#...#...#...#..",
        "................................",
        "#...#...#...#...#...#...#...#...",
        ".#.#.#.#.#.#.#.#.#.#.#.#.#.#.#.#",
        "..#...#...#...#...#...#...#...#.",
        "................................",
    };
    std::vector<std::string> rows;
    for (int i = 0; i < 300; ++i)
        rows.insert(rows.end(), block.begin(), block.end());
    const ZULImage page = picture(rows);
    expectSameAsFloodFill(page);
    EXPECT_EQ(extract(page).size(), 300u * 10u);
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__has_feature)
#define TAVO_CAN_LIMIT_MEMORY 1
#elif defined(__has_feature)
#if !__has_feature(address_sanitizer)
#define TAVO_CAN_LIMIT_MEMORY 1
#endif
#endif

#ifdef TAVO_CAN_LIMIT_MEMORY
// Address space in use, from /proc/self/statm.
long addressSpaceBytes()
{
    long pages = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld", &pages) != 1)
            pages = 0;
        std::fclose(f);
    }
    return pages * sysconf(_SC_PAGESIZE);
}
#endif

TEST(Labeller, RunningOutOfMemoryRaisesAndLeavesTheListAlone)
{
#ifndef TAVO_CAN_LIMIT_MEMORY
    GTEST_SKIP() << "address-space limits do not work under the address sanitizer";
#else
    // In a child process whose address space cannot grow by the 2 MB that the
    // packed copy of this page needs.
    ZULImage page(4000, 4000, 8, true);
    page.zulGetRow(10)[10] = 0;
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const rlim_t limit = static_cast<rlim_t>(addressSpaceBytes() + (1 << 20));
        const rlimit cap{limit, limit};
        if (setrlimit(RLIMIT_AS, &cap) != 0)
            _exit(4);
        ZULLWConnectedComponents cc;
        try {
            cc.zulExtractComponents(page);
            _exit(1);
        } catch (const ZULException& e) {
            _exit(e.zulGetErrorCode() == 13 && cc.zulGetComponentCount() == 0 ? 0 : 2);
        } catch (...) {
            _exit(3);
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no failure, 2: wrong code or list changed, 3: other exception";
#endif
}

// Components 1 x 1, 3 x 3, 3 x 2 and 5 x 4 at known places.
ZULImage filterPage()
{
    return picture({
        "#..###.........",
        "...###...#####.",
        "...###...#####.",
        ".........#####.",
        "###......#####.",
        "###............",
    });
}

TEST(Filters, WidthHeightAndStrictSizeTests)
{
    ZULLWConnectedComponents cc;
    ASSERT_TRUE(cc.zulExtractComponents(filterPage()));
    ASSERT_EQ(cc.zulGetComponentCount(), 4);

    EXPECT_EQ(cc.zulFilterByWidth(3, 3), 2);
    for (const auto& c : cc.zulGetSelectedComponents())
        EXPECT_EQ(c.width(), 3);
    EXPECT_EQ(cc.zulFilterLarger(3, 3), 0);  // strictly larger drops exactly-3
    EXPECT_EQ(cc.zulFilterByWidth(0, 100), 0);  // an empty selection stays empty

    cc.zulSelectAll();
    EXPECT_EQ(cc.zulFilterLarger(2.5, 2.5), 2);
    EXPECT_EQ(cc.zulFilterByHeight(4, 4), 1);
    EXPECT_EQ(cc.zulGetSelectedComponents()[0].width(), 5);

    cc.zulSelectAll();
    EXPECT_EQ(cc.zulFilterSmaller(3, 3), 1);  // only the 1 x 1 dot
    EXPECT_EQ(cc.zulGetSelectedComponents()[0].left, 0);
    cc.zulSelectAll();
    EXPECT_EQ(cc.zulFilterSmaller(3.5, 3.5), 3);
}

TEST(Filters, RowsAndColumnsKeepComponentsInsideTheBand)
{
    ZULLWConnectedComponents cc;
    ASSERT_TRUE(cc.zulExtractComponents(filterPage()));
    EXPECT_EQ(cc.zulFilterByRows(0, 2), 2);  // the dot and the 3 x 3 block
    EXPECT_EQ(cc.zulFilterByColumns(3, 14), 1);
    EXPECT_EQ(cc.zulGetSelectedComponents()[0].left, 3);

    cc.zulSelectAll();
    EXPECT_EQ(cc.zulFilterByRows(1, 5), 2);  // the 5 x 4 block and the 3 x 2 one
    EXPECT_EQ(cc.zulFilterByColumns(0, 13), 2);
    EXPECT_EQ(cc.zulFilterByColumns(0, 12), 1);
    // The selection keeps list order.
    cc.zulSelectAll();
    cc.zulFilterByWidth(3, 5);
    const auto sel = cc.zulSelection();
    EXPECT_TRUE(std::is_sorted(sel.begin(), sel.end()));
}

TEST(Rendering, SelectedComponentsGoBackToPageCoordinates)
{
    ZULImage page(20, 12, 8, true);
    for (int y = 5; y <= 9; ++y)
        page.zulGetRow(y)[12 - std::abs(y - 7)] = 0;  // a zigzag over columns 10..12, rows 5..9
    page.zulGetRow(1)[1] = 0;
    ZULLWConnectedComponents cc;
    ASSERT_TRUE(cc.zulExtractComponents(page));
    ASSERT_EQ(cc.zulFilterByColumns(5, 19), 1);

    ZULImage out;
    cc.zulRenderComponents(out);
    ASSERT_EQ(out.zulGetWidth(), 13);
    ASSERT_EQ(out.zulGetHeight(), 10);
    ASSERT_EQ(out.zulGetBitsPerPixel(), 8);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 13; ++x)
            EXPECT_EQ(out.zulGetRow(y)[x], (y >= 5 && x == 12 - std::abs(y - 7)) ? 0 : 255) << x << "," << y;

    cc.zulFilterByWidth(100, 200);
    cc.zulRenderComponents(out);
    EXPECT_FALSE(out.zulHasImageData());
}

TEST(Rendering, ComponentImageIsItsBoxWithItsInk)
{
    const auto comps = extract(picture({"......", "..#...", "...##.", "..#..."}));
    ASSERT_EQ(comps.size(), 1u);
    ZULImage out;
    comps[0].zulComponentImage(out);
    const ZULImage want = picture({"#..", ".##", "#.."});
    ASSERT_EQ(out.zulGetWidth(), 3);
    ASSERT_EQ(out.zulGetHeight(), 3);
    EXPECT_TRUE(std::equal(out.zulGetImageData(), out.zulGetImageData() + 9, want.zulGetImageData()));
}

TEST(Rendering, RenderingAllComponentsRebuildsTheInk)
{
    const ZULImage page = randomPage(50, 30, 0.4, 99);
    ZULLWConnectedComponents cc;
    ASSERT_TRUE(cc.zulExtractComponents(page));
    ZULImage out;
    cc.zulRenderComponents(out);
    ASSERT_TRUE(out.zulHasImageData());
    for (int y = 0; y < out.zulGetHeight(); ++y)
        for (int x = 0; x < out.zulGetWidth(); ++x)
            ASSERT_EQ(out.zulGetRow(y)[x], page.zulGetRow(y)[x]) << x << "," << y;
}

}  // namespace
