// -verify: follows the reading-order chain of a word-level ground-truth file
// and compares the zone contents, word by word, with the source text the
// page was written from.  It only reports; it writes no file.
#pragma once

#include "transcript/ReadingOrder.h"
#include "util/Report.h"

#include <string>
#include <vector>

namespace tavo {

// The white-space separated tokens of a text (blank, tab, line feed,
// vertical tab, form feed, carriage return), empty tokens skipped.
std::vector<std::u16string> splitSourceWords(std::u16string_view text);

// Walks the chain from its head against the source words and prints the
// first problem ("Reading Order Incomplete", "Content Mismatch ") or 99999
// when every source word has been matched.  The walk takes at most one step
// per source word, so a chain that loops back on itself still ends.
void walkReadingOrder(const ReadingOrder& order, const std::vector<std::u16string>& words,
                      Report& report);

// The command: an empty or unreadable source text prints "cannot open source
// txt" without reading the words file; a words file that cannot be opened is
// a RuntimeFailure.
void runVerify(const std::u16string& wordsXml, const std::u16string& sourceText, Report& report);

// -verify: runVerify, then "-1" on a line of its own.
void runVerifyCommand(const std::u16string& wordsXml, const std::u16string& sourceText, Report& report);

}  // namespace tavo
