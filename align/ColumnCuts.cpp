// Column cuts of a line image: white column gaps found at a rising sequence
// of ink thresholds, cut in the left fifth of the widest ones.

#include "Paw.h"

#include "ZULImage.h"
#include "ZULImageConverter.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace tavo {

namespace {

constexpr int kInkBelow = 128;       // a grey value below this is ink
constexpr int kMinColumnInk = 5;     // columns with less ink count as white
constexpr int kThresholdAttempts = 20;
constexpr int kClusterPasses = 5;

struct Gap {
    int start;  // first white column
    int end;    // first column after the gap
};

// Dark pixels per column of an 8-bit image, one pass over its rows.
std::vector<int> darkColumnCounts(const ZULImage& grey)
{
    const int width = grey.zulGetWidth();
    const int height = grey.zulGetHeight();
    const int stride = grey.zulGetBytesPerRow();
    const unsigned char* data = grey.zulGetImageData();
    std::vector<int> counts(static_cast<size_t>(width), 0);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = data + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x)
            counts[static_cast<size_t>(x)] += row[x] < kInkBelow;
    }
    return counts;
}

// The column profile of a line image of any supported depth.
std::vector<int> columnProfile(const ZULImage& line)
{
    if (line.zulGetBitsPerPixel() == 8)
        return darkColumnCounts(line);
    ZULImage grey;
    if (line.zulGetBitsPerPixel() == 24) {
        ZULImageConverter::zulColor2Gray(grey, line);
    } else {
        ZULImage colour;
        ZULImageConverter::zulConvertImage(colour, line, 3);
        ZULImageConverter::zulColor2Gray(grey, colour);
    }
    return darkColumnCounts(grey);
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

int lowInkLevel(const std::vector<int>& profile)
{
    std::int64_t low = 255;
    std::int64_t high = 0;
    for (int v : profile) {
        low = std::min<std::int64_t>(low, v);
        high = std::max<std::int64_t>(high, v);
    }
    for (int pass = 0; pass < kClusterPasses; ++pass) {
        std::int64_t lowSum = 0, lowSize = 1, highSum = 0, highSize = 1;
        for (int v : profile) {
            if (std::abs(v - low) < std::abs(v - high)) {
                lowSum += v;
                ++lowSize;
            } else {
                highSum += v;
                ++highSize;
            }
        }
        low = lowSum / lowSize;
        high = highSum / highSize;
    }
    return static_cast<int>(low);
}

std::vector<int> findColumnCuts(const ZULImage& lineImage, int k)
{
    const int width = lineImage.zulGetWidth();
    if (lineImage.zulGetHeight() <= 0 || k <= 0 || k >= width)
        return {};
    std::vector<int> profile = columnProfile(lineImage);
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
