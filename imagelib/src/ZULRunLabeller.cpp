#include "ZULRunLabeller.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <limits>
#include <memory>

#include "ZULImage.h"
#include "ZULInk.h"

namespace {

using RowRun = ZULRunLabeller::RowRun;

// Open components, their runs in a pooled singly linked list each, and the
// runs of the previous row.
class Labeller {
public:
    explicit Labeller(const ZULRunLabeller::Keep* keep = nullptr) : m_keep(keep) {}
    void labelRow(std::int32_t y, std::vector<RowRun>& cur);
    void finishAll();
    ZULRunLabeller::Labelling take() { return std::move(m_done); }

private:
    static constexpr std::int32_t kClosed = -2;

    struct Component {
        std::int32_t top = 0;
        std::int32_t bottom = 0;
        std::int32_t left = 0;
        std::int32_t endMax = 0;  // largest run end (one past the right column)
        std::int32_t head = -1;   // first run in list order
        std::int32_t tail = -1;
        std::int32_t runCount = 0;
        std::int32_t lastRow = kClosed;  // last row that gave it a run
    };
    struct PooledRun {
        std::int32_t row = 0;
        std::int32_t start = 0;
        std::int32_t end = 0;
        std::int32_t next = -1;
    };

    std::int32_t find(std::int32_t label);
    std::int32_t newRun(std::int32_t y, const RowRun& run);
    std::int32_t newComponent(std::int32_t y, const RowRun& run);
    void attach(std::int32_t label, std::int32_t y, const RowRun& run);
    void absorb(std::int32_t absorber, std::int32_t absorbed);
    void finish(std::int32_t label);
    void finishUnextended(std::int32_t y);

    std::vector<Component> m_components;
    std::vector<std::int32_t> m_parent;    // merged labels point at their absorber
    std::vector<std::int32_t> m_freeLabels;
    std::vector<std::int32_t> m_absorbed;  // released once the row is done
    std::vector<PooledRun> m_runs;
    std::int32_t m_freeRun = -1;
    std::vector<RowRun> m_prev;
    ZULRunLabeller::Labelling m_done;
    const ZULRunLabeller::Keep* m_keep;
};

std::int32_t Labeller::find(std::int32_t label)
{
    while (m_parent[label] != label) {
        m_parent[label] = m_parent[m_parent[label]];
        label = m_parent[label];
    }
    return label;
}

std::int32_t Labeller::newRun(std::int32_t y, const RowRun& run)
{
    std::int32_t index = m_freeRun;
    if (index >= 0) {
        m_freeRun = m_runs[index].next;
    } else {
        index = static_cast<std::int32_t>(m_runs.size());
        m_runs.emplace_back();
    }
    m_runs[index] = PooledRun{y, run.start, run.end, -1};
    return index;
}

std::int32_t Labeller::newComponent(std::int32_t y, const RowRun& run)
{
    std::int32_t label;
    if (!m_freeLabels.empty()) {
        label = m_freeLabels.back();
        m_freeLabels.pop_back();
    } else {
        label = static_cast<std::int32_t>(m_components.size());
        m_components.emplace_back();
        m_parent.push_back(label);
    }
    const std::int32_t index = newRun(y, run);
    m_components[label] = Component{y, y, run.start, run.end, index, index, 1, y};
    return label;
}

// The run goes to the front of the component's list.
void Labeller::attach(std::int32_t label, std::int32_t y, const RowRun& run)
{
    const std::int32_t index = newRun(y, run);
    Component& c = m_components[label];
    m_runs[index].next = c.head;
    c.head = index;
    c.bottom = y;
    c.left = std::min(c.left, run.start);
    c.endMax = std::max(c.endMax, run.end);
    ++c.runCount;
    c.lastRow = y;
}

// The absorbed component's runs follow the absorber's.
void Labeller::absorb(std::int32_t absorber, std::int32_t absorbed)
{
    Component& a = m_components[absorber];
    Component& b = m_components[absorbed];
    a.top = std::min(a.top, b.top);
    a.bottom = std::max(a.bottom, b.bottom);
    a.left = std::min(a.left, b.left);
    a.endMax = std::max(a.endMax, b.endMax);
    m_runs[a.tail].next = b.head;
    a.tail = b.tail;
    a.runCount += b.runCount;
    b.lastRow = kClosed;
    m_parent[absorbed] = absorber;
    m_absorbed.push_back(absorbed);
}

void Labeller::finish(std::int32_t label)
{
    Component& c = m_components[label];
    const ZULRunLabeller::Box box{c.top, c.bottom, c.left, c.endMax - 1, static_cast<std::int32_t>(m_done.runs.size()),
                                  c.runCount};
    for (std::int32_t i = c.head; i >= 0; i = m_runs[i].next)
        m_done.runs.push_back({m_runs[i].row, m_runs[i].start, m_runs[i].end});
    if (m_keep && !(*m_keep)(box, m_done.runs.data() + box.firstRun))
        m_done.runs.resize(static_cast<std::size_t>(box.firstRun));
    else
        m_done.components.push_back(box);
    m_runs[c.tail].next = m_freeRun;
    m_freeRun = c.head;
    c.lastRow = kClosed;
    m_freeLabels.push_back(label);
}

// Components of the previous row that row y did not extend are complete;
// they are finished in the order of the previous row's runs.
void Labeller::finishUnextended(std::int32_t y)
{
    for (const RowRun& p : m_prev) {
        const std::int32_t label = find(p.label);
        const std::int32_t last = m_components[label].lastRow;
        if (last != y && last != kClosed)
            finish(label);
    }
}

void Labeller::labelRow(std::int32_t y, std::vector<RowRun>& cur)
{
    std::size_t first = 0;
    for (RowRun& run : cur) {
        while (first < m_prev.size() && m_prev[first].end < run.start)
            ++first;
        for (std::size_t k = first; k < m_prev.size() && m_prev[k].start <= run.end; ++k) {
            const std::int32_t above = find(m_prev[k].label);
            if (run.label < 0) {
                run.label = above;
                attach(above, y, run);
            } else if (const std::int32_t mine = find(run.label); mine != above) {
                absorb(mine, above);
            }
        }
        if (run.label < 0)
            run.label = newComponent(y, run);
    }
    finishUnextended(y);
    for (RowRun& run : cur)
        run.label = find(run.label);
    for (std::int32_t label : m_absorbed) {
        m_parent[label] = label;
        m_freeLabels.push_back(label);
    }
    m_absorbed.clear();
    m_prev.swap(cur);
}

void Labeller::finishAll()
{
    finishUnextended(std::numeric_limits<std::int32_t>::max());  // a row no run reached
    m_prev.clear();
}

}  // namespace

