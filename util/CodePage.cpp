#include "util/CodePage.h"

#include <array>
#include <bit>
#include <cstddef>
#include <memory>

#include <iconv.h>

namespace tavo {

namespace {

constexpr const char* kCodePageName = "CP1256";
constexpr char16_t kReplacement = 0xFFFD;

class CodePageTables {
public:
    static const CodePageTables& get()
    {
        static const CodePageTables tables;
        return tables;
    }

    char16_t toWide(unsigned char b) const { return wide_[b]; }

    int toByte(char16_t u) const
    {
        if (u == 0)
            return 0;
        const unsigned char b = narrow_[u];
        return b ? b : -1;
    }

private:
    CodePageTables() : narrow_(std::make_unique<unsigned char[]>(0x10000))
    {
        const char* wideName = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
        iconv_t cd = iconv_open(wideName, kCodePageName);
        const bool usable = cd != reinterpret_cast<iconv_t>(-1);
        for (int b = 0; b < 256; ++b) {
            char in = static_cast<char>(b);
            char16_t out = kReplacement;
            if (usable) {
                char* inPtr = &in;
                size_t inLeft = 1;
                char* outPtr = reinterpret_cast<char*>(&out);
                size_t outLeft = sizeof out;
                if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
                    out = kReplacement;
            }
            wide_[b] = out;
            if (b != 0 && out != kReplacement && narrow_[out] == 0)
                narrow_[out] = static_cast<unsigned char>(b);
        }
        if (usable)
            iconv_close(cd);
    }

    std::array<char16_t, 256> wide_{};
    std::unique_ptr<unsigned char[]> narrow_;  // 0: not in the code page
};

}  // namespace

char16_t codePageToWide(unsigned char byte)
{
    return CodePageTables::get().toWide(byte);
}

int wideToCodePage(char16_t unit)
{
    return CodePageTables::get().toByte(unit);
}

}  // namespace tavo
