// A ground-truth file held as three lists of lines: the lines before the
// first text-line zone, the text-line zones themselves, and everything else
// after the first zone.  The reading-order commands load a file this way,
// reorder or rewrite its zones, and write it back.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavo {

// One DL_TEXTLINEGT line and where it stood in the file it was read from
// (1-based; 0 for zones made in memory), for reporting zones left unchanged.
struct DocumentZone {
    std::u16string text;
    long lineNumber = 0;
};

struct ZoneDocument {
    std::vector<std::u16string> headerLines;
    std::vector<DocumentZone> zones;
    std::vector<std::u16string> footerLines;
    int pageWidth = 0;  // from the DL_PAGE line; 0 when the file has none
    int pageHeight = 0;
};

// Reads the file line by line.  Every run of DL_TEXTLINEGT lines goes to the
// zones, so a second run further down lands there too and whatever stood
// between the runs goes to the footer.  The DL_PAGE line gives the page size
// unless it directly follows a zone line.  Returns nullopt when the file
// cannot be opened; throws RuntimeFailure when reading it fails midway.
std::optional<ZoneDocument> loadZoneDocument(const std::u16string& fileName);

// The newer commands read only whole files: one that does not end by closing
// the element it opens first (</TAVO> as the program writes it; a hand-made
// file of zone lines alone must end with a complete zone line), cut short by
// a full disk, a killed copy or a truncated transfer, is refused with a
// reason rather than read as a shorter page.  The older commands keep reading
// files as they are.
//
// Why the lines of a file are not whole ("cut short: ends inside the zone on
// line 12, without the closing </TAVO>"), or nullopt when they are.
std::optional<std::string> cutShortReason(const std::vector<std::u16string>& lines);

// loadZoneDocument for a file that must be whole: throws RuntimeFailure
// naming the file and the reason when it is cut short.
std::optional<ZoneDocument> loadWholeZoneDocument(const std::u16string& fileName);

// Parses the lines of a file already in memory the same way.
ZoneDocument zoneDocumentFromLines(std::vector<std::u16string> lines);

// Reorders the zones by their integer `row` alone, stable, so zones with
// equal rows keep their order.  n log n in the number of zones.
void sortZonesByRow(ZoneDocument& document);

// Writes header, zones and footer, each line followed by CR LF, as UTF-8 with
// a byte-order mark.  The file appears only when complete; throws
// RuntimeFailure when it cannot be written.
void writeZoneDocument(const ZoneDocument& document, const std::u16string& fileName);

}  // namespace tavo
