// Small generated pages for the interchange tests: a grey page image and
// zone files of lines or of words with a reading-order chain.
#pragma once

#include "support/RunTool.h"
#include "util/Strings.h"
#include "ZULImage.h"
#include "ZULPNGImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace interchangetest {

constexpr int kPageWidth = 600;
constexpr int kPageHeight = 400;

// A white page with a dark bar where each line of words would be.
inline void writePage(const std::filesystem::path& file)
{
    ZULImage page(kPageWidth, kPageHeight, 8, true);
    for (int y = 0; y < kPageHeight; ++y)
        for (int x = 0; x < kPageWidth; ++x)
            page.zulSetPixel(x, y, (y % 60 > 20 && y % 60 < 45 && x > 40) ? 20 : 255);
    ZULPNGImage().zulSaveImage(file.string(), page);
}

inline std::string zone(const std::string& id, int col, int row, int width, int height,
                        const std::string& contents, const std::string& extra = "")
{
    return "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"" + id + "\" segmentation=\"word\" col=\"" +
           std::to_string(col) + "\" row=\"" + std::to_string(row) + "\" width=\"" + std::to_string(width) +
           "\" height=\"" + std::to_string(height) + "\" contents=\"" + contents + "\" offsets=\"\"" + extra +
           "> </DL_ZONE>";
}

inline std::string zoneFile(const std::vector<std::string>& zones)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<TAVO xmlns=\"urn:tavo:groundtruth\" "
                       "version=\"1.0\">\r\n<DL_PAGE tavo_type=\"DL_PAGE\" src=\"page.png\" pageID=\"1\" width=\"" +
                       std::to_string(kPageWidth) + "\" height=\"" + std::to_string(kPageHeight) + "\">\r\n";
    for (const std::string& z : zones)
        text += z + "\r\n";
    return text + "</DL_PAGE>\r\n</TAVO>\r\n";
}

// A generated words page: `lines` lines of words laid right to left, words
// jittered up and down, chained by nextZoneID, some with the optional
// attributes (polygon, baseline, confidence, doubt, pawboxes).
inline std::vector<std::string> wordPage(std::uint32_t seed, int lines)
{
    static const char* const kWords[] = {"بيت", "المكتبة", "أدوار", "ذهب", "القلم", "يسافر", "عن", "رأى"};
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u, static_cast<int>(seed >> 8); };
    std::vector<std::string> zones;
    int id = 1;
    for (int l = 0; l < lines; ++l) {
        const int count = 1 + next() % 6;
        int right = kPageWidth - 1 - next() % 20;
        for (int w = 0; w < count && right > 60; ++w, ++id) {
            const int width = 20 + next() % 50, top = 60 * l + 15 + next() % 6, height = 25 + next() % 10;
            std::string extra = " nextZoneID=\"" + std::to_string(id + 1) + "\"";
            const int col = right - width + 1;
            if (next() % 3 == 0)
                extra += " confidence=\"0." + std::to_string(10 + next() % 90) + "\"";
            if (next() % 4 == 0)
                extra += " polygon=\"" + std::to_string(col) + "," + std::to_string(top) + " " +
                         std::to_string(right) + "," + std::to_string(top + 2) + " " + std::to_string(col + 3) +
                         "," + std::to_string(top + height - 1) + "\"";
            if (next() % 5 == 0)
                extra += " pawboxes=\"" + std::to_string(col) + "," + std::to_string(top) + ",5,5\"";
            if (next() % 7 == 0)
                extra += " doubt=\"overlap\"";
            zones.push_back(zone(std::to_string(id), col, top, width, height, kWords[next() % 8], extra));
            right = col - 5 - next() % 15;
        }
    }
    if (!zones.empty()) {  // the last zone ends the chain
        const size_t at = zones.back().find(" nextZoneID=");
        zones.back().erase(at, zones.back().find('"', zones.back().find('"', at) + 1) + 1 - at);
    }
    return zones;
}

}  // namespace interchangetest
