// The scores -check computed, kept in a small file so that -review on the
// same page and files takes them instead of building the ink index again.
//
// The file names its inputs by a digest of their bytes (the page image, the
// words file as -check wrote it, the lines file), so -review uses it only
// for exactly the files the scores were computed from, and the scores are
// those -review computes from them (full precision, every reason), so the
// review page is the same either way.
#pragma once

#include "review/ZoneScore.h"

#include "ZULImage.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tavo {

struct KnownScores {
    int width = 0, height = 0;  // the page's size in pixels
    PageScores scores;
    ZULImage thumbnail;         // the review page's thumbnail (8-bit)
};

// The thumbnail of the review page and the batch index: the page in grey,
// about 240 pixels wide.
ZULImage reviewThumbnail(const ZULImage& page);

// The digest of the inputs (empty linesXml: none); 0 when a file cannot be
// read, which no cache matches.
std::uint64_t inputDigest(const std::u16string& image, const std::u16string& wordsXml, const std::u16string& linesXml);

// Writes the scores through the atomic writer.
void writeKnownScores(const std::u16string& path, std::uint64_t digest, const KnownScores& known);

// The scores of the file when it exists, is whole, names this digest and
// holds this many word and line scores and a thumbnail; otherwise nothing.
std::optional<KnownScores> readKnownScores(const std::u16string& path, std::uint64_t digest, size_t words,
                                           size_t lines);

}  // namespace tavo
