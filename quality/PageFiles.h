// The files of one generated page in an output folder: NAME + the capture's
// extension, NAME.txt (the transcription, UTF-8, LF), NAME.truth.json and
// NAME.truelines.xml (one text-line zone per truth line with its text, as
// -merge leaves a file, for scoring later steps on perfect lines).
#pragma once

#include <string>

#include "quality/PageTruth.h"

namespace tavo::quality {

// Generates the page of the kind from the seed and writes its four files.
// With overlay also NAME.overlay.png (see TruthOverlay.h).  Returns the
// truth as written.  Throws on a file that cannot be written.
PageTruth generatePageFiles(const std::string& folder, const std::string& name, const std::string& kind,
                            unsigned seed, bool overlay = false);

// The ground-truth document with one zone per truth line.
void writeTrueLines(const PageTruth& truth, const std::string& path);

}  // namespace tavo::quality
