#include "CutList.h"

#include "IntList.h"
#include "Strings.h"
#include "ZoneLine.h"

#include <algorithm>
#include <string>

namespace tavo {

std::vector<int> readZoneCuts(std::u16string_view zoneLine)
{
    std::string value = utf8FromWide(getAttribute(u" offsets", zoneLine));
    std::replace(value.begin(), value.end(), ',', ' ');
    return parseIntList(value);
}

}  // namespace tavo
