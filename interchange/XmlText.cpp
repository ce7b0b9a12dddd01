#include "interchange/XmlText.h"

#include "util/Strings.h"
#include "groundtruth/ZoneLine.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <cstdint>
#include <cstdio>

namespace tavo {

namespace {

// Decodes one UTF-8 sequence at text[i]; returns its length (1 for a broken
// byte, which then counts as U+FFFD).
int nextCodePoint(std::string_view text, size_t i, std::uint32_t& cp)
{
    const auto b = static_cast<unsigned char>(text[i]);
    int length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + static_cast<size_t>(length) > text.size()) {
        cp = 0xFFFD;
        return 1;
    }
    cp = length == 1 ? b : b & (0x7F >> length);
    for (int k = 1; k < length; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(text[i + static_cast<size_t>(k)]) & 0x3F);
    return length;
}

bool allowedInXml(std::uint32_t cp)
{
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
           (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

}  // namespace

XmlOut& XmlOut::open(std::string_view name)
{
    out_.append(static_cast<size_t>(depth_), ' ');
    out_ += '<';
    out_ += name;
    return *this;
}

XmlOut& XmlOut::attr(std::string_view name, std::string_view value)
{
    out_ += ' ';
    out_ += name;
    out_ += "=\"";
    escape(value, true);
    out_ += '"';
    return *this;
}

XmlOut& XmlOut::attr(std::string_view name, long value)
{
    return attr(name, std::to_string(value));
}

XmlOut& XmlOut::endTag(bool empty)
{
    out_ += empty ? "/>\n" : ">\n";
    if (!empty)
        ++depth_;
    return *this;
}

XmlOut& XmlOut::textElement(std::string_view name, std::string_view text)
{
    open(name);
    out_ += '>';
    escape(text, false);
    out_ += "</";
    out_ += name;
    out_ += ">\n";
    return *this;
}

XmlOut& XmlOut::close(std::string_view name)
{
    --depth_;
    out_.append(static_cast<size_t>(depth_), ' ');
    out_ += "</";
    out_ += name;
    out_ += ">\n";
    spill();
    return *this;
}

void XmlOut::spill()
{
    if (sink_ && out_.size() >= (size_t{1} << 20)) {
        sink_(out_);
        out_.clear();
    }
}

std::string XmlOut::take()
{
    if (sink_) {
        sink_(out_);
        out_.clear();
    }
    return std::move(out_);
}

void XmlOut::escape(std::string_view text, bool attribute)
{
    for (size_t i = 0; i < text.size();) {
        std::uint32_t cp = 0;
        const int length = nextCodePoint(text, i, cp);
        const std::string_view piece = text.substr(i, static_cast<size_t>(length));
        i += static_cast<size_t>(length);
        if (!allowedInXml(cp))
            continue;
        switch (cp) {
        case '&': out_ += "&amp;"; break;
        case '<': out_ += "&lt;"; break;
        case '>': out_ += "&gt;"; break;
        case '"': out_ += attribute ? "&quot;" : "\""; break;
        case '\t': out_ += attribute ? "&#9;" : "\t"; break;
        case '\n': out_ += attribute ? "&#10;" : "\n"; break;
        case '\r': out_ += "&#13;"; break;
        case 0xFFFD: out_ += "\xEF\xBF\xBD"; break;
        default: out_ += piece;
        }
    }
}

std::u16string decodeEntities(std::u16string_view text)
{
    static constexpr std::pair<std::u16string_view, char16_t> kNamed[] = {
        {u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&quot;", u'"'}, {u"&apos;", u'\''}};
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            out += text[i];
            continue;
        }
        bool done = false;
        for (const auto& [name, c] : kNamed)
            if (text.substr(i, name.size()) == name) {
                out += c;
                i += name.size() - 1;
                done = true;
                break;
            }
        const size_t semi = text.find(u';', i);
        if (!done && semi != std::u16string_view::npos && semi - i <= 10 && i + 2 < semi &&
            text[i + 1] == u'#') {
            const bool hex = text[i + 2] == u'x';
            std::uint32_t cp = 0;
            bool valid = semi > i + (hex ? 3 : 2);
            for (size_t k = i + (hex ? 3 : 2); valid && k < semi; ++k) {
                const char16_t d = text[k];
                const int v = d >= u'0' && d <= u'9' ? d - u'0'
                              : hex && d >= u'a' && d <= u'f' ? d - u'a' + 10
                              : hex && d >= u'A' && d <= u'F' ? d - u'A' + 10
                                                              : -1;
                valid = v >= 0 && cp < 0x110000;
                cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
            }
            if (valid && allowedInXml(cp)) {
                if (cp >= 0x10000) {
                    out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
                    out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
                } else {
                    out += static_cast<char16_t>(cp);
                }
                i = semi;
                done = true;
            }
        }
        if (!done)
            out += u'&';
    }
    return out;
}

std::u16string toNfc(std::u16string_view text)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status))
        return std::u16string(text);
    const icu::UnicodeString source(false, text.data(), static_cast<int32_t>(text.size()));
    const icu::UnicodeString result = nfc->normalize(source, status);
    if (U_FAILURE(status))
        return std::u16string(text);
    return std::u16string(result.getBuffer(), static_cast<size_t>(result.length()));
}

bool isNfc(std::u16string_view text)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    const icu::UnicodeString source(false, text.data(), static_cast<int32_t>(text.size()));
    return U_SUCCESS(status) && nfc->isNormalized(source, status) && U_SUCCESS(status);
}

bool hasBidiControl(std::u16string_view text)
{
    for (const char16_t c : text)
        if (c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
            (c >= 0x2066 && c <= 0x2069))
            return true;
    return false;
}

bool isTatweelOnly(std::u16string_view word)
{
    return !word.empty() && word.find_first_not_of(u'\u0640') == std::u16string_view::npos;
}

std::string twoDecimals(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string cleanZoneText(std::u16string_view value)
{
    std::u16string text = toNfc(decodeEntities(value));
    for (char16_t& c : text)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return utf8FromWide(normaliseSpaces(text));
}

}  // namespace tavo
