// The PAW cuts of a zone line as the commands that move or draw them read
// them: the value of " offsets" (the leading blank keeps `woffsets` from
// matching), commas read as blanks, the integers in the order written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavo {

std::vector<int> readZoneCuts(std::u16string_view zoneLine);

// The offsets value: "%d" values joined by ",", no trailing separator.
std::string joinOffsets(const std::vector<int>& cuts);

}  // namespace tavo
