// -reviewindex: one HTML page over a batch's pages, the pages to review first.
#pragma once

#include "util/Report.h"

#include <string>

namespace tavo {

// Reads every page folder of batchDir/pages as tavoalign-page leaves it
// (words.xml with confidences, check.txt, verify.txt, review.html,
// review-thumb.png, done) and writes html: a progress summary and one row
// per page with its thumbnail, counts and verdict, failed pages first, then
// by the number of doubtful zones, unfinished pages last.  Prints the
// summary line.  A batch folder without a pages folder is a runtime failure.
void runReviewIndex(const std::u16string& batchDir, const std::u16string& html, Report& report);

}  // namespace tavo
