#include "ZULImage.h"

#include "ZULException.h"

// Placeholder bodies; the real ones follow.
ZULImage::ZULImage() = default;
ZULImage::ZULImage(int width, int height, int bits)
{
    m_head.width = width;
    m_head.height = height;
    m_head.bitsPerPixel = bits;
    m_head.zulDeriveLayout();
}
ZULImage::ZULImage(int width, int height, int bits, bool allocate) : ZULImage(width, height, bits)
{
    if (allocate) {
        zulAllocImageData();
    }
}
ZULImage::ZULImage(const ZULImage& other) { zulCopyImage(other); }
ZULImage& ZULImage::operator=(const ZULImage& other) { return zulCopyImage(other); }
ZULImage::ZULImage(ZULImage&& other) noexcept = default;
ZULImage& ZULImage::operator=(ZULImage&& other) noexcept = default;
ZULImage::~ZULImage() = default;
ZULImage& ZULImage::zulCopyImage(const ZULImage&) { return *this; }
void ZULImage::zulSetImageHead(int, int, int, float, float, std::uint8_t) {}
void ZULImage::zulSetImageData(Buffer) {}
void ZULImage::zulSetResolution(float, float, std::uint8_t) {}
void ZULImage::zulAllocImageData() {}
ZULImage::Buffer ZULImage::zulGetSafeImageData() const { return nullptr; }
std::unique_ptr<ZULImage> ZULImage::zulCloneImage() const { return nullptr; }
void ZULImage::zulInvertImage() {}
void ZULImage::zulSetPixel(int, int, int) {}
int ZULImage::zulGetPixelValue(int, int) const { return 0; }
void ZULImage::zulSetColorPixel(int, int, std::uint8_t, std::uint8_t, std::uint8_t) {}
bool ZULImage::zulIsBinary() const { return false; }
ZULImage& ZULImage::zulSubByteImage(ZULImage& out, int, int, int, int) const { return out; }
ZULImage& ZULImage::zulSubImage(ZULImage& out, int, int, int, int) const { return out; }
ZULImage& ZULImage::zulGetChannelImage(ZULImage& out, int) const { return out; }
ZULImage& ZULImage::zulMergeChannelImage(ZULImage& out, const ZULImage&, const ZULImage&, const ZULImage&)
{
    return out;
}
std::unique_ptr<ZULImage> ZULImage::zulGetChannel(int) const { return nullptr; }
std::unique_ptr<ZULImage> ZULImage::zulMergeChannel(const ZULImage&, const ZULImage&, const ZULImage&)
{
    return nullptr;
}
void ZULImage::releaseImageData() {}
