// What the transcription of a line leads one to expect in its ink: its words
// and, in text order, the pieces of Arabic words (PAWs) they break into, each
// with a relative width from its letters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavo {

struct ExpectedPaw {
    int word = 0;             // index into LinePlan::words
    double weight = 1;        // relative width
    bool wordStart = false;   // first PAW of its word
    bool weak = false;        // a hamza or punctuation: may show as a mark only
    bool foreign = false;     // Latin letters or digits: any number of bodies
};

struct LinePlan {
    std::vector<std::u16string> words;  // the contents' tokens as they stand
    std::vector<ExpectedPaw> paws;      // text order (right to left on the page)
    bool hasArabic = false;
};

// The plan of a line's contents: tokens at blanks, PAWs where the PAW marker
// puts a separator inside a token.
LinePlan planLine(std::u16string_view contents);

// The relative width of one PAW's characters.
double pawWeight(std::u16string_view paw);

}  // namespace tavo
