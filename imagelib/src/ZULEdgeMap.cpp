#include "ZULEdgeMap.h"

#include <cstdlib>

#include "ZULException.h"

namespace {

constexpr const char* kSource = "..\\src\\ZULEdgeMap";
constexpr int kLineNoData = 14;
constexpr int kLineDepth = 16;

void checkGray(const ZULImage& gray, const char* operation)
{
    if (!gray.zulHasImageData())
        throw ZULException(5, std::string("<") + operation + "()> Image Data is NULL!", kSource, kLineNoData);
    if (gray.zulGetBitsPerPixel() != 8)
        throw ZULException(7, std::string("<") + operation + "()> A BYTE image expected", kSource, kLineDepth);
}

}  // namespace

ZULImage zulBoxMean3x3(const ZULImage& gray)
{
    checkGray(gray, "zulBoxMean3x3");
    ZULImage out(gray.zulGetWidth(), gray.zulGetHeight(), 8, true);
    zulBoxMean3x3Into(gray, out.zulGetImageData());
    return out;
}

void zulBoxMean3x3Into(const ZULImage& gray, unsigned char* mean)
{
    checkGray(gray, "zulBoxMean3x3");
    const int width = gray.zulGetWidth();
    const int height = gray.zulGetHeight();
    const auto w = static_cast<std::size_t>(width);

    // Horizontal sums of three pixels, kept for the three rows around y.
    std::vector<int> across(3 * w);
    auto rowSums = [&](int y) { return across.data() + static_cast<std::size_t>(y % 3) * w; };
    auto sumRow = [&](int y) {
        const unsigned char* in = gray.zulGetRow(y);
        int* h = rowSums(y);
        h[0] = in[0] + (width > 1 ? in[1] : 0);
        for (int x = 1; x + 1 < width; ++x)
            h[x] = in[x - 1] + in[x] + in[x + 1];
        if (width > 1)
            h[width - 1] = in[width - 2] + in[width - 1];
    };
    sumRow(0);
    for (int y = 0; y < height; ++y) {
        const int y0 = y > 0 ? y - 1 : y;
        const int y1 = y + 1 < height ? y + 1 : y;
        if (y1 > y)
            sumRow(y1);
        const int rows = y1 - y0 + 1;
        const int* a = rowSums(y0);
        const int* b = rows == 3 ? rowSums(y) : nullptr;
        const int* c = y1 != y0 ? rowSums(y1) : nullptr;
        unsigned char* o = mean + static_cast<std::size_t>(y) * w;
        auto at = [&](int x) { return a[x] + (b ? b[x] : 0) + (c ? c[x] : 0); };
        auto clipped = [&](int x) {
            const int columns = (x > 0 ? 2 : 1) + (x + 1 < width ? 1 : 0);
            o[x] = static_cast<unsigned char>(at(x) / (rows * columns));
        };
        clipped(0);
        if (rows == 3) {  // the common case, with a constant divisor
            for (int x = 1; x + 1 < width; ++x)
                o[x] = static_cast<unsigned char>((a[x] + b[x] + c[x]) / 9);
        } else {
            for (int x = 1; x + 1 < width; ++x)
                clipped(x);
        }
        if (width > 1)
            clipped(width - 1);
    }
}

std::vector<std::int16_t> zulGradientMap(const ZULImage& gray)
{
    checkGray(gray, "zulGradientMap");
    const int width = gray.zulGetWidth();
    const int height = gray.zulGetHeight();
    const auto w = static_cast<std::size_t>(width);
    std::vector<std::int16_t> g(w * static_cast<std::size_t>(height), 0);
    for (int y = 1; y + 1 < height; ++y) {
        const unsigned char* up = gray.zulGetRow(y - 1);
        const unsigned char* mid = gray.zulGetRow(y);
        const unsigned char* down = gray.zulGetRow(y + 1);
        std::int16_t* o = g.data() + static_cast<std::size_t>(y) * w;
        for (int x = 1; x + 1 < width; ++x)
            o[x] = static_cast<std::int16_t>(zulSobelAt(up, mid, down, x));
    }
    return g;
}
