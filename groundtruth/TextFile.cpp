#include "TextFile.h"

#include "Report.h"
#include "Strings.h"

#include <array>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavo {

namespace {

constexpr int kEnd = -1;
constexpr char16_t kCr = 13;
constexpr char16_t kLf = 10;
constexpr char16_t kReplacement = 0xFFFD;
constexpr const char* kCodePageName = "CP1256";

bool isHighSurrogate(int u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(int u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Bytes a UTF-8 lead byte needs after it; 0 for ASCII, continuation and
// invalid lead bytes.
constexpr std::array<unsigned char, 256> makeUtf8Extra()
{
    std::array<unsigned char, 256> t{};
    for (int b = 0xC0; b <= 0xDF; ++b)
        t[b] = 1;
    for (int b = 0xE0; b <= 0xEF; ++b)
        t[b] = 2;
    for (int b = 0xF0; b <= 0xF7; ++b)
        t[b] = 3;
    return t;
}
constexpr std::array<unsigned char, 256> kUtf8Extra = makeUtf8Extra();

// Bytes that stand for themselves inside a UTF-8 line: ASCII except CR, LF.
constexpr std::array<bool, 256> makePlainAscii()
{
    std::array<bool, 256> t{};
    for (int b = 0; b < 0x80; ++b)
        t[b] = b != kCr && b != kLf;
    return t;
}
constexpr std::array<bool, 256> kPlainAscii = makePlainAscii();

void appendCodePoint(std::u16string& out, int cp)
{
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<char16_t>(cp);
    }
}

// The code page as two per-character tables, built once with iconv.  Every
// byte of Windows-1256 has a character; a byte iconv refuses reads as U+FFFD.
class CodePageTables {
public:
    static const CodePageTables& get()
    {
        static const CodePageTables tables;
        return tables;
    }

    char16_t toWide(unsigned char b) const { return wide_[b]; }

    // The byte for a UTF-16 unit, or -1 when the code page lacks it.
    int toByte(char16_t u) const
    {
        if (u == 0)
            return 0;
        const unsigned char b = narrow_[u];
        return b ? b : -1;
    }

private:
    CodePageTables() : narrow_(std::make_unique<unsigned char[]>(0x10000))
    {
        const char* wideName = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
        iconv_t cd = iconv_open(wideName, kCodePageName);
        for (int b = 0; b < 256; ++b) {
            char in = static_cast<char>(b);
            char16_t out = kReplacement;
            if (cd != reinterpret_cast<iconv_t>(-1)) {
                char* inPtr = &in;
                size_t inLeft = 1;
                char* outPtr = reinterpret_cast<char*>(&out);
                size_t outLeft = sizeof out;
                if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
                    out = kReplacement;
            }
            wide_[b] = out;
            if (b != 0 && out != kReplacement && narrow_[out] == 0)
                narrow_[out] = static_cast<unsigned char>(b);
        }
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }

    std::array<char16_t, 256> wide_{};
    std::unique_ptr<unsigned char[]> narrow_;
};

int openForReading(const std::string& name)
{
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

mode_t creationMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string failureText(const std::string& target, const char* what, int err)
{
    return target + ": " + what + ": " + std::strerror(err);
}

// mkstemp beside path: "<path>.XXXXXX", or a short name in the same folder
// when that would be too long for the file system.
int makeTempFile(const std::string& path, std::string& tempName)
{
    std::string pattern = path + ".XXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd < 0 && errno == ENAMETOOLONG) {
        const size_t slash = path.rfind('/');
        pattern = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
                  ".tavo.XXXXXX";
        fd = ::mkstemp(pattern.data());
    }
    if (fd >= 0)
        tempName = pattern;
    return fd;
}

}  // namespace

// ---------------------------------------------------------------- base

CTextFileBase::~CTextFileBase()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void CTextFileBase::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

// ---------------------------------------------------------------- reader

CTextFileRead::CTextFileRead(const std::u16string& fileName) : CTextFileBase(kUtf8)
{
    fd_ = openForReading(utf8FromWide(fileName));
    if (fd_ < 0) {
        atEnd_ = true;
        eof_ = true;
        return;
    }
    detectEncoding();
}

void CTextFileRead::close()
{
    CTextFileBase::close();
    atEnd_ = true;
    eof_ = true;
    position_ = filled_ = 0;
}

// Looks at the first bytes without consuming them; a mark is skipped, any
// other start is read from the first byte on.
void CTextFileRead::detectEncoding()
{
    ensure(2);
    const int b0 = filled_ > 0 ? buffer_[0] : kEnd;
    const int b1 = filled_ > 1 ? buffer_[1] : kEnd;
    encoding_ = kUtf8;
    if (b0 == 0xFF && b1 == 0xFE) {
        encoding_ = kUtf16LittleEndian;
        position_ = 2;
    } else if (b0 == 0xFE && b1 == 0xFF) {
        encoding_ = kUtf16BigEndian;
        position_ = 2;
    } else if (b0 == 0xEF && b1 == 0xBB) {
        ensure(3);
        if (filled_ > 2 && buffer_[2] == 0xBF)
            position_ = 3;
        else
            encoding_ = kCodePage;
    }
}

// Makes count bytes available from position_ unless the file ends first.
bool CTextFileRead::ensure(int count)
{
    if (filled_ - position_ >= count)
        return true;
    if (eof_)
        return false;
    const int keep = filled_ - position_;
    std::memmove(buffer_, buffer_ + position_, static_cast<size_t>(keep));
    position_ = 0;
    filled_ = keep;
    while (filled_ < count && !eof_) {
        const ssize_t n = ::read(fd_, buffer_ + filled_, static_cast<size_t>(kTextBufferSize - filled_));
        if (n > 0) {
            filled_ += static_cast<int>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            readFailed_ = n < 0;
            eof_ = true;
        }
    }
    return filled_ - position_ >= count;
}

// Whether the next character is the ASCII character c (not consumed).
bool CTextFileRead::nextIs(char16_t c) const
{
    switch (encoding_) {
    case kUtf16BigEndian:
        return filled_ - position_ >= 2 && buffer_[position_] == 0 && buffer_[position_ + 1] == c;
    case kUtf16LittleEndian:
        return filled_ - position_ >= 2 && buffer_[position_] == c && buffer_[position_ + 1] == 0;
    default:
        return filled_ > position_ && buffer_[position_] == c;
    }
}

void CTextFileRead::skipUnit()
{
    position_ += encoding_ == kUtf16BigEndian || encoding_ == kUtf16LittleEndian ? 2 : 1;
}

// One UTF-8 character.  A lead byte without the continuation bytes it needs,
// a lone continuation byte and an invalid lead byte each give U+FFFD for that
// byte alone.
int CTextFileRead::nextUtf8()
{
    if (!ensure(1))
        return kEnd;
    const unsigned char* p = buffer_ + position_;
    const int extra = kUtf8Extra[p[0]];
    if (p[0] < 0x80 || extra == 0) {
        ++position_;
        return p[0] < 0x80 ? p[0] : kReplacement;
    }
    ensure(extra + 1);
    p = buffer_ + position_;
    const int avail = filled_ - position_;
    for (int k = 1; k <= extra; ++k) {
        if (k >= avail || (p[k] & 0xC0) != 0x80) {
            ++position_;
            return kReplacement;
        }
    }
    position_ += extra + 1;
    if (extra == 1)
        return ((p[0] & 0x1F) << 6) | (p[1] & 0x3F);
    if (extra == 2)
        return ((p[0] & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
    const int cp = ((p[0] & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
    return cp >= 0x10000 && cp <= 0x10FFFF ? cp : kReplacement;
}

// The next character as a code point (byte for encoding 0), or kEnd.
int CTextFileRead::nextChar()
{
    switch (encoding_) {
    case kUtf8:
        return nextUtf8();
    case kUtf16BigEndian:
    case kUtf16LittleEndian: {
        if (!ensure(2)) {
            if (filled_ > position_) {  // a dangling odd byte
                position_ = filled_;
                return kReplacement;
            }
            return kEnd;
        }
        const unsigned char* p = buffer_ + position_;
        position_ += 2;
        return encoding_ == kUtf16BigEndian ? (p[0] << 8) | p[1] : (p[1] << 8) | p[0];
    }
    default:
        return ensure(1) ? buffer_[position_++] : kEnd;
    }
}

bool CTextFileRead::readLine(std::u16string& line)
{
    if (atEnd_)
        return false;
    // The previous line's end is still unread: CR, LF or CR LF.
    if (!firstLine_) {
        ensure(2);
        const bool cr = nextIs(kCr);
        skipUnit();
        if (cr) {
            ensure(2);
            if (nextIs(kLf))
                skipUnit();
        }
    }
    firstLine_ = false;
    line.clear();
    switch (encoding_) {
    case kUtf8:
        collectUtf8(line);
        break;
    case kCodePage:
        collectCodePage(line);
        break;
    default:
        collectUtf16(line);
        break;
    }
    return true;
}

// Appends characters up to (not including) the next CR or LF; sets atEnd_
// when the file ends first.
void CTextFileRead::collectUtf8(std::u16string& line)
{
    for (;;) {
        if (position_ >= filled_ && !ensure(1)) {
            atEnd_ = true;
            return;
        }
        const unsigned char* start = buffer_ + position_;
        const unsigned char* end = buffer_ + filled_;
        const unsigned char* p = start;
        while (p < end && kPlainAscii[*p])
            ++p;
        if (p > start) {
            const size_t old = line.size();
            line.resize(old + static_cast<size_t>(p - start));
            std::copy(start, p, line.begin() + static_cast<std::ptrdiff_t>(old));
            position_ += static_cast<int>(p - start);
        }
        if (p < end) {
            if (*p == kCr || *p == kLf)
                return;
            if (kUtf8Extra[*p] == 1 && p + 1 < end && (p[1] & 0xC0) == 0x80) {  // Arabic letters
                line += static_cast<char16_t>(((p[0] & 0x1F) << 6) | (p[1] & 0x3F));
                position_ += 2;
            } else {
                appendCodePoint(line, nextUtf8());
            }
        }
    }
}

void CTextFileRead::collectUtf16(std::u16string& line)
{
    for (;;) {
        ensure(2);
        if (nextIs(kCr) || nextIs(kLf))
            return;
        const int ch = nextChar();
        if (ch == kEnd) {
            atEnd_ = true;
            return;
        }
        line += static_cast<char16_t>(ch);
    }
}

void CTextFileRead::collectCodePage(std::u16string& line)
{
    const CodePageTables& tables = CodePageTables::get();
    for (;;) {
        if (!ensure(1)) {
            atEnd_ = true;
            return;
        }
        const unsigned char b = buffer_[position_];
        if (b == kCr || b == kLf)
            return;
        line += tables.toWide(b);
        ++position_;
    }
}

// ---------------------------------------------------------------- writer

CTextFileWrite::CTextFileWrite(const std::u16string& fileName, int encoding)
    : CTextFileBase(encoding), target_(utf8FromWide(fileName)), uncaught_(std::uncaught_exceptions())
{
    // A link is replaced through its target, and a device or pipe is written
    // in place: renaming over /dev/null or a FIFO would replace it.
    std::string path = target_;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            path = real;
            std::free(real);
        }
    }
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        fd_ = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    } else {
        fd_ = makeTempFile(path, tempName_);
        if (fd_ >= 0)
            ::fchmod(fd_, creationMode());
    }
    if (fd_ < 0)
        throw RuntimeFailure(failureText(target_, "cannot create file", errno));
    renameTo_ = path;

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
    ::close(fd_);
    fd_ = -1;
    if (!tempName_.empty())
        ::unlink(tempName_.c_str());
}

void CTextFileWrite::close()
{
    if (fd_ < 0)
        return;
    flushSurrogate();
    flushBuffer();
    int err = writeErrno_;
    if (::close(fd_) != 0 && err == 0)
        err = errno;
    fd_ = -1;
    if (err == 0 && !tempName_.empty() && ::rename(tempName_.c_str(), renameTo_.c_str()) != 0)
        err = errno;
    if (err != 0) {
        if (!tempName_.empty())
            ::unlink(tempName_.c_str());
        throw RuntimeFailure(failureText(target_, "cannot write file", err));
    }
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
        std::memcpy(buffer_ + position_ + 1, bytes, n);
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
    out[0] = static_cast<unsigned char>(0xE0 | ((u >> 12) & 0x0F));
    out[1] = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (u & 0x3F));
    return 3;
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
        out[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
        out[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        out[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 4;
    }
    int n = encodePending(out);
    if (isHighSurrogate(u)) {
        pendingHigh_ = u;
        return n;
    }
    if (encoding_ == kCodePage) {
        const int b = CodePageTables::get().toByte(u);
        out[n++] = b >= 0 ? static_cast<unsigned char>(b) : replacementByte();
    } else if (u < 0x80) {
        out[n++] = static_cast<unsigned char>(u);
    } else if (u < 0x800) {
        out[n++] = static_cast<unsigned char>(0xC0 | (u >> 6));
        out[n++] = static_cast<unsigned char>(0x80 | (u & 0x3F));
    } else {
        out[n++] = static_cast<unsigned char>(0xE0 | ((u >> 12) & 0x0F));
        out[n++] = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
        out[n++] = static_cast<unsigned char>(0x80 | (u & 0x3F));
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
        const std::u16string wide = wideFromUtf8(std::string_view(text, count));
        putWide(wide.data(), wide.size());
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
