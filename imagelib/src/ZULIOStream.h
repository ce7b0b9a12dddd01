// An abstract byte stream under the BMP codec.
//
// Byte order 0 is the host's order (little-endian); a stream swaps the bytes
// of a 16- or 32-bit value when the order asked for differs from its own.
// The last three operations (zulSkip, zulSize, zulIsOpen) let a reader check
// a header against the data that really follows before it allocates.
#pragma once

#include <cstddef>
#include <cstdint>

class ZULIOStream {
public:
    ZULIOStream() = default;
    ZULIOStream(const ZULIOStream&) = delete;
    ZULIOStream& operator=(const ZULIOStream&) = delete;

    // Closes the stream; returns the close result, 0 when nothing was open.
    virtual int zulClose() = 0;
    virtual int zulFlush() = 0;
    // Read 4 or 2 bytes; a short read gives 0 (use zulRead to detect it).
    virtual std::int32_t zulReadInt32(int byteOrder) = 0;
    virtual std::int16_t zulReadInt16(int byteOrder) = 0;
    // One text line of at most size - 1 characters; true when something was read.
    virtual bool zulReadLine(char* buffer, int size) = 0;
    // 1 when all count bytes were read (or written), else 0.
    virtual int zulRead(void* buffer, std::size_t count) = 0;
    virtual int zulWrite(const void* buffer, std::size_t count) = 0;
    virtual int zulWriteInt32(std::int32_t value, int byteOrder) = 0;
    virtual int zulWriteInt16(std::int16_t value, int byteOrder) = 0;
    virtual ~ZULIOStream();

    // Moves count bytes forward; false when the stream cannot.
    virtual bool zulSkip(std::int64_t count) = 0;
    // Total size in bytes, or -1 when the stream cannot tell.
    virtual std::int64_t zulSize() = 0;
    virtual bool zulIsOpen() const = 0;

    int zulGetByteOrder() const { return m_byteOrder; }

protected:
    static std::uint32_t zulSwap32(std::uint32_t value);
    static std::uint16_t zulSwap16(std::uint16_t value);

    int m_byteOrder = 0;
};
