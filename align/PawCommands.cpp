// The three PAW commands share one pass over the ground-truth file: -paw
// writes PAW and word cuts, -solopaw PAW cuts only, -updatepaw keeps the
// cuts a line already has.

#include "align/LineRewrite.h"
#include "align/Paw.h"
#include "align/SoloPaw.h"
#include "groundtruth/NewZoneLine.h"
#include "util/Strings.h"

#include "align/Words.h"
#include "groundtruth/ZoneLine.h"

#include "ZULException.h"
#include "ZULImage.h"

#include <algorithm>
#include <optional>

namespace tavo {

namespace {

enum class PawVariant { Paw, SoloPaw, UpdatePaw };

// The zone line written for a cut line; woffsets only for -paw.
std::u16string pawZoneLine(const ZoneBox& box, const std::vector<int>& cuts,
                           std::u16string_view contents, const std::u16string* woffsets)
{
    NewZoneLine line;
    line.add(u"col", box.col).add(u"row", box.row).add(u"width", box.width).add(u"height", box.height);
    line.add(u"offsets", toWide(joinOffsets(cuts))).add(u"contents", contents);
    if (woffsets)
        line.add(u"woffsets", *woffsets);
    return line.finish();
}

// The cuts a line already has (-updatepaw): the " offsets" value with its
// commas read as blanks, or nothing when the value is empty.  The leading
// blank keeps woffsets from matching.
std::optional<std::vector<int>> existingCuts(std::u16string_view line)
{
    const std::u16string value = getAttribute(u" offsets", line);
    if (value.empty())
        return std::nullopt;
    return parseIntList(value, true);
}

struct ZoneResult {
    std::u16string line;  // the new zone line, when why is empty
    std::string why;      // why the zone is copied unchanged
};

// Cuts one text-line zone out of the working page and builds its new line.
// A ZULException from the image library propagates to the caller.
ZoneResult cutZone(PawVariant variant, ZULImage& page, std::u16string_view line)
{
    const std::u16string marked = markPaws(getAttribute(u"contents", line));
    const ZoneBox box = readZoneBox(line);
    const int pageWidth = page.zulGetWidth();
    const int pageHeight = page.zulGetHeight();
    // -paw refuses a zone that reaches the page's last column or row; the
    // others take every zone that is a valid sub-image.
    const bool inside = variant == PawVariant::Paw ? zoneInsidePage(box, pageWidth, pageHeight)
                                                   : zoneFitsPage(box, pageWidth, pageHeight);
    if (!inside)
        return {{}, "zone col=" + std::to_string(box.col) + " row=" + std::to_string(box.row) +
                        " width=" + std::to_string(box.width) + " height=" +
                        std::to_string(box.height) + " is not inside the page " +
                        std::to_string(pageWidth) + "x" + std::to_string(pageHeight)};

    // The line image is read in place rather than cut out and converted.
    std::optional<std::vector<int>> cuts;
    if (variant == PawVariant::UpdatePaw)
        cuts = existingCuts(line);
    if (!cuts)
        cuts = findZoneCuts(page, box, countSpaces(caretsToSpaces(marked)));
    std::sort(cuts->begin(), cuts->end());
    markZone(page, box, *cuts);

    const std::u16string contents = caretsToSpaces(marked);
    if (variant == PawVariant::Paw) {
        const std::u16string woffsets = wordCutIndices(marked);
        return {pawZoneLine(box, *cuts, contents, &woffsets), {}};
    }
    return {pawZoneLine(box, *cuts, contents, nullptr), {}};
}

void runPawPass(PawVariant variant, const std::u16string& image, const std::u16string& inXml,
                const std::u16string& outXml, Report& report)
{
    rewriteTextLineZones(image, inXml, outXml, report,
                         [variant](ZULImage& page, const std::u16string& line) {
                             ZoneResult result;
                             try {
                                 result = cutZone(variant, page, line);
                             } catch (const ZULException& error) {
                                 throw UnprocessableZone(error.what());
                             }
                             if (!result.why.empty())
                                 throw UnprocessableZone(result.why);
                             return std::vector<std::u16string>{std::move(result.line)};
                         });
}

}  // namespace

void runPaw(const std::u16string& image, const std::u16string& inXml,
            const std::u16string& outXml, Report& report)
{
    runPawPass(PawVariant::Paw, image, inXml, outXml, report);
}

void runSoloPaw(const std::u16string& image, const std::u16string& inXml,
                const std::u16string& outXml, Report& report)
{
    runPawPass(PawVariant::SoloPaw, image, inXml, outXml, report);
}

void runUpdatePaw(const std::u16string& image, const std::u16string& inXml,
                  const std::u16string& outXml, Report& report)
{
    runPawPass(PawVariant::UpdatePaw, image, inXml, outXml, report);
}

}  // namespace tavo
