// libFuzzer target: findColumnCuts, findZoneCuts and inkBox on arbitrary
// small images, compared with a direct reading of the cut and box rules.
//
// Input: width - 1, height - 1 (low 6 bits), depth (0: 1-bit, 1: 8-bit,
// otherwise 24-bit), k as a signed 16-bit number (low byte first), the
// line's offset on its page (column: low 4 bits, row: low 3 bits; the high
// bits of the column byte widen the page to the right, and set bit 7 of the
// row byte puts the zone one column past the page), then the page pixels,
// repeated as often as needed.
#include "FuzzText.h"

#include "align/Paw.h"
#include "page/InkBox.h"

#include "ZULException.h"
#include "ZULImage.h"
#include "ZULImageConverter.h"

#include <algorithm>
#include <cstdlib>

using fuzztext::check;

namespace {

constexpr int kInkBelow = 128;
constexpr int kMinColumnInk = 5;

// Grey value of one pixel: a set bit is white, colour weighs 299/587/114.
int greyAt(const ZULImage& image, int x, int y)
{
    const unsigned char* row = image.zulGetRow(y);
    switch (image.zulGetBitsPerPixel()) {
    case 1:
        return (row[x >> 3] & (0x80 >> (x & 7))) != 0 ? 255 : 0;
    case 8:
        return row[x];
    default:
        return (299 * row[3 * x] + 587 * row[3 * x + 1] + 114 * row[3 * x + 2]) / 1000;
    }
}

// Two-means clustering with cluster sizes starting at 1, five passes.
int referenceLowInk(const std::vector<int>& profile)
{
    int low = 255;
    int high = 0;
    for (int v : profile) {
        low = std::min(low, v);
        high = std::max(high, v);
    }
    for (int pass = 0; pass < 5; ++pass) {
        long lowSum = 0, highSum = 0, lowSize = 1, highSize = 1;
        for (int v : profile) {
            if (std::abs(v - low) < std::abs(v - high)) {
                lowSum += v;
                ++lowSize;
            } else {
                highSum += v;
                ++highSize;
            }
        }
        low = static_cast<int>(lowSum / lowSize);
        high = static_cast<int>(highSum / highSize);
    }
    return low;
}

struct Gap {
    int start;
    int end;
};

std::vector<Gap> referenceGaps(const std::vector<int>& profile, int d)
{
    const int width = static_cast<int>(profile.size());
    int right = 0;
    for (int x = width - 1; x >= 0; --x) {
        if (profile[x] > d) {
            right = x;
            break;
        }
    }
    std::vector<Gap> gaps;
    int left = -1;
    for (int x = 0; x < right; ++x) {
        if (profile[x] > d) {
            left = x;
            break;
        }
    }
    if (left < 0)
        return gaps;
    for (int x = left; x < right;) {
        if (profile[x] > d) {
            ++x;
            continue;
        }
        const int start = x;
        while (x < width && profile[x] <= d)
            ++x;
        gaps.push_back({start, x});
    }
    return gaps;
}

std::vector<int> referenceCuts(const ZULImage& line, int k)
{
    const int width = line.zulGetWidth();
    if (line.zulGetHeight() <= 0 || k <= 0 || k >= width)
        return {};
    std::vector<int> profile(width, 0);
    for (int y = 0; y < line.zulGetHeight(); ++y) {
        for (int x = 0; x < width; ++x)
            profile[x] += greyAt(line, x, y) < kInkBelow;
    }
    for (int& count : profile)
        count = count < kMinColumnInk ? 0 : count;
    const int low = referenceLowInk(profile);
    std::vector<Gap> gaps;
    for (int a = 0; a < 20 && gaps.size() < static_cast<size_t>(k); ++a)
        gaps = referenceGaps(profile, a == 0 ? 0 : a % 2 ? low + a / 2 : low - a / 2);
    std::vector<int> cuts;
    if (gaps.size() < static_cast<size_t>(k)) {
        for (int i = 1; i <= k; ++i)
            cuts.push_back(static_cast<int>(static_cast<long>(width) * i / (k + 1)));
        return cuts;
    }
    std::stable_sort(gaps.begin(), gaps.end(),
                     [](const Gap& a, const Gap& b) { return a.end - a.start > b.end - b.start; });
    for (int i = 0; i < k; ++i)
        cuts.push_back(gaps[i].start + (gaps[i].end - gaps[i].start) / 5);
    return cuts;
}

// The box of the columns and rows whose dark count differs from the least.
ZULRectShape referenceInkBox(const ZULImage& grey)
{
    const int width = grey.zulGetWidth();
    const int height = grey.zulGetHeight();
    std::vector<int> columns(width, 0), rows(height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool dark = grey.zulGetRow(y)[x] < kInkBelow;
            columns[x] += dark;
            rows[y] += dark;
        }
    }
    const auto span = [](const std::vector<int>& counts) {
        const int least = *std::min_element(counts.begin(), counts.end());
        int first = 0, last = static_cast<int>(counts.size()) - 1;
        while (first <= last && counts[first] == least)
            ++first;
        while (last >= first && counts[last] == least)
            --last;
        return std::pair<int, int>(first, last);
    };
    const auto [left, right] = span(columns);
    const auto [top, bottom] = span(rows);
    if (left > right || top > bottom)
        return ZULRectShape(0, 0, width, height);
    return ZULRectShape(left, top, right - left + 1, bottom - top + 1);
}

