#include "align/LineRewrite.h"

#include "page/PageFile.h"

#include "align/Paw.h"
#include "align/Words.h"
#include "groundtruth/ZoneLine.h"
#include "util/Strings.h"
#include "util/TextFile.h"

namespace tavo {

void rewriteZoneLines(const std::u16string& inXml, const std::u16string& outXml, Report& report,
                      const LineRewriter& rewrite)
{
    const std::string inName = utf8FromWide(inXml);
    CTextFileRead in(inXml);
    if (!in.isOpen())
        report.fail(inName, "cannot open file");
    CTextFileWrite out(outXml, kUtf8);

    std::u16string line;
    long lineNumber = 0;
    while (in.readLine(line)) {
        ++lineNumber;
        if (!isZoneLine(line)) {
            out.writeText(line);
            out.writeEndLine();
            continue;
        }
        std::vector<std::u16string> replacement;
        try {
            replacement = rewrite(line);
        } catch (const UnprocessableZone& e) {
            report.zoneUnchanged(inName, lineNumber, e.what());
            replacement = {line};
        }
        for (const std::u16string& zone : replacement) {
            out.writeText(zone);
            out.writeEndLine();
        }
    }
    if (in.readFailed())
        report.fail(inName, "read error");
    out.close();
}

void rewriteTextLineZones(const std::u16string& image, const std::u16string& inXml,
                          const std::u16string& outXml, Report& report,
                          const ZoneRewriter& rewrite)
{
    ZULImage page = loadWorkingPage(image, report);
    rewriteZoneLines(inXml, outXml, report,
                     [&](const std::u16string& line) { return rewrite(page, line); });
}

}  // namespace tavo
