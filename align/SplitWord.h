// -splitword: turns every line zone of a page into word zones and, with
// -readorderRL or -readorderLR, numbers the word zones into one reading-order
// chain across the page, lines from top to bottom.
#pragma once

#include "groundtruth/ZoneDocument.h"
#include "util/Report.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tavo {

enum class ReadingMode : int {
    Unnumbered = 0,  // word zones keep the splitter's attributes
    RightToLeft = 1,  // -readorderRL: the splitter's order within a line
    LeftToRight = 2,  // -readorderLR: each line's words reversed
};

// The mode named by the optional fifth argument; anything else is Unnumbered.
ReadingMode readingModeFromSwitch(std::u16string_view sw);

// Splits one line zone into its word zone lines, first word first; throws
// UnprocessableZone when the line cannot be cut.
using LineSplitter = std::function<std::vector<std::u16string>(const std::u16string&)>;

// The output document: the input with its zones sorted by row and replaced
// by their word zones.  In the numbering modes each word zone gets `id` 1, 2,
// ... across the page, the `status` of its line, and `nextZoneID` naming the
// next numbered word, except the last one numbered.  A line the splitter
// refuses is copied unchanged, reported against inputName, and not numbered.
ZoneDocument splitDocumentWords(ZoneDocument input, const LineSplitter& split, ReadingMode mode,
                                std::string_view inputName, Report& report);

// The command: a page that cannot be loaded and an input that cannot be
// opened are RuntimeFailures.
void runSplitWord(const std::u16string& image, const std::u16string& inXml,
                  const std::u16string& outXml, ReadingMode mode, Report& report);

}  // namespace tavo
