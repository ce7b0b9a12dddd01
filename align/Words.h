// Word zones: -word groups the PAW cuts of a line into words, -segword cuts a
// line at its word boundaries only, and splitWords turns such a line into one
// zone per word (the per-line step of -splitword).
#pragma once

#include "align/WordText.h"
#include "page/InkBox.h"
#include "util/Report.h"
#include "ZULImage.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace tavo {

// A line zone that cannot be turned into word zones: it lies outside the
// page, its attributes contradict each other, or the image library refused
// it.  what() says why.  The caller copies the line unchanged and reports it
// with Report::zoneUnchanged.
class UnprocessableZone : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// -word page in.xml out.xml: every DL_TEXTLINEGT line with offsets and
// woffsets becomes one zone per word; other lines are copied.
void runWord(const std::u16string& image, const std::u16string& inXml,
             const std::u16string& outXml, Report& report);

// -segword page in.xml out.xml: every DL_TEXTLINEGT line gets word cuts only
// in offsets, its contents with single spaces, and keeps its status.
void runSegWord(const std::u16string& image, const std::u16string& inXml,
                const std::u16string& outXml, Report& report);

// The word zone lines that replace one -paw line, first word first.  A line
// without offsets or woffsets comes back unchanged as the only entry.  Draws
// the word boxes and their cuts in red on the 24-bit working page.
// Throws UnprocessableZone (nothing drawn) when the zone is outside the page
// or a woffsets entry or word boundary has no counterpart.
std::vector<std::u16string> groupWords(ZULImage& page, const std::u16string& zoneLine);

// One -segword line: offsets holds the cuts between its words, contents its
// words with single spaces, and status the old line's status (everything
// else of the old line is dropped).  Draws the zone and its cuts in red.
// Throws UnprocessableZone (nothing drawn) when the zone is outside the page.
std::u16string segmentWordLine(ZULImage& page, const std::u16string& zoneLine);

// The word zone lines that replace one -segword line, first word first.  A
// line without offsets comes back unchanged as the only entry.  page is the
// 24-bit working page; it is only read.
// Throws UnprocessableZone when the line or a word interval cannot be cut
// from the page (outside it, negative col or row, empty page image).
std::vector<std::u16string> splitWords(const ZULImage& page, const std::u16string& zoneLine);

}  // namespace tavo
