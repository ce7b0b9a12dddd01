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

// a / n rounded down, for 0 <= a <= 65025 n and 0 < n < 2^36 (every window
// of an image that fits in memory): a / n is correctly rounded in doubles,
// with an error below 2^-37 where a fraction is at least 1 / n away from the
// next whole number, so it truncates to the integer quotient.
inline std::int64_t quotient(std::int64_t a, std::int64_t n)
{
    return static_cast<std::int64_t>(static_cast<double>(a) / static_cast<double>(n));
}

// Division by a window's pixel count n as a multiplication and a shift
// (Granlund and Montgomery): with l = ceil(log2 n) and m = ceil(2^(31+l) / n),
// a / n rounded down is (a m) >> (31 + l) for every 0 <= a < 2^31, so for a
// window's sums whenever 65025 n < 2^31; larger windows divide in doubles.
class Divisor {
public:
    explicit Divisor(std::int64_t n = 1) : m_n(n)
    {
        if (n >= kLargest)
            return;
        while ((std::int64_t{1} << m_shift) < n)
            ++m_shift;
        m_shift += 31;
        m_magic = ((std::int64_t{1} << m_shift) + n - 1) / n;
    }

    std::int64_t n() const { return m_n; }
    std::int64_t operator()(std::int64_t a) const
    {
        return m_magic ? static_cast<std::int64_t>((static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(m_magic)) >> m_shift)
                       : quotient(a, m_n);
    }

private:
    static constexpr std::int64_t kLargest = (std::int64_t{1} << 31) / (255 * 255);
    std::int64_t m_n;
    std::int64_t m_magic = 0;
    int m_shift = 0;
};

// Niblack's rule for an open pixel of a window that is not flat.
class NiblackRule {
public:
    NiblackRule(double k, int minStdDev)
        : m_kk(std::abs(static_cast<int>(k * 100))),
          m_flatLimit(static_cast<std::int64_t>(minStdDev) * minStdDev), m_byKk(std::max(m_kk, 1))
    {
    }

    bool isFlat(std::int64_t variance) const { return variance <= m_flatLimit; }

    // value < mean + k x deviation with k = -kk / 100, compared in squares.
    // With kk 0 the rule is value < mean.
    unsigned char decide(int value, std::int64_t mean, std::int64_t variance) const
    {
        const std::int64_t below = mean - value;
        // (mean - value) x 100 / kk rounded down.
        const std::int64_t scaled = m_kk == 0 ? 0 : m_byKk(std::max<std::int64_t>(below, 0) * 100);
        const bool ink = (below > 0) & ((m_kk == 0) | (scaled * scaled >= variance));
        return static_cast<unsigned char>(ink ? 0 : 255);
    }

    // The window with these sums (n pixels, mean = sum / n) is flat:
    // squares / n - mean^2 <= limit, where both divisions round down, is
    // squares < (limit + mean^2 + 1) x n.
    bool isFlat(std::int64_t squares, std::int64_t mean, std::int64_t n) const
    {
        // No window's variance exceeds 255^2, so a larger limit acts as that.
        return squares < (std::min<std::int64_t>(m_flatLimit, 255 * 255) + mean * mean + 1) * n;
    }

private:
    int m_kk;
    std::int64_t m_flatLimit;
    Divisor m_byKk;
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

    // Prepares row y; rows must come in order from 0.  Without prefixes
    // the windows of the row are not read (every pixel of it is closed).
    void moveTo(int y, bool prefixes = true)
    {
        if (y > 0) {
            if (y + m_halfHeight < m_height)
                addRow(y + m_halfHeight, 1);
            if (y - 1 - m_halfHeight >= 0)
                addRow(y - 1 - m_halfHeight, -1);
        }
        const int rows = std::min(y + m_halfHeight, m_height - 1) - std::max(y - m_halfHeight, 0) + 1;
        if (rows != m_rows) {
            m_rows = rows;
            m_divisors.assign(static_cast<std::size_t>(std::min(2 * m_halfWidth + 1, m_width)) + 1, Divisor());
            for (std::size_t w = 1; w < m_divisors.size(); ++w)
                m_divisors[w] = Divisor(static_cast<std::int64_t>(w) * m_rows);
        }
        if (!prefixes)
            return;
        for (int x = 0; x < m_width; ++x) {
            m_prefix[x + 1] = m_prefix[x] + m_columns[x];
            m_prefixSquares[x + 1] = m_prefixSquares[x] + m_columnSquares[x];
        }
    }

