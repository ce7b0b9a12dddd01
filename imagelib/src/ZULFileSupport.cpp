#include "ZULFileSupport.h"

#include <cstdio>
#include <new>
#include <sys/stat.h>

#include "ZULException.h"

void ZULFileSupport::zulCheckSize(std::int64_t width, std::int64_t height, const char* source, const char* method)
{
    if (width <= 0 || height <= 0 || width > ZULImageHead::kMaxSide || height > ZULImageHead::kMaxSide ||
        width * height > ZULImageHead::kMaxPixels) {
        throw ZULException(4, zulText(method, "Image size out of range"), source, __LINE__);
    }
}

void ZULFileSupport::zulCheckAvailable(std::uint64_t needed, std::int64_t available, const char* source,
                                       const char* method)
{
    if (available >= 0 && needed > static_cast<std::uint64_t>(available)) {
        throw ZULException(4, zulText(method, "File is too short for its image size"), source, __LINE__);
    }
}

ZULImage::Buffer ZULFileSupport::zulAllocate(std::size_t size)
{
    return ZULImage::Buffer(new (std::nothrow) unsigned char[size]);
}

void ZULFileSupport::zulPrintDiagnostic(const std::string& file, std::string_view message)
{
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.remove_suffix(1);
    }
    std::fprintf(stderr, "%s: %.*s\n", file.c_str(), static_cast<int>(message.size()), message.data());
}

std::int64_t ZULFileSupport::zulFileSize(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return -1;
    }
    return static_cast<std::int64_t>(info.st_size);
}

std::string ZULFileSupport::zulText(const char* method, std::string_view text)
{
    std::string result = "<";
    result += method;
    result += "> ";
    result += text;
    return result;
}
