#include "groundtruth/ZoneLine.h"

#include "util/Strings.h"

#include <climits>
#include <cstdlib>
#include <optional>
#include <utility>

namespace tavo {

namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kSpace = u' ';
constexpr char16_t kTab = u'\t';
constexpr char16_t kFullStop = u'.';
constexpr auto npos = std::u16string_view::npos;

// Replacement work a rule may do on one line before it is taken for a rule
// that never stops rewriting (units of replacement text re-read per unit of
// line, plus a fixed allowance).
constexpr size_t kRewriteAllowance = size_t{1} << 20;
constexpr size_t kRewritePerUnit = 64;

// Replaces the quoted value whose opening quote is at open.
void replaceValue(std::u16string& line, size_t open, std::u16string_view value)
{
    size_t close = line.find(kQuote, open + 1);
    if (close == npos)
        close = line.size();
    line.replace(open + 1, close - open - 1, value);
}

std::u16string valueAt(std::u16string_view line, size_t open)
{
    const size_t close = line.find(kQuote, open + 1);
    return std::u16string(line.substr(open + 1, close == npos ? npos : close - open - 1));
}

// Appends ` name="value"` after the last double quote of the line.

// Position of the opening quote of a whole `id` attribute, or npos.
size_t findIdQuote(std::u16string_view line)
{
    constexpr std::u16string_view kId = u"id=\"";
    for (size_t at = line.find(kId); at != npos; at = line.find(kId, at + 1)) {
        if (at > 0 && (line[at - 1] == kSpace || line[at - 1] == kTab))
            return at + kId.size() - 1;
    }
    return npos;
}

struct ValueSpan {
    size_t begin;
    size_t end;  // the closing quote, or the end of the line
};

std::optional<ValueSpan> findValue(std::u16string_view line, std::u16string_view name)
{
    if (name.empty())
        return std::nullopt;
    std::u16string pattern(name);
    pattern += u"=\"";
    for (size_t at = line.find(pattern); at != std::u16string_view::npos;
         at = line.find(pattern, at + 1)) {
        if (at == 0 || !isCSpace(line[at - 1]))
            continue;
        const size_t begin = at + pattern.size();
        size_t end = line.find(u'"', begin);
        if (end == std::u16string_view::npos)
            end = line.size();
        return ValueSpan{begin, end};
    }
    return std::nullopt;
}

}  // namespace

void appendAttribute(std::u16string& line, std::u16string_view name, std::u16string_view value)
{
    const size_t last = line.rfind(kQuote);
    if (last == npos)
        return;
    std::u16string attr;
    attr.reserve(name.size() + value.size() + 4);
    attr += kSpace;
    attr += name;
    attr += u"=\"";
    attr += value;
    attr += kQuote;
    line.insert(last + 1, attr);
}

std::u16string getAttribute(std::u16string_view name, std::u16string_view line)
{
    const size_t at = line.find(name);
    if (at == npos)
        return {};
    const size_t open = line.find(kQuote, at);
    if (open == npos)
        return {};
    return valueAt(line, open);
}

void setAttribute(std::u16string& line, std::u16string_view name, std::u16string_view value,
                  bool addIfMissing)
{
    const size_t at = line.find(name);
    if (at != npos) {
        const size_t open = line.find(kQuote, at);
        if (open != npos)
            replaceValue(line, open, value);
        return;
    }
    if (addIfMissing)
        appendAttribute(line, name, value);
}

std::u16string getIdAttribute(std::u16string_view line)
{
    const size_t open = findIdQuote(line);
    return open == npos ? std::u16string() : valueAt(line, open);
}

void setIdAttribute(std::u16string& line, std::u16string_view value, bool addIfMissing)
{
    const size_t open = findIdQuote(line);
    if (open != npos)
        replaceValue(line, open, value);
    else if (addIfMissing)
        appendAttribute(line, u"id", value);
}

std::optional<std::u16string> getWholeAttribute(std::u16string_view line,
                                                std::u16string_view name)
{
    const auto span = findValue(line, name);
    if (!span)
        return std::nullopt;
    return std::u16string(line.substr(span->begin, span->end - span->begin));
}

bool setWholeAttribute(std::u16string& line, std::u16string_view name, std::u16string_view value)
{
    const auto span = findValue(line, name);
    if (!span)
        return false;
    line.replace(span->begin, span->end - span->begin, value);
    return true;
}

bool isZoneLine(std::u16string_view line)
{
    return getAttribute(u"tavo_type", line) == u"DL_TEXTLINEGT";
}

