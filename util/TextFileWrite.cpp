// Text file writer: encoding into the 1024-byte buffer and the atomic
// commit through a temporary file beside the target.
#include "util/TextFile.h"

#include "util/CodePage.h"
#include "util/Report.h"
#include "util/Strings.h"
#include "util/Utf8.h"
#include "ZULAtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>

#include <unistd.h>

namespace tavo {

namespace {

constexpr char16_t kCr = 13;
constexpr char16_t kLf = 10;

bool isHighSurrogate(int u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(int u) { return u >= 0xDC00 && u <= 0xDFFF; }

std::string failureText(const std::string& target, const char* what, int err)
{
    return target + ": " + what + ": " + std::strerror(err);
}

}  // namespace

CTextFileWrite::CTextFileWrite(const std::u16string& fileName, int encoding)
    : CTextFileBase(encoding), target_(utf8FromWide(fileName)), uncaught_(std::uncaught_exceptions())
{
    file_ = std::make_unique<ZULAtomicFile>(target_);
    fd_ = file_->zulDescriptor();
    if (fd_ < 0)
        throw RuntimeFailure(failureText(target_, "cannot create file", file_->zulError()));

    static constexpr unsigned char kMarks[4][3] = {{}, {0xFE, 0xFF}, {0xFF, 0xFE}, {0xEF, 0xBB, 0xBF}};
    static constexpr int kMarkSizes[4] = {0, 2, 2, 3};
    if (encoding_ >= 0 && encoding_ < 4)
        putBytes(kMarks[encoding_], static_cast<size_t>(kMarkSizes[encoding_]));
}

CTextFileWrite::~CTextFileWrite()
{
    if (fd_ < 0)
        return;
    if (std::uncaught_exceptions() > uncaught_) {
        discard();
        return;
    }
    try {
        close();
    } catch (const RuntimeFailure&) {
        // The target is left as it was; nothing can be reported from here.
    }
}

void CTextFileWrite::discard()
{
    fd_ = -1;
    file_->zulDiscard();
}

void CTextFileWrite::close()
{
    if (fd_ < 0)
        return;
    flushSurrogate();
    flushBuffer();
    fd_ = -1;
    if (writeErrno_ != 0) {
        file_->zulDiscard();
        throw RuntimeFailure(failureText(target_, "cannot write file", writeErrno_));
    }
    if (const int finished = file_->zulFinish(); finished != 0)
        throw RuntimeFailure(failureText(target_, "cannot write file", finished));
}

// Writes the buffered bytes; after a failure later bytes are dropped and
// close() reports the first error.
void CTextFileWrite::flushBuffer()
{
    const unsigned char* p = buffer_;
    size_t left = static_cast<size_t>(position_ + 1);
    position_ = -1;
    while (left > 0 && fd_ >= 0 && writeErrno_ == 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n > 0) {
            p += n;
            left -= static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            writeErrno_ = n < 0 ? errno : ENOSPC;
        }
    }
}

// Before a byte would make the buffer hold more than 1024 bytes, the full
// buffer goes to the file, so the file grows 1024 bytes at a time.
void CTextFileWrite::putBytes(const unsigned char* bytes, size_t count)
{
    while (count > 0) {
        if (position_ == kTextBufferSize - 1)
            flushBuffer();
        const size_t room = static_cast<size_t>(kTextBufferSize - 1 - position_);
        const size_t n = count < room ? count : room;
        std::memcpy(buffer_ + (position_ + 1), bytes, n);
        position_ += static_cast<int>(n);
        bytes += n;
        count -= n;
    }
}

// The byte the code page writes for a character it lacks.
unsigned char CTextFileWrite::replacementByte()
{
    lostData_ = true;
    return static_cast<unsigned char>(defaultChar_ ? defaultChar_ : '?');
}

// A high surrogate still waiting for its low half, encoded alone: three
// bytes in UTF-8, the replacement byte in the code page.
int CTextFileWrite::encodePending(unsigned char* out)
{
    if (pendingHigh_ < 0)
        return 0;
    const int u = pendingHigh_;
    pendingHigh_ = -1;
    if (encoding_ == kCodePage) {
        out[0] = replacementByte();
        return 1;
    }
    return encodeUtf8(static_cast<char32_t>(u), out);
}

void CTextFileWrite::flushSurrogate()
{
    unsigned char bytes[4];
    putBytes(bytes, static_cast<size_t>(encodePending(bytes)));
}

// Encodes one UTF-16 unit into out (at most 7 bytes: a pending high
// surrogate written alone and this unit); returns the byte count.
int CTextFileWrite::encodeUnit(char16_t u, unsigned char* out)
{
    switch (encoding_) {
    case kUtf16BigEndian:
        out[0] = static_cast<unsigned char>(u >> 8);
        out[1] = static_cast<unsigned char>(u & 0xFF);
        return 2;
    case kUtf16LittleEndian:
        out[0] = static_cast<unsigned char>(u & 0xFF);
        out[1] = static_cast<unsigned char>(u >> 8);
        return 2;
    case kUtf8:
        if (u < 0x80 && pendingHigh_ < 0) {
            out[0] = static_cast<unsigned char>(u);
            return 1;
        }
        break;
    case kCodePage:
        break;
    default:
        return 0;  // an unknown encoding writes nothing
    }
    if (pendingHigh_ >= 0 && isLowSurrogate(u)) {
        const int cp = 0x10000 + ((pendingHigh_ - 0xD800) << 10) + (u - 0xDC00);
        pendingHigh_ = -1;
        if (encoding_ == kCodePage) {
            out[0] = replacementByte();
            return 1;
        }
        return encodeUtf8(static_cast<char32_t>(cp), out);
    }
    int n = encodePending(out);
    if (isHighSurrogate(u)) {
        pendingHigh_ = u;
        return n;
    }
    if (encoding_ == kCodePage) {
        const int b = wideToCodePage(u);
        out[n++] = b >= 0 ? static_cast<unsigned char>(b) : replacementByte();
    } else {
        n += encodeUtf8(u, out + n);
    }
    return n;
}

// Encodes into a local block and hands it to the buffer in pieces.
void CTextFileWrite::putWide(const char16_t* text, size_t count)
{
    constexpr int kBlock = 1024;
    unsigned char block[kBlock + 8];
    int filled = 0;
    const bool utf8 = encoding_ == kUtf8;
    for (size_t i = 0; i < count; ++i) {
        const char16_t u = text[i];
        if (utf8 && u < 0x800 && pendingHigh_ < 0) {  // the common case inline
            if (u < 0x80) {
                block[filled++] = static_cast<unsigned char>(u);
            } else {
                block[filled++] = static_cast<unsigned char>(0xC0 | (u >> 6));
                block[filled++] = static_cast<unsigned char>(0x80 | (u & 0x3F));
            }
        } else {
            filled += encodeUnit(u, block + filled);
        }
        if (filled >= kBlock) {
            putBytes(block, static_cast<size_t>(filled));
            filled = 0;
        }
    }
    putBytes(block, static_cast<size_t>(filled));
}

void CTextFileWrite::putNarrow(const char* text, size_t count)
{
    bool ascii = true;
    for (size_t i = 0; i < count && ascii; ++i)
        ascii = static_cast<unsigned char>(text[i]) < 0x80;
    if (encoding_ == kCodePage || (ascii && encoding_ == kUtf8)) {
        flushSurrogate();
        putBytes(reinterpret_cast<const unsigned char*>(text), count);
    } else {
        // Converted a piece at a time, cut before a byte that starts a
        // character (or stands alone), so a large text never exists twice
        // and the result is that of converting it whole.
        constexpr size_t kPiece = size_t{1} << 16;
        for (size_t start = 0; start < count;) {
            size_t end = count;
            if (count - start > kPiece) {
                end = start + kPiece;
                while (end > start && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
                    --end;
                if (end == start)
                    end = count;
            }
            const std::u16string wide = wideFromUtf8(std::string_view(text + start, end - start));
            putWide(wide.data(), wide.size());
            start = end;
        }
    }
}

void CTextFileWrite::writeText(const char16_t* text)
{
    if (text)
        putWide(text, std::char_traits<char16_t>::length(text));
}

void CTextFileWrite::writeText(const char* text)
{
    if (text)
        putNarrow(text, std::strlen(text));
}

void CTextFileWrite::writeText(const std::u16string& text) { putWide(text.data(), text.size()); }

void CTextFileWrite::writeText(const std::string& text) { putNarrow(text.data(), text.size()); }

void CTextFileWrite::writeEndLine()
{
    static constexpr char16_t kLineEnd[] = {kCr, kLf};
    putWide(kLineEnd, 2);
}

}  // namespace tavo
