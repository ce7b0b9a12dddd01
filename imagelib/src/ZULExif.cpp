#include "ZULExif.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint16_t kOrientation = 0x0112;
constexpr std::uint16_t kXResolution = 0x011A;
constexpr std::uint16_t kYResolution = 0x011B;
constexpr std::uint16_t kResolutionUnit = 0x0128;
constexpr std::uint16_t kShort = 3;
constexpr std::uint16_t kRational = 5;
constexpr std::size_t kEntrySize = 12;

// The TIFF structure inside the block, in its own byte order.
class Block {
public:
    Block(const unsigned char* data, std::size_t size, bool bigEndian) : data_(data), size_(size), big_(bigEndian) {}

    bool has(std::size_t at, std::size_t count) const { return at <= size_ && count <= size_ - at; }
    std::uint16_t u16(std::size_t at) const
    {
        return static_cast<std::uint16_t>(big_ ? (data_[at] << 8) | data_[at + 1] : data_[at] | (data_[at + 1] << 8));
    }
    std::uint32_t u32(std::size_t at) const
    {
        const std::uint32_t high = u16(at);
        const std::uint32_t low = u16(at + 2);
        return big_ ? (high << 16) | low : (low << 16) | high;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    bool big_;
};

// A RATIONAL value stored at the entry's offset; 0 when out of the block or
// with a zero denominator.
double rational(const Block& block, std::size_t entry)
{
    const std::size_t at = block.u32(entry + 8);
    if (!block.has(at, 8) || block.u32(at + 4) == 0) {
        return 0.0;
    }
    return static_cast<double>(block.u32(at)) / block.u32(at + 4);
}

}  // namespace

ZULExif::Fields ZULExif::zulRead(const unsigned char* data, std::size_t size)
{
    Fields fields;
    constexpr std::size_t kHeader = 6;
    if (size < kHeader + 8 || std::memcmp(data, "Exif\0\0", kHeader) != 0) {
        return fields;
    }
    data += kHeader;
    size -= kHeader;
    const bool big = data[0] == 'M' && data[1] == 'M';
    if (!big && !(data[0] == 'I' && data[1] == 'I')) {
        return fields;
    }
    const Block block(data, size, big);
    if (block.u16(2) != 42) {
        return fields;
    }
    const std::size_t directory = block.u32(4);
    if (!block.has(directory, 2)) {
        return fields;
    }
    const std::size_t count = block.u16(directory);
    for (std::size_t i = 0; i < count && block.has(directory + 2 + i * kEntrySize, kEntrySize); ++i) {
        const std::size_t entry = directory + 2 + i * kEntrySize;
        const std::uint16_t tag = block.u16(entry);
        const std::uint16_t type = block.u16(entry + 2);
        if (type == kShort && (tag == kOrientation || tag == kResolutionUnit)) {
            const int value = block.u16(entry + 8);
            if (tag == kOrientation && value >= 1 && value <= 8) {
                fields.orientation = value;
            } else if (tag == kResolutionUnit && value >= 1 && value <= 3) {
                fields.resolutionUnit = value;
            }
        } else if (type == kRational && tag == kXResolution) {
            fields.xResolution = rational(block, entry);
        } else if (type == kRational && tag == kYResolution) {
            fields.yResolution = rational(block, entry);
        }
    }
    return fields;
}
