// libFuzzer target: the reading-order check and the verify walk on arbitrary
// zone documents, compared with a plain form of the chain rules over ordered
// maps.  With bit 0 of the flags set, the same document and source text also
// go through files and runVerify, which must print the same.
//
// Input: one flags byte (bit 1: a comment line after every zone), then
// fields separated by 0x1F: the source text, then one field per zone: an id
// code, a nextZoneID code, a status byte and the contents text.  Codes below
// 160 are themselves; the others give no attribute, an empty value, the
// 32-bit limits, -1, a number beyond 32 bits, words, signs and negatives.
// Status bits 0-1: none, "EXTRA", "MISSING", empty; bits 2-3: contents is
// the zone's source word escaped, the word as it is, the contents text, or
// absent.
#include "FuzzText.h"

#include "groundtruth/ZoneDocument.h"
#include "groundtruth/ZoneLine.h"
#include "transcript/ReadingOrder.h"
#include "transcript/Verify.h"
#include "util/Strings.h"
#include "util/TextFile.h"

#include <algorithm>
#include <iterator>
#include <map>

using fuzztext::check;

namespace {

constexpr int kPlainCodes = 160;

// The attribute text of a code, or nothing for an absent attribute.
std::optional<std::u16string> valueOf(unsigned char code)
{
    if (code < kPlainCodes)
        return tavo::toWide(std::to_string(code));
    static const char* const kSpecial[] = {nullptr, "", "2147483647", "-2147483648", "-1", "99999999999",
                                           "abc", " 7", "+3", "1e3"};
    const size_t i = code - kPlainCodes;
    if (i < std::size(kSpecial))
        return kSpecial[i] ? std::optional<std::u16string>(tavo::toWide(kSpecial[i])) : std::nullopt;
    return tavo::toWide(std::to_string(-static_cast<int>(i - std::size(kSpecial) + 1)));
}

std::u16string zoneLine(std::string_view field, size_t index, const std::vector<std::u16string>& words)
{
    const auto byte = [&](size_t i) { return i < field.size() ? static_cast<unsigned char>(field[i]) : 0; };
    std::u16string line = u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\"";
    if (const auto id = valueOf(byte(0)))
        line += u" id=\"" + *id + u"\"";
    if (const auto next = valueOf(byte(1)))
        line += u" nextZoneID=\"" + *next + u"\"";
    const unsigned char status = byte(2);
    const char16_t* const kStatus[] = {nullptr, u"EXTRA", u"MISSING", u""};
    if (kStatus[status & 3])
        line += u" status=\"" + std::u16string(kStatus[status & 3]) + u"\"";
    const std::u16string word = words.empty() ? std::u16string() : words[index % words.size()];
    switch ((status >> 2) & 3) {
    case 0:
        line += u" contents=\"" + tavo::escapeXml(word) + u"\"";
        break;
    case 1:
        line += u" contents=\"" + word + u"\"";
        break;
    case 2:
        line += u" contents=\"" + fuzztext::textOf(field.substr(std::min<size_t>(3, field.size()))) + u"\"";
        break;
    default:
        break;
    }
    return line + u" > </DL_ZONE>";
}

int intOf(std::u16string_view name, const std::u16string& line)
{
    return tavo::parseInt(tavo::toNarrow(tavo::getAttribute(name, line)));
}

// The chain rules as maps keyed by zone id: later zones overwrite earlier
// ones, heads are the ids from 0 up with a successor and no zone naming them.
std::string plainVerify(const std::vector<tavo::DocumentZone>& zones, const std::vector<std::u16string>& words)
{
    std::map<int, int> successor;
    std::map<int, int> predecessor;
    std::map<int, std::u16string> lineOf;
    for (const tavo::DocumentZone& zone : zones) {
        const int id = tavo::parseInt(tavo::toNarrow(tavo::getIdAttribute(zone.text)));
        int next = intOf(u"nextZoneID", zone.text);
        if (tavo::getAttribute(u"status", zone.text) == u"EXTRA") {
            if (next == -1)
                continue;
            return "Zone " + std::to_string(id) + " : Extra in Stream\n";
        }
        next = next == -1 ? 0 : next;
        successor[id] = next;
        predecessor[next] = id;
        lineOf[id] = zone.text;
    }
    std::vector<int> heads;
    for (const auto& [id, next] : successor) {
        const auto named = predecessor.find(id);
        if (id >= 0 && next != 0 && (named == predecessor.end() || named->second == 0))
            heads.push_back(id);
    }
    if (heads.empty())
        return predecessor.size() <= 2 ? "No Reading Order Found\n" : "Cycle Found in Reading Order\n";
    if (heads.size() > 1) {
        std::string out;
        for (int head : heads)
            out += "Zone " + std::to_string(head) + ": Multiple Reading Orders\n";
        return out;
    }
    int zone = heads.front();
    for (size_t k = 0;; ++k) {
        if (k == words.size())
            return "99999\n";
        const auto line = lineOf.find(zone);
        const std::u16string contents = line == lineOf.end() ? std::u16string() : tavo::getAttribute(u"contents", line->second);
        const auto link = successor.find(zone);
        const int next = link == successor.end() ? 0 : link->second;
        if (next == 0 && k + 1 != words.size() && zone > 0)
            return "Zone " + std::to_string(zone) + " : Reading Order Incomplete\n";
        if (contents != tavo::escapeXml(words[k]) && contents != words[k] && zone >= 1)
            return "Zone " + std::to_string(zone) + " : Content Mismatch \n";
        zone = next;
    }
}

std::string checkInMemory(const tavo::ZoneDocument& document, const std::vector<std::u16string>& words)
{
    tavo::Report report;
    const std::optional<tavo::ReadingOrder> order = tavo::checkReadingOrder(document.zones, report);
    if (order) {
        check(order->find(order->head) != nullptr);
        for (size_t i = 1; i < order->links.size(); ++i)
            check(order->links[i - 1].id < order->links[i].id);
        tavo::walkReadingOrder(*order, words, report);
    }
    return report.out();
}

// runVerify reads the same lines back from files: one document, one text.
std::string checkThroughFiles(const std::vector<std::u16string>& lines, const std::u16string& source)
{
    const auto& folder = fuzztext::scratchFolder();
    const std::u16string wordsXml = tavo::wideFromUtf8((folder / "words.xml").string());
    const std::u16string sourceText = tavo::wideFromUtf8((folder / "source.txt").string());
    {
        tavo::CTextFileWrite xml(wordsXml, tavo::kUtf8);
        for (const std::u16string& line : lines) {
            xml.writeText(line);
            xml.writeEndLine();
        }
        xml.close();
        tavo::CTextFileWrite text(sourceText, tavo::kUtf8);
        text.writeText(source);
        text.close();
    }
    tavo::Report report;
    tavo::runVerify(wordsXml, sourceText, report);
    return report.out();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const auto fields = fuzztext::fields(data + 1, size - 1, 1);
    const std::u16string source = fuzztext::textOf(fields[0]);
    const std::vector<std::u16string> words = tavo::splitSourceWords(source);

    std::vector<std::u16string> lines = {u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                                         u"<DL_PAGE tavo_type=\"DL_PAGE\" src=\"p.tif\" pageID=\"1\" width=\"9\" height=\"9\">"};
    for (size_t i = 1; i < fields.size(); ++i) {
        lines.push_back(zoneLine(fields[i], i - 1, words));
        if ((data[0] & 2) != 0)
            lines.push_back(u"<!-- between zones -->");
    }
    lines.push_back(u"</DL_PAGE>");

    const tavo::ZoneDocument document = tavo::zoneDocumentFromLines(lines);
    check(document.zones.size() == fields.size() - 1);
    check(document.pageWidth == 9 && document.pageHeight == 9);

    const std::string expected = plainVerify(document.zones, words);
    check(checkInMemory(document, words) == expected);

    // Line ends inside the source text become line breaks of its file, which
    // split words as blanks do; inside a zone line they would split the line.
    const bool oneLineEach = std::none_of(lines.begin(), lines.end(), [](const std::u16string& line) {
        return line.find_first_of(u"\r\n") != std::u16string::npos;
    });
    if ((data[0] & 1) != 0 && oneLineEach)
        check(checkThroughFiles(lines, source) == (words.empty() ? "cannot open source txt\n" : expected));
    return 0;
}
