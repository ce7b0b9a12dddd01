// ZULIOStream over a buffered standard library file.
#pragma once

#include <cstdio>
#include <string>

#include "ZULIOStream.h"

class ZULFileBasedIO : public ZULIOStream {
public:
    // Opens path with a standard mode string ("rb", "wb"); a stream whose
    // file did not open holds no file (zulIsOpen() is false).
    ZULFileBasedIO(const std::string& path, const char* mode);

    int zulClose() override;
    int zulFlush() override;
    std::int32_t zulReadInt32(int byteOrder) override;
    std::int16_t zulReadInt16(int byteOrder) override;
    bool zulReadLine(char* buffer, int size) override;
    int zulRead(void* buffer, std::size_t count) override;
    int zulWrite(const void* buffer, std::size_t count) override;
    int zulWriteInt32(std::int32_t value, int byteOrder) override;
    int zulWriteInt16(std::int16_t value, int byteOrder) override;
    ~ZULFileBasedIO() override;

    bool zulSkip(std::int64_t count) override;
    std::int64_t zulSize() override;
    bool zulIsOpen() const override { return m_file != nullptr; }

private:
    std::FILE* m_file = nullptr;
};
