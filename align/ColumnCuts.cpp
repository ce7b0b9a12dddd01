// Column cuts of a line image: white column gaps found at a rising sequence
// of ink thresholds, cut in the left fifth of the widest ones.

#include "align/ColumnCuts.h"

#include "page/InkClustering.h"

#include "ZULException.h"
#include "ZULImage.h"
#include "ZULInk.h"

#include <algorithm>
#include <cstdint>
#include <span>

namespace tavo {

namespace {

constexpr int kMinColumnInk = 5;     // columns with less ink count as white
constexpr int kThresholdAttempts = 20;

struct Gap {
    int start;  // first white column
    int end;    // first column after the gap
};

// Dark pixels per column of the rectangle (left, top, width, height) of an
// image of any of the three depths, read in place in one pass over its rows
// (ZULInk: colour pixels are weighed without a grey copy, eight at a time).
std::vector<int> zoneInkProfile(const ZULImage& image, const ZoneBox& box)
{
    if (!image.zulHasImageData())
        throw ZULException(5, "<findColumnCuts()> Image Data is NULL!");
    const int bits = image.zulGetBitsPerPixel();
    if (bits != 1 && bits != 8 && bits != 24)
        throw ZULException(11, "<findColumnCuts()> only supports 1, 8, and 24 bits");
    std::vector<int> counts(static_cast<size_t>(box.width), 0);
    for (int y = box.row; y < box.row + box.height; ++y)
        ZULInk::zulAddInkColumns(image.zulGetRow(y), bits, box.col, box.width, counts.data());
    return counts;
}

// The maximal runs of columns with count <= d between the leftmost and the
// rightmost column with count > d; white margins are never gaps.
std::vector<Gap> whiteGaps(const std::vector<int>& profile, int d)
{
    std::vector<Gap> gaps;
    const int width = static_cast<int>(profile.size());
    int right = width - 1;
    while (right > 0 && profile[static_cast<size_t>(right)] <= d)
        --right;
    int left = 0;
    while (left < right && profile[static_cast<size_t>(left)] <= d)
        ++left;
    int x = left;
    while (x < right) {
        if (profile[static_cast<size_t>(x)] > d) {
            ++x;
            continue;
        }
        int start = x;
        while (x < width && profile[static_cast<size_t>(x)] <= d)
            ++x;
        gaps.push_back({start, x});
    }
    return gaps;
}

// Threshold of attempt a: 0, L, L-1, L+1, L-2, L+2, ..., L-9, L+9.
int attemptThreshold(int low, int a)
{
    if (a == 0)
        return 0;
    return a % 2 == 1 ? low + a / 2 : low - a / 2;
}

std::vector<int> evenSplit(int width, int k)
{
    std::vector<int> cuts;
    cuts.reserve(static_cast<size_t>(k));
    for (int i = 1; i <= k; ++i)
        cuts.push_back(static_cast<int>(std::int64_t{width} * i / (k + 1)));
    return cuts;
}

}  // namespace

// The two-means clustering is shared with text line detection, which lies
// below this library.
int lowInkLevel(const std::vector<int>& profile)
{
    return lowInkLevel(std::span<const int>(profile));
}

std::vector<int> findColumnCuts(const ZULImage& lineImage, int k)
{
    const ZoneBox whole{0, 0, lineImage.zulGetWidth(), lineImage.zulGetHeight()};
    return findZoneCuts(lineImage, whole, k);
}

std::vector<int> findZoneCuts(const ZULImage& page, const ZoneBox& box, int k)
{
    const int width = box.width;
    if (box.height <= 0 || k <= 0 || k >= width)
        return {};
    if (!zoneFitsPage(box, page.zulGetWidth(), page.zulGetHeight()))
        throw ZULException(7, "<findColumnCuts()> Out Of Bounds!! The zone must lie within the image");
    std::vector<int> profile = zoneInkProfile(page, box);
    for (int& count : profile)
        if (count < kMinColumnInk)
            count = 0;
    const int low = lowInkLevel(profile);

    std::vector<Gap> gaps;
    for (int a = 0; a < kThresholdAttempts; ++a) {
        gaps = whiteGaps(profile, attemptThreshold(low, a));
        if (gaps.size() >= static_cast<size_t>(k))
            break;
    }
    if (gaps.size() < static_cast<size_t>(k))
        return evenSplit(width, k);

    // Widest first; gaps of equal width keep their left-to-right order, so
    // the result does not depend on the sort implementation.
    std::stable_sort(gaps.begin(), gaps.end(), [](const Gap& a, const Gap& b) {
        return a.end - a.start > b.end - b.start;
    });
    std::vector<int> cuts;
    cuts.reserve(static_cast<size_t>(k));
    for (int i = 0; i < k; ++i)
        cuts.push_back(gaps[static_cast<size_t>(i)].start +
                       (gaps[static_cast<size_t>(i)].end - gaps[static_cast<size_t>(i)].start) / 5);
    return cuts;
}

}  // namespace tavo
