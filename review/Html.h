// Small pieces of the review pages' HTML.
#pragma once

#include "ZULImage.h"

#include <string>
#include <string_view>

namespace tavo {

// Text escaped for an HTML element or a quoted attribute (UTF-8).
std::string escapeHtml(std::string_view text);

// The CSS class of a confidence: sure, doubtful or failed.
const char* verdictClass(double confidence);

// The style sheet both review pages share: verdict colours and the Arabic
// font stack.
extern const char* const kCommonStyle;

// The page reduced to grey and scaled by 1/factor with box averaging
// (factor >= 1), for thumbnails.
ZULImage greyPage(const ZULImage& page, int factor);

// Saves an image (a PNG with the fast compression), turning a failure into a
// RuntimeFailure naming the file.
void saveImage(const ZULImage& image, const std::string& path);

}  // namespace tavo
