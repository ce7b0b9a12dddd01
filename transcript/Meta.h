// -meta: turns a page file into a delivery file.  The document and page
// lines are rewritten from the ids coded in the file name and the shared
// tables, the laboratory comment becomes a block of three comments, the root
// element loses its namespace, "Q:\GroundTruth\NNN\" prefixes are removed
// and zones whose id is "None" are numbered 00000, 00001, ... in file order.
#pragma once

#include "util/Report.h"

#include <string>
#include <string_view>

namespace tavo {

// The three ids of a base name "writer-document-page.ext" (the part after the
// last '/' or '\').  Hyphens read as blanks; reading stops at the first
// character that does not continue a number; missing ids are 0.
struct FileNameCode {
    int writer = 0;
    int document = 0;
    int page = 0;
};
FileNameCode fileNameCode(std::u16string_view path);

// The two lines, joined by CR LF, that replace the document and page lines.
// pageLine is the original page line (src, width and height are taken from
// it); docType and writer are the fragments of documentType() and
// writerAttributes().
std::u16string documentHeader(const FileNameCode& code, std::u16string_view pageLine,
                              std::u16string_view docType, std::u16string_view writer);

// The block of three comments that replaces the laboratory's line: a line
// end first and one after each comment.
std::u16string provenanceComments();

// Streams inputXml to outputXml with the rewrite above; the tables come from
// tableFolder().  An input that cannot be opened is a RuntimeFailure.
void runMeta(const std::u16string& inputXml, const std::u16string& outputXml, Report& report);

}  // namespace tavo
