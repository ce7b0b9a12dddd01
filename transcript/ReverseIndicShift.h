// Whole-file edits that rewrite every line and then print how many lines
// they wrote: -reverse (non-Arabic words first), -indic (ASCII digits of
// `contents` to Arabic-Indic digits) and -shift (every zone moved by a fixed
// offset).
#pragma once

#include "util/Report.h"

#include <string>
#include <string_view>

namespace tavo {

// Splits the line at white space; every token is wrapped in single blanks,
// Arabic tokens (isArabicText) appended in order, the others put in front,
// so they end up first and reversed.  A line without tokens becomes empty.
std::u16string reverseTokens(std::u16string_view line);

// ASCII digits 0-9 become U+0660-U+0669; everything else is kept.
std::u16string toIndicDigits(std::u16string_view text);

// Applies toIndicDigits to the `contents` value; other lines are unchanged.
void indicContents(std::u16string& line);

// Adds the offsets to `col` and `row` (each only when the line has it).
// Returns false, leaving the line as it was, when a present value does not
// begin with a number or the result does not fit in 32 bits.
bool shiftZone(std::u16string& line, int columnOffset, int rowOffset);

// Each reads input (a RuntimeFailure when it cannot be opened), writes output
// and prints the number of lines written.
void runReverse(const std::u16string& input, const std::u16string& output, Report& report);
void runIndic(const std::u16string& input, const std::u16string& output, Report& report);
// A line whose `col` or `row` is not a number is copied unchanged and
// reported.
void runShift(const std::u16string& input, int columnOffset, int rowOffset,
              const std::u16string& output, Report& report);

}  // namespace tavo
