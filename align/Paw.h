// -paw: marking a transcription into words and pieces of Arabic words
// (PAWs), finding as many white column gaps in the line image as the marked
// text has separators, and writing the cuts back into the zone line.
//
// Marked transcription: a space separates words, a caret '^' separates PAWs
// inside a word.  Separators are numbered from 0 in text order.
//   offsets  = the cuts, ascending, "%d" joined by "," ("" when none)
//   woffsets = for every separator that is a space, its number and one space
#pragma once

#include "align/ColumnCuts.h"
#include "align/PawMarker.h"
#include "groundtruth/CutList.h"
#include "groundtruth/ZoneBox.h"
#include "page/PageFile.h"
#include "page/ZoneMarks.h"
#include "util/Report.h"

#include <string>

namespace tavo {

// -paw: cuts every DL_TEXTLINEGT zone of inXml at the white gaps of its line
// image and writes the zone with offsets, contents and woffsets to outXml.
void runPaw(const std::u16string& image, const std::u16string& inXml,
            const std::u16string& outXml, Report& report);

}  // namespace tavo
