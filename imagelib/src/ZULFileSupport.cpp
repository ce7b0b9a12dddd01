#include "ZULFileSupport.h"

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

ZULException ZULFileSupport::zulExplained(const ZULException& error, std::string_view diagnostic)
{
    while (!diagnostic.empty() && (diagnostic.back() == '\n' || diagnostic.back() == '\r')) {
        diagnostic.remove_suffix(1);
    }
    if (diagnostic.empty()) {
        return error;
    }
    return ZULException(error.zulGetErrorCode(), error.zulGetMessage() + " (" + std::string(diagnostic) + ")");
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
