#include "ZULFileBasedIO.h"

#include <sys/stat.h>

ZULFileBasedIO::ZULFileBasedIO(const std::string& path, const char* mode)
    : m_file(std::fopen(path.c_str(), mode))
{
    m_byteOrder = 0;
}

ZULFileBasedIO::~ZULFileBasedIO() { zulClose(); }

int ZULFileBasedIO::zulClose()
{
    if (m_file == nullptr) {
        return 0;
    }
    const int result = std::fclose(m_file);
    m_file = nullptr;
    return result;
}

int ZULFileBasedIO::zulFlush() { return m_file != nullptr ? std::fflush(m_file) : 0; }

std::int32_t ZULFileBasedIO::zulReadInt32(int byteOrder)
{
    std::uint32_t value = 0;
    if (zulRead(&value, sizeof value) == 0) {
        return 0;
    }
    if (byteOrder != m_byteOrder) {
        value = zulSwap32(value);
    }
    return static_cast<std::int32_t>(value);
}

std::int16_t ZULFileBasedIO::zulReadInt16(int byteOrder)
{
    std::uint16_t value = 0;
    if (zulRead(&value, sizeof value) == 0) {
        return 0;
    }
    if (byteOrder != m_byteOrder) {
        value = zulSwap16(value);
    }
    return static_cast<std::int16_t>(value);
}

bool ZULFileBasedIO::zulReadLine(char* buffer, int size)
{
    return m_file != nullptr && size > 0 && std::fgets(buffer, size, m_file) != nullptr;
}

int ZULFileBasedIO::zulRead(void* buffer, std::size_t count)
{
    if (m_file == nullptr) {
        return 0;
    }
    return count == 0 || std::fread(buffer, count, 1, m_file) == 1 ? 1 : 0;
}

int ZULFileBasedIO::zulWrite(const void* buffer, std::size_t count)
{
    if (m_file == nullptr) {
        return 0;
    }
    return count == 0 || std::fwrite(buffer, count, 1, m_file) == 1 ? 1 : 0;
}

int ZULFileBasedIO::zulWriteInt32(std::int32_t value, int byteOrder)
{
    std::uint32_t bits = static_cast<std::uint32_t>(value);
    if (byteOrder != m_byteOrder) {
        bits = zulSwap32(bits);
    }
    return zulWrite(&bits, sizeof bits);
}

int ZULFileBasedIO::zulWriteInt16(std::int16_t value, int byteOrder)
{
    std::uint16_t bits = static_cast<std::uint16_t>(value);
    if (byteOrder != m_byteOrder) {
        bits = zulSwap16(bits);
    }
    return zulWrite(&bits, sizeof bits);
}

bool ZULFileBasedIO::zulSkip(std::int64_t count)
{
    if (m_file == nullptr || count < 0) {
        return false;
    }
    // Small gaps are read through the buffer; large ones are seeked.
    char scratch[512];
    if (count <= static_cast<std::int64_t>(sizeof scratch)) {
        return count == 0 || std::fread(scratch, static_cast<std::size_t>(count), 1, m_file) == 1;
    }
    return fseeko(m_file, static_cast<off_t>(count), SEEK_CUR) == 0;
}

std::int64_t ZULFileBasedIO::zulSize()
{
    struct stat info {};
    if (m_file == nullptr || fstat(fileno(m_file), &info) != 0 || !S_ISREG(info.st_mode)) {
        return -1;
    }
    return static_cast<std::int64_t>(info.st_size);
}
