// The synthetic page of ReviewFixtures.h as files the commands read: the
// page as PNG, the words and the line as ground-truth files.
#pragma once

#include "ReviewFixtures.h"
#include "RunTool.h"
#include "Strings.h"

#include <filesystem>
#include <string>

namespace reviewtest {

inline std::string zoneFile(const std::vector<tavo::ZoneEntry>& zones)
{
    std::string xml = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<TAVO>\r\n<DL_PAGE>\r\n";
    for (const tavo::ZoneEntry& z : zones) {
        const tavo::ZoneBox& b = z.box;
        xml += "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" col=\"" + std::to_string(b.col) + "\" row=\"" +
               std::to_string(b.row) + "\" width=\"" + std::to_string(b.width) + "\" height=\"" +
               std::to_string(b.height) + "\" contents=\"" + tavo::utf8FromWide(z.text) +
               "\" status=\"\"> </DL_ZONE>\r\n";
    }
    return xml + "</DL_PAGE>\r\n</TAVO>";
}

// Writes page.png, words.xml and lines.xml into dir.
inline void writePage(const SynthPage& s, const std::filesystem::path& dir)
{
    s.page.zulSaveImage((dir / "page.png").string());
    tavotest::writeFile(dir / "words.xml", zoneFile(s.words));
    tavotest::writeFile(dir / "lines.xml", zoneFile(s.lines));
}

// A page whose first and fourth words carry each other's text.
inline SynthPage swappedPage()
{
    auto words = kWords;
    std::swap(words[0], words[3]);
    SynthPage s = drawLine(kWords);
    for (size_t i = 0; i < words.size(); ++i)
        s.words[i].text = words[i];
    return s;
}

}  // namespace reviewtest
