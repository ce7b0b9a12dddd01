// Cleaning the page for line detection, its row profile and the line bands.
#include <cstdint>

#include "page/InkClustering.h"
#include "textline/TextLines.h"
#include "ZULRunLabeller.h"

namespace tavo {

namespace {

constexpr int kLargestBlob = 70;     // components this wide or high are not text
constexpr int kBorderMargin = 80;    // ink this near the border is not text
constexpr int kMeanReach = 10;       // the row mean spans 10 rows either side

}  // namespace

PageInk cleanPageInk(const ZULImage& page)
{
    if (!page.zulHasImageData())
        return PageInk();
    const int width = page.zulGetWidth();
    const int height = page.zulGetHeight();

    // The components of the page binarised at 128, labelled from the page
    // itself (no grey or binary copy, no allocation per component), kept as
    // zulFilterSmaller(70, 70), zulFilterByColumns(80, width - 80) and
    // zulFilterByRows(80, height - 80) keep them.
    const ZULRunLabeller::Labelling labelled = ZULRunLabeller::zulLabelRuns(page);
    std::vector<int> kept;
    for (size_t i = 0; i < labelled.components.size(); ++i) {
        const ZULRunLabeller::Box& c = labelled.components[i];
        const bool small = c.right - c.left + 1 < kLargestBlob && c.bottom - c.top + 1 < kLargestBlob;
        const bool inside = c.left >= kBorderMargin && c.right <= width - kBorderMargin && c.top >= kBorderMargin &&
                            c.bottom <= height - kBorderMargin;
        if (small && inside)
            kept.push_back(static_cast<int>(i));
    }
    return PageInk::fromLabelling(width, height, labelled, kept);
}

// Rendering the kept components and copying them onto a white page of full
// size leaves exactly their runs black.
ZULImage cleanPageForLines(const ZULImage& page) { return cleanPageInk(page).render(); }

// A band opens where the mean of the 21 rows around a row (those inside the
// page) rises above the quiet level T and closes where it falls below T.
// On a page whose quiet rows hold no ink at all T is 0 and no mean can fall
// below it, so there a band closes where the mean falls back to 0.
std::vector<int> lineBands(std::span<const int> rowProfile)
{
    const int height = static_cast<int>(rowProfile.size());
    const int quiet = lowInkLevel(rowProfile);
    std::vector<std::int64_t> sums(rowProfile.size() + 1, 0);  // sums[y] = rows 0..y-1
    for (int y = 0; y < height; ++y)
        sums[static_cast<size_t>(y) + 1] = sums[static_cast<size_t>(y)] + rowProfile[static_cast<size_t>(y)];

    std::vector<int> bands;
    for (int y = 0; y < height; ++y) {
        const int first = y - kMeanReach < 0 ? 0 : y - kMeanReach;
        const int last = y + kMeanReach >= height ? height - 1 : y + kMeanReach;
        const std::int64_t mean =
            (sums[static_cast<size_t>(last) + 1] - sums[static_cast<size_t>(first)]) / (last - first + 1);
        const bool open = bands.size() % 2 == 1;
        if (!open && mean > quiet)
            bands.push_back(y);
        else if (open && (mean < quiet || (quiet == 0 && mean == 0)))
            bands.push_back(y);
    }
    if (bands.size() % 2 == 1)
        bands.pop_back();  // a band that never ends gives no line
    return bands;
}

}  // namespace tavo
