// Niblack binarization with an edge check (after W. Niblack, An Introduction
// to Digital Image Processing, 1986).
//
// 1. The local threshold (ZULLocalThreshold.h) gives a binary map.
// 2. The grey page is smoothed with a 3 x 3 mean and its gradient taken
//    (ZULEdgeMap.h).
// 3. The map's ink components whose width and height both lie above the
//    page's size category c and at most 800 are kept (c is 1 when a page
//    side is below 500, 2 when one is below 1500, else 3).
// 4. A kept component survives when the mean gradient over its boundary
//    (its first and last run in list order, and every other pixel with a
//    paper 4-neighbour) is at least minEdgeStrength.
// Only surviving components are ink in the result.
#pragma once

#include <cstdint>

#include "ZULBinarization.h"
#include "ZULRunLabeller.h"

class ZULImage;
class ZULLWComponent;

class ZULNiblackBinarization : public ZULBinarization {
public:
    ZULNiblackBinarization() = default;
    ZULNiblackBinarization(std::int32_t width, std::int32_t height, double kValue, std::int32_t stdDev,
                           std::int32_t edgeStrength)
        : windowWidth(width), windowHeight(height), k(kValue), minStdDev(stdDev), minEdgeStrength(edgeStrength)
    {
    }

    // out becomes an 8-bit image with binaryState 1.  A 1-bit source comes
    // back only expanded to 0/255, a source already marked binary as a grey
    // copy.  No pixels: ZULException code 5.
    ZULImage& zulBinarizeImage(ZULImage& out, const ZULImage& src) override;

    // The ink components of zulBinarizeImage's result for src, as
    // ZULRunLabeller::zulLabelRuns gives them for that image (the same
    // components, runs and order), made without its page-sized images: the
    // local threshold's rows are packed to bits as they come, the kept
    // components are taken from their labelling (an ink component of the
    // result is a whole component of the threshold's map), and the gradient
    // is taken only at the pixels the edge check reads, from the 3 x 3 mean,
    // the one page-sized copy.  The same failures as zulBinarizeImage.
    ZULRunLabeller::Labelling zulInkComponents(const ZULImage& src);

    std::int32_t windowWidth = 15;
    std::int32_t windowHeight = 15;
    double k = -0.2;
    std::int32_t minStdDev = 5;
    std::int32_t minEdgeStrength = 50;

private:
    // Mean gradient over the component's boundary in the binary map.
    static std::int64_t edgeStrength(const ZULLWComponent& component, const ZULImage& binary,
                                     const std::int16_t* gradient, std::int64_t whenEmpty);
};
