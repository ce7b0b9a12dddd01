// PAW cuts without the word layer: -solopaw computes them for every text
// line, -updatepaw keeps the cuts a line already has and computes the rest.
// Both write offsets and the PAW-spaced contents, and no woffsets.
#pragma once

#include "util/Report.h"

#include <string>

namespace tavo {

// -solopaw page in.xml out.xml
void runSoloPaw(const std::u16string& image, const std::u16string& inXml,
                const std::u16string& outXml, Report& report);

// -updatepaw page in.xml out.xml: a non-empty offsets value is re-sorted and
// rewritten instead of being computed.
void runUpdatePaw(const std::u16string& image, const std::u16string& inXml,
                  const std::u16string& outXml, Report& report);

}  // namespace tavo
