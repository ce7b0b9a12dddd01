#include "align/SplitWord.h"

#include "page/PageFile.h"

#include "align/Paw.h"
#include "align/Words.h"
#include "groundtruth/ZoneLine.h"
#include "util/Strings.h"
#include "ZULImage.h"

#include <algorithm>
#include <optional>

namespace tavo {

namespace {

// The word lines hold their transcription, which may contain the names
// "status" or "nextZoneID": the numbering attributes are matched only as
// whole attributes and, when absent, appended after the last double quote,
// as setAttribute does for a missing name.
void setNumberingAttribute(std::u16string& line, std::u16string_view name,
                           std::u16string_view value)
{
    if (!setWholeAttribute(line, name, value))
        appendAttribute(line, name, value);
}

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
        setNumberingAttribute(line, u"status", status);
        // The previous word is linked only now that a next one exists, so the
        // last word of the page never names an id that no zone has.
        if (counter_ > 1)
            setNumberingAttribute(zones_[previous_].text, u"nextZoneID", id);
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
        const std::u16string status =
            getWholeAttribute(zone.text, u"status").value_or(std::u16string());
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
