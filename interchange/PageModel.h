// A ground-truth page as the interchange formats see it: text lines in
// reading order, each with its outline, baseline, text and (for a words file)
// its words in reading order.  Built from a zone file and its page image.
#pragma once

#include "util/Report.h"

#include <optional>
#include <string>
#include <vector>

namespace tavo {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// Inclusive pixel box: right = col + width - 1, bottom = row + height - 1.
struct PixelBox {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;
    bool empty() const { return right < left || bottom < top; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    void include(const PixelBox& other);
    bool contains(const PixelBox& other) const;
};

// One zone of the file: a whole line or one word.
struct GtZone {
    std::string id;              // unique, usable as the tail of an XML ID
    long sourceLine = 0;         // 1-based line of the zone file
    PixelBox box;                // clamped to the page
    std::vector<Point> polygon;  // inside the page; the box corners when the zone has none
    std::string text;            // UTF-8, NFC, logical order, single spaces
    std::optional<double> confidence;
    std::string doubt;     // space-separated keywords, empty when none
    std::string pawboxes;  // as the zone carries it, empty when none
    std::string cuts;      // the `offsets` cut columns in page pixels, comma-separated
    bool checked = false;  // checked="yes": corrected or confirmed by a person
    bool doubtful() const { return !doubt.empty(); }
};

struct GtLine {
    GtZone zone;                  // a line zone, or the union of its words
    std::vector<Point> baseline;  // left to right, at least two points
    std::vector<GtZone> words;    // reading order (right to left); empty for a line file
};

struct GtPage {
    std::string imageName;  // the page image's file name without its folder
    int width = 0;
    int height = 0;
    bool wordsFile = false;
    std::vector<GtLine> lines;  // reading order
};

// Reads the zones of zonesFile for a page of the given size.  Zones follow
// their nextZoneID chain when the file has one, else file order.  A words
// file (one carrying nextZoneID, or with consecutive zones side by side)
// becomes lines of words: a zone joins the line of the zone before it when
// it overlaps the rows of that line (the union of its words so far) by at
// least half the smaller height and its centre lies left of the previous
// zone's centre.  A zone whose box leaves the page
// is clamped and reported as doubtful.  A line zone (one with a baseline
// attribute and no pawboxes) is always a line of its own, with the word
// zones right after it that spell its text as its words.  With a linesFile
// (the line zones the words file was made from, as -words writes its
// words: lines by row, each line's words in a row) every line of it stays
// one line with its words.  Throws RuntimeFailure when a file cannot be
// opened.
GtPage readGtPage(const std::u16string& zonesFile, const std::string& imageName, int width,
                  int height, Report& report, const std::u16string& linesFile = {});

// The page image's size; throws RuntimeFailure naming it when it cannot be
// loaded.  A cache file that holds the page (GreyCache, page/PageFile.h)
// gives it without reading the image: the page it was made from decoded
// whole.
std::pair<int, int> pageImageSize(const std::u16string& image, Report& report, const std::u16string& cacheFile = {});

// "x,y x,y ..." (commas or blanks between coordinates); nullopt when the
// text is not an even list of integers.
std::optional<std::vector<Point>> parsePoints(std::string_view text);
std::string formatPoints(const std::vector<Point>& points, char within = ',');
PixelBox boundingBox(const std::vector<Point>& points);

}  // namespace tavo
