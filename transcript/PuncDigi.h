// -punc and -digi: sort word folders by what their word holds.  Each reads
// the first line of <folder>/word.txt and prints a shell line that moves the
// folder into a class folder: "move <folder> punc" or "move <folder> nonp",
// and "move <folder> DIGI" (or nothing) for digits.
#pragma once

#include "util/Report.h"

#include <string>
#include <string_view>

namespace tavo {

// Some character is one of !@#$%^&*()`~{}[]: U+201D "; ' < ? > , . / | - = _ +
bool hasPunctuation(std::u16string_view word);

// Some character is an ASCII digit or an Arabic-Indic digit (U+0660-U+0669);
// the Extended Arabic-Indic digits U+06F0-U+06F9 do not count.
bool hasDigit(std::u16string_view word);

std::u16string wordTextPath(const std::u16string& folder);

// A folder whose word.txt cannot be opened is a RuntimeFailure.
void runPunc(const std::u16string& folder, Report& report);
void runDigi(const std::u16string& folder, Report& report);

}  // namespace tavo
