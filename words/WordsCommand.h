// -words page lines.xml words.xml [-readorderRL|-readorderLR]: every line zone
// with contents becomes word zones found on its ink, numbered as -splitword
// numbers them, each with pawboxes, confidence and, where in doubt, doubt.
#pragma once

#include "util/Report.h"
#include "align/SplitWord.h"

#include <string>

namespace tavo {

// The output is written directly (atomically).  A page that cannot be loaded
// and an input that cannot be opened are RuntimeFailures; a zone that cannot
// be processed is copied unchanged, a line placed by width alone is written
// and reported as doubtful.  The page is read in grey, from the cache file
// when it holds it (-cache FILE, GreyCache in page/PageFile.h), which is
// written once the output is.
void runWords(const std::u16string& image, const std::u16string& inXml,
              const std::u16string& outXml, ReadingMode mode, Report& report,
              const std::u16string& cacheFile = {});

}  // namespace tavo
