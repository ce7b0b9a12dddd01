#include "groundtruth/CutList.h"

#include "groundtruth/ZoneLine.h"
#include "util/Strings.h"


namespace tavo {

std::vector<int> readZoneCuts(std::u16string_view zoneLine)
{
    return parseIntList(getAttribute(u" offsets", zoneLine), true);
}

std::string joinOffsets(const std::vector<int>& cuts)
{
    std::string out;
    for (size_t i = 0; i < cuts.size(); ++i) {
        if (i > 0)
            out += ',';
        out += std::to_string(cuts[i]);
    }
    return out;
}

}  // namespace tavo