std::vector<int> sorted(std::vector<int> values)
{
    std::sort(values.begin(), values.end());
    return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr size_t kHeader = 7;
    if (size < kHeader)
        return 0;
    const int width = data[0] + 1;
    const int height = (data[1] & 63) + 1;
    const int bits = data[2] == 0 ? 1 : data[2] == 1 ? 8 : 24;
    const int k = static_cast<std::int16_t>(data[3] | data[4] << 8);
    const int col = data[5] & 15;
    const int row = data[6] & 7;
    const bool pastEdge = (data[6] & 0x80) != 0;

    ZULImage page(col + width + (data[5] >> 4), row + height + 1, bits, true);
    if (size > kHeader) {
        unsigned char* pixels = page.zulGetImageData();
        for (size_t i = 0; i < page.zulGetImageDataSize(); ++i)
            pixels[i] = data[kHeader + i % (size - kHeader)];
    }
    ZULImage line;
    page.zulSubImage(line, col, row, width, height);

    const std::vector<int> cuts = tavo::findColumnCuts(line, k);
    if (k <= 0 || k >= width) {
        check(cuts.empty());
    } else {
        check(cuts.size() == static_cast<size_t>(k));
        for (int x : cuts)
            check(x >= 0 && x < width);
    }
    check(sorted(cuts) == sorted(referenceCuts(line, k)));

    // The same zone read in place on its page gives the same cuts; a zone
    // reaching past the page is refused.
    const tavo::ZoneBox box{pastEdge ? page.zulGetWidth() - width + 1 : col, row, width, height};
    try {
        const std::vector<int> inPlace = tavo::findZoneCuts(page, box, k);
        check(!pastEdge || cuts.empty());
        if (!pastEdge)
            check(inPlace == cuts);
    } catch (const ZULException&) {
        check(pastEdge && !cuts.empty());
    }

    ZULImage grey;
    if (bits == 24)
        ZULImageConverter::zulColor2Gray(grey, line);
    else if (bits == 1)
        ZULImageConverter::zulBit2Byte(grey, line);
    else
        grey = line;
    const ZULRectShape ink = tavo::inkBox(grey);
    const ZULRectShape want = referenceInkBox(grey);
    check(ink.x == want.x && ink.y == want.y && ink.width == want.width && ink.height == want.height);
    check(ink.x >= 0 && ink.y >= 0 && ink.width >= 1 && ink.height >= 1);
    check(ink.x + ink.width <= width && ink.y + ink.height <= height);
    return 0;
}
