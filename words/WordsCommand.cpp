#include "words/WordsCommand.h"

#include "align/Paw.h"
#include "util/Strings.h"
#include "words/WordFinder.h"
#include "groundtruth/ZoneDocument.h"
#include "groundtruth/ZoneLine.h"

#include <algorithm>
#include <map>
#include <optional>

namespace tavo {

void runWords(const std::u16string& image, const std::u16string& inXml,
              const std::u16string& outXml, ReadingMode mode, Report& report, const std::u16string& cacheFile)
{
    GreyCache cache(cacheFile, image);
    const ZULImage page = cache.load(report);
    const std::string inName = utf8FromWide(inXml);
    std::optional<ZoneDocument> input = loadWholeZoneDocument(inXml);
    if (!input)
        report.fail(inName, "cannot open ground-truth file");

    // The splitter sees the zones in the order of the row sort, which is
    // stable, so sorting here first tells which input line each call serves.
    sortZonesByRow(*input);
    std::vector<long> lineNumbers;
    for (const DocumentZone& zone : input->zones)
        lineNumbers.push_back(zone.lineNumber);
    size_t call = 0;
    // The new attributes of every word, by the input line it came from; they
    // are added after numbering so that they follow id, status and nextZoneID.
    std::map<long, std::vector<std::vector<std::pair<std::u16string, std::u16string>>>> extras;

    const LineSplitter split = [&](const std::u16string& zoneLine) {
        const long lineNumber = lineNumbers[call++];
        const FoundLine found = findWords(page, zoneLine);
        if (!found.doubt.empty())
            report.zoneDoubtful(inName, lineNumber, found.doubt);
        std::vector<std::u16string> lines;
        auto& wordExtras = extras[lineNumber];
        for (const FoundWord& word : found.words) {
            lines.push_back(wordZoneLine(word));
            wordExtras.push_back(wordExtraAttributes(word));
        }
        if (mode == ReadingMode::LeftToRight)
            std::reverse(wordExtras.begin(), wordExtras.end());
        return lines;
    };
    ZoneDocument output = splitDocumentWords(std::move(*input), split, mode, inName, report);

    std::map<long, size_t> used;
    for (DocumentZone& zone : output.zones) {
        auto it = extras.find(zone.lineNumber);
        if (it == extras.end())
            continue;
        for (const auto& [name, value] : it->second[used[zone.lineNumber]++])
            appendAttribute(zone.text, name, value);
    }
    writeZoneDocument(output, outXml);
    cache.keep(page);
}

}  // namespace tavo
