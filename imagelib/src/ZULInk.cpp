#include "ZULInk.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080u;

// Eight bytes in memory order, the first in the low byte.
std::uint64_t loadBytes(const unsigned char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap64(word);
    return word;
}

// In the packed words below bit k is pixel k.

// Sixty-four 8-bit pixels, without branches: pages mix paper and ink too
// finely for a guess to pay.
std::uint64_t greyInkWord(const unsigned char* grey)
{
#if defined(__SSE2__)
    // The high bit of each byte is set for paper.
    std::uint64_t paper = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(grey + 16 * k));
        paper |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(v))) << (16 * k);
    }
    return ~paper;
#else
    std::uint64_t ink = 0;
    for (int b = 0; b < 8; ++b) {
        const std::uint64_t low = (~loadBytes(grey + 8 * b) & kHighBits) >> 7;  // bit 8k: pixel k is below 128
        // Bit 8k lands in bit 56 + k of the product and no two partial
        // products share a bit, so the top byte holds the eight pixels.
        ink |= ((low * 0x0102040810204080u) >> 56) << (8 * b);
    }
    return ink;
#endif
}

// Sixty-four 1-bit pixels.  They come leftmost in the most significant bit
// of each byte and clear for black: their ink is the complement with the
// bits of each byte reversed.
std::uint64_t bitInkWord(const unsigned char* bits)
{
    std::uint64_t x = ~loadBytes(bits);
    x = ((x >> 1) & 0x5555555555555555u) | ((x & 0x5555555555555555u) << 1);
    x = ((x >> 2) & 0x3333333333333333u) | ((x & 0x3333333333333333u) << 2);
    x = ((x >> 4) & 0x0F0F0F0F0F0F0F0Fu) | ((x & 0x0F0F0F0F0F0F0F0Fu) << 4);
    return x;
}

// A row's last word when it holds fewer than 64 pixels (count): read as
// the 64 pixels (or 8 bytes) that end where the row ends and shifted down,
// or, on a row too short for that, from a copy after paper (every byte 255,
// every bit set).  Either way nothing past the row is read and no bit past
// its end is set.
std::uint64_t lastGreyWord(const unsigned char* row, int width, int count)
{
    if (width >= 64)
        return greyInkWord(row + width - 64) >> (64 - count);
    unsigned char padded[64];
    std::memset(padded, 0xFF, sizeof padded);
    std::memcpy(padded, row, static_cast<size_t>(width));
    return greyInkWord(padded);
}

std::uint64_t lastBitWord(const unsigned char* row, int width, int count)
{
    const int rowBytes = (width + 7) / 8;
    const int lastBytes = (count + 7) / 8;
    std::uint64_t word;
    if (rowBytes >= 8) {
        word = bitInkWord(row + rowBytes - 8) >> (64 - 8 * lastBytes);
    } else {
        unsigned char padded[8];
        std::memset(padded, 0xFF, sizeof padded);
        std::memcpy(padded, row, static_cast<size_t>(rowBytes));
        word = bitInkWord(padded);
    }
    return word & ((std::uint64_t{1} << count) - 1);  // the pixels after the last in its byte
}

enum class Group { Paper, Ink, Mixed };

// Eight colour pixels.  When every byte of the 24 has its high bit set,
// every channel is at least 128 and so is the grey value: no ink.  When no
// byte has it, every channel is below 128 and so is the grey value: all ink.
// Only mixed groups, the edges of strokes and coloured marks, need each
// pixel weighed.
Group colourGroup(const unsigned char* rgb)
{
    const std::uint64_t a = loadBytes(rgb);
    const std::uint64_t b = loadBytes(rgb + 8);
    const std::uint64_t c = loadBytes(rgb + 16);
    if ((a & b & c & kHighBits) == kHighBits)
        return Group::Paper;
    if (((a | b | c) & kHighBits) == 0)
        return Group::Ink;
    return Group::Mixed;
}

// Up to sixty-four colour pixels, eight at a time.
std::uint64_t colourInkWord(const unsigned char* rgb, int count)
{
    std::uint64_t ink = 0;
    int k = 0;
    for (; k + 8 <= count; k += 8) {
        const Group group = colourGroup(rgb + 3 * k);
        if (group == Group::Paper)
            continue;
        if (group == Group::Ink) {
            ink |= std::uint64_t{0xFF} << k;
            continue;
        }
        for (int i = k; i < k + 8; ++i)
            ink |= static_cast<std::uint64_t>(ZULInk::zulIsColourInk(rgb + 3 * i) ? 1u : 0u) << i;
    }
    for (; k < count; ++k)
        ink |= static_cast<std::uint64_t>(ZULInk::zulIsColourInk(rgb + 3 * k) ? 1u : 0u) << k;
    return ink;
}

}  // namespace

bool ZULInk::zulPackRow(const unsigned char* row, int bits, int width, std::uint64_t* packed)
{
    const int whole = width / 64;
    const int rest = width % 64;
    if (bits == 8) {
        for (int j = 0; j < whole; ++j)
            packed[j] = greyInkWord(row + 64 * j);
        if (rest != 0)
            packed[whole] = lastGreyWord(row, width, rest);
    } else if (bits == 1) {
        for (int j = 0; j < whole; ++j)
            packed[j] = bitInkWord(row + 8 * j);
        if (rest != 0)
            packed[whole] = lastBitWord(row, width, rest);
    } else {
        for (int j = 0; j < zulPackedWords(width); ++j)
            packed[j] = colourInkWord(row + 192 * static_cast<std::ptrdiff_t>(j), std::min(64, width - 64 * j));
    }
    std::uint64_t any = 0;
    for (int j = 0; j < zulPackedWords(width); ++j)
        any |= packed[j];
    return any != 0;
}

int ZULInk::zulAddInkColumns(const unsigned char* row, int bits, int first, int width, int* counts)
{
    int total = 0;
    int x = 0;
    if (bits == 24) {
        const unsigned char* rgb = row + 3 * static_cast<std::ptrdiff_t>(first);
        for (; x + 8 <= width; x += 8) {
            __builtin_prefetch(rgb + 3 * x + 768);
            const Group group = colourGroup(rgb + 3 * x);
            if (group == Group::Paper)
                continue;
            if (group == Group::Ink) {
                for (int k = x; k < x + 8; ++k)
                    ++counts[k];
                total += 8;
                continue;
            }
            for (int k = x; k < x + 8; ++k) {
                const int ink = zulIsColourInk(rgb + 3 * k) ? 1 : 0;
                counts[k] += ink;
                total += ink;
            }
        }
        for (; x < width; ++x) {
            const int ink = zulIsColourInk(rgb + 3 * x) ? 1 : 0;
            counts[x] += ink;
            total += ink;
        }
    } else if (bits == 8) {
        const unsigned char* grey = row + first;
        for (; x < width; ++x) {
            const int ink = grey[x] < kInkBelow ? 1 : 0;
            counts[x] += ink;
            total += ink;
        }
    } else {
        for (; x < width; ++x) {
            const int bit = first + x;
            const int ink = (row[bit >> 3] & (0x80 >> (bit & 7))) == 0 ? 1 : 0;
            counts[x] += ink;
            total += ink;
        }
    }
    return total;
}
