// A synthetic page for the confidence tests: one line of words, each word
// drawn as its pieces (rectangle outlines one body high, stroke thick) and
// as wide as its text is expected to be, with tight word zones and a line
// zone around them; and the same as files the commands read.
#pragma once

#include "review/ZoneFile.h"
#include "review/ZoneScore.h"
#include "support/RunTool.h"
#include "util/Strings.h"

#include "ZULImage.h"

#include <filesystem>
#include <string>
#include <vector>

namespace reviewtest {

// Words with 1, 3, 2, 3, 1 and 1 pieces.
inline const std::vector<std::u16string> kWords = {
    u"\u0628\u064A\u062A", u"\u062F\u0627\u0631", u"\u0643\u062A\u0627\u0628",
    u"\u0645\u062F\u0631\u0633\u0629", u"\u0633\u0645\u0627\u0621", u"\u0642\u0644\u0645"};

struct SynthPage {
    ZULImage page;
    std::vector<tavo::ZoneEntry> words;
    std::vector<tavo::ZoneEntry> lines;
};

inline void outline(ZULImage& page, int x0, int y0, int w, int h, int stroke)
{
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            if (y < y0 + stroke || y >= y0 + h - stroke || x < x0 + stroke || x >= x0 + w - stroke)
                page.zulSetPixel(x, y, 0);
}

// body: the pieces' height in pixels; everything else scales with it.
inline SynthPage drawLine(const std::vector<std::u16string>& texts, int body = 40)
{
    const int stroke = body / 10, gap = stroke * 2, wordGap = body, margin = body;
    std::vector<int> widths;
    int total = margin;
    for (const auto& t : texts) {
        widths.push_back(static_cast<int>(tavo::expectedWidth(t) * body));
        total += widths.back() + wordGap;
    }
    SynthPage s{ZULImage(total + margin, 4 * body, 8, true), {}, {}};
    int x = margin;
    const int top = body + body / 2;
    std::u16string lineText;
    for (size_t i = 0; i < texts.size(); ++i) {
        const int pieces = std::max(1, tavo::expectedBodies(texts[i]));
        const int pieceWidth = (widths[i] - gap * (pieces - 1)) / pieces;
        for (int p = 0; p < pieces; ++p)
            outline(s.page, x + p * (pieceWidth + gap), top, pieceWidth, body, stroke);
        tavo::ZoneEntry word;
        word.lineNumber = static_cast<long>(i) + 5;
        word.box = {x - 1, top - 1, widths[i] + 2, body + 2};
        word.text = texts[i];
        s.words.push_back(word);
        lineText += (i ? u" " : u"") + texts[i];
        x += widths[i] + wordGap;
    }
    tavo::ZoneEntry line;
    line.lineNumber = 5;
    line.box = {margin / 2, top - body / 2, x - margin / 2, 2 * body};
    line.text = lineText;
    s.lines.push_back(line);
    return s;
}

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
    SynthPage s = drawLine(kWords);
    std::swap(s.words[0].text, s.words[3].text);
    return s;
}

}  // namespace reviewtest