// Each change between paper and ink is a set bit of word ^ (word << 1) (the
// previous word's last pixel shifted in); changes alternate between the
// start and the end of a run.  A word without a change costs one test.
void ZULRunLabeller::zulExtractRowRuns(const std::uint64_t* packed, int width, std::vector<RowRun>& runs)
{
    runs.clear();
    const int words = ZULInk::zulPackedWords(width);
    std::uint64_t before = 0;  // the previous pixel: 1 for ink
    bool inside = false;
    std::int32_t start = 0;
    for (int j = 0; j < words; ++j) {
        const std::uint64_t word = packed[j];
        std::uint64_t changes = word ^ ((word << 1) | before);
        before = word >> 63;
        while (changes != 0) {
            const std::int32_t x = 64 * j + std::countr_zero(changes);
            changes &= changes - 1;
            if (inside)
                runs.push_back(RowRun{start, x, -1});
            else
                start = x;
            inside = !inside;
        }
    }
    if (inside)  // the bits past the row's end are clear, so only a full last word gets here
        runs.push_back(RowRun{start, width, -1});
}

namespace {

// Labels packed rows; inked, when given, tells the rows that hold any ink.
ZULRunLabeller::Labelling labelPacked(const std::uint64_t* packed, int width, int height,
                                      const std::vector<bool>* inked, const ZULRunLabeller::Keep* keep = nullptr)
{
    const std::size_t rowWords = static_cast<std::size_t>(ZULInk::zulPackedWords(width));
    Labeller labeller(keep);
    std::vector<RowRun> cur;
    for (int y = 0; y < height; ++y) {
        if (!inked || (*inked)[static_cast<std::size_t>(y)])
            ZULRunLabeller::zulExtractRowRuns(packed + static_cast<std::size_t>(y) * rowWords, width, cur);
        else
            cur.clear();
        labeller.labelRow(y, cur);
    }
    labeller.finishAll();
    return labeller.take();
}

}  // namespace

ZULRunLabeller::Labelling ZULRunLabeller::zulLabelRuns(const ZULImage& page)
{
    const int width = page.zulGetWidth();
    const int height = page.zulGetHeight();
    const int bits = page.zulGetBitsPerPixel();
    if (!page.zulHasImageData() || width <= 0 || height <= 0 || (bits != 1 && bits != 8 && bits != 24))
        return {};
    const std::size_t rowWords = static_cast<std::size_t>(ZULInk::zulPackedWords(width));
    // Every word is written by zulPackRow, so the copy starts uncleared.
    const std::unique_ptr<std::uint64_t[]> packed(new std::uint64_t[rowWords * static_cast<std::size_t>(height)]);
    std::vector<bool> inked(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        inked[static_cast<std::size_t>(y)] =
            ZULInk::zulPackRow(page.zulGetRow(y), bits, width, packed.get() + static_cast<std::size_t>(y) * rowWords);

    return labelPacked(packed.get(), width, height, &inked);
}

ZULRunLabeller::Labelling ZULRunLabeller::zulLabelPacked(const std::uint64_t* packed, int width, int height,
                                                         const Keep& keep)
{
    if (packed == nullptr || width <= 0 || height <= 0)
        return {};
    return labelPacked(packed, width, height, nullptr, keep ? &keep : nullptr);
}

std::vector<ZULLWComponent> ZULRunLabeller::zulLabel(const ZULImage& page)
{
    const Labelling flat = zulLabelRuns(page);
    std::vector<ZULLWComponent> components(flat.components.size());
    for (std::size_t i = 0; i < components.size(); ++i) {
        const Box& box = flat.components[i];
        ZULLWComponent& c = components[i];
        c.top = box.top;
        c.bottom = box.bottom;
        c.left = box.left;
        c.right = box.right;
        c.runs.reserve(static_cast<std::size_t>(box.runCount));
        for (std::int32_t r = box.firstRun; r < box.firstRun + box.runCount; ++r) {
            const Run& run = flat.runs[static_cast<std::size_t>(r)];
            c.runs.emplace_back(run.row, run.start, run.end);
        }
    }
    return components;
}
