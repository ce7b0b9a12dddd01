#include "IntList.h"

#include <cctype>
#include <charconv>

namespace tavo {

std::vector<int> parseIntList(std::string_view text)
{
    std::vector<int> values;
    size_t i = 0;
    while (true) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        if (i == text.size())
            break;
        size_t start = i;
        if (text[i] == '+') {  // a leading plus is read as by "%d"; from_chars refuses it
            ++start;
            if (start < text.size() && text[start] == '-')
                break;
        }
        int value = 0;
        auto [end, error] = std::from_chars(text.data() + start, text.data() + text.size(), value);
        if (error != std::errc() || end == text.data() + start)
            break;
        if (value != -1)
            values.push_back(value);
        i = static_cast<size_t>(end - text.data());
    }
    return values;
}

}  // namespace tavo
