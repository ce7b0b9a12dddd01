// The one-pass run labeller behind ZULLWConnectedComponents.
//
// The page is packed into a 1-bit copy with ink as set bits (ZULInk, read
// straight from a page of any depth, without a grey or binary copy); each
// packed row is turned into runs 64 pixels at a time, finding the columns
// where the pixel value changes with bit operations, so that a stretch of
// paper costs one test per 64 pixels.
// The runs of each row are compared with those of the row above in
// left-to-right order; runs that touch, diagonally included, share a
// component (8-connectivity).  Labels of merged and finished components are
// recycled through a free list, so label storage follows the number of
// components open at once, not the number on the page.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "ZULLWComponent.h"

class ZULImage;

class ZULRunLabeller {
public:
    // A run of one row: half-open columns [start, end).
    struct RowRun {
        std::int32_t start = 0;
        std::int32_t end = 0;
        std::int32_t label = -1;
    };

    // The components of a page in one flat list: each component's box and
    // where its runs lie in the shared run list, which holds every
    // component's runs one after another, each in the component's order.
    struct Run {
        std::int32_t row = 0;
        std::int32_t start = 0;
        std::int32_t end = 0;  // one past the last column
    };
    struct Box {
        std::int32_t top = 0;
        std::int32_t bottom = 0;  // inclusive
        std::int32_t left = 0;
        std::int32_t right = 0;   // inclusive
        std::int32_t firstRun = 0;
        std::int32_t runCount = 0;
    };
    struct Labelling {
        std::vector<Box> components;
        std::vector<Run> runs;
    };

    // The ink runs of one packed row (ZULInk::zulPackRow), left to right; a
    // run reaching the row's end is closed by width.
    static void zulExtractRowRuns(const std::uint64_t* packed, int width, std::vector<RowRun>& runs);

    // Labels the ink of a 1-, 8- or 24-bit page (ZULInk: grey below 128) and
    // returns the components, ordered by the row in which they end, then left
    // to right.  A page without pixels or of another depth has none.  Throws
    // std::bad_alloc when memory runs out.
    static std::vector<ZULLWComponent> zulLabel(const ZULImage& page);

    // The same components in the flat form, without an allocation per
    // component, for callers that only read them.
    static Labelling zulLabelRuns(const ZULImage& page);

    // The same for a page already packed: height rows of
    // ZULInk::zulPackedWords(width) words each, as ZULInk::zulPackRow writes
    // them.  With keep, a component is kept only when keep(box, runs) says
    // so as it is finished (runs: its box.runCount runs in its order); the
    // kept ones are as without keep, in the same order.
    using Keep = std::function<bool(const Box&, const Run*)>;
    static Labelling zulLabelPacked(const std::uint64_t* packed, int width, int height, const Keep& keep = {});
};
