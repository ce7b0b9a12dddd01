// Text files: the common base and the reader (encoding detection, line
// assembly from the 1024-byte buffer).
#include "util/TextFile.h"

#include "util/CodePage.h"
#include "util/Strings.h"

#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavo {

namespace {

constexpr int kEnd = -1;
constexpr char16_t kCr = 13;
constexpr char16_t kLf = 10;
constexpr char16_t kReplacement = 0xFFFD;

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

// CR or LF spelt in more than one byte (C0 8D, E0 80 8A, ...) would put a
// line end inside a line, which a writer then turns into a real one.
int notLineEnd(int decoded)
{
    return decoded == kCr || decoded == kLf ? kReplacement : decoded;
}

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

}  // namespace

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

CTextFileRead::CTextFileRead(const std::u16string& fileName) : CTextFileBase(kUtf8)
{
    fd_ = openForReading(utf8FromWide(fileName));
    if (fd_ < 0) {
        atEnd_ = true;
        eof_ = true;
        return;
    }
    detectEncoding();
    if (readFailed_)  // nothing could be read: as good as not opened
        close();
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

// One UTF-8 character, decoded as decodeUtf8 (util/Utf8.h) does: a lead byte
// without the continuation bytes it needs, a lone continuation byte and an
// invalid lead byte each give U+FFFD for that byte alone.  The reader keeps
// its own copy because calling the shared one cost a tenth of the reading
// time.
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
        return notLineEnd(((p[0] & 0x1F) << 6) | (p[1] & 0x3F));
    if (extra == 2)
        return notLineEnd(((p[0] & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
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
                line += static_cast<char16_t>(notLineEnd(((p[0] & 0x1F) << 6) | (p[1] & 0x3F)));
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
    for (;;) {
        if (!ensure(1)) {
            atEnd_ = true;
            return;
        }
        const unsigned char b = buffer_[position_];
        if (b == kCr || b == kLf)
            return;
        line += codePageToWide(b);
        ++position_;
    }
}

}  // namespace tavo
