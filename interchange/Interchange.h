// Exchange with the formats recognisers read: PAGE XML and ALTO export and
// import, line images with their transcriptions for training, and offline
// validation of such files.
#pragma once

#include "interchange/PageModel.h"
#include "util/Report.h"

#include <string>

namespace tavo {

struct PageXmlOptions {
    bool schema2013 = false;        // the 2013-07-15 schema instead of 2019-07-15
    bool wordsLeftToRight = false;  // Word elements left to right on the page
    std::string timestamp;          // Created and LastChange; empty: now, UTC
    std::string imageName;          // imageFilename; empty: the page image's file name
    std::u16string linesFile;       // the line zones of a words file (-linezones); empty: none
    std::u16string cacheFile;       // the page job's grey page (-cache), for the page's size; empty: none
};

// The documents, UTF-8, for a page already read.
std::string pageXml(const GtPage& page, const PageXmlOptions& options);
std::string altoXml(const GtPage& page, bool alto42);

// -topage page zones.xml out.xml [-2013] [-wordsLR] [-image NAME] [-linezones lines.xml] [-cache FILE]
void runToPage(const std::u16string& image, const std::u16string& zones, const std::u16string& output,
               const PageXmlOptions& options, Report& report);
// -toalto page zones.xml out.xml [-alto42] [-image NAME] [-linezones lines.xml] [-cache FILE]
// (the same options; schema2013 and wordsLeftToRight do not apply).
void runToAlto(const std::u16string& image, const std::u16string& zones, const std::u16string& output,
               bool alto42, const PageXmlOptions& options, Report& report);

// -pairs page zones.xml outdir [-words] [-all]: stem.png and stem.gt.txt for
// every line (or word) and the page's manifest-<page>.csv.
void runPairs(const std::u16string& image, const std::u16string& zones, const std::u16string& folder,
              bool words, bool all, Report& report);

// -import in.xml out.xml: a PAGE (2013, 2019) or ALTO file to a zone file of
// line zones.
void runImport(const std::u16string& input, const std::u16string& output, Report& report);

// -validate file.xml: schema and consistency checks; every finding is a
// doubtful warning (status 3).
void runValidate(const std::u16string& file, Report& report);

// Writes UTF-8 bytes (no byte-order mark) atomically.
void writeUtf8File(const std::u16string& fileName, const std::string& bytes);

}  // namespace tavo
