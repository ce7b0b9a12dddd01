// Whole-file reading and writing for the editing commands.  An input that
// cannot be opened stops the command; outputs are UTF-8 with a byte-order
// mark, CR LF after every line, and replace the target only when complete.
#pragma once

#include "util/Report.h"

#include <string>
#include <vector>

namespace tavo {

// Every line of the file, as CTextFileRead delivers them.  Throws a
// RuntimeFailure naming the file ("cannot open <what>", "cannot read
// <what>") when it cannot be opened or read.
std::vector<std::u16string> readAllLines(const std::u16string& file, const Report& report,
                                         std::string_view what = "file");

// The first line of the file (empty for an empty file); fails as above.
std::u16string readFirstLine(const std::u16string& file, const Report& report);

// Writes the lines, each followed by a line end.  Throws a RuntimeFailure
// when the file cannot be written; the target is then left as it was.
void writeAllLines(const std::u16string& file, const std::vector<std::u16string>& lines);

// The file name as it is printed in messages (UTF-8).
std::string printedName(const std::u16string& file);

}  // namespace tavo
