#include "ZULImageConverter.h"

// Placeholder bodies; the real ones follow.
ZULImage& ZULImageConverter::zulBit2Byte(ZULImage& out, const ZULImage&) { return out; }
ZULImage& ZULImageConverter::zulGray2Color(ZULImage& out, const ZULImage&) { return out; }
ZULImage& ZULImageConverter::zulBit2Color(ZULImage& out, const ZULImage&) { return out; }
ZULImage& ZULImageConverter::zulByte2Bit(ZULImage& out, const ZULImage&, int) { return out; }
ZULImage& ZULImageConverter::zulColor2Gray(ZULImage& out, const ZULImage&) { return out; }
ZULImage& ZULImageConverter::zulDownscaleColor2Binary_threshold(ZULImage& out, const ZULImage&, int, int, int)
{
    return out;
}
ZULImage& ZULImageConverter::zulDownscaleColor2Binary_percentThreshold(ZULImage& out, const ZULImage&, double)
{
    return out;
}
ZULImage& ZULImageConverter::zulConvertImage(ZULImage& out, const ZULImage&, int) { return out; }
ZULImageConverter::ImagePtr ZULImageConverter::zulCreateConvertedImage(const ZULImage*, int) { return nullptr; }
ZULImageConverter::ImagePtr ZULImageConverter::zulCreateBit2Byte(const ZULImage*) { return nullptr; }
ZULImageConverter::ImagePtr ZULImageConverter::zulCreateGray2Color(const ZULImage*) { return nullptr; }
ZULImageConverter::ImagePtr ZULImageConverter::zulCreateBit2Color(const ZULImage*) { return nullptr; }
ZULImageConverter::ImagePtr ZULImageConverter::zulCreateByte2Bit(const ZULImage*, int) { return nullptr; }
ZULImageConverter::ImagePtr ZULImageConverter::zulCreateColor2Gray(const ZULImage*) { return nullptr; }
ZULImageConverter::ImagePtr ZULImageConverter::zulCreateColor2Binary_threshold(const ZULImage*, int, int, int)
{
    return nullptr;
}
ZULImageConverter::ImagePtr ZULImageConverter::zulCreateColor2Binary_percentThreshold(const ZULImage*, double)
{
    return nullptr;
}
