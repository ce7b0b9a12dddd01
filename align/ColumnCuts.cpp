// Column cuts of a line image: white column gaps found at a rising sequence
// of ink thresholds, cut in the left fifth of the widest ones.

#include "Paw.h"

#include "InkClustering.h"

#include "ZULException.h"
#include "ZULImage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

namespace tavo {

namespace {

constexpr int kInkBelow = 128;       // a grey value below this is ink
constexpr int kMinColumnInk = 5;     // columns with less ink count as white
constexpr int kThresholdAttempts = 20;

struct Gap {
    int start;  // first white column
    int end;    // first column after the gap
};

// grey = (299 r + 587 g + 114 b) / 1000 < 128 exactly when the weighted sum
// is below 128 x 1000: no division and no grey copy per pixel.
constexpr int kInkWeightedBelow = kInkBelow * 1000;

bool isInk(const unsigned char* pixel)
{
    return 299 * pixel[0] + 587 * pixel[1] + 114 * pixel[2] < kInkWeightedBelow;
}

// Eight pixels (24 bytes) at a time: when every byte has its high bit set
// no pixel can be ink (each channel is at least 128, and so is the grey
// value); when no byte has it every pixel is ink.  Only mixed groups, the
// edges of strokes and coloured marks, are weighed pixel by pixel.
void addColourRow(const unsigned char* row, int width, std::vector<int>& counts)
{
    constexpr int kGroup = 8;
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    int* count = counts.data();
    int x = 0;
    for (; x + kGroup <= width; x += kGroup) {
        std::uint64_t words[3];
        __builtin_prefetch(row + 3 * x + 768);
        std::memcpy(words, row + 3 * x, sizeof words);
        if ((words[0] & words[1] & words[2] & kHighBits) == kHighBits)
            continue;
        if (((words[0] | words[1] | words[2]) & kHighBits) == 0) {
            for (int i = x; i < x + kGroup; ++i)
                ++count[i];
            continue;
        }
        for (int i = x; i < x + kGroup; ++i)
            count[i] += isInk(row + 3 * i);
    }
    for (; x < width; ++x)
        count[x] += isInk(row + 3 * x);
}

void addGreyRow(const unsigned char* row, int width, std::vector<int>& counts)
{
    for (int x = 0; x < width; ++x)
        counts[static_cast<size_t>(x)] += row[x] < kInkBelow;
}

// A clear bit is black (grey 0), a set bit white.
void addBitRow(const unsigned char* row, int left, int width, std::vector<int>& counts)
{
    for (int x = 0; x < width; ++x) {
        const int bit = left + x;
        counts[static_cast<size_t>(x)] += (row[bit >> 3] & (0x80 >> (bit & 7))) == 0;
    }
}

// Dark pixels per column of the rectangle (left, top, width, height) of an
// image of any of the three depths, read in place in one pass over its rows.
std::vector<int> columnProfile(const ZULImage& image, const ZoneBox& box)
{
    if (!image.zulHasImageData())
        throw ZULException(5, "<findColumnCuts()> Image Data is NULL!");
    const int bits = image.zulGetBitsPerPixel();
    if (bits != 1 && bits != 8 && bits != 24)
        throw ZULException(11, "<findColumnCuts()> only supports 1, 8, and 24 bits");
    std::vector<int> counts(static_cast<size_t>(box.width), 0);
    for (int y = box.row; y < box.row + box.height; ++y) {
        const unsigned char* row = image.zulGetRow(y);
        if (bits == 24)
            addColourRow(row + static_cast<std::ptrdiff_t>(box.col) * 3, box.width, counts);
        else if (bits == 8)
            addGreyRow(row + box.col, box.width, counts);
        else
            addBitRow(row, box.col, box.width, counts);
    }
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
    std::vector<int> profile = columnProfile(page, box);
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
