#include "transcript/Filter.h"

#include "groundtruth/ZoneLine.h"
#include "util/LineFiles.h"
#include "util/Strings.h"

#include <algorithm>
#include <array>
#include <vector>

namespace tavo {

namespace {

constexpr std::array<std::u16string_view, 3> kSkipMarkers = {
    u"DO NOT TRANSCRIBE", u"ANYTHING ON THIS LINE", u".DOC"};

}  // namespace

bool isSkippedLine(std::u16string_view line)
{
    return std::any_of(kSkipMarkers.begin(), kSkipMarkers.end(),
                       [line](std::u16string_view marker) { return line.find(marker) != line.npos; });
}

FilterResult runFilter(const std::u16string& input, const std::u16string& output,
                       Report& report)
{
    FilterResult result;
    std::vector<std::u16string> kept;
    for (const std::u16string& line : readAllLines(input, report)) {
        if (isSkippedLine(line))
            continue;
        if (!std::all_of(line.begin(), line.end(), isKeptChar))
            result.noiseFound = true;
        kept.push_back(cleanTranscription(line));
    }
    writeAllLines(output, kept);
    result.linesWritten = kept.size();
    return result;
}

void runFilterCommand(const std::u16string& input, const std::u16string& output, Report& report)
{
    const FilterResult result = runFilter(input, output, report);
    report.print(utf8FromWide(input) + " : ");
    report.printLine(std::to_string(result.linesWritten));
    report.printLine(result.noiseFound ? "Noisy characters cleaned" : "Found no noise");
}

}  // namespace tavo