    int left(int x) const { return std::max(x - m_halfWidth, 0); }
    int right(int x) const { return std::min(x + m_halfWidth, m_width - 1); }
    const Divisor& divisor(int columns) const { return m_divisors[static_cast<std::size_t>(columns)]; }
    const std::int64_t* prefix() const { return m_prefix.data(); }
    const std::int64_t* prefixSquares() const { return m_prefixSquares.data(); }

    // The window of pixel x: its sums and its pixel count.
    struct Window {
        std::int64_t sum, squares;
        const Divisor& n;
    };
    Window window(int x) const
    {
        const int x0 = left(x);
        const int x1 = right(x) + 1;
        return {m_prefix[x1] - m_prefix[x0], m_prefixSquares[x1] - m_prefixSquares[x0],
                m_divisors[static_cast<std::size_t>(x1 - x0)]};
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
    std::vector<Divisor> m_divisors;  // by the window's width
};

// rowOut(y) is where row y goes; rowDone(y) is called once it is complete.
template <class RowOut, class RowDone>
void slidingWindows(const unsigned char* gray, int width, int height, int halfWidth, int halfHeight,
                    const NiblackRule& rule, RowOut rowOut, RowDone rowDone)
{
    WindowSums sums(gray, width, height, halfWidth, halfHeight);
    // Closed pixels of the current row and the halfHeight rows below it.
    const int band = halfHeight + 1;
    std::vector<unsigned char> closed(static_cast<std::size_t>(band) * static_cast<std::size_t>(width));
    auto closedRow = [&](int r) { return closed.data() + static_cast<std::size_t>(r % band) * width; };

    // Whether each pixel's window is flat (one byte a pixel, eight more so
    // that the search below reads whole words).
    std::vector<unsigned char> flat(static_cast<std::size_t>(width) + 8, 0);
    // The interior columns, whose windows are all 2 halfWidth + 1 wide.
    const int interiorFrom = std::min(halfWidth, width);
    const int interiorTo = std::max(interiorFrom, width - halfWidth);

    for (int y = 0; y < height; ++y) {
        const unsigned char* in = gray + static_cast<std::size_t>(y) * width;
        unsigned char* o = rowOut(y);
        const unsigned char* shut = closedRow(y);
        // A row closed whole (most of a clean page) is paper.
        if (std::memchr(shut, 0, static_cast<std::size_t>(width)) == nullptr) {
            sums.moveTo(y, false);
            std::memset(o, 255, static_cast<std::size_t>(width));
            std::memset(closedRow(y), 0, static_cast<std::size_t>(width));
            rowDone(y);
            continue;
        }
        sums.moveTo(y);
        // First the verdict of every open pixel and whether its window is
        // flat: divided by multiplication and decided without a branch,
        // since on grainy paper both are a coin toss.  Eight pixels closed
        // together are passed over (the scan below makes them paper).
        const std::int64_t* sum = sums.prefix();
        const std::int64_t* squares = sums.prefixSquares();
        auto judge = [&](int x, int x0, int x1, const Divisor& n) {
            const std::int64_t s = sum[x1] - sum[x0];
            const std::int64_t q = squares[x1] - squares[x0];
            const std::int64_t mean = n(s);
            flat[static_cast<std::size_t>(x)] = rule.isFlat(q, mean, n.n());
            o[x] = rule.decide(in[x], mean, n(q) - mean * mean);
        };
        for (int x = 0; x < interiorFrom; ++x)
            judge(x, sums.left(x), sums.right(x) + 1, sums.divisor(sums.right(x) + 1 - sums.left(x)));
        if (interiorFrom < interiorTo) {
            const Divisor n = sums.divisor(2 * halfWidth + 1);
            constexpr std::uint64_t kAllClosed = 0x0101010101010101ULL;
            int x = interiorFrom;
            for (std::uint64_t s; x + 8 <= interiorTo; x += 8) {
                std::memcpy(&s, shut + x, 8);
                if (s == kAllClosed)
                    continue;
                for (int i = x; i < x + 8; ++i)
                    judge(i, i - halfWidth, i + halfWidth + 1, n);
            }
            for (; x < interiorTo; ++x)
                judge(x, x - halfWidth, x + halfWidth + 1, n);
        }
        for (int x = interiorTo; x < width; ++x)
            judge(x, sums.left(x), sums.right(x) + 1, sums.divisor(sums.right(x) + 1 - sums.left(x)));
        // Then the scan: a closed pixel is paper; the first open pixel whose
        // window is flat closes its window below, turns paper up to the
        // window's right edge and the scan resumes after it.
        int x = 0;
        while (x < width) {
            int next = x;
            for (std::uint64_t f, s; next + 8 <= width; next += 8) {
                std::memcpy(&f, flat.data() + next, 8);
                std::memcpy(&s, shut + next, 8);
                if ((f & ~s) != 0)
                    break;
            }
            while (next < width && !(flat[static_cast<std::size_t>(next)] && !shut[next]))
                ++next;
            for (int i = x; i < next; ++i)
                o[i] = static_cast<unsigned char>(o[i] | (0 - shut[i]));
            if (next >= width)
                break;
            const int x0 = sums.left(next);
            const int x1 = sums.right(next);
            for (int r = y + 1; r <= std::min(y + halfHeight, height - 1); ++r)
                std::memset(closedRow(r) + x0, 1, static_cast<std::size_t>(x1 - x0 + 1));
            std::memset(o + next, 255, static_cast<std::size_t>(x1 - next + 1));
            x = x1 + 1;
        }
        std::memset(closedRow(y), 0, static_cast<std::size_t>(width));
        rowDone(y);
    }
}

// Both entry points take an 8-bit page with pixels, and say so alike.
void checkGray(const ZULImage& gray)
{
    if (!gray.zulHasImageData())
        throw ZULException(5, "<zulLocalThreshold()> Image Data is NULL!", kSource, kLineNoData);
    if (gray.zulGetBitsPerPixel() != 8)
        throw ZULException(7, "<zulLocalThreshold()> A BYTE image expected", kSource, kLineDepth);
}

}  // namespace

