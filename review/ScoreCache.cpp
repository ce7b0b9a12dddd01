#include "review/ScoreCache.h"

#include "review/Html.h"
#include "util/FileDigest.h"
#include "util/Strings.h"
#include "util/TextFile.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string_view>
#include <vector>

namespace tavo {

namespace {

constexpr const char* kHeader = "tavoalign scores 1";
// Thumbnails are about this wide, in pixels of the screen.
constexpr int kThumbWidth = 240;

// A line without its end (LF or CR LF).
bool readLine(std::istream& in, std::string& line)
{
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

// A reason as one word: '%' and white space as %XX (a reason read from a
// file may hold any character).
std::string escaped(const std::string& reason)
{
    std::string out;
    char code[4];
    for (const char c : reason) {
        if (c == '%' || std::isspace(static_cast<unsigned char>(c)) || c == '\0') {
            std::snprintf(code, sizeof code, "%%%02X", static_cast<unsigned char>(c));
            out += code;
        } else {
            out += c;
        }
    }
    if (out.empty())
        out.push_back('%');  // alone: the empty reason
    return out;
}

std::string unescaped(const std::string& word)
{
    if (word == "%")
        return {};
    std::string out;
    for (size_t i = 0; i < word.size(); ++i) {
        unsigned value = 0;
        if (word[i] == '%' && i + 2 < word.size() && std::sscanf(word.c_str() + i + 1, "%2X", &value) == 1) {
            out += static_cast<char>(value);
            i += 2;
        } else {
            out += word[i];
        }
    }
    return out;
}

// The digest of a text, written after the scores so that a damaged file
// is not taken.
std::uint64_t textDigest(std::string_view text)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : text)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    return hash;
}

void writeList(std::string& out, const char* name, const std::vector<ZoneScore>& scores)
{
    out += std::string(name) + " " + std::to_string(scores.size()) + "\n";
    char number[40];
    for (const ZoneScore& s : scores) {
        std::snprintf(number, sizeof number, "%.17g", s.confidence);
        out += number;
        out += s.doubtful ? " d" : " s";  // doubtful or sure, as the checker decided
        for (const std::string& d : s.doubts) {
            out += ' ';
            out += escaped(d);
        }
        out += "\n";
    }
}

bool readList(std::istream& in, const char* name, size_t count, std::vector<ZoneScore>& scores)
{
    std::string line, word;
    size_t n = 0;
    if (!readLine(in, line))
        return false;
    std::istringstream head(line);
    if (!(head >> word >> n) || word != name || n != count)
        return false;
    scores.resize(count);
    for (ZoneScore& s : scores) {
        if (!readLine(in, line))
            return false;
        std::istringstream fields(line);
        std::string verdict;
        if (!(fields >> s.confidence >> verdict) || (verdict != "d" && verdict != "s"))
            return false;
        s.doubtful = verdict == "d";
        while (fields >> word)
            s.doubts.push_back(unescaped(word));
    }
    return true;
}

}  // namespace

ZULImage reviewThumbnail(const ZULImage& page)
{
    return greyPage(page, std::max(1, page.zulGetWidth() / kThumbWidth));
}

std::uint64_t inputDigest(const std::u16string& image, const std::u16string& wordsXml, const std::u16string& linesXml)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    if (!addFileDigest(hash, utf8FromWide(image)) || !addFileDigest(hash, utf8FromWide(wordsXml)) ||
        (!linesXml.empty() && !addFileDigest(hash, utf8FromWide(linesXml))))
        return 0;
    return hash == 0 ? 1 : hash;
}

void writeKnownScores(const std::u16string& path, std::uint64_t digest, const KnownScores& known)
{
    char head[96];
    std::snprintf(head, sizeof head, "%s\n%016" PRIx64 " %d %d\n", kHeader, digest, known.width, known.height);
    std::string text = head;
    writeList(text, "words", known.scores.words);
    writeList(text, "lines", known.scores.lines);
    const ZULImage& thumb = known.thumbnail;
    text += "thumbnail " + std::to_string(thumb.zulGetWidth()) + " " + std::to_string(thumb.zulGetHeight()) + "\n";
    for (int y = 0; y < thumb.zulGetHeight(); ++y)
        text.append(reinterpret_cast<const char*>(thumb.zulGetRow(y)), static_cast<size_t>(thumb.zulGetWidth()));
    text += "\n";
    char end[32];
    std::snprintf(end, sizeof end, "end %016" PRIx64 "\n", textDigest(text));
    text += end;
    CTextFileWrite out(path, kCodePage);  // bytes as they are
    out.writeText(text);
    out.close();
}

std::optional<KnownScores> readKnownScores(const std::u16string& path, std::uint64_t digest, size_t words,
                                           size_t lines)
{
    if (digest == 0)
        return std::nullopt;
    std::ifstream file(utf8FromWide(path), std::ios::binary);
    std::ostringstream whole;
    whole << file.rdbuf();
    const std::string text = whole.str();
    // The last line: "end" and the digest of everything before it.
    const size_t endAt = text.size() >= 21 ? text.size() - 21 : std::string::npos;
    char named[32];
    std::snprintf(named, sizeof named, "end %016" PRIx64 "\n",
                  endAt == std::string::npos ? 0 : textDigest(std::string_view(text).substr(0, endAt)));
    if (!file || endAt == std::string::npos || text.compare(endAt, std::string::npos, named) != 0)
        return std::nullopt;
    std::istringstream in(text.substr(0, endAt));
    std::string line;
    if (!readLine(in, line) || line != kHeader || !readLine(in, line))
        return std::nullopt;
    KnownScores known;
    std::uint64_t inputs = 0;
    if (std::sscanf(line.c_str(), "%" SCNx64 " %d %d", &inputs, &known.width, &known.height) != 3 ||
        inputs != digest || known.width < 1 || known.height < 1)
        return std::nullopt;
    if (!readList(in, "words", words, known.scores.words) || !readList(in, "lines", lines, known.scores.lines) ||
        !readLine(in, line))
        return std::nullopt;
    int w = 0, h = 0;
    char rest = 0;
    const int factor = std::max(1, known.width / kThumbWidth);
    if (std::sscanf(line.c_str(), "thumbnail %d %d%c", &w, &h, &rest) != 2 ||
        w != std::max(1, known.width / factor) || h != std::max(1, known.height / factor))
        return std::nullopt;
    known.thumbnail = ZULImage(w, h, 8, true);
    for (int y = 0; y < h && in; ++y)
        in.read(reinterpret_cast<char*>(known.thumbnail.zulGetRow(y)), w);
    if (!in || in.get() != '\n' || in.peek() != EOF)
        return std::nullopt;
    return known;
}

}  // namespace tavo