// One pass gives what the five passes in entity order give: no entity that
// is inserted holds a character a later pass would escape.
std::u16string escapeXml(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char16_t c : text) {
        switch (c) {
        case u'&':
            out += u"&amp;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        case u'"':
            out += u"&quot;";
            break;
        case u'\'':
            out += u"&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The text is moved unit by unit from a stack of unread text to the output.
// The output never holds the find text, so the first time it ends with it,
// that is the leftmost occurrence of the whole text; the replacement goes back
// onto the unread stack, where it may form a new occurrence with what stands
// before or after it.  Each replacement costs its own length, not the line's.
bool replaceAll(std::u16string_view find, std::u16string_view replacement, std::u16string& line)
{
    if (find.empty() || replacement.find(find) != npos)
        return false;
    if (line.find(find) == npos)
        return true;
    const size_t n = find.size();
    size_t budget = kRewriteAllowance + kRewritePerUnit * line.size();
    std::u16string out;
    out.reserve(line.size());
    std::u16string unread(line.rbegin(), line.rend());
    while (!unread.empty()) {
        out += unread.back();
        unread.pop_back();
        if (out.size() >= n && out.back() == find.back() &&
            std::u16string_view(out).substr(out.size() - n) == find) {
            if (replacement.size() + 1 > budget)
                return false;
            budget -= replacement.size() + 1;
            out.resize(out.size() - n);
            unread.append(replacement.rbegin(), replacement.rend());
        }
    }
    line = std::move(out);
    return true;
}

std::u16string normaliseSpaces(std::u16string_view text)
{
    const size_t first = text.find_first_not_of(kSpace);
    if (first == npos)
        return {};
    const size_t last = text.find_last_not_of(kSpace);
    std::u16string out;
    out.reserve(last - first + 1);
    for (size_t i = first; i <= last; ++i) {
        if (text[i] == kSpace && out.back() == kSpace)
            continue;
        out += text[i];
    }
    return out;
}

std::u16string cleanTranscription(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (const char16_t c : text) {
        if (!isKeptChar(c))
            continue;
        if (c == kTab)
            out += kSpace;
        else if (c == kQuote)
            out += u"''";
        else
            out += c;
    }
    return out;
}

bool isArabicText(std::u16string_view text)
{
    for (const char16_t c : text) {
        if (!isArabicChar(c) && c != kFullStop)
            return false;
    }
    return true;
}

bool isAsciiText(std::u16string_view text)
{
    for (const char16_t c : text) {
        if (c >= 129)
            return false;
    }
    return true;
}

std::string baseName(std::string_view path)
{
    const size_t cut = path.find_last_of("\\/");
    return std::string(cut == npos ? path : path.substr(cut + 1));
}

std::string intToText(int value)
{
    return std::to_string(value);
}

int intAttribute(std::u16string_view name, std::u16string_view line)
{
    return parseInt(toNarrow(getAttribute(name, line)));
}

std::u16string unescapeXml(std::u16string_view text)
{
    static constexpr std::pair<std::u16string_view, char16_t> kEntities[] = {
        {u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&quot;", u'"'}, {u"&apos;", u'\''}};
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == u'&') {
            for (const auto& [name, c] : kEntities)
                if (text.substr(i, name.size()) == name) {
                    out += c;
                    i += name.size();
                    replaced = true;
                    break;
                }
            const size_t end = text.find(u';', i);
            if (!replaced && i + 2 < text.size() && text[i + 1] == u'#' && end != std::u16string::npos && end - i < 10) {
                const bool hex = text[i + 2] == u'x' || text[i + 2] == u'X';
                const std::string digits = toNarrow(text.substr(i + (hex ? 3 : 2), end - i - (hex ? 3 : 2)));
                char* stop = nullptr;
                const unsigned long code = std::strtoul(digits.c_str(), &stop, hex ? 16 : 10);
                if (!digits.empty() && *stop == '\0' && code > 0 && code < 0x10000 && (code < 0xD800 || code > 0xDFFF)) {
                    out += static_cast<char16_t>(code);
                    i = end + 1;
                    replaced = true;
                }
            }
        }
        if (!replaced)
            out += text[i++];
    }
    return out;
}

std::optional<std::vector<std::pair<int, int>>> readPolygon(std::u16string_view value)
{
    std::vector<std::pair<int, int>> points;
    const std::string text = toNarrow(value);
    const char* p = text.c_str();
    const auto fits = [](long v) { return v >= INT_MIN && v <= INT_MAX; };
    while (*p) {
        char* end = nullptr;
        const long x = std::strtol(p, &end, 10);
        if (end == p || *end != ',' || !fits(x))
            return std::nullopt;
        p = end + 1;
        const long y = std::strtol(p, &end, 10);
        if (end == p || !fits(y))
            return std::nullopt;
        points.emplace_back(static_cast<int>(x), static_cast<int>(y));
        p = end;
        while (*p == ' ')
            ++p;
    }
    if (points.size() < 3)
        return std::nullopt;
    return points;
}

}  // namespace tavo
