// One raster in memory: a ZULImageHead and one owned pixel buffer.
//
// Pixels are bytesPerRow x height bytes, rows top first without padding (see
// ZULImageHead.h).  A fresh buffer is all 255 (white).  An image either has no
// pixels or a buffer of exactly bytesPerRow x height bytes with a depth of 1,
// 8 or 24 and positive sides; every operation that needs pixels checks for
// them.  Raising operations throw ZULException; the heap-returning twins
// return null instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "ZULImageHead.h"

class ZULImage {
public:
    using Buffer = std::unique_ptr<unsigned char[]>;

    ZULImage();
    ZULImage(int width, int height, int bits);
    ZULImage(int width, int height, int bits, bool allocate);
    // Loads the file (format by extension, else by content) and records
    // whether it is binary.
    explicit ZULImage(const std::string& path) : ZULImage()
    {
        zulLoadImage(path);
        m_head.binaryState = zulIsBinary() ? 1 : 2;
    }
    ZULImage(const ZULImage& other);
    ZULImage& operator=(const ZULImage& other);
    ZULImage(ZULImage&& other) noexcept;
    ZULImage& operator=(ZULImage&& other) noexcept;
    virtual ~ZULImage();

    // Copy: size, depth, resolutions, colorType, fromFile, binaryState and a
    // fresh copy of the pixels, if any.  Copying an image onto itself keeps it.
    ZULImage& zulCopyImage(const ZULImage& other);

    // Sets the header fields and derives channels and bytesPerRow.  The pixels
    // are kept when the new header still describes a buffer of their size,
    // otherwise released (so the buffer can never be read past its end).
    void zulSetImageHead(int width, int height, int bits, float xResolution, float yResolution,
                         std::uint8_t resolutionInInches);
    // Releases the current buffer and takes ownership of the given one, which
    // must hold bytesPerRow x height bytes for the current header.  When the
    // header describes no pixels (non-positive size, unknown depth) the buffer
    // is released and the image stays without pixels.
    void zulSetImageData(Buffer buffer);

    // Header access.
    const ZULImageHead& zulGetImageHead() const { return m_head; }
    int zulGetWidth() const { return m_head.width; }
    int zulGetHeight() const { return m_head.height; }
    int zulGetBitsPerPixel() const { return m_head.bitsPerPixel; }
    int zulGetChannels() const { return m_head.channels; }
    int zulGetColorType() const { return m_head.colorType; }
    int zulGetBytesPerRow() const { return m_head.bytesPerRow; }
    int zulGetFromFile() const { return m_head.fromFile; }
    float zulGetXResolution() const { return m_head.xResolution; }
    float zulGetYResolution() const { return m_head.yResolution; }
    std::uint8_t zulGetResolutionInInches() const { return m_head.resolutionInInches; }
    std::uint8_t zulGetBinaryState() const { return m_head.binaryState; }
    void zulSetColorType(int colorType) { m_head.colorType = colorType; }
    void zulSetFromFile(int fromFile) { m_head.fromFile = fromFile; }
    void zulSetBinaryState(std::uint8_t state) { m_head.binaryState = state; }
    void zulSetResolution(float xResolution, float yResolution, std::uint8_t resolutionInInches);

    // Pixel buffer access; null when the image has no pixels.
    bool zulHasImageData() const { return m_data != nullptr; }
    unsigned char* zulGetImageData() { return m_data.get(); }
    const unsigned char* zulGetImageData() const { return m_data.get(); }
    std::size_t zulGetImageDataSize() const { return m_data ? m_size : 0; }
    // Start of row y; the caller guarantees pixels and 0 <= y < height.
    unsigned char* zulGetRow(int y) { return m_data.get() + rowOffset(y); }
    const unsigned char* zulGetRow(int y) const { return m_data.get() + rowOffset(y); }

    // Releases the buffer; for a positive size allocates bytesPerRow x height
    // bytes of 255.  Raises code 13 when memory cannot be had or the size is
    // beyond the library's limits (ZULImageHead::kMaxSide, kMaxPixels).
    void zulAllocImageData();
    // A copy of the buffer for the caller.  No pixels: code 5.
    Buffer zulGetSafeImageData() const;
    // Same size, depth, pixels and binaryState, on the heap.
    std::unique_ptr<ZULImage> zulCloneImage() const;
    // Complements every byte of the buffer.
    void zulInvertImage();

    // 1- and 8-bit images only; x is the column, y the row.  On a 1-bit image
    // zulSetPixel sets the bit for a non-zero value (white) and clears it for
    // 0; zulGetPixelValue returns the raw bit.
    void zulSetPixel(int x, int y, int value);
    int zulGetPixelValue(int x, int y) const;
    // 24-bit only; silently ignored elsewhere or outside the image.
    void zulSetColorPixel(int x, int y, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    bool zulIsBinary() const;

    // Regions and channels; each fills out and returns it.  out may be this
    // image itself.
    ZULImage& zulSubByteImage(ZULImage& out, int x, int y, int w, int h) const;
    ZULImage& zulSubImage(ZULImage& out, int x, int y, int w, int h) const;
    ZULImage& zulGetChannelImage(ZULImage& out, int channel) const;
    static ZULImage& zulMergeChannelImage(ZULImage& out, const ZULImage& first, const ZULImage& second,
                                          const ZULImage& third);
    // Heap twins: null where the raising forms would raise.
    std::unique_ptr<ZULImage> zulGetChannel(int channel) const;
    static std::unique_ptr<ZULImage> zulMergeChannel(const ZULImage& first, const ZULImage& second,
                                                     const ZULImage& third);

    // File input and output by extension (ZULImageFile.h); a file whose
    // extension decides nothing is read by its content, and one whose content
    // is no known format raises code 4.  Defined with the image file codecs.
    bool zulLoadImage(const std::string& path);
    // The image zulLoadImage gives, in gray as ZULImageConverter::zulConvertImage
    // (kGray) makes it (1-bit: 0 and 255, 8-bit as stored, 24-bit weighted),
    // binaryState unknown (0), with the same failures; a colour JPEG file is
    // converted row by row as it is decoded.  An image of another depth is
    // left as loaded.
    bool zulLoadGrayImage(const std::string& path);
    bool zulSaveImage(const std::string& path) const;
    // The width and height zulLoadImage would give, with the same failures:
    // for a JPEG file from ZULJPEGImage::zulReadSize, for the other formats by
    // loading the file.  False where zulLoadImage gives false.
    static bool zulReadImageSize(const std::string& path, int& width, int& height);

private:
    std::size_t rowOffset(int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_head.bytesPerRow);
    }
    void releaseImageData();

    ZULImageHead m_head;
    Buffer m_data;
    std::size_t m_size = 0;  // bytes in m_data
};
