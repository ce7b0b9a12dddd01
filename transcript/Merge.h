// -merge: puts a typed transcription into a ground-truth file, one text line
// per line zone, zones taken top to bottom by `row`.
#pragma once

#include "util/Report.h"

#include <string>
#include <vector>

namespace tavo {

// The transcription lines that count: leading tabs, blanks, CR and LF
// removed, lines left empty skipped, the rest escaped for XML.  Trailing
// white space is kept.
std::vector<std::u16string> mergeTextLines(const std::vector<std::u16string>& rawLines);

// Reads the transcription and the ground-truth file (either one that cannot
// be opened is a RuntimeFailure), warns on a count mismatch ("Warning : Text
// line = N XML line = M"), fills the zones in row order and writes the whole
// document to outputXml.  Zones beyond the text keep their contents; text
// lines beyond the zones are dropped.
void runMerge(const std::u16string& textFile, const std::u16string& inputXml,
              const std::u16string& outputXml, Report& report);

}  // namespace tavo
