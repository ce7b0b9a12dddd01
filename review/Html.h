// Small pieces of the review pages' HTML.
#pragma once

#include "ZULImage.h"
#include "groundtruth/ZoneVerdict.h"

#include <string>
#include <string_view>

namespace tavo {

// Every name and text the review pages show goes through one of these, by
// where it lands:
//   element text or quoted attribute   escapeHtml / htmlText / htmlName
//   href or src of a local file        fileUrl
//   CSS url() inside a style attribute cssUrl
// Text escaped for an HTML element or a quoted attribute (UTF-8).
std::string escapeHtml(std::string_view text);

// A zone's text for an element or attribute: fitText, UTF-8, escaped.
std::string htmlText(std::u16string_view text);

// A file or folder name (bytes as the file system gives them) for element
// text: valid UTF-8 (fitUtf8), escaped and isolated in <bdi>, so a
// right-to-left override in a name reorders nothing around it.
std::string htmlName(std::string_view name);

// The same for the document title, where no element may stand: isolated by
// U+2068 FIRST STRONG ISOLATE ... U+2069 POP DIRECTIONAL ISOLATE.
std::string titleText(std::string_view name);

// A relative path (bytes, '/' between parts) as a URL: every byte but
// letters, digits, '-', '.', '_', '~' and '/' percent-encoded, so no name
// can start a scheme ("javascript:"), a query, a fragment, or close a quote
// or a parenthesis.  An absolute path gets the file:// scheme.
std::string fileUrl(std::string_view path);

// url('...') for a style attribute, from a relative path.
std::string cssUrl(std::string_view path);

// The CSS class of a verdict: sure, doubtful or failed.
const char* verdictClass(ZoneVerdict verdict);

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
