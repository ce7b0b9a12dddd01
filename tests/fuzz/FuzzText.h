// Shared pieces of the fuzz targets that work on text: turning input bytes
// into UTF-16 text rich in the characters the commands care about, splitting
// an input into fields, and a scratch folder for files that must exist on
// disk (writers commit by renaming a temporary file, which needs a folder).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fuzztext {

// A broken expectation: libFuzzer records the input as a crash.
inline void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

// Fields of an input are separated by this byte; it never stands for a
// character itself.
constexpr unsigned char kFieldSeparator = 0x1F;

// Bytes 0xD0-0xEF: characters with a role in zone lines, transcriptions and
// encodings (separators, XML specials, line ends, the kept-character edges,
// surrogates, the byte-order mark, NUL).
constexpr std::array<char16_t, 32> kSpecials = {
    u' ',    u'^',    u'"',    u'&',    u'<',    u'>',    u'\'',   u'\t',
    u'\r',   u'\n',   u'=',    u',',    u'.',    u'-',    0x2013,  0x00E9,
    0x0600,  0x06FF,  0x06F0,  0xFFFD,  0xFEFF,  0xD800,  0xDBFF,  0xDC00,
    0xDFFF,  0x0080,  0x00FF,  0x0100,  0x07FF,  0x0800,  0xFFFF,  0x0000,
};
constexpr unsigned char kArabicBase = 0x80;   // 0x80-0xCF: U+0621 onwards
constexpr unsigned char kSpecialBase = 0xD0;
constexpr unsigned char kRawUnit = 0xF0;      // 0xF0-0xFF: the next two bytes, low first
constexpr char16_t kArabicFirst = 0x0621;

// ASCII bytes stand for themselves, 0x80-0xCF for U+0621 to U+0670 (Arabic
// letters, diacritics and digits), 0xD0-0xEF for kSpecials, and 0xF0-0xFF
// take the next two bytes as any UTF-16 unit.
inline std::u16string textOf(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < kArabicBase) {
            text += static_cast<char16_t>(b);
        } else if (b < kSpecialBase) {
            text += static_cast<char16_t>(kArabicFirst + (b - kArabicBase));
        } else if (b < kRawUnit) {
            text += kSpecials[b - kSpecialBase];
        } else if (i + 2 < bytes.size()) {
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i + 1]) |
                                          (static_cast<unsigned char>(bytes[i + 2]) << 8));
            i += 2;
        } else {
            text += char16_t{0xFFFD};
            i = bytes.size();
        }
    }
    return text;
}

// The bytes textOf turns back into text (for writing seeds).  Units whose
// bytes would hold the field separator cannot be written this way.
inline std::string bytesOf(std::u16string_view text)
{
    std::string bytes;
    for (const char16_t c : text) {
        if (c < kArabicBase) {
            bytes += static_cast<char>(c);
        } else if (c >= kArabicFirst && c < kArabicFirst + (kSpecialBase - kArabicBase)) {
            bytes += static_cast<char>(kArabicBase + (c - kArabicFirst));
        } else {
            bytes += static_cast<char>(kRawUnit);
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
    }
    check(bytes.find(static_cast<char>(kFieldSeparator)) == std::string::npos);
    return bytes;
}

// The input cut at every kFieldSeparator byte; always at least `count`
// fields (missing ones are empty).
inline std::vector<std::string_view> fields(const std::uint8_t* data, size_t size, size_t count)
{
    std::vector<std::string_view> parts;
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    for (;;) {
        const size_t end = all.find(static_cast<char>(kFieldSeparator), start);
        if (end == std::string_view::npos) {
            parts.push_back(all.substr(start));
            break;
        }
        parts.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    while (parts.size() < count)
        parts.emplace_back();
    return parts;
}

// A private folder for the run, on tmpfs when there is one, removed at exit.
inline const std::filesystem::path& scratchFolder()
{
    static const std::filesystem::path folder = [] {
        const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/tavo-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            __builtin_trap();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchFolder(), ignored);
        });
        return std::filesystem::path(pattern);
    }();
    return folder;
}

}  // namespace fuzztext
