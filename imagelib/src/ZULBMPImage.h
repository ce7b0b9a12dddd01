// Windows bitmap files of 1, 8 and 24 bits, uncompressed.
//
// Reading honours the pixel-data offset, top-down files (negative height),
// OS/2 and extended info headers, and the palette: an 8-bit pixel becomes the
// gray of its palette entry (identity for a gray palette) and a 1-bit file is
// read so that the lighter palette entry is white (a set bit).  The header is
// checked against the file's size and the library's size limits before any
// pixels are allocated.  Writing produces the 54-byte-header layout with a
// black/white (1-bit) or gray (8-bit) palette, rows bottom-up, and stores the
// resolutions in the pixels-per-metre fields as they are.
#pragma once

#include <string>

#include "ZULIOStream.h"
#include "ZULImage.h"

class ZULBMPImage {
public:
    virtual ~ZULBMPImage() = default;

    // Decodes one file from the stream.  Raises code 4 for a file that ends
    // early or has an impossible header, 8 for compressed files and depths
    // other than 1, 8 and 24, 13 when the pixels cannot be allocated.
    ZULImage zulLoadImage(ZULIOStream& stream) const;
    // Encodes a 1-, 8- or 24-bit image.  Raises code 5 without pixels, 8 for
    // another depth, 1 when the stream refuses the bytes.
    void zulSaveImage(ZULIOStream& stream, const ZULImage& image) const;

    // A file that does not open gives an image without pixels.
    ZULImage zulLoadImage(const std::string& path) const;
    // Written beside path and renamed over it when complete; raises on failure.
    void zulSaveImage(const std::string& path, const ZULImage& image) const;
};
