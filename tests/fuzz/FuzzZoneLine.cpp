// libFuzzer target: the zone-line operations on arbitrary text.  Each is
// compared with a literal, slow form of what it must do (where that is cheap
// enough) or checked for the properties its callers rely on.
//
// Input: one flags byte, then fields separated by 0x1F: the line, an
// attribute name, a value, a find text and a replacement text (FuzzText.h
// turns their bytes into UTF-16).
#include "FuzzText.h"

#include "align/Paw.h"
#include "groundtruth/ZoneLine.h"
#include "util/Strings.h"

#include <algorithm>
#include <sstream>

using fuzztext::check;

namespace {

constexpr auto npos = std::u16string::npos;
constexpr size_t kLiteralLimit = 512;  // longest text the quadratic forms get

bool hasQuote(std::u16string_view text) { return text.find(u'"') != npos; }

// getAttribute and setAttribute exactly as described, step by step.
std::u16string literalGet(std::u16string_view name, std::u16string_view line)
{
    const size_t at = line.find(name);
    if (at == npos)
        return {};
    const size_t open = line.find(u'"', at);
    if (open == npos)
        return {};
    const size_t close = line.find(u'"', open + 1);
    return std::u16string(line.substr(open + 1, close == npos ? npos : close - open - 1));
}

std::u16string literalSet(std::u16string line, std::u16string_view name, std::u16string_view value, bool add)
{
    const size_t at = line.find(name);
    if (at != npos) {
        const size_t open = line.find(u'"', at);
        if (open == npos)
            return line;
        size_t close = line.find(u'"', open + 1);
        if (close == npos)
            close = line.size();
        line.erase(open + 1, close - open - 1);
        line.insert(open + 1, value);
        return line;
    }
    if (!add)
        return line;
    const size_t last = line.rfind(u'"');
    if (last == npos)
        return line;
    line.insert(last + 1, u" " + std::u16string(name) + u"=\"" + std::u16string(value) + u"\"");
    return line;
}

void checkAttributes(const std::u16string& line, const std::u16string& name, const std::u16string& value, bool add)
{
    check(tavo::getAttribute(name, line) == literalGet(name, line));

    std::u16string set = line;
    tavo::setAttribute(set, name, value, add);
    check(set == literalSet(line, name, value, add));
    // A value without quotes reads back through a name without quotes
    // whenever the setter had a place to put it.
    const size_t at = line.find(name);
    const bool placed = at != npos ? line.find(u'"', at) != npos : add && hasQuote(line);
    if (placed && !hasQuote(name) && !hasQuote(value))
        check(tavo::getAttribute(name, set) == value);

    std::u16string withId = line;
    tavo::setIdAttribute(withId, value, add);
    const bool hadId = !tavo::getIdAttribute(line).empty() || line.find(u" id=\"") != npos ||
                       line.find(u"\tid=\"") != npos;
    if (!hasQuote(value) && (hadId || (add && hasQuote(line))))
        check(tavo::getIdAttribute(withId) == value);
    if (!hadId && !add)
        check(withId == line);
}

// The five passes in entity order, each continuing after what it inserted.
std::u16string literalEscape(std::u16string text)
{
    const std::pair<char16_t, std::u16string_view> entities[] = {
        {u'&', u"&amp;"}, {u'<', u"&lt;"}, {u'>', u"&gt;"}, {u'"', u"&quot;"}, {u'\'', u"&apos;"}};
    for (const auto& [c, entity] : entities) {
        for (size_t at = text.find(c); at != npos; at = text.find(c, at + entity.size())) {
            text.replace(at, 1, entity);
        }
    }
    return text;
}

// Leftmost replacement, searching from the start each time, for a bounded
// number of rounds.  Returns the number of rounds, or -1 when the bound was
// reached first.
long literalReplaceAll(std::u16string_view find, std::u16string_view replacement, std::u16string& line)
{
    constexpr long kRounds = 300;
    constexpr size_t kLongest = 1 << 16;
    long rounds = 0;
    for (size_t at = line.find(find); at != npos; at = line.find(find)) {
        if (rounds == kRounds || line.size() > kLongest)
            return -1;
        line.replace(at, find.size(), replacement);
        ++rounds;
    }
    return rounds;
}

void checkReplaceAll(const std::u16string& line, const std::u16string& find, const std::u16string& replacement)
{
    std::u16string fast = line;
    const bool done = tavo::replaceAll(find, replacement, fast);
    if (!done) {
        check(fast == line);
    } else {
        check(!find.empty() && replacement.find(find) == npos);
        check(fast.find(find) == npos);
    }
    if (find.empty() || replacement.find(find) != npos)
        return check(!done);
    std::u16string slow = line;
    const long rounds = literalReplaceAll(find, replacement, slow);
    if (rounds >= 0 && static_cast<size_t>(rounds) * (replacement.size() + 1) <= (size_t{1} << 20)) {
        check(done);
        check(fast == slow);
    }
}

void checkSpaces(const std::u16string& text)
{
    const std::u16string out = tavo::normaliseSpaces(text);
    check(out.find(u"  ") == npos);
    check(out.empty() || (out.front() != u' ' && out.back() != u' '));
    if (text.size() > kLiteralLimit)
        return;
    std::u16string slow = text;
    while (!slow.empty() && slow.front() == u' ')
        slow.erase(0, 1);
    while (!slow.empty() && slow.back() == u' ')
        slow.pop_back();
    for (size_t at = slow.find(u"  "); at != npos; at = slow.find(u"  "))
        slow.replace(at, 2, u" ");
    check(out == slow);
}

// The marker as described: classes from the letter tables, marks after each
// character, trimming, then whole scans of the pair rules until none applies.
bool inRange(char16_t c, char16_t first, char16_t last) { return c >= first && c <= last; }
bool isArabicOrStop(char16_t c) { return inRange(c, 0x0621, 0x0669) || c == u'.'; }
bool isBreaker(char16_t c) { return c == u'.' || c == 0x0621 || inRange(c, 0x0660, 0x0669); }
bool isNonJoining(char16_t c)
{
    constexpr std::u16string_view kLetters = u"\u0627\u0623\u0625\u0622\u062F\u0630\u0631\u0632\u0648\u0624\u0629\u0649";
    return kLetters.find(c) != npos;
}
bool literalJoins(char16_t x, char16_t y)
{
    if (isBreaker(x) || isBreaker(y) || isNonJoining(x))
        return false;
    return y != u' ';
}

std::u16string literalMark(std::u16string text)
{
    std::replace(text.begin(), text.end(), u'\t', u' ');
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t x = text[i];
        const char16_t y = i + 1 < text.size() ? text[i + 1] : u'\0';
        out += x;
        if (isArabicOrStop(x)) {
            if (!isArabicOrStop(y))
                out += u' ';
            else if (!literalJoins(x, y) && !inRange(y, 0x064B, 0x065E))
                out += u'^';
        } else if (isArabicOrStop(y)) {
            out += u' ';
        }
    }
    const std::u16string_view trimmed = u"\n\r ^";
    while (!out.empty() && trimmed.find(out.front()) != npos)
        out.erase(0, 1);
    while (!out.empty() && trimmed.find(out.back()) != npos)
        out.pop_back();
    for (bool changed = out.size() >= 2; changed;) {
        changed = false;
        for (size_t i = 0; i + 1 < out.size();) {
            const std::u16string_view pair(out.data() + i, 2);
            if (pair == u" ^" || pair == u"^ " || pair == u"  ") {
                out.replace(i, 2, u" ");
                changed = true;
            } else {
                ++i;
            }
        }
    }
    return out;
}

