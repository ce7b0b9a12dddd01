#include "ZULLWComponent.h"

#include <cstring>

#include "ZULImage.h"

ZULImage& ZULLWComponent::zulComponentImage(ZULImage& out) const
{
    out = ZULImage(width(), height(), 8, true);
    if (!out.zulHasImageData())
        return out;
    for (const ZULDataruns& run : runs) {
        unsigned char* row = out.zulGetRow(run.row - top);
        std::memset(row + (run.start - left), 0, static_cast<std::size_t>(run.length()));
    }
    return out;
}
