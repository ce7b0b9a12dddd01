// Helpers shared by the image file tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "support/Fixtures.h"
#include "support/RunTool.h"
#include "ZULException.h"
#include "ZULImage.h"

using tavotest::randomImage;

namespace filetest {

using Bytes = std::vector<unsigned char>;

// Runs call and checks that it raises a ZULException with this code and, when
// given, exactly this message.
template <typename Call>
void expectZulError(Call&& call, int code, const std::string& message = {})
{
    try {
        call();
        ADD_FAILURE() << "no ZULException, expected code " << code << " " << message;
    } catch (const ZULException& e) {
        EXPECT_EQ(e.zulGetErrorCode(), code) << e.what();
        if (!message.empty()) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
}

// As expectZulError, for messages whose line number is not fixed: the
// message must end with text.
template <typename Call>
void expectZulErrorEnding(Call&& call, int code, const std::string& text)
{
    try {
        call();
        ADD_FAILURE() << "no ZULException, expected code " << code << " " << text;
    } catch (const ZULException& e) {
        const std::string message = e.what();
        EXPECT_EQ(e.zulGetErrorCode(), code) << message;
        EXPECT_TRUE(message.size() >= text.size() && message.compare(message.size() - text.size(), text.size(), text) == 0)
            << message;
    }
}

inline ZULImage smoothImage(int width, int height, int bits)
{
    ZULImage image(width, height, bits, true);
    const int channels = bits == 24 ? 3 : 1;
    for (int y = 0; y < height; ++y) {
        unsigned char* row = image.zulGetRow(y);
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                row[x * channels + c] = static_cast<unsigned char>(std::min(255, x * 3 + y * 2 + c * 40));
            }
        }
    }
    return image;
}

inline int bitAt(const ZULImage& image, int x, int y) { return (image.zulGetRow(y)[x / 8] >> (7 - x % 8)) & 1; }

// Same size, depth and pixels (for 1-bit images only the bits of pixels
// count, not the unused low bits of a row's last byte).
inline ::testing::AssertionResult samePixels(const ZULImage& a, const ZULImage& b)
{
    if (a.zulGetWidth() != b.zulGetWidth() || a.zulGetHeight() != b.zulGetHeight() ||
        a.zulGetBitsPerPixel() != b.zulGetBitsPerPixel()) {
        return ::testing::AssertionFailure()
               << a.zulGetWidth() << "x" << a.zulGetHeight() << "x" << a.zulGetBitsPerPixel() << " vs "
               << b.zulGetWidth() << "x" << b.zulGetHeight() << "x" << b.zulGetBitsPerPixel();
    }
    if (!a.zulHasImageData() || !b.zulHasImageData()) {
        return ::testing::AssertionFailure() << "no pixels";
    }
    for (int y = 0; y < a.zulGetHeight(); ++y) {
        if (a.zulGetBitsPerPixel() == 1) {
            for (int x = 0; x < a.zulGetWidth(); ++x) {
                if (bitAt(a, x, y) != bitAt(b, x, y)) {
                    return ::testing::AssertionFailure() << "bit " << x << "," << y;
                }
            }
            continue;
        }
        const unsigned char* ra = a.zulGetRow(y);
        const unsigned char* rb = b.zulGetRow(y);
        for (int i = 0; i < a.zulGetBytesPerRow(); ++i) {
            if (ra[i] != rb[i]) {
                return ::testing::AssertionFailure()
                       << "byte " << i << " of row " << y << ": " << int{ra[i]} << " vs " << int{rb[i]};
            }
        }
    }
    return ::testing::AssertionSuccess();
}

inline Bytes readBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& file, const Bytes& bytes)
{
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::string> folderEntries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

inline std::uint32_t le32(const Bytes& b, std::size_t at)
{
    return std::uint32_t{b.at(at)} | (std::uint32_t{b.at(at + 1)} << 8) | (std::uint32_t{b.at(at + 2)} << 16) |
           (std::uint32_t{b.at(at + 3)} << 24);
}

inline std::uint16_t le16(const Bytes& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}

}  // namespace filetest
