#include "page/Render.h"

#include "groundtruth/CutList.h"
#include "groundtruth/ZoneLine.h"
#include "page/PageFile.h"
#include "page/ZoneMarks.h"
#include "util/Strings.h"
#include "util/TextFile.h"

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

    savePage(page, output, report);
}

}  // namespace tavo
