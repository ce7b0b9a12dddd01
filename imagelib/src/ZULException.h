// The image library's only exception: an integer code and a message of the
// form "<source>:<line>: <text>", for example
// "ZULImage:492: <ZULImage::zulSetPixel()> Out Of Bound!!".
#pragma once

#include <exception>
#include <string>
#include <string_view>

class ZULException : public std::exception {
public:
    // sourceFile may be a Windows-style path ("..\src\ZULImage"); only the
    // part after its last backslash goes into the message.  Without a source
    // file and with line 0 the message is exactly text.
    ZULException(int code, std::string_view text, const char* sourceFile = nullptr, int line = 0);
    ZULException(const ZULException&) = default;
    ZULException& operator=(const ZULException&) = default;
    ~ZULException() override = default;

    const char* what() const noexcept override { return m_message.c_str(); }

    int zulGetErrorCode() const noexcept { return m_code; }
    const std::string& zulGetMessage() const noexcept { return m_message; }

private:
    std::string m_message;
    int m_code = 0;
};
