#include "util/FileDigest.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace tavo {

bool addFileDigest(std::uint64_t& hash, const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, std::fclose);
    auto mix = [&hash](std::uint64_t word) {
        hash = (hash ^ word) * 0x100000001b3ULL;
        hash ^= hash >> 29;
    };
    constexpr std::size_t kBlock = std::size_t{1} << 16;
    const std::unique_ptr<unsigned char[]> buffer(new unsigned char[kBlock]);
    std::uint64_t length = 0;
    for (;;) {
        const std::size_t got = std::fread(buffer.get(), 1, kBlock, file);
        std::size_t i = 0;
        for (; i + 8 <= got; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, buffer.get() + i, 8);
            mix(word);
        }
        // Only the file's last block can end between two words.
        for (; i < got; ++i)
            mix(buffer[i]);
        length += got;
        if (got < kBlock)
            break;
    }
    if (std::ferror(file))
        return false;
    mix(length);  // the length ends each file's part
    return true;
}

}  // namespace tavo
