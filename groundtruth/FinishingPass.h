// Rewrites the temporary output of the image-driven commands as the final
// ground-truth file: every line read with encoding detection and written as
// UTF-8 with a byte-order mark and CR LF line ends.
#pragma once

#include <string>

namespace tavo {

// A missing temporary file yields an output holding only the byte-order
// mark.  The temporary file is left in place.  Throws RuntimeFailure when
// the output cannot be written.
void finishPass(const std::u16string& tempName, const std::u16string& outName);

}  // namespace tavo
