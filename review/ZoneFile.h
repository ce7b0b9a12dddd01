// A ground-truth file held as its lines, with the zones among them.
#pragma once

#include "align/Paw.h"
#include "groundtruth/ZoneLine.h"
#include "util/Report.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavo {

struct ZoneEntry {
    long lineNumber = 0;   // 1-based line of the zone in its file
    size_t lineIndex = 0;  // index into ZoneFile::lines
    ZoneBox box;
    std::u16string text;   // contents, XML references resolved
    std::optional<double> confidence;  // as the file gives it
    // The word finder's confidence, which -check keeps beside its own as
    // `finderscore` so that checking again weighs the same evidence.
    std::optional<double> finderScore;
    std::u16string doubt;
    bool checked = false;  // checked="yes": a person corrected or confirmed it
    // The `polygon` attribute (page coordinates), as -lines and -words write
    // it; empty when the zone has none or it cannot be read.
    std::vector<std::pair<int, int>> outline;
};

struct ZoneFile {
    std::vector<std::u16string> lines;
    std::vector<ZoneEntry> zones;
};

// Every line of the file and every DL_TEXTLINEGT zone, NUL characters and
// malformed UTF-8 replaced by U+FFFD (fitText).  A file that cannot be
// opened or read, or that is cut short (cutShortReason), is a runtime
// failure.
ZoneFile readZoneFile(const std::u16string& path, Report& report);

// The same from lines already read.
ZoneFile zoneFileOf(std::vector<std::u16string> lines);

// The points of a polygon attribute value (readPolygon); empty when it has
// none or a point lies off the page (left of or above it).
std::vector<std::pair<int, int>> parseOutline(std::u16string_view value);

// Writes the lines (UTF-8, CR LF, as the program writes every file) through
// the atomic writer.
void writeZoneFile(const std::u16string& path, const std::vector<std::u16string>& lines);
// The same for count lines, each as lineAt(i) gives it, so that rewritten
// lines are never held all at once.
void writeZoneLines(const std::u16string& path, size_t count, const std::function<std::u16string(size_t)>& lineAt);

}  // namespace tavo
