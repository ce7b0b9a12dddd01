#include "review/ScoreCache.h"

#include "review/Html.h"
#include "util/Strings.h"
#include "util/TextFile.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace tavo {

namespace {

constexpr const char* kHeader = "tavoalign scores 1";
// Thumbnails are about this wide, in pixels of the screen.
constexpr int kThumbWidth = 240;

// A 64-bit digest of the file's bytes and its length, eight bytes a step
// (FNV-style multiply and a fold); false when it cannot be read.
bool addFile(std::uint64_t& hash, const std::u16string& path)
{
    std::ifstream in(utf8FromWide(path), std::ios::binary);
    if (!in)
        return false;
    auto mix = [&hash](std::uint64_t word) {
        hash = (hash ^ word) * 0x100000001b3ULL;
        hash ^= hash >> 29;
    };
    std::vector<char> buffer(std::size_t{1} << 16);
    std::uint64_t length = 0;
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        std::size_t i = 0;
        for (; i + 8 <= got; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, buffer.data() + i, 8);
            mix(word);
        }
        for (; i < got; ++i)
            mix(static_cast<unsigned char>(buffer[i]));
        length += got;
    }
    if (in.bad())
        return false;
    mix(length);  // the length ends each file's part
    return true;
}

// A line without its end (LF or CR LF).
bool readLine(std::istream& in, std::string& line)
{
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

void writeList(std::string& out, const char* name, const std::vector<ZoneScore>& scores)
{
    out += std::string(name) + " " + std::to_string(scores.size()) + "\n";
    char number[40];
    for (const ZoneScore& s : scores) {
        std::snprintf(number, sizeof number, "%.17g", s.confidence);
        out += number;
        for (const std::string& d : s.doubts)
            out += " " + d;
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
        if (!(fields >> s.confidence))
            return false;
        while (fields >> word)
            s.doubts.push_back(word);
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
    if (!addFile(hash, image) || !addFile(hash, wordsXml) || (!linesXml.empty() && !addFile(hash, linesXml)))
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
    text += "\nend\n";
    CTextFileWrite out(path, kCodePage);  // bytes as they are
    out.writeText(text);
    out.close();
}

std::optional<KnownScores> readKnownScores(const std::u16string& path, std::uint64_t digest, size_t words,
                                           size_t lines)
{
    if (digest == 0)
        return std::nullopt;
    std::ifstream in(utf8FromWide(path), std::ios::binary);
    std::string line;
    if (!in || !readLine(in, line) || line != kHeader || !readLine(in, line))
        return std::nullopt;
    KnownScores known;
    std::uint64_t named = 0;
    if (std::sscanf(line.c_str(), "%" SCNx64 " %d %d", &named, &known.width, &known.height) != 3 || named != digest)
        return std::nullopt;
    if (!readList(in, "words", words, known.scores.words) || !readList(in, "lines", lines, known.scores.lines) ||
        !readLine(in, line))
        return std::nullopt;
    int w = 0, h = 0;
    char rest = 0;
    if (std::sscanf(line.c_str(), "thumbnail %d %d%c", &w, &h, &rest) != 2 || w < 1 || h < 1 ||
        w > known.width || h > known.height)
        return std::nullopt;
    known.thumbnail = ZULImage(w, h, 8, true);
    for (int y = 0; y < h && in; ++y)
        in.read(reinterpret_cast<char*>(known.thumbnail.zulGetRow(y)), w);
    if (!in || in.get() != '\n' || !readLine(in, line) || line != "end" || in.peek() != EOF)
        return std::nullopt;
    return known;
}

}  // namespace tavo
