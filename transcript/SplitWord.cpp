#include "SplitWord.h"

#include "Paw.h"
#include "Strings.h"
#include "Words.h"
#include "ZULImage.h"
#include "ZoneLine.h"

#include <algorithm>
#include <optional>

namespace tavo {

namespace {

// Gives word zones their ids and links each to the one numbered after it.
class WordNumbering {
public:
    explicit WordNumbering(std::vector<DocumentZone>& zones) : zones_(zones) {}

    void number(size_t index, const std::u16string& status)
    {
        ++counter_;
        const std::u16string id = toWide(std::to_string(counter_));
        std::u16string& line = zones_[index].text;
        setIdAttribute(line, id, true);
        setAttribute(line, u"status", status, true);
        // The previous word is linked only now that a next one exists, so the
        // last word of the page never names an id that no zone has.
        if (counter_ > 1)
            setAttribute(zones_[previous_].text, u"nextZoneID", id, true);
        previous_ = index;
    }

private:
    std::vector<DocumentZone>& zones_;
    int counter_ = 0;
    size_t previous_ = 0;  // the word numbered last, once counter_ > 0
};

}  // namespace

ReadingMode readingModeFromSwitch(std::u16string_view sw)
{
    if (sw == u"-readorderRL")
        return ReadingMode::RightToLeft;
    if (sw == u"-readorderLR")
        return ReadingMode::LeftToRight;
    return ReadingMode::Unnumbered;
}

ZoneDocument splitDocumentWords(ZoneDocument input, const LineSplitter& split, ReadingMode mode,
                                std::string_view inputName, Report& report)
{
    sortZonesByRow(input);
    ZoneDocument output;
    output.headerLines = std::move(input.headerLines);
    output.footerLines = std::move(input.footerLines);
    output.pageWidth = input.pageWidth;
    output.pageHeight = input.pageHeight;

    WordNumbering numbering(output.zones);
    for (DocumentZone& zone : input.zones) {
        std::vector<std::u16string> words;
        try {
            words = split(zone.text);
        } catch (const UnprocessableZone& refused) {
            report.zoneUnchanged(inputName, zone.lineNumber, refused.what());
            output.zones.push_back(std::move(zone));
            continue;
        }
        if (mode == ReadingMode::LeftToRight)
            std::reverse(words.begin(), words.end());
        const std::u16string status = getAttribute(u"status", zone.text);
        for (std::u16string& word : words) {
            output.zones.push_back({std::move(word), zone.lineNumber});
            if (mode != ReadingMode::Unnumbered)
                numbering.number(output.zones.size() - 1, status);
        }
    }
    return output;
}

void runSplitWord(const std::u16string& image, const std::u16string& inXml,
                  const std::u16string& outXml, ReadingMode mode, Report& report)
{
    const ZULImage page = loadWorkingPage(image, report);
    std::optional<ZoneDocument> input = loadZoneDocument(inXml);
    if (!input)
        report.fail(utf8FromWide(inXml), "cannot open ground-truth file");
    const LineSplitter split = [&page](const std::u16string& line) {
        return splitWords(page, line);
    };
    writeZoneDocument(
        splitDocumentWords(std::move(*input), split, mode, utf8FromWide(inXml), report), outXml);
}

}  // namespace tavo
