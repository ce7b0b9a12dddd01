// The three PAW commands share one pass over the ground-truth file: -paw
// writes PAW and word cuts, -solopaw PAW cuts only, -updatepaw keeps the
// cuts a line already has.

#include "IntList.h"
#include "LineRewrite.h"
#include "Paw.h"
#include "SoloPaw.h"

#include "Strings.h"
#include "Words.h"
#include "ZoneLine.h"

#include "ZULException.h"
#include "ZULImage.h"

#include <algorithm>
#include <optional>

namespace tavo {

namespace {

enum class PawVariant { Paw, SoloPaw, UpdatePaw };

constexpr std::u16string_view kZoneHead =
    u"<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" segmentation=\"word\" ";
constexpr std::u16string_view kZoneTail = u"> </DL_ZONE>";

void appendAttribute(std::u16string& line, std::u16string_view name, std::u16string_view value)
{
    line += name;
    line += u"=\"";
    line += value;
    line += u"\" ";
}

// The zone line written for a cut line; woffsets only for -paw.
std::u16string pawZoneLine(const ZoneBox& box, const std::vector<int>& cuts,
                           std::u16string_view contents, const std::u16string* woffsets)
{
    std::u16string line(kZoneHead);
    appendAttribute(line, u"col", toWide(std::to_string(box.col)));
    appendAttribute(line, u"row", toWide(std::to_string(box.row)));
    appendAttribute(line, u"width", toWide(std::to_string(box.width)));
    appendAttribute(line, u"height", toWide(std::to_string(box.height)));
    appendAttribute(line, u"offsets", toWide(joinOffsets(cuts)));
    appendAttribute(line, u"contents", contents);
    if (woffsets)
        appendAttribute(line, u"woffsets", *woffsets);
    line += kZoneTail;
    return line;
}

// The cuts a line already has (-updatepaw): the " offsets" value with its
// commas read as blanks, or nothing when the value is empty.  The leading
// blank keeps woffsets from matching.
std::optional<std::vector<int>> existingCuts(std::u16string_view line)
{
    std::string value = utf8FromWide(getAttribute(u" offsets", line));
    if (value.empty())
        return std::nullopt;
    std::replace(value.begin(), value.end(), ',', ' ');
    return parseIntList(value);
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
