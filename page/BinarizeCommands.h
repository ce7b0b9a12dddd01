// The page binarization commands -bin, -niblack and -keepline.
//
// Each loads the input page, reduces it to grey when it is not 8-bit (saying
// so on standard output), binarizes it and saves the result under the output
// name, in the format its extension names.  argc is the dispatcher's
// argument count, so a threshold operand counts only when argc is at least 5.
// A page that does not load, or an output name without a known image
// extension, stops the command (RuntimeFailure) with nothing written.
#pragma once

#include <string>

#include "util/Report.h"

namespace tavo {

// -bin: a threshold of at least 1 binarizes at that fixed level (above 255
// it raises ZULException code 14); otherwise the clustering threshold with
// divisor 3.
void runBin(int argc, const std::u16string& input, const std::u16string& output,
                const std::u16string& threshold, Report& report);

// -niblack: the same fixed-threshold branch; otherwise Niblack binarization
// with a 15 x 15 window, k -0.2, minimum deviation 5 and edge strength 50.
void runNiblack(int argc, const std::u16string& input, const std::u16string& output,
                    const std::u16string& threshold, Report& report);

// -keepline: the clustering threshold with divisor 5, which keeps faint ink.
void runKeepline(int argc, const std::u16string& input, const std::u16string& output, Report& report);

}  // namespace tavo