ZULImage zulLocalThreshold(const ZULImage& gray, int windowWidth, int windowHeight, double k, int minStdDev)
{
    checkGray(gray);
    const int width = gray.zulGetWidth();
    const int height = gray.zulGetHeight();
    const NiblackRule rule(k, minStdDev);
    ZULImage out(width, height, 8, true);
    if (windowWidth >= width || windowHeight >= height) {
        wholePage(gray.zulGetImageData(), out.zulGetImageData(), gray.zulGetImageDataSize(), rule);
    } else {
        unsigned char* pixels = out.zulGetImageData();
        slidingWindows(
            gray.zulGetImageData(), width, height, std::max(windowWidth / 2, 0), std::max(windowHeight / 2, 0), rule,
            [&](int y) { return pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width); }, [](int) {});
    }
    out.zulSetBinaryState(1);
    return out;
}

void zulLocalThresholdRows(const ZULImage& gray, int windowWidth, int windowHeight, double k, int minStdDev,
                           const std::function<void(int, const unsigned char*)>& row)
{
    checkGray(gray);
    const int width = gray.zulGetWidth();
    const int height = gray.zulGetHeight();
    if (windowWidth >= width || windowHeight >= height) {
        const ZULImage whole = zulLocalThreshold(gray, windowWidth, windowHeight, k, minStdDev);
        for (int y = 0; y < height; ++y)
            row(y, whole.zulGetRow(y));
        return;
    }
    std::vector<unsigned char> out(static_cast<std::size_t>(width));
    slidingWindows(
        gray.zulGetImageData(), width, height, std::max(windowWidth / 2, 0), std::max(windowHeight / 2, 0),
        NiblackRule(k, minStdDev), [&](int) { return out.data(); }, [&](int y) { row(y, out.data()); });
}
