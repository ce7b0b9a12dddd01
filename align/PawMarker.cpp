// Marking a transcription into words and PAWs, and the attribute values built
// from the marked text.

#include "align/PawMarker.h"

#include "util/Strings.h"

#include <algorithm>

namespace tavo {

namespace {

constexpr char16_t kSpace = u' ';
constexpr char16_t kCaret = u'^';
constexpr char16_t kFullStop = u'.';

bool isArabic(char16_t c) { return c >= 0x0621 && c <= 0x0669; }

bool isDiacritic(char16_t c) { return c >= 0x064B && c <= 0x065E; }

// Arabic letters and the full stop take part in PAW marking; everything else
// (Latin, other digits, other punctuation, surrogates) is a foreign run.
bool isArabicOrStop(char16_t c) { return isArabic(c) || c == kFullStop; }

bool isBreaker(char16_t c) { return c == kFullStop || c == 0x0621 || (c >= 0x0660 && c <= 0x0669); }

// Letters that join only to the letter before them.
bool isNonJoining(char16_t c)
{
    switch (c) {
    case 0x0622: case 0x0623: case 0x0624: case 0x0625: case 0x0627: case 0x0629:
    case 0x062F: case 0x0630: case 0x0631: case 0x0632: case 0x0648: case 0x0649:
        return true;
    default:
        return false;
    }
}

bool isSeparator(char16_t c) { return c == kSpace || c == kCaret; }

bool isTrimmed(char16_t c) { return c == u'\n' || c == u'\r' || isSeparator(c); }

// Inserts a space where Arabic text meets foreign text and a caret after a
// letter that does not join its successor.
std::u16string insertMarks(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t x = text[i] == u'\t' ? kSpace : text[i];
        char16_t y = i + 1 < text.size() ? text[i + 1] : char16_t(0);
        if (y == u'\t')
            y = kSpace;
        out += x;
        if (isArabicOrStop(x)) {
            if (!isArabicOrStop(y))
                out += kSpace;
            else if (!joinsNext(x, y) && !isDiacritic(y))
                out += kCaret;
        } else if (isArabicOrStop(y)) {
            out += kSpace;
        }
    }
    return out;
}

// Every run of separators that holds a space becomes one space; runs of
// carets alone stay.  This is the fixed point of repeatedly replacing the
// pairs " ^", "^ " and "  " by a space, reached in one pass.
std::u16string collapseSeparators(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (!isSeparator(text[i])) {
            out += text[i++];
            continue;
        }
        size_t end = i;
        bool hasSpace = false;
        while (end < text.size() && isSeparator(text[end]))
            hasSpace |= text[end++] == kSpace;
        if (hasSpace)
            out += kSpace;
        else
            out.append(text.substr(i, end - i));
        i = end;
    }
    return out;
}

}  // namespace

bool joinsNext(char16_t x, char16_t y)
{
    if (isBreaker(x) || isBreaker(y))
        return false;
    if (isNonJoining(x))
        return false;
    return y != kSpace;
}

std::u16string markPaws(std::u16string_view text)
{
    std::u16string marked = insertMarks(text);
    std::u16string_view view(marked);
    size_t first = 0;
    while (first < view.size() && isTrimmed(view[first]))
        ++first;
    size_t last = view.size();
    while (last > first && isTrimmed(view[last - 1]))
        --last;
    return collapseSeparators(view.substr(first, last - first));
}

std::u16string wordCutIndices(std::u16string_view marked)
{
    std::u16string out;
    int n = 0;
    for (char16_t c : marked) {
        if (c == kSpace) {
            out += toWide(std::to_string(n));
            out += kSpace;
        }
        if (isSeparator(c))
            ++n;
    }
    return out;
}

int countSpaces(std::u16string_view text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), kSpace));
}

std::u16string caretsToSpaces(std::u16string_view text)
{
    std::u16string out(text);
    std::replace(out.begin(), out.end(), kCaret, kSpace);
    return out;
}

}  // namespace tavo
