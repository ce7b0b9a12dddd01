// libFuzzer target: the BMP reader on arbitrary bytes.
#include "FuzzInput.h"
#include "ZULBMPImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzOneReader(data, size, [](const std::string& path) { return ZULBMPImage().zulLoadImage(path); });
}
