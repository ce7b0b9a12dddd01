// -filter: cleans a typed transcription (plain text, one text line per
// line).  Lines holding a typist's instruction or a document marker are
// dropped; every other line loses the characters that are neither ASCII nor
// Arabic (see isKeptChar) and is cleaned with cleanTranscription.
#pragma once

#include "util/Report.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tavo {

struct FilterResult {
    std::size_t linesWritten = 0;
    bool noiseFound = false;  // a kept line held a character that is not kept
};

// "DO NOT TRANSCRIBE", "ANYTHING ON THIS LINE" or ".DOC" anywhere in the line.
bool isSkippedLine(std::u16string_view line);

// Writes the kept lines, cleaned, to output (UTF-8, each with a line end).
// Throws a RuntimeFailure when input cannot be opened or output written;
// the caller prints the count and the verdict.
FilterResult runFilter(const std::u16string& input, const std::u16string& output,
                       Report& report);

// -filter: runFilter, then "<input> : <lines written>" and the verdict.
void runFilterCommand(const std::u16string& input, const std::u16string& output, Report& report);

}  // namespace tavo
