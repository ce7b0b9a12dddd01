#include "words/PawPlan.h"

#include "align/Paw.h"
#include "groundtruth/ZoneLine.h"

#include <algorithm>

namespace tavo {

namespace {

// Widths of the letters relative to one another, as a hand usually draws
// them inside a PAW.
double letterWeight(char16_t c)
{
    switch (c) {
    case 0x0627: return 0.55;
    case 0x0623: case 0x0625: case 0x0622: return 0.7;
    case 0x0644: return 1.15;
    case 0x062F: case 0x0630: case 0x0629: return 1.2;
    case 0x0631: case 0x0632: return 1.25;
    case 0x0648: case 0x0624: return 1.4;
    case 0x064A: return 1.45;
    case 0x0645: case 0x0646: return 1.5;
    case 0x0628: case 0x062A: case 0x062B: case 0x0626: case 0x0647: return 1.6;
    case 0x0639: case 0x063A: case 0x0642: return 1.7;
    case 0x0641: return 1.9;
    case 0x0649: case 0x062C: case 0x062D: case 0x062E: return 2.0;
    case 0x0637: case 0x0638: return 2.05;
    case 0x0643: return 2.2;
    case 0x0633: case 0x0634: return 2.6;
    case 0x0635: case 0x0636: return 2.8;
    case 0x0621: case 0x0660: return 0.6;  // hamza and zero: hardly more than a dot
    case 0x0640: return 1.0;
    default: break;
    }
    if (c >= 0x064B && c <= 0x065E)
        return 0;  // vowel marks sit over or under the letters
    if ((c >= 0x0660 && c <= 0x0669) || (c >= u'0' && c <= u'9'))
        return 1.0;
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))
        return 1.4;
    return 0.5;  // punctuation and everything else
}

// Letters whose final or isolated form ends in a wide tail or bowl.
bool hasWideEnd(char16_t c)
{
    switch (c) {
    case 0x0646: case 0x064A: case 0x0649: case 0x0633: case 0x0634: case 0x0635: case 0x0636:
    case 0x0642: case 0x0644: case 0x0639: case 0x063A: case 0x062C: case 0x062D: case 0x062E:
        return true;
    default:
        return false;
    }
}

constexpr double kWideEnd = 0.4;

bool isNumber(std::u16string_view piece)
{
    return std::all_of(piece.begin(), piece.end(), [](char16_t c) {
        return (c >= 0x0660 && c <= 0x0669) || (c >= u'0' && c <= u'9');
    });
}
constexpr double kWeakBelow = 0.8;

// The basic Arabic letter that joins and is about as wide as a letter of the
// extended block: the dotless forms manuscript transcriptions use (dotless
// beh, qaf, feh, noon), Persian and Urdu letters, alef wasla.  The PAW
// marker knows the basic letters only and would take the others for foreign
// text.
char16_t basicLetter(char16_t c)
{
    switch (c) {
    case 0x066E: case 0x067E: case 0x0679: case 0x067B: return 0x0628;  // dotless beh, peh, tteh
    case 0x066F: case 0x06A7: case 0x06A8: return 0x0642;              // dotless qaf
    case 0x06A1: case 0x06A4: case 0x06A2: case 0x06A5: return 0x0641;  // dotless feh, veh
    case 0x06BA: case 0x06BB: case 0x06B9: return 0x0646;              // noon ghunna
    case 0x06CC: case 0x06D0: case 0x06D2: case 0x06D3: return 0x064A; // Farsi yeh, yeh barree
    case 0x06A9: case 0x06AA: case 0x06AF: case 0x06B3: return 0x0643;  // keheh, gaf
    case 0x0686: case 0x0687: return 0x062C;                            // tcheh
    case 0x0698: case 0x0691: return 0x0632;                            // jeh, rreh
    case 0x0688: return 0x062F;                                         // ddal
    case 0x06C1: case 0x06BE: return 0x0647;                            // heh goal, doachashmee
    case 0x06C0: case 0x06C3: case 0x06D5: return 0x0629;               // joined on the right only
    case 0x0671: case 0x0672: case 0x0673: case 0x0675: return 0x0627;  // alef wasla, alef with hamza
    case 0x06C6: case 0x06C7: case 0x06C8: case 0x06CB: case 0x0676: return 0x0648;
    case 0x069A: case 0x069B: case 0x069C: return 0x0633;               // seen with other dots
    default: break;
    }
    if (c >= 0x06F0 && c <= 0x06F9)  // Persian digits
        return static_cast<char16_t>(0x0660 + (c - 0x06F0));
    return c;
}

// Marks of direction that are written nowhere on the page.
bool isInvisible(char16_t c)
{
    switch (c) {
    case 0x200E: case 0x200F: case 0x061C: case 0xFEFF: return true;
    default: return false;
    }
}

}  // namespace

double pawWeight(std::u16string_view paw)
{
    double weight = 0;
    char16_t last = 0;
    for (char16_t c : paw) {
        weight += letterWeight(c);
        if (letterWeight(c) > 0)
            last = c;
    }
    return hasWideEnd(last) ? weight + kWideEnd : weight;
}

LinePlan planLine(std::u16string_view contents)
{
    LinePlan plan;
    const std::u16string text = normaliseSpaces(contents);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(u' ', pos);
        if (end == std::u16string::npos)
            end = text.size();
        const std::u16string token = text.substr(pos, end - pos);
        pos = end + 1;
        const int word = static_cast<int>(plan.words.size());
        plan.words.push_back(token);

        // The token as it stands in the file may hold entities (&quot; for
        // a quotation mark) and extended letters; its PAWs are those of the
        // characters written, each letter as its basic counterpart.
        std::u16string written = unescapeXml(token);
        if (!std::all_of(written.begin(), written.end(), isInvisible))
            written.erase(std::remove_if(written.begin(), written.end(), isInvisible), written.end());
        std::transform(written.begin(), written.end(), written.begin(), basicLetter);
        const std::u16string marked = markPaws(written);
        std::vector<std::u16string_view> pieces;
        size_t start = 0;
        for (size_t i = 0; i <= marked.size(); ++i) {
            if (i < marked.size() && marked[i] != u' ' && marked[i] != u'^')
                continue;
            if (i > start)
                pieces.emplace_back(marked.data() + start, i - start);
            start = i + 1;
        }
        // A number is written left to right inside the right-to-left line.
        for (auto run = pieces.begin(); run != pieces.end();) {
            auto end = std::find_if_not(run, pieces.end(), isNumber);
            std::reverse(run, end);
            run = end == pieces.end() ? end : std::next(end);
        }
        for (size_t k = 0; k < pieces.size(); ++k) {
            ExpectedPaw paw;
            paw.word = word;
            paw.weight = pawWeight(pieces[k]);
            paw.wordStart = k == 0;
            paw.weak = paw.weight < kWeakBelow;
            paw.foreign = !isArabicText(pieces[k]);
            for (char16_t c : pieces[k])
                plan.hasArabic |= isArabicChar(c) && c < 0x0660;
            plan.paws.push_back(paw);
        }
    }
    return plan;
}

}  // namespace tavo
