#include "ZULLWConnectedComponents.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "ZULException.h"
#include "ZULImage.h"
#include "ZULRunLabeller.h"

namespace {
constexpr const char* kSource = "..\\src\\ZULLWConnectedComponents";
constexpr int kLineOutOfMemory = 92;
}  // namespace

ZULLWConnectedComponents::~ZULLWConnectedComponents() = default;

bool ZULLWConnectedComponents::zulExtractComponents(const ZULImage& image)
{
    if (!image.zulHasImageData() || image.zulGetBitsPerPixel() != 8 || !image.zulIsBinary())
        return false;
    try {
        std::vector<ZULLWComponent> found = ZULRunLabeller::zulLabel(image);  // 0 is ink, 255 paper
        // Reserve first so that a failure leaves the list and selection as they were.
        m_selection.reserve(m_components.size() + found.size());
        if (m_components.empty()) {
            m_components.swap(found);
        } else {
            m_components.reserve(m_components.size() + found.size());
            std::move(found.begin(), found.end(), std::back_inserter(m_components));
        }
        zulSelectAll();
    } catch (const std::bad_alloc&) {
        throw ZULException(13, "<ZULLWConnectedComponents::zulExtractComponents()> Error. Out of memory",
                           kSource, kLineOutOfMemory);
    }
    return true;
}

void ZULLWConnectedComponents::zulSelectAll()
{
    m_selection.resize(m_components.size());
    for (std::size_t i = 0; i < m_selection.size(); ++i)
        m_selection[i] = static_cast<int>(i);
}

std::vector<ZULLWComponent> ZULLWConnectedComponents::zulGetSelectedComponents() const
{
    std::vector<ZULLWComponent> selected;
    selected.reserve(m_selection.size());
    for (int index : m_selection)
        selected.push_back(m_components[static_cast<std::size_t>(index)]);
    return selected;
}

ZULImage& ZULLWConnectedComponents::zulRenderComponents(ZULImage& out) const
{
    int width = 0;
    int height = 0;
    for (int index : m_selection) {
        const ZULLWComponent& c = m_components[static_cast<std::size_t>(index)];
        width = std::max(width, c.right + 1);
        height = std::max(height, c.bottom + 1);
    }
    out = ZULImage(width, height, 8, true);
    if (!out.zulHasImageData())
        return out;
    for (int index : m_selection) {
        for (const ZULDataruns& run : m_components[static_cast<std::size_t>(index)].runs)
            std::memset(out.zulGetRow(run.row) + run.start, 0, static_cast<std::size_t>(run.length()));
    }
    return out;
}

template <class Keep>
int ZULLWConnectedComponents::filter(Keep keep)
{
    std::erase_if(m_selection,
                  [&](int index) { return !keep(m_components[static_cast<std::size_t>(index)]); });
    return static_cast<int>(m_selection.size());
}

int ZULLWConnectedComponents::zulFilterByWidth(int min, int max)
{
    return filter([=](const ZULLWComponent& c) { return min <= c.width() && c.width() <= max; });
}

int ZULLWConnectedComponents::zulFilterByHeight(int min, int max)
{
    return filter([=](const ZULLWComponent& c) { return min <= c.height() && c.height() <= max; });
}

int ZULLWConnectedComponents::zulFilterByRows(int first, int last)
{
    return filter([=](const ZULLWComponent& c) { return c.top >= first && c.bottom <= last; });
}

int ZULLWConnectedComponents::zulFilterByColumns(int first, int last)
{
    return filter([=](const ZULLWComponent& c) { return c.left >= first && c.right <= last; });
}

int ZULLWConnectedComponents::zulFilterLarger(double minWidth, double minHeight)
{
    return filter([=](const ZULLWComponent& c) { return c.height() > minHeight && c.width() > minWidth; });
}

int ZULLWConnectedComponents::zulFilterSmaller(double maxWidth, double maxHeight)
{
    return filter([=](const ZULLWComponent& c) { return c.height() < maxHeight && c.width() < maxWidth; });
}
