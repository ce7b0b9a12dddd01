// The bytes of one fuzz input as a file the readers can open by path: an
// in-memory file reached through /proc/self/fd, so the readers run exactly
// as they do on disk without touching the disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "ZULException.h"
#include "ZULImage.h"

class FuzzInput {
public:
    FuzzInput() : m_fd(memfd_create("tavo-fuzz", MFD_CLOEXEC)), m_path("/proc/self/fd/" + std::to_string(m_fd)) {}
    FuzzInput(const FuzzInput&) = delete;
    FuzzInput& operator=(const FuzzInput&) = delete;
    ~FuzzInput() { close(m_fd); }

    const std::string& write(const std::uint8_t* data, std::size_t size)
    {
        if (ftruncate(m_fd, 0) != 0 || pwrite(m_fd, data, size, 0) != static_cast<ssize_t>(size)) {
            __builtin_trap();
        }
        return m_path;
    }

private:
    int m_fd;
    std::string m_path;
};

// Runs one reader on the input.  A refusal (ZULException) is a good outcome;
// anything the sanitizers or libFuzzer catch is not.  A decoded image must
// hold exactly the pixels its header describes.
template <typename Load>
int fuzzOneReader(const std::uint8_t* data, std::size_t size, Load&& load)
{
    static FuzzInput input;
    const std::string& path = input.write(data, size);
    try {
        const ZULImage image = load(path);
        if (image.zulHasImageData()) {
            const std::size_t expected = static_cast<std::size_t>(image.zulGetBytesPerRow()) *
                                         static_cast<std::size_t>(image.zulGetHeight());
            if (image.zulGetImageDataSize() != expected || image.zulGetWidth() <= 0 || image.zulGetHeight() <= 0) {
                __builtin_trap();
            }
        }
    } catch (const ZULException&) {
    }
    return 0;
}
