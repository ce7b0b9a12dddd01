#include "ZULRunLabeller.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <limits>

namespace {

// The bit positions (0 = most significant) at which the pixel value changes
// inside one byte, given the value of the bit before it.
struct ChangeEntry {
    std::uint8_t count = 0;
    std::uint8_t pos[8] = {};
};

constexpr std::array<ChangeEntry, 512> makeChangeTable()
{
    std::array<ChangeEntry, 512> table{};
    for (int before = 0; before < 2; ++before) {
        for (int byte = 0; byte < 256; ++byte) {
            ChangeEntry& entry = table[static_cast<std::size_t>(before * 256 + byte)];
            int last = before;
            for (int p = 0; p < 8; ++p) {
                const int bit = (byte >> (7 - p)) & 1;
                if (bit != last)
                    entry.pos[entry.count++] = static_cast<std::uint8_t>(p);
                last = bit;
            }
        }
    }
    return table;
}

constexpr std::array<ChangeEntry, 512> kChangeTable = makeChangeTable();

using RowRun = ZULRunLabeller::RowRun;

// Open components, their runs in a pooled singly linked list each, and the
// runs of the previous row.
class Labeller {
public:
    void labelRow(std::int32_t y, std::vector<RowRun>& cur);
    void finishAll();
    std::vector<ZULLWComponent> take() { return std::move(m_done); }

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
    std::vector<ZULLWComponent> m_done;
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
    ZULLWComponent out;
    out.top = c.top;
    out.bottom = c.bottom;
    out.left = c.left;
    out.right = c.endMax - 1;
    out.runs.reserve(static_cast<std::size_t>(c.runCount));
    for (std::int32_t i = c.head; i >= 0; i = m_runs[i].next)
        out.runs.emplace_back(m_runs[i].row, m_runs[i].start, m_runs[i].end);
    m_done.push_back(std::move(out));
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

void ZULRunLabeller::zulPackInkRow(const unsigned char* gray, int width, unsigned char* packed)
{
    const int whole = width / 8;
    for (int b = 0; b < whole; ++b) {
        const unsigned char* p = gray + 8 * b;
        unsigned v = 0;
        for (int k = 0; k < 8; ++k)
            v = (v << 1) | (p[k] < 127 ? 1u : 0u);
        packed[b] = static_cast<unsigned char>(v);
    }
    if (const int rest = width % 8) {
        const unsigned char* p = gray + 8 * whole;
        unsigned v = 0;
        int k = 0;
        for (; k < rest; ++k)
            v = (v << 1) | (p[k] < 127 ? 1u : 0u);
        const unsigned last = v & 1u;
        for (; k < 8; ++k)
            v = (v << 1) | last;
        packed[whole] = static_cast<unsigned char>(v);
    }
}

void ZULRunLabeller::zulExtractRowRuns(const unsigned char* packed, int width, std::vector<RowRun>& runs)
{
    runs.clear();
    const int bytes = (width + 7) / 8;
    unsigned before = 0;  // last bit of the previous byte: 1 inside a run
    std::int32_t start = 0;
    int i = 0;
    while (i < bytes) {
        if (before == 0 && i + 8 <= bytes) {
            std::uint64_t word;
            std::memcpy(&word, packed + i, sizeof word);
            if (word == 0) {  // eight bytes of paper
                i += 8;
                continue;
            }
        }
        const unsigned byte = packed[i];
        const ChangeEntry& entry = kChangeTable[(before << 8) | byte];
        const std::int32_t base = 8 * i;
        bool inside = before != 0;
        for (int k = 0; k < entry.count; ++k) {
            const std::int32_t pos = base + entry.pos[k];
            if (inside)
                runs.push_back(RowRun{start, pos, -1});
            else
                start = pos;
            inside = !inside;
        }
        before = byte & 1u;
        ++i;
    }
    if (before != 0)
        runs.push_back(RowRun{start, width, -1});
}

std::vector<ZULLWComponent> ZULRunLabeller::zulLabel(const unsigned char* gray, int width, int height)
{
    if (width <= 0 || height <= 0)
        return {};
    const std::size_t rowBytes = static_cast<std::size_t>(width + 7) / 8;
    std::vector<unsigned char> packed(rowBytes * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        zulPackInkRow(gray + static_cast<std::size_t>(y) * static_cast<std::size_t>(width), width,
                      packed.data() + static_cast<std::size_t>(y) * rowBytes);

    Labeller labeller;
    std::vector<RowRun> cur;
    for (int y = 0; y < height; ++y) {
        zulExtractRowRuns(packed.data() + static_cast<std::size_t>(y) * rowBytes, width, cur);
        labeller.labelRow(y, cur);
    }
    labeller.finishAll();
    return labeller.take();
}