void checkMarking(const std::u16string& text)
{
    const std::u16string marked = tavo::markPaws(text);
    const std::u16string_view trimmed = u"\n\r ^";
    check(marked.empty() || (trimmed.find(marked.front()) == npos && trimmed.find(marked.back()) == npos));
    for (std::u16string_view pair : {u" ^", u"^ ", u"  "})
        check(marked.find(pair) == npos);
    // One woffsets entry per word boundary, each a separator number.
    const std::u16string words = tavo::wordCutIndices(marked);
    const int separators = tavo::countSpaces(tavo::caretsToSpaces(marked));
    check(tavo::countSpaces(words) == tavo::countSpaces(marked));
    for (int index : tavo::parseIntList(words, false))
        check(index >= 0 && index < separators);
    if (text.size() <= kLiteralLimit)
        check(marked == literalMark(text));
}

void checkCleaning(const std::u16string& text)
{
    const std::u16string out = tavo::cleanTranscription(text);
    std::u16string slow;
    for (char16_t c : text) {
        if (c > 0x7F && !inRange(c, 0x0600, 0x06FF) && c != 0x2013)
            continue;
        slow += c == u'\t' ? std::u16string(u" ") : c == u'"' ? std::u16string(u"''") : std::u16string(1, c);
    }
    check(out == slow);
}

// parseIntList reads like a stream of ints: stops at the first token that
// is not a number or does not fit, and drops the -1 markers.
void checkIntList(const std::string& text)
{
    std::vector<int> slow;
    std::istringstream in(text);
    int value = 0;
    while (in >> value) {
        if (value != -1)
            slow.push_back(value);
    }
    check(tavo::parseIntList(tavo::toWide(text), false) == slow);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool add = (data[0] & 1) != 0;
    const auto parts = fuzztext::fields(data + 1, size - 1, 5);
    const std::u16string line = fuzztext::textOf(parts[0]);
    const std::u16string name = fuzztext::textOf(parts[1]);
    const std::u16string value = fuzztext::textOf(parts[2]);

    checkAttributes(line, name, value, add);
    check(tavo::escapeXml(line) == literalEscape(line));
    checkReplaceAll(line, fuzztext::textOf(parts[3]), fuzztext::textOf(parts[4]));
    checkSpaces(line);
    checkMarking(line);
    checkCleaning(line);
    checkIntList(std::string(parts[0]));
    checkIntList(tavo::toNarrow(value));
    return 0;
}
