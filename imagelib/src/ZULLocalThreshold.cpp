#include "ZULLocalThreshold.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ZULException.h"

namespace {

constexpr const char* kSource = "..\\src\\ZULLocalThreshold";
constexpr int kLineNoData = 30;
constexpr int kLineDepth = 32;

// Niblack's rule for an open pixel of a window that is not flat.
class NiblackRule {
public:
    NiblackRule(double k, int minStdDev)
        : m_kk(std::abs(static_cast<int>(k * 100))),
          m_flatLimit(static_cast<std::int64_t>(minStdDev) * minStdDev)
    {
    }

    bool isFlat(std::int64_t variance) const { return variance <= m_flatLimit; }

    // value < mean + k x deviation with k = -kk / 100, compared in squares.
    // With kk 0 the rule is value < mean.
    unsigned char decide(int value, std::int64_t mean, std::int64_t variance) const
    {
        if (value >= mean)
            return 255;
        if (m_kk == 0)
            return 0;
        const std::int64_t scaled = (mean - value) * 100 / m_kk;
        return scaled * scaled >= variance ? 0 : 255;
    }

private:
    int m_kk;
    std::int64_t m_flatLimit;
};

struct Moments {
    std::int64_t mean = 0;
    std::int64_t variance = 0;
};

Moments moments(std::int64_t sum, std::int64_t squares, std::int64_t n)
{
    Moments m;
    m.mean = sum / n;
    m.variance = squares / n - m.mean * m.mean;
    return m;
}

void wholePage(const unsigned char* gray, unsigned char* out, std::size_t count, const NiblackRule& rule)
{
    std::int64_t sum = 0;
    std::int64_t squares = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += gray[i];
        squares += static_cast<std::int64_t>(gray[i]) * gray[i];
    }
    const Moments m = moments(sum, squares, static_cast<std::int64_t>(count));
    if (rule.isFlat(m.variance)) {  // the first window closes the whole page
        std::memset(out, 255, count);
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        out[i] = rule.decide(gray[i], m.mean, m.variance);
}

// Sliding windows: column sums over the window's rows, kept as the window
// moves down, and their prefix sums along the current row.
class WindowSums {
public:
    WindowSums(const unsigned char* gray, int width, int height, int halfWidth, int halfHeight)
        : m_gray(gray), m_width(width), m_height(height), m_halfWidth(halfWidth), m_halfHeight(halfHeight),
          m_columns(static_cast<std::size_t>(width)), m_columnSquares(static_cast<std::size_t>(width)),
          m_prefix(static_cast<std::size_t>(width) + 1), m_prefixSquares(static_cast<std::size_t>(width) + 1)
    {
        for (int r = 0; r <= std::min(halfHeight, height - 1); ++r)
            addRow(r, 1);
    }

    // Prepares row y; rows must come in order from 0.
    void moveTo(int y)
    {
        if (y > 0) {
            if (y + m_halfHeight < m_height)
                addRow(y + m_halfHeight, 1);
            if (y - 1 - m_halfHeight >= 0)
                addRow(y - 1 - m_halfHeight, -1);
        }
        m_rows = std::min(y + m_halfHeight, m_height - 1) - std::max(y - m_halfHeight, 0) + 1;
        for (int x = 0; x < m_width; ++x) {
            m_prefix[x + 1] = m_prefix[x] + m_columns[x];
            m_prefixSquares[x + 1] = m_prefixSquares[x] + m_columnSquares[x];
        }
    }

    int left(int x) const { return std::max(x - m_halfWidth, 0); }
    int right(int x) const { return std::min(x + m_halfWidth, m_width - 1); }

    Moments at(int x) const
    {
        const int x0 = left(x);
        const int x1 = right(x) + 1;
        const std::int64_t n = static_cast<std::int64_t>(x1 - x0) * m_rows;
        return moments(m_prefix[x1] - m_prefix[x0], m_prefixSquares[x1] - m_prefixSquares[x0], n);
    }

private:
    void addRow(int r, int sign)
    {
        const unsigned char* row = m_gray + static_cast<std::size_t>(r) * static_cast<std::size_t>(m_width);
        for (int x = 0; x < m_width; ++x) {
            m_columns[x] += sign * row[x];
            m_columnSquares[x] += sign * row[x] * row[x];
        }
    }

    const unsigned char* m_gray;
    int m_width;
    int m_height;
    int m_halfWidth;
    int m_halfHeight;
    int m_rows = 0;
    std::vector<std::int32_t> m_columns;
    std::vector<std::int32_t> m_columnSquares;
    std::vector<std::int64_t> m_prefix;
    std::vector<std::int64_t> m_prefixSquares;
};

void slidingWindows(const unsigned char* gray, unsigned char* out, int width, int height, int halfWidth,
                    int halfHeight, const NiblackRule& rule)
{
    WindowSums sums(gray, width, height, halfWidth, halfHeight);
    // Closed pixels of the current row and the halfHeight rows below it.
    const int band = halfHeight + 1;
    std::vector<unsigned char> closed(static_cast<std::size_t>(band) * static_cast<std::size_t>(width));
    auto closedRow = [&](int r) { return closed.data() + static_cast<std::size_t>(r % band) * width; };

    for (int y = 0; y < height; ++y) {
        sums.moveTo(y);
        const unsigned char* in = gray + static_cast<std::size_t>(y) * width;
        unsigned char* o = out + static_cast<std::size_t>(y) * width;
        const unsigned char* shut = closedRow(y);
        int x = 0;
        while (x < width) {
            if (shut[x]) {
                o[x++] = 255;
                continue;
            }
            const Moments m = sums.at(x);
            if (!rule.isFlat(m.variance)) {
                o[x] = rule.decide(in[x], m.mean, m.variance);
                ++x;
                continue;
            }
            const int x0 = sums.left(x);
            const int x1 = sums.right(x);
            for (int r = y + 1; r <= std::min(y + halfHeight, height - 1); ++r)
                std::memset(closedRow(r) + x0, 1, static_cast<std::size_t>(x1 - x0 + 1));
            std::memset(o + x, 255, static_cast<std::size_t>(x1 - x + 1));
            x = x1 + 1;
        }
        std::memset(closedRow(y), 0, static_cast<std::size_t>(width));
    }
}

}  // namespace

ZULImage zulLocalThreshold(const ZULImage& gray, int windowWidth, int windowHeight, double k, int minStdDev)
{
    if (!gray.zulHasImageData())
        throw ZULException(5, "<zulLocalThreshold()> Image Data is NULL!", kSource, kLineNoData);
    if (gray.zulGetBitsPerPixel() != 8)
        throw ZULException(7, "<zulLocalThreshold()> A BYTE image expected", kSource, kLineDepth);
    const int width = gray.zulGetWidth();
    const int height = gray.zulGetHeight();
    const NiblackRule rule(k, minStdDev);
    ZULImage out(width, height, 8, true);
    if (windowWidth >= width || windowHeight >= height) {
        wholePage(gray.zulGetImageData(), out.zulGetImageData(), gray.zulGetImageDataSize(), rule);
    } else {
        slidingWindows(gray.zulGetImageData(), out.zulGetImageData(), width, height,
                       std::max(windowWidth / 2, 0), std::max(windowHeight / 2, 0), rule);
    }
    out.zulSetBinaryState(1);
    return out;
}
