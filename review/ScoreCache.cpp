#include "review/ScoreCache.h"

#include "util/Strings.h"
#include "util/TextFile.h"

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace tavo {

namespace {

constexpr const char* kHeader = "tavoalign scores 1";

// FNV-1a over the file's bytes and its length; false when it cannot be read.
bool addFile(std::uint64_t& hash, const std::u16string& path)
{
    std::ifstream in(utf8FromWide(path), std::ios::binary);
    if (!in)
        return false;
    char buffer[1 << 16];
    std::uint64_t length = 0;
    while (in) {
        in.read(buffer, sizeof buffer);
        const std::streamsize got = in.gcount();
        for (std::streamsize i = 0; i < got; ++i) {
            hash ^= static_cast<unsigned char>(buffer[i]);
            hash *= 0x100000001b3ULL;
        }
        length += static_cast<std::uint64_t>(got);
    }
    if (in.bad())
        return false;
    for (int i = 0; i < 8; ++i) {  // the length ends each file's part
        hash ^= (length >> (8 * i)) & 0xff;
        hash *= 0x100000001b3ULL;
    }
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
    text += "end\n";
    CTextFileWrite out(path, kCodePage);
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
        !readLine(in, line) || line != "end")
        return std::nullopt;
    return known;
}

}  // namespace tavo
