// Two-means clustering threshold for grey pages (-bin uses divisor 3,
// -keepline divisor 5).
//
// Every 11th pixel is sampled; starting from the darkest and lightest sample,
// five passes split the samples between a dark and a light level (ties go to
// the light one; each level's count starts at 1, its sum at 0) and move each
// level to its group's mean.  The threshold is light - (light - dark) /
// divisor: the larger the divisor, the closer it sits to the paper level.
#pragma once

#include "ZULImage.h"

// The threshold for an 8-bit image; 255 for an image without pixels.
// Raises ZULException code 7 for another depth or a divisor below 1.
int zulClusterThreshold(const ZULImage& gray, int divisor);

// Binarizes the 8-bit image in place (at least the threshold: 255, else 0),
// marks it binary and returns a copy of it.
ZULImage zulClusterBinarize(ZULImage& gray, int divisor);
