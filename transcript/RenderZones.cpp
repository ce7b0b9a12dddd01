#include "RenderZones.h"

#include "CutList.h"
#include "Paw.h"
#include "Strings.h"
#include "TextFile.h"
#include "ZoneLine.h"

#include "ZULException.h"
#include "ZULImage.h"

namespace tavo {

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
            markZone(page, readZoneBox(line), readZoneCuts(line));
    }
    if (in.readFailed())
        report.fail(xmlName, "read error");

    const std::string outName = utf8FromWide(output);
    try {
        if (!page.zulSaveImage(outName))
            report.fail(outName, "cannot write image: unknown format");
    } catch (const ZULException& error) {
        report.fail(outName, std::string("cannot write image: ") + error.what());
    }
}

}  // namespace tavo
