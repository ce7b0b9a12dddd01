// The connected ink components of a page, indexed by position, and the two
// page units every score is measured in: the stroke width and the height of
// a letter's main body.
#pragma once

#include "align/Paw.h"
#include "ZULRunLabeller.h"

#include <utility>
#include <vector>

class ZULImage;

namespace tavo {

// A zone's box and, for a zone with an outline, the rows the outline
// holds in each column of the box (top > bottom where it holds none).
struct ZoneArea {
    ZoneBox box;
    std::vector<int> top, bottom;  // empty: the whole box

    bool outlined() const { return !top.empty(); }
};

// The area of a box (already on the page) cut to an outline in page
// coordinates; the plain box when the outline is empty.  An outline is
// taken column by column from its highest to its lowest edge, which is exact
// for the bands -lines writes.
ZoneArea zoneArea(const ZoneBox& box, const std::vector<std::pair<int, int>>& outline);

class InkIndex {
public:
    // Labels the ink (grey below 128) of a page of any depth.
    explicit InkIndex(const ZULImage& page);
    // Indexes ink already labelled on a page of this size.
    InkIndex(ZULRunLabeller::Labelling ink, int width, int height);

    // The ink of a scanned or photographed page of any depth, binarised by
    // local thresholds with an edge check (the one -niblack applies), so
    // faint ink and ink on uneven paper count as on a clean scan, and the
    // texture of a photographed page does not.
    // When grey is given, the grey page binarised is left there (nothing
    // for a 1-bit page).
    static InkIndex ofPage(const ZULImage& page, ZULImage* grey = nullptr);

    using Box = ZULRunLabeller::Box;

    double strokeWidth() const { return stroke_; }
    double bodyHeight() const { return body_; }
    int pageWidth() const { return width_; }
    int pageHeight() const { return height_; }

    const Box& component(int i) const { return ink_.components[static_cast<size_t>(i)]; }
    int componentCount() const { return static_cast<int>(ink_.components.size()); }
    // Ink pixels of a component in all, and inside the box.
    long pixels(int i) const { return pixels_[static_cast<size_t>(i)]; }
    long pixelsInside(int i, const ZoneBox& box) const;
    long pixelsInside(int i, const ZoneArea& area) const;
    // Components whose box meets the zone box, each once, in no set order.
    std::vector<int> touching(const ZoneBox& box) const;
    // Whether a component is a letter body rather than a dot or a mark.
    bool isBody(int i) const;
    // Whether a component is too long or too tall for writing: a ruling,
    // a grid, a page edge (with whatever letters touch it).
    bool isRuling(int i) const;

private:
    struct CellRange {
        int x0, y0, x1, y1;
    };
    CellRange cells(int left, int top, int right, int bottom) const;

    ZULRunLabeller::Labelling ink_;
    std::vector<long> pixels_;
    int width_ = 0;
    int height_ = 0;
    double stroke_ = 1;
    double body_ = 1;
    int cell_ = 1;              // side of a grid cell in pixels
    int columns_ = 1, rows_ = 1;
    std::vector<std::vector<int>> grid_;  // components per cell, row-major
};

}  // namespace tavo
