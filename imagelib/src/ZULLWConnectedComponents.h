// The 8-connected ink components of a binary 8-bit page, and a selection of
// them that size and position filters narrow down.
//
// The list keeps every component in labelling order (by the row in which a
// component ends, then left to right); the selection holds indices into it,
// ascending after zulSelectAll.  Filters only narrow the selection.
#pragma once

#include <vector>

#include "ZULLWComponent.h"

class ZULImage;

class ZULLWConnectedComponents {
public:
    ZULLWConnectedComponents() = default;
    virtual ~ZULLWConnectedComponents();

    // Labels the black (0) pixels of an 8-bit image that zulIsBinary accepts,
    // appends the components to the list and selects all of them.  Any other
    // image (no pixels, another depth, grey values) returns false and changes
    // nothing.  Raises ZULException code 13 when memory runs out.
    bool zulExtractComponents(const ZULImage& image);

    int zulGetComponentCount() const { return static_cast<int>(m_components.size()); }
    void zulSelectAll();
    std::vector<ZULLWComponent> zulGetAllComponents() const { return m_components; }
    std::vector<ZULLWComponent> zulGetSelectedComponents() const;

    // Read-only views without copying.
    const std::vector<ZULLWComponent>& zulComponents() const { return m_components; }
    const std::vector<int>& zulSelection() const { return m_selection; }

    // out becomes an allocated 8-bit image of (largest right + 1) x (largest
    // bottom + 1) over the selection, white except for the selected
    // components' pixels.  An empty selection leaves out without pixels.
    ZULImage& zulRenderComponents(ZULImage& out) const;

    // Each keeps the selected components that pass its test, in order, and
    // returns the new selection size; an empty selection stays empty.
    int zulFilterByWidth(int min, int max);
    int zulFilterByHeight(int min, int max);
    int zulFilterByRows(int first, int last);        // top >= first, bottom <= last
    int zulFilterByColumns(int first, int last);     // left >= first, right <= last
    int zulFilterLarger(double minWidth, double minHeight);   // strictly larger in both
    int zulFilterSmaller(double maxWidth, double maxHeight);  // strictly smaller in both

private:
    template <class Keep>
    int filter(Keep keep);

    std::vector<ZULLWComponent> m_components;
    std::vector<int> m_selection;
};
