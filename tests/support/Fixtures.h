// Fixtures the test programs share: the bytes of ground-truth files as the
// program reads and writes them, and generated images.
#pragma once

#include "ZULImage.h"

#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace tavotest {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kXmlDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
// The head of the zone lines the word and PAW commands write.
const std::string kNewZoneHead = "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" segmentation=\"word\" ";

// The lines, each followed by CR LF.
inline std::string crlf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// A file as the program writes it: byte-order mark, CR LF after every line.
inline std::string written(const std::vector<std::string>& lines)
{
    return kBom + crlf(lines);
}

// An allocated image with pseudo-random bytes.
inline ZULImage randomImage(int width, int height, int bits, unsigned seed)
{
    ZULImage image(width, height, bits, true);
    std::mt19937 random(seed);
    unsigned char* p = image.zulGetImageData();
    for (std::size_t i = 0; i < image.zulGetImageDataSize(); ++i)
        p[i] = static_cast<unsigned char>(random());
    return image;
}

}  // namespace tavotest
