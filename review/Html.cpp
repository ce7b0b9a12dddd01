#include "review/Html.h"

#include "util/Report.h"
#include "util/Strings.h"
#include "groundtruth/ZoneVerdict.h"

#include "ZULException.h"
#include "ZULImageConverter.h"
#include "ZULImageFile.h"
#include "ZULPNGImage.h"

#include <algorithm>
#include <vector>

namespace tavo {

std::string escapeHtml(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string htmlText(std::u16string_view text) { return escapeHtml(utf8FromWide(fitText(text))); }

std::string htmlName(std::string_view name) { return "<bdi>" + escapeHtml(fitUtf8(name)) + "</bdi>"; }

std::string titleText(std::string_view name) { return "\u2068" + escapeHtml(fitUtf8(name)) + "\u2069"; }

std::string fileUrl(std::string_view path)
{
    static const char* const hex = "0123456789ABCDEF";
    std::string out = !path.empty() && path[0] == '/' ? "file://" : "";
    for (const char c : path) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~' || c == '/') {
            out += c;
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out;
}

std::string cssUrl(std::string_view path) { return "url('" + fileUrl(path) + "')"; }

const char* verdictClass(ZoneVerdict verdict)
{
    switch (verdict) {
    case ZoneVerdict::Sure: return "sure";
    case ZoneVerdict::Doubtful: return "doubtful";
    case ZoneVerdict::Failed: break;
    }
    return "failed";
}

const char* const kCommonStyle = R"(
:root { --sure: #1a9a3a; --doubtful: #f08c00; --failed: #d42020; }
body { font-family: system-ui, sans-serif; margin: 0; color: #222; background: #f4f4f2; }
header { padding: 0.6em 1em; background: #fff; border-bottom: 1px solid #ccc; }
h1 { font-size: 1.2em; margin: 0 0 0.3em; }
h2 { font-size: 1em; margin: 0.5em 0; }
.ar { font-family: "Noto Naskh Arabic", "Amiri", "Scheherazade New", "KacstOne", "KacstBook",
      "Traditional Arabic", "Arabic Typesetting", "Geeza Pro", "Tahoma", serif;
      font-size: 1.5em; unicode-bidi: isolate; }
.badge { display: inline-block; padding: 0 0.4em; border-radius: 0.3em; color: #fff; font-size: 0.85em; }
.badge.sure { background: var(--sure); } .badge.doubtful { background: var(--doubtful); }
.badge.failed { background: var(--failed); }
)";

ZULImage greyPage(const ZULImage& page, int factor)
{
    ZULImage converted;  // a grey page is read in place
    if (page.zulGetBitsPerPixel() != 8)
        ZULImageConverter::zulConvertImage(converted, page, ZULImageConverter::kGray);
    const ZULImage& grey = page.zulGetBitsPerPixel() == 8 ? page : converted;
    if (factor <= 1)
        return grey;
    // Each pixel is the mean of its block; blocks at the right and bottom
    // edges (and every block of a page smaller than one) are cut to the page.
    const int width = grey.zulGetWidth(), height = grey.zulGetHeight();
    const int w = std::max(1, width / factor);
    const int h = std::max(1, height / factor);
    ZULImage small(w, h, 8, true);
    std::vector<long> sums(static_cast<size_t>(w));
    std::vector<long> counts(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        std::fill(counts.begin(), counts.end(), 0);
        for (int sy = y * factor; sy < std::min(height, (y + 1) * factor); ++sy) {
            const unsigned char* row = grey.zulGetRow(sy);
            const int end = std::min(width, w * factor);
            for (int block = 0, x = 0; x < end; ++block) {
                const int start = x, stop = std::min(end, x + factor);
                long sum = 0;
                for (; x < stop; ++x)
                    sum += row[x];
                sums[static_cast<size_t>(block)] += sum;
                counts[static_cast<size_t>(block)] += stop - start;
            }
        }
        unsigned char* out = small.zulGetRow(y);
        for (int x = 0; x < w; ++x) {
            const long n = counts[static_cast<size_t>(x)];
            out[x] = static_cast<unsigned char>(n > 0 ? sums[static_cast<size_t>(x)] / n : 255);
        }
    }
    return small;
}

void saveImage(const ZULImage& image, const std::string& path)
{
    try {
        // The review's pictures are written once and looked at: PNG with the
        // fast compression.
        if (ZULImageFile::zulGetAnyCaseFormat(path) == ZULImageFile::kPNG)
            ZULPNGImage(ZULPNGImage::kFast).zulSaveImage(path, image);
        else if (!image.zulSaveImage(path))
            throw RuntimeFailure(path + ": cannot write image: unknown format");
    } catch (const ZULException& error) {
        throw RuntimeFailure(path + ": cannot write image: " + error.what());
    }
}

}  // namespace tavo
