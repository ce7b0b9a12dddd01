#include "ZULClusterBinarize.h"

#include <cstddef>
#include <cstdlib>

#include "ZULException.h"

namespace {

constexpr const char* kSource = "..\\src\\ZULClusterBinarize";
constexpr int kLineDepth = 21;
constexpr int kLineDivisor = 24;
constexpr std::size_t kSampleStep = 11;
constexpr int kPasses = 5;

void checkArguments(const ZULImage& gray, int divisor)
{
    if (gray.zulHasImageData() && gray.zulGetBitsPerPixel() != 8)
        throw ZULException(7, "<zulClusterThreshold()> A BYTE image expected", kSource, kLineDepth);
    if (divisor < 1)
        throw ZULException(7, "<zulClusterThreshold()> divisor must be positive", kSource, kLineDivisor);
}

}  // namespace

int zulClusterThreshold(const ZULImage& gray, int divisor)
{
    checkArguments(gray, divisor);
    const unsigned char* p = gray.zulGetImageData();
    if (!p)
        return 255;
    const std::size_t count = static_cast<std::size_t>(gray.zulGetWidth()) *
                              static_cast<std::size_t>(gray.zulGetHeight());

    // Samples are grey levels, so a histogram of them serves every pass.
    std::size_t histogram[256] = {};
    int dark = 255;
    int light = 0;
    for (std::size_t i = 0; i < count; i += kSampleStep) {
        const int v = p[i];
        ++histogram[v];
        if (v < dark)
            dark = v;
        if (v > light)
            light = v;
    }
    for (int pass = 0; pass < kPasses; ++pass) {
        long long darkSum = 0;
        long long lightSum = 0;
        long long darkCount = 1;
        long long lightCount = 1;
        for (int v = 0; v < 256; ++v) {
            const auto n = static_cast<long long>(histogram[v]);
            if (std::abs(v - dark) < std::abs(v - light)) {
                darkSum += n * v;
                darkCount += n;
            } else {
                lightSum += n * v;
                lightCount += n;
            }
        }
        light = static_cast<int>(lightSum / lightCount);
        dark = static_cast<int>(darkSum / darkCount);
    }
    return light - (light - dark) / divisor;
}

ZULImage zulClusterBinarize(ZULImage& gray, int divisor)
{
    const int threshold = zulClusterThreshold(gray, divisor);
    if (unsigned char* p = gray.zulGetImageData()) {
        const std::size_t size = gray.zulGetImageDataSize();
        for (std::size_t i = 0; i < size; ++i)
            p[i] = p[i] >= threshold ? 255 : 0;
        gray.zulSetBinaryState(1);
    }
    return gray;
}
