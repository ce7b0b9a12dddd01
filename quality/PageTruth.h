// The exact truth of a generated page: its text lines, their words and the
// pieces of Arabic words (PAWs) of each word, every one with the box of the
// ink drawn for it in page pixels, plus the boxes of ink that belongs to no
// line of the transcription (page numbers, marginal notes).
//
// On disk it is a JSON object (see docs/quality-benchmark.md).  The reader
// also takes a plain JSON list of line objects with "bbox" and "text", so
// line truth from elsewhere can be scored the same way.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavo::quality {

// x, y of the top-left pixel, width and height; empty when a side is not
// positive.
struct Box {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
    bool operator==(const Box&) const = default;
};

// The smallest box holding both; an empty box adds nothing.
Box unite(const Box& a, const Box& b);
// Intersection over union, 0 when either box is empty.
double iou(const Box& a, const Box& b);

struct TruthWord {
    std::string text;  // UTF-8
    Box box;
    std::vector<Box> paws;  // right to left
};

struct TruthLine {
    std::string text;  // UTF-8, words separated by single spaces
    Box box;
    std::vector<TruthWord> words;  // right to left; empty for line-only truth
};

struct PageTruth {
    std::string image;
    int width = 0;
    int height = 0;
    int dpi = 0;
    std::string kind;
    std::vector<TruthLine> lines;  // transcription order
    std::vector<Box> extras;
};

std::string truthToJson(const PageTruth& truth);

// Parses and validates a truth document.  A bad document gives nullopt and
// the reason in error.
std::optional<PageTruth> truthFromJson(const std::string& text, std::string& error);
std::optional<PageTruth> readTruthFile(const std::string& path, std::string& error);

}  // namespace tavo::quality
