// Checks and helpers shared by the image file readers and writers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ZULException.h"
#include "ZULImage.h"

class ZULFileSupport {
public:
    // Raises code 4, "<method> Image size out of range", unless both sides are
    // positive, neither is above ZULImageHead::kMaxSide and the pixel count is
    // at most ZULImageHead::kMaxPixels.
    static void zulCheckSize(std::int64_t width, std::int64_t height, const char* source, const char* method);

    // Raises code 4, "<method> File is too short for its image size", when a
    // header asks for more bytes than the file holds (available < 0: the size
    // is unknown and nothing is checked).
    static void zulCheckAvailable(std::uint64_t needed, std::int64_t available, const char* source,
                                  const char* method);

    // An uninitialised pixel buffer, or null when the memory cannot be had.
    static ZULImage::Buffer zulAllocate(std::size_t size);

    // error with the codec library's own explanation added in parentheses
    // (trailing line ends dropped), so that the failure stays one message;
    // error itself when the library said nothing.
    static ZULException zulExplained(const ZULException& error, std::string_view diagnostic);

    // Size of the file at path in bytes, -1 when it cannot be had.
    static std::int64_t zulFileSize(const std::string& path);

    // "<method> text" as the library's messages begin.
    static std::string zulText(const char* method, std::string_view text);
};
