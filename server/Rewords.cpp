#include "server/Rewords.h"

#include "align/Words.h"
#include "server/PageStore.h"
#include "words/WordFinder.h"

namespace tavo {

std::vector<EditZone> rewordLine(const ZULImage& page, std::vector<EditZone> zones, int line)
{
    if (line < 0 || size_t(line) >= zones.size() || !zones[size_t(line)].isLine)
        throw EditError("zone " + std::to_string(line) + " is not a line");
    FoundLine found;
    try {
        found = findWords(page, zoneLineFor(zones[size_t(line)], std::u16string()));
    } catch (const UnprocessableZone& refused) {
        throw EditError(std::string("the words of this line cannot be found: ") + refused.what());
    }
    auto box = [](const PageBox& b) { return EditBox{b.col, b.row, b.width, b.height}; };
    std::vector<EditZone> words;
    for (const FoundWord& w : found.words) {
        EditZone word;
        word.box = box(w.box);
        word.text = w.contents;
        word.confidence = w.confidence;
        if (!w.doubt.empty())
            word.doubt = w.doubt;
        for (const PageBox& p : w.pawBoxes)
            word.pawboxes.push_back(box(p));
        words.push_back(std::move(word));
    }
    return replaceLineWords(std::move(zones), line, std::move(words));
}

}  // namespace tavo
