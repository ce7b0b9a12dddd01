#include "CutList.h"

#include "Strings.h"
#include "ZoneLine.h"


namespace tavo {

std::vector<int> readZoneCuts(std::u16string_view zoneLine)
{
    return parseIntList(getAttribute(u" offsets", zoneLine), true);
}

}  // namespace tavo
