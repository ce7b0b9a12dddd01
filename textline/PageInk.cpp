#include "textline/PageInk.h"

#include <algorithm>
#include <cstring>

namespace tavo {

namespace {
constexpr unsigned char kInkBelow = 128;
}

PageInk PageInk::fromLabelling(int width, int height, const ZULRunLabeller::Labelling& labelled,
                              std::span<const int> chosen)
{
    PageInk ink;
    ink.width_ = width;
    ink.height_ = height;
    const auto runsOf = [&labelled](int index) {
        const ZULRunLabeller::Box& box = labelled.components[static_cast<size_t>(index)];
        return std::span(labelled.runs).subspan(static_cast<size_t>(box.firstRun), static_cast<size_t>(box.runCount));
    };
    // Counting sort of the runs by row: count, accumulate, place.
    ink.rowStart_.assign(static_cast<size_t>(height) + 1, 0);
    for (const int index : chosen)
        for (const ZULRunLabeller::Run& run : runsOf(index))
            ++ink.rowStart_[static_cast<size_t>(run.row) + 1];
    for (size_t y = 0; y < static_cast<size_t>(height); ++y)
        ink.rowStart_[y + 1] += ink.rowStart_[y];
    ink.runs_.resize(ink.rowStart_.back());
    std::vector<size_t> next(ink.rowStart_.begin(), ink.rowStart_.end() - 1);
    for (const int index : chosen)
        for (const ZULRunLabeller::Run& run : runsOf(index))
            ink.runs_[next[static_cast<size_t>(run.row)]++] = {run.start, run.end};
    return ink;
}

PageInk PageInk::fromImage(const ZULImage& page)
{
    PageInk ink;
    if (!page.zulHasImageData() || page.zulGetBitsPerPixel() != 8)
        return ink;
    ink.width_ = page.zulGetWidth();
    ink.height_ = page.zulGetHeight();
    ink.rowStart_.reserve(static_cast<size_t>(ink.height_) + 1);
    for (int y = 0; y < ink.height_; ++y) {
        const unsigned char* row = page.zulGetRow(y);
        for (int x = 0; x < ink.width_;) {
            if (row[x] >= kInkBelow) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < ink.width_ && row[x] < kInkBelow)
                ++x;
            ink.runs_.push_back({start, x});
        }
        ink.rowStart_.push_back(ink.runs_.size());
    }
    return ink;
}

std::vector<int> PageInk::rowProfile() const
{
    std::vector<int> profile(static_cast<size_t>(height_), 0);
    for (int y = 0; y < height_; ++y)
        for (const Run& run : row(y))
            profile[static_cast<size_t>(y)] += run.end - run.start;
    return profile;
}

std::vector<int> PageInk::columnProfile(int top, int bottom) const
{
    // Each run adds one at its start and takes it back at its end; the
    // running sum is the column's count.
    std::vector<int> profile(static_cast<size_t>(width_) + 1, 0);
    for (int y = std::max(top, 0); y < std::min(bottom, height_); ++y) {
        for (const Run& run : row(y)) {
            ++profile[static_cast<size_t>(run.start)];
            --profile[static_cast<size_t>(run.end)];
        }
    }
    int count = 0;
    for (int& v : profile) {
        count += v;
        v = count;
    }
    profile.pop_back();
    return profile;
}

int PageInk::inkInRow(int y, int first, int last) const
{
    if (y < 0 || y >= height_)
        return 0;
    int ink = 0;
    for (const Run& run : row(y))
        ink += std::max(0, std::min(run.end, last + 1) - std::max(run.start, first));
    return ink;
}

ZULImage PageInk::render() const
{
    ZULImage page(width_, height_, 8, true);
    if (!page.zulHasImageData())
        return page;
    for (int y = 0; y < height_; ++y)
        for (const Run& run : row(y))
            std::memset(page.zulGetRow(y) + run.start, 0, static_cast<size_t>(run.end - run.start));
    page.zulSetBinaryState(1);
    return page;
}

}  // namespace tavo
