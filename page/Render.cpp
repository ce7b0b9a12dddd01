#include "page/Render.h"

#include "groundtruth/CutList.h"
#include "groundtruth/ZoneLine.h"
#include "page/PageFile.h"
#include "page/ZoneMarks.h"
#include "util/Strings.h"
#include "util/TextFile.h"
#include "groundtruth/ZoneVerdict.h"

#include "ZULImage.h"

namespace tavo {

namespace {

// Zones that carry a confidence are drawn in the colour of their verdict (a
// zone with a doubt is doubtful whatever its confidence),
// zones a person checked as sure; the others in red as always.
MarkColor verdictColor(std::u16string_view line)
{
    if (getWholeAttribute(line, u"checked").value_or(u"") == u"yes")
        return {0, 170, 0};
    const std::optional<double> confidence = zoneConfidence(line);
    if (!confidence)
        return kMarkRed;
    switch (verdictOf(*confidence, !getWholeAttribute(line, u"doubt").value_or(u"").empty())) {
    case ZoneVerdict::Sure: return {0, 170, 0};
    case ZoneVerdict::Doubtful: return {255, 140, 0};
    case ZoneVerdict::Failed: break;
    }
    return kMarkRed;
}

}  // namespace

void runRender(const std::u16string& image, const std::u16string& xml,
               const std::u16string& output, Report& report)
{
    ZULImage page = loadWorkingPage(image, report);
    const std::string xmlName = utf8FromWide(xml);
    CTextFileRead in(xml);
    if (!in.isOpen())
        report.fail(xmlName, "cannot open file");
    std::u16string line;
    while (in.readLine(line)) {
        if (isZoneLine(line))
            markZone(page, readZoneBox(line), readZoneCuts(line), verdictColor(line));
    }
    if (in.readFailed())
        report.fail(xmlName, "read error");

    savePage(page, output, report);
}

}  // namespace tavo
