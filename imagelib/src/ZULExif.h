// The fields of an EXIF block (a JPEG APP1 segment) that place a page: its
// orientation and resolution, read from the first image directory.
#pragma once

#include <cstddef>

class ZULExif {
public:
    struct Fields {
        int orientation = 1;  // TIFF Orientation code, 1 when absent or invalid
        double xResolution = 0.0;  // 0 when absent
        double yResolution = 0.0;
        int resolutionUnit = 2;  // 2 inch (the EXIF default), 3 centimetre, 1 none
    };

    // data holds the segment's contents after its length field, starting
    // with "Exif\0\0".  Anything that is not such a block, or is cut short,
    // gives the defaults; the reader never reads outside data.
    static Fields zulRead(const unsigned char* data, std::size_t size);
};
