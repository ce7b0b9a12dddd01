// -review: a self-contained HTML page for checking one page's zones by eye.
#pragma once

#include "util/Report.h"

#include <string>

namespace tavo {

// Scores the zones as -check does and writes html with, beside it, the page
// as a grey PNG (<stem>-page.png, which the page draws its zones over and
// crops its doubtful zones from) and a thumbnail (<stem>-thumb.png) for the
// batch index.  Prints one summary line, as -check does.
void runReview(const std::u16string& image, const std::u16string& wordsXml, const std::u16string& html,
               const std::u16string& linesXml, Report& report);

}  // namespace tavo
