#include "transcript/Verify.h"

#include "groundtruth/ZoneDocument.h"
#include "groundtruth/ZoneLine.h"
#include "util/Strings.h"
#include "util/TextFile.h"

namespace tavo {

namespace {

std::vector<std::u16string> readSourceWords(const std::u16string& fileName)
{
    CTextFileRead file(fileName);
    std::u16string text;
    std::u16string line;
    while (file.readLine(line)) {
        text += u' ';
        text += line;
    }
    if (file.readFailed())
        throw RuntimeFailure(utf8FromWide(fileName) + ": cannot read source text");
    return splitSourceWords(text);
}

}  // namespace

std::vector<std::u16string> splitSourceWords(std::u16string_view text)
{
    std::vector<std::u16string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isCSpace(text[i]))
            ++i;
        const size_t start = i;
        while (i < text.size() && !isCSpace(text[i]))
            ++i;
        if (i > start)
            words.emplace_back(text.substr(start, i - start));
    }
    return words;
}

void walkReadingOrder(const ReadingOrder& order, const std::vector<std::u16string>& words,
                      Report& report)
{
    int zone = order.head;
    for (size_t k = 0;; ++k) {
        if (k == words.size()) {
            report.printLine("99999");
            return;
        }
        const std::u16string contents = getAttribute(u"contents", order.line(zone));
        const int next = order.next(zone);
        // Ids below 1 are never named in a message.
        if (next == 0 && k + 1 != words.size() && zone > 0) {
            report.printLine("Zone " + std::to_string(zone) + " : Reading Order Incomplete");
            return;
        }
        if (contents != escapeXml(words[k]) && contents != words[k] && zone >= 1) {
            report.printLine("Zone " + std::to_string(zone) + " : Content Mismatch ");
            return;
        }
        zone = next;
    }
}

void runVerify(const std::u16string& wordsXml, const std::u16string& sourceText, Report& report)
{
    const std::vector<std::u16string> words = readSourceWords(sourceText);
    if (words.empty()) {
        report.printLine("cannot open source txt");
        return;
    }
    std::optional<ZoneDocument> document = loadZoneDocument(wordsXml);
    if (!document)
        report.fail(utf8FromWide(wordsXml), "cannot open ground-truth file");
    const std::optional<ReadingOrder> order = checkReadingOrder(std::move(document->zones), report);
    if (order)
        walkReadingOrder(*order, words, report);
}

void runVerifyCommand(const std::u16string& wordsXml, const std::u16string& sourceText, Report& report)
{
    runVerify(wordsXml, sourceText, report);
    report.printLine("-1");
}

}  // namespace tavo
