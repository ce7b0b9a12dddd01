// Lays out a page of handwriting in a given style: chooses the words of each
// line, places them right to left along a drifting, bending baseline with a
// little wander of size, slant and height per word, and records the exact
// ink box of every PAW, word and line, plus page numbers and marginal notes
// as ink outside the transcription.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "quality/InkPainter.h"
#include "quality/PageStyle.h"
#include "quality/PageTruth.h"

namespace tavo::quality {

struct InkedPage {
    InkLayer ink;
    PageTruth truth;  // image name left empty
    std::string transcript;  // one line per text line, LF after each
};

InkedPage writePage(const PageStyle& style, std::mt19937& rng);

// The PAWs of a word in page order, right to left: Arabic letters split
// after each letter that does not join the next; a number's digits, which
// run left to right, each alone.
std::vector<std::string> pawsRightToLeft(const std::string& word);

}  // namespace tavo::quality
