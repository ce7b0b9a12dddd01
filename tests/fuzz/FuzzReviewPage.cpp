// libFuzzer target: the review page writer (reviewHtml) with hostile names
// and texts.  Whatever the names of the scan and the zone files and whatever
// the zones hold, the page is valid UTF-8 without NUL, holds exactly its own
// three scripts, one rectangle per zone, balanced isolation, and every link is
// a relative path or a file:// URL: nothing a name or text carries can run.
//
// Input: fields separated by 0x1F: the scan's name, the picture's path, the
// words file's path and the lines file's path (raw bytes), then one field per
// zone: a confidence byte followed by the text (FuzzText.h's textOf).  The
// first zone is a line, the rest are words.
#include "FuzzText.h"

#include "review/ReviewPage.h"

#include <string>
#include <string_view>

using fuzztext::check;

namespace {

size_t count(std::string_view text, std::string_view what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

bool validUtf8WithoutNul(std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();) {
        const unsigned char b = p[i];
        if (b == 0)
            return false;
        if (b < 0x80) {
            ++i;
            continue;
        }
        const size_t extra = b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xF0 && b <= 0xF4 ? 3 : 0;
        if (extra == 0 || i + extra >= text.size())
            return false;
        char32_t cp = b & (0x3F >> extra);
        for (size_t k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        const char32_t least = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// Every link and image source (escaped text holds no '<', so each of these
// is one the writer made): a relative path or file://.
bool linksAreLocal(std::string_view html)
{
    for (const std::string_view attribute : {"<a href=\"", "<img src=\""}) {
        for (size_t at = html.find(attribute); at != std::string_view::npos; at = html.find(attribute, at + 1)) {
            const size_t start = at + attribute.size();
            const size_t end = html.find('"', start);
            if (end == std::string_view::npos)
                return false;
            const std::string_view url = html.substr(start, end - start);
            if (url.find(':') != std::string_view::npos && url.rfind("file:///", 0) != 0)
                return false;
            if (url.find_first_of("'()\\ <>&#?") != std::string_view::npos)
                return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::vector<std::string_view> parts = fuzztext::fields(data, size, 4);
    tavo::ZoneFile lines, words;
    std::vector<tavo::ZoneScore> lineScores, wordScores;
    for (size_t i = 4; i < parts.size() && i < 64; ++i) {
        tavo::ZoneEntry zone;
        zone.lineNumber = static_cast<long>(i);
        const std::string_view field = parts[i];
        const int c = field.empty() ? 0 : static_cast<unsigned char>(field[0]);
        zone.box = {c * 3, c, 40 + c, 20};
        zone.text = fuzztext::textOf(field.empty() ? field : field.substr(1));
        zone.doubt = zone.text;
        zone.checked = (c & 1) != 0;
        tavo::ZoneScore score;
        score.confidence = c / 255.0;
        score.doubts = {std::string(field.empty() ? field : field.substr(1))};
        (i == 4 ? lines : words).zones.push_back(zone);
        (i == 4 ? lineScores : wordScores).push_back(score);
    }
    const std::string html =
        tavo::reviewHtml({std::string(parts[0]), std::string(parts[1]), 800, 600, lines, lineScores,
                          std::string(parts[3]), words, wordScores, std::string(parts[2]), "doubtful: x"});

    check(validUtf8WithoutNul(html));
    check(count(html, "<script") == 3 && count(html, "</script") == 3);
    check(count(html, "<style") == 1 && count(html, "</style") == 1);
    check(count(html, "<rect ") == lines.zones.size() + words.zones.size());
    check(count(html, "<bdi>") == count(html, "</bdi>"));
    check(html.find("<title>Review: \u2068") != std::string::npos &&
          html.find("\u2069</title>") != std::string::npos);
    check(linksAreLocal(html));
    return 0;
}
