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

// In the packed bytes below bit k is pixel k of the eight.

// Without branches: pages mix paper and ink too finely for a guess to pay.
unsigned greyInkByte(const unsigned char* grey)
{
    const std::uint64_t ink = (~loadBytes(grey) & kHighBits) >> 7;  // bit 8k: pixel k is below 128
    // Bit 8k of ink lands in bit 56 + k of the product and no two partial
    // products share a bit, so the top byte holds the eight pixels.
    return static_cast<unsigned>((ink * 0x0102040810204080u) >> 56);
}

// Sixty-four 8-bit pixels.
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
    for (int b = 0; b < 8; ++b)
        ink |= static_cast<std::uint64_t>(greyInkByte(grey + 8 * b)) << (8 * b);
    return ink;
#endif
}

// 1-bit pixels come leftmost in the most significant bit of each byte and
// clear for black: their ink is the complement with the bits of each byte
// reversed.
std::uint64_t bitInk(std::uint64_t x)
{
    x = ~x;
    x = ((x >> 1) & 0x5555555555555555u) | ((x & 0x5555555555555555u) << 1);
    x = ((x >> 2) & 0x3333333333333333u) | ((x & 0x3333333333333333u) << 2);
    x = ((x >> 4) & 0x0F0F0F0F0F0F0F0Fu) | ((x & 0x0F0F0F0F0F0F0F0Fu) << 4);
    return x;
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

unsigned colourInkByte(const unsigned char* rgb)
{
    switch (colourGroup(rgb)) {
    case Group::Paper:
        return 0;
    case Group::Ink:
        return 0xFF;
    case Group::Mixed:
        break;
    }
    unsigned value = 0;
    for (int k = 0; k < 8; ++k)
        value |= (ZULInk::zulIsColourInk(rgb + 3 * k) ? 1u : 0u) << k;
    return value;
}

bool isInk(const unsigned char* row, int bits, int x)
{
    if (bits == 1)
        return (row[x >> 3] & (0x80 >> (x & 7))) == 0;
    if (bits == 8)
        return row[x] < ZULInk::kInkBelow;
    return ZULInk::zulIsColourInk(row + 3 * static_cast<std::ptrdiff_t>(x));
}

}  // namespace

void ZULInk::zulPackRow(const unsigned char* row, int bits, int width, std::uint64_t* packed)
{
    const int wholeWords = width / 64;
    int x = 0;
    if (bits == 8) {
        for (; x < 64 * wholeWords; x += 64)
            packed[x / 64] = greyInkWord(row + x);
    } else if (bits == 1) {
        for (; x < 64 * wholeWords; x += 64)
            packed[x / 64] = bitInk(loadBytes(row + x / 8));
    }
    std::fill(packed + x / 64, packed + zulPackedWords(width), std::uint64_t{0});
    // Colour rows, and the whole bytes of the last word, eight pixels at a time.
    for (; x + 8 <= width; x += 8) {
        const unsigned ink = bits == 24 ? colourInkByte(row + 3 * static_cast<std::ptrdiff_t>(x))
                             : bits == 8 ? greyInkByte(row + x)
                                         : static_cast<unsigned>(bitInk(row[x / 8]) & 0xFFu);
        packed[x / 64] |= static_cast<std::uint64_t>(ink) << (x % 64);
    }
    for (; x < width; ++x) {
        if (isInk(row, bits, x))
            packed[x / 64] |= std::uint64_t{1} << (x % 64);
    }
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
    } else if (bits == 8) {
        const unsigned char* grey = row + first;
        for (; x < width; ++x) {
            const int ink = grey[x] < kInkBelow ? 1 : 0;
            counts[x] += ink;
            total += ink;
        }
    }
    for (; x < width; ++x) {
        const int ink = isInk(row, bits, first + x) ? 1 : 0;
        counts[x] += ink;
        total += ink;
    }
    return total;
}
