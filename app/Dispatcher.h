// The program entry: checks the arguments, runs the one command its switch
// names, prints what the command reports and returns the exit status.
#pragma once

#include <string>
#include <vector>

namespace tavo {

// args[0] is the program path, args[1] the switch, args[2...] the operands.
// Returns the exit status (0, 1, -1, 2 or 3).
int dispatch(const std::vector<std::u16string>& args);

}  // namespace tavo
