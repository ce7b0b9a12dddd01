// The line loop the alignment commands share: load the working page, copy every
// line that is not a text-line zone, replace each text-line zone by the lines
// a rewriter makes of it, and copy a zone it cannot process unchanged.
#pragma once

#include "util/Report.h"
#include "ZULImage.h"

#include <functional>
#include <string>
#include <vector>

namespace tavo {

using LineRewriter = std::function<std::vector<std::u16string>(const std::u16string&)>;
using ZoneRewriter = std::function<std::vector<std::u16string>(ZULImage&, const std::u16string&)>;

// Copies every line of inXml to outXml, replacing each text-line zone by the
// lines rewrite makes of it.  An input that cannot be opened or read throws a
// RuntimeFailure; a zone for which rewrite throws UnprocessableZone is
// written as it was and reported with its input line number.  The output is
// UTF-8 and replaced only once complete.
void rewriteZoneLines(const std::u16string& inXml, const std::u16string& outXml, Report& report,
                      const LineRewriter& rewrite);

// The same on the colour working page of image.  A page that cannot be loaded or an input that cannot be opened throws a
// RuntimeFailure before the output is created.  A zone for which rewrite
// throws UnprocessableZone is written as it was and reported with its input
// line number.  The output is UTF-8 and replaced only once complete.
void rewriteTextLineZones(const std::u16string& image, const std::u16string& inXml,
                          const std::u16string& outXml, Report& report,
                          const ZoneRewriter& rewrite);

}  // namespace tavo
