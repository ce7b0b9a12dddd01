#include "ZULException.h"

#include <string>

ZULException::ZULException(int code, std::string_view text, const char* sourceFile, int line)
    : m_code(code)
{
    if (sourceFile != nullptr) {
        const std::string_view source(sourceFile);
        const std::size_t slash = source.rfind('\\');
        m_message += (slash == std::string_view::npos || slash == 0) ? source : source.substr(slash + 1);
    }
    if (line != 0) {
        m_message += ':';
        m_message += std::to_string(line);
        m_message += ": ";
    }
    m_message += text;
}
