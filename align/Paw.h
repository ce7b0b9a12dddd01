// PAW segmentation: marking a transcription into words and pieces of Arabic
// words (PAWs), finding as many white column gaps in the line image as the
// marked text has separators, and writing the cuts back into the zone line.
//
// Marked transcription: a space separates words, a caret '^' separates PAWs
// inside a word.  Separators are numbered from 0 in text order.
//   offsets  = the cuts, ascending, "%d" joined by "," ("" when none)
//   woffsets = for every separator that is a space, its number and one space
#pragma once

#include "Report.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ZULImage;

namespace tavo {

// -paw: cuts every DL_TEXTLINEGT zone of inXml at the white gaps of its line
// image and writes the zone with offsets, contents and woffsets to outXml.
void runPaw(const std::u16string& image, const std::u16string& inXml,
            const std::u16string& outXml, Report& report);

// Marks words with ' ' and PAWs with '^'; trims separators and line breaks at
// both ends and collapses adjacent separators that include a space.
std::u16string markPaws(std::u16string_view text);

// Whether letter x joins the character y that follows it.
bool joinsNext(char16_t x, char16_t y);

// The lower centre of a two-means clustering of a column profile.
int lowInkLevel(const std::vector<int>& profile);

// The woffsets value of a marked transcription.
std::u16string wordCutIndices(std::u16string_view marked);

// The offsets value: "%d" values joined by ",", no trailing separator.
std::string joinOffsets(const std::vector<int>& cuts);

// Number of U+0020 characters.
int countSpaces(std::u16string_view text);

// A copy with every '^' replaced by ' '.
std::u16string caretsToSpaces(std::u16string_view text);

// Zone geometry in page pixels, read with atoi rules (leading blanks and a
// sign allowed, digits up to the first other character, no digits give 0).
struct ZoneBox {
    int col = 0;
    int row = 0;
    int width = 0;
    int height = 0;
};
ZoneBox readZoneBox(std::u16string_view line);

// k cut columns of a line image (1-, 8- or 24-bit; a pixel is ink when its
// grey value is below 128): the left fifth of the k widest white gaps, or
// the even split W*i/(k+1) when there are fewer gaps.  Empty when the image
// has no rows, k <= 0 or k >= width.  Not sorted.
std::vector<int> findColumnCuts(const ZULImage& lineImage, int k);

// findColumnCuts of the line image that zulSubImage would cut from the page
// at box, read in place without copying it.  Raises ZULException when the
// box is not a valid sub-image of a page with pixels.
std::vector<int> findZoneCuts(const ZULImage& page, const ZoneBox& box, int k);

// The strict page test of -paw: non-negative corner and size, and
// col + width < page width, row + height < page height (a zone that ends on
// the page's right or bottom edge is refused).
bool zoneInsidePage(const ZoneBox& box, int pageWidth, int pageHeight);

// Whether the box is a valid sub-image of the page: non-negative corner and
// size, ending at most on the page edge.
bool zoneFitsPage(const ZoneBox& box, int pageWidth, int pageHeight);

// Loads the page and makes its 24-bit colour working copy (1-bit and 8-bit
// pages are converted).  Throws RuntimeFailure naming the file when the page
// cannot be loaded or has an unsupported depth.
ZULImage loadWorkingPage(const std::u16string& path, Report& report);

// Draws the zone frame and a vertical line at every cut (relative to
// box.col) on the working page in red (or the colour given: red, green,
// blue), so later overlapping zones see ink.
using MarkColor = std::array<std::uint8_t, 3>;
constexpr MarkColor kMarkRed{255, 0, 0};
void markZone(ZULImage& page, const ZoneBox& box, const std::vector<int>& cuts, MarkColor color = kMarkRed);

}  // namespace tavo
