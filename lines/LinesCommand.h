// -lines: a ground-truth file for a page from its transcription, one text
// line zone per transcription line, each on the ink of that line.
#pragma once

#include <string>
#include <vector>

#include "lines/LineAlignment.h"
#include "lines/LineInk.h"
#include "util/Report.h"
#include "ZULImage.h"

namespace tavo {

// The ink of every transcription line of a page (lines as -merge keeps
// them, before escaping), with the alignment step that found it.
struct PageLineResult {
    std::vector<LineInk> ink;
    std::vector<LineMatch> matches;
};
PageLineResult findTranscriptionLines(const ZULImage& page, const std::vector<std::u16string>& text);
// The same on the page's ink map (makeInkMap, InkMapRows) and its size.
PageLineResult findTranscriptionLines(InkMap map, int pageWidth, int pageHeight,
                                      const std::vector<std::u16string>& text);

// Letters and digits of a line, and its PAWs.
TextSize measureText(const std::u16string& line);

// Writes one DL_TEXTLINEGT zone per non-empty transcription line, in
// transcription order, with polygon, baseline, confidence and doubt after
// the usual attributes.  A line without ink is still written (no size,
// confidence 0, doubt "missing") and warned about; the run then ends with
// status 3.  A page or transcription that cannot be read, or a transcription
// without a line, stops the command with nothing written.  With a cache
// file (-cache FILE), the page's grey pixels are kept there for the steps
// after it (GreyCache, page/PageFile.h) once the output is written.
void runLines(const std::u16string& image, const std::u16string& textFile, const std::u16string& outputXml,
              Report& report, const std::u16string& cacheFile = {});

}  // namespace tavo
