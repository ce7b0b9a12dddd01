#include "util/FileDigest.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace tavo {

namespace {

// FNV-style multiply and a fold.
inline void mix(std::uint64_t& hash, std::uint64_t word)
{
    hash = (hash ^ word) * 0x100000001b3ULL;
    hash ^= hash >> 29;
}

}  // namespace

bool addFileDigest(std::uint64_t& hash, const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, std::fclose);
    // Four lanes, each taking every fourth word, so that the multiplications
    // do not wait for one another: a page's scan is digested at about the
    // speed it is read.
    std::uint64_t lanes[4] = {hash, hash ^ 0x9e3779b97f4a7c15ULL, hash ^ 0x3c6ef372fe94f82aULL,
                              hash ^ 0xdaa66d2c7ddf743fULL};
    constexpr std::size_t kBlock = std::size_t{1} << 16;  // a multiple of the 32 bytes of a step
    const std::unique_ptr<unsigned char[]> buffer(new unsigned char[kBlock]);
    std::uint64_t length = 0;
    for (;;) {
        const std::size_t got = std::fread(buffer.get(), 1, kBlock, file);
        std::size_t i = 0;
        for (; i + 32 <= got; i += 32) {
            std::uint64_t words[4];
            std::memcpy(words, buffer.get() + i, 32);
            for (int k = 0; k < 4; ++k)
                mix(lanes[k], words[k]);
        }
        // Only the file's last block can end between two steps.
        for (; i < got; ++i)
            mix(lanes[0], buffer[i]);
        length += got;
        if (got < kBlock)
            break;
    }
    if (std::ferror(file))
        return false;
    for (const std::uint64_t lane : lanes)
        mix(hash, lane);
    mix(hash, length);  // the length ends each file's part
    return true;
}

}  // namespace tavo
