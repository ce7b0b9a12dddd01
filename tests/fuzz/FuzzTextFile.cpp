// libFuzzer target: the text-file reader on arbitrary bytes, once as they
// are and once behind each byte-order mark, compared with a plain decoder of
// the whole file; and the writer's round trip: lines written in UTF-8 and
// both UTF-16 forms read back as written.
#include "FuzzInput.h"
#include "FuzzText.h"

#include "util/CodePage.h"
#include "util/Strings.h"
#include "util/TextFile.h"

#include <filesystem>

using fuzztext::check;

namespace {

constexpr char16_t kCr = 13;
constexpr char16_t kLf = 10;
constexpr char16_t kReplacement = 0xFFFD;

// A decoded unit and whether it ends a line.  Line ends are the characters
// CR and LF; in UTF-8 and the code page they are the bytes 0D and 0A.
struct Unit {
    char16_t value;
    bool lineEnd;
};

struct Expected {
    int encoding;
    std::vector<std::u16string> lines;
};

int detectEncoding(std::string_view b, size_t& start)
{
    const auto at = [&](size_t i) { return i < b.size() ? static_cast<unsigned char>(b[i]) : -1; };
    start = 0;
    if (at(0) == 0xFF && at(1) == 0xFE) {
        start = 2;
        return tavo::kUtf16LittleEndian;
    }
    if (at(0) == 0xFE && at(1) == 0xFF) {
        start = 2;
        return tavo::kUtf16BigEndian;
    }
    if (at(0) == 0xEF && at(1) == 0xBB) {
        if (at(2) != 0xBF)
            return tavo::kCodePage;
        start = 3;
    }
    return tavo::kUtf8;
}

// UTF-8 as the reader decodes it: a lead byte whose continuation bytes are
// all there gives its character (four-byte ones a surrogate pair, or U+FFFD
// beyond U+10FFFF; CR or LF spelt in more than one byte U+FFFD too, so that
// a line never holds a line end); any other byte of 0x80 or above gives
// U+FFFD alone.
void decodeUtf8(std::string_view b, size_t i, std::vector<Unit>& out)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(b[k]); };
    while (i < b.size()) {
        const unsigned char lead = byte(i);
        const int extra = lead >= 0xF0 && lead <= 0xF7 ? 3 : lead >= 0xE0 && lead < 0xF0 ? 2
                        : lead >= 0xC0 && lead < 0xE0 ? 1 : 0;
        if (lead < 0x80) {
            out.push_back({lead, lead == kCr || lead == kLf});
            ++i;
            continue;
        }
        bool whole = extra > 0 && i + static_cast<size_t>(extra) < b.size();
        for (int k = 1; whole && k <= extra; ++k)
            whole = (byte(i + static_cast<size_t>(k)) & 0xC0) == 0x80;
        if (!whole) {
            out.push_back({kReplacement, false});
            ++i;
            continue;
        }
        int cp = lead & (0x7F >> (extra + 1));
        for (int k = 1; k <= extra; ++k)
            cp = (cp << 6) | (byte(i + static_cast<size_t>(k)) & 0x3F);
        i += static_cast<size_t>(extra) + 1;
        if (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) {
            out.push_back({kReplacement, false});
        } else if (cp >= 0x10000) {
            out.push_back({static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)), false});
            out.push_back({static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)), false});
        } else if (cp == kCr || cp == kLf) {  // an over-long line end is no line end
            out.push_back({kReplacement, false});
        } else {
            out.push_back({static_cast<char16_t>(cp), false});
        }
    }
}

Expected decodeWhole(std::string_view b)
{
    size_t i = 0;
    Expected expected;
    expected.encoding = detectEncoding(b, i);
    std::vector<Unit> units;
    switch (expected.encoding) {
    case tavo::kUtf8:
        decodeUtf8(b, i, units);
        break;
    case tavo::kCodePage:
        for (; i < b.size(); ++i) {
            const auto c = static_cast<unsigned char>(b[i]);
            units.push_back({tavo::codePageToWide(c), c == kCr || c == kLf});
        }
        break;
    default:
        for (; i + 1 < b.size(); i += 2) {
            const auto hi = static_cast<unsigned char>(b[expected.encoding == tavo::kUtf16BigEndian ? i : i + 1]);
            const auto lo = static_cast<unsigned char>(b[expected.encoding == tavo::kUtf16BigEndian ? i + 1 : i]);
            const auto u = static_cast<char16_t>(hi << 8 | lo);
            units.push_back({u, u == kCr || u == kLf});
        }
        if (i < b.size())  // a dangling odd byte
            units.push_back({kReplacement, false});
        break;
    }
    // CR, LF and CR LF each end a line; the text after the last end is one
    // more line, empty when the file ends in a line end.
    expected.lines.emplace_back();
    for (size_t k = 0; k < units.size(); ++k) {
        if (!units[k].lineEnd) {
            expected.lines.back() += units[k].value;
            continue;
        }
        if (units[k].value == kCr && k + 1 < units.size() && units[k + 1].lineEnd && units[k + 1].value == kLf)
            ++k;
        expected.lines.emplace_back();
    }
    return expected;
}

void checkReader(std::string_view bytes)
{
    static FuzzInput input;
    const std::string& path = input.write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    tavo::CTextFileRead file(tavo::wideFromUtf8(path));
    check(file.isOpen());
    const Expected expected = decodeWhole(bytes);
    check(file.encoding() == expected.encoding);
    std::u16string line;
    for (const std::u16string& want : expected.lines) {
        check(file.readLine(line));
        check(line == want);
    }
    check(!file.readLine(line));
    check(!file.readLine(line));
}

// Lines written in each Unicode encoding read back unchanged, followed by the
// empty line after the last line end.
void checkRoundTrip(const std::u16string& text)
{
    std::vector<std::u16string> lines(1);
    for (const char16_t c : text) {
        if (c == kCr || c == kLf)
            lines.emplace_back();
        else
            lines.back() += c;
    }
    const std::u16string path = tavo::wideFromUtf8((fuzztext::scratchFolder() / "round-trip.txt").string());
    for (const int encoding : {tavo::kUtf8, tavo::kUtf16BigEndian, tavo::kUtf16LittleEndian}) {
        {
            tavo::CTextFileWrite out(path, encoding);
            for (const std::u16string& line : lines) {
                out.writeText(line);
                out.writeEndLine();
            }
            out.close();
        }
        tavo::CTextFileRead in(path);
        check(in.encoding() == encoding);
        std::u16string line;
        for (const std::u16string& want : lines) {
            check(in.readLine(line));
            check(line == want);
        }
        check(in.readLine(line) && line.empty());
        check(!in.readLine(line));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const std::string_view mark : {std::string_view(), std::string_view("\xFF\xFE"),
                                        std::string_view("\xFE\xFF"), std::string_view("\xEF\xBB\xBF")}) {
        checkReader(std::string(mark) + std::string(bytes));
    }
    checkRoundTrip(fuzztext::textOf(bytes));
    return 0;
}
