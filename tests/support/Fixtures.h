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

// How many times what stands in text (overlapping included).
inline int countOf(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// A one-page zone file of 600 x 400 pixels around its zone lines, and one
// zone line with the given attributes.
const std::string kZoneFileHead =
    kBom + kXmlDecl + "\r\n<TAVO xmlns=\"urn:tavo:groundtruth\" version=\"1.0\">\r\n"
    "<DL_DOCUMENT src=\"page.tif\" docTag=\"xml\" NrOfPages=\"1\">\r\n"
    "<DL_PAGE tavo_type=\"DL_PAGE\" src=\"page.tif\" pageID=\"1\" width=\"600\" height=\"400\">\r\n";
const std::string kZoneFileTail = "\t\t</DL_PAGE>\r\n\t</DL_DOCUMENT>\r\n</TAVO>\r\n";
inline std::string zoneLine(const std::string& attributes)
{
    return "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" " + attributes + "> </DL_ZONE>\r\n";
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
