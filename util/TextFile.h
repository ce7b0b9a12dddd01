// Line-oriented text files in four encodings.
//
// A reader detects the encoding from the byte-order mark and delivers each
// line as UTF-16 without its line end.  A writer writes a byte-order mark and
// encodes wide or 8-bit text.  Both work through a fixed 1024-byte buffer
// over a plain file descriptor.
//
// Writers are atomic: the text goes to a temporary file in the target's
// folder, which close() renames over the target, so a failed run never leaves
// a partial file and a command may read and write the same file.
#pragma once

#include <memory>
#include <string>

class ZULAtomicFile;

namespace tavo {

enum TextEncoding : int {
    kCodePage = 0,            // Windows-1256 (Arabic), no byte-order mark
    kUtf16BigEndian = 1,      // FE FF
    kUtf16LittleEndian = 2,   // FF FE
    kUtf8 = 3,                // EF BB BF
};

constexpr int kTextBufferSize = 1024;

class CTextFileBase {
public:
    CTextFileBase(const CTextFileBase&) = delete;
    CTextFileBase& operator=(const CTextFileBase&) = delete;
    virtual ~CTextFileBase();

    // Releases the file.  Writers flush and commit first (see CTextFileWrite).
    virtual void close();

    int encoding() const { return encoding_; }
    bool isOpen() const { return fd_ >= 0; }

    // A code-page conversion had to use the replacement character.
    bool lostData() const { return lostData_; }

protected:
    explicit CTextFileBase(int encoding) : encoding_(encoding) {}

    int encoding_;
    int fd_ = -1;
    bool lostData_ = false;
    unsigned char buffer_[kTextBufferSize];
};

class CTextFileRead : public CTextFileBase {
public:
    // A file that cannot be opened or read from its start, or a folder,
    // reads as no lines and isOpen() is false.
    explicit CTextFileRead(const std::u16string& fileName);

    // The next line without its line end; false once the file is exhausted.
    // CR, LF and CR LF each end a line; a file ending in a line end delivers
    // one final empty line, an empty file one empty line.
    bool readLine(std::u16string& line);

    // A read error after the start ended the file early.
    bool readFailed() const { return readFailed_; }

    void close() override;

private:
    void detectEncoding();
    bool ensure(int count);
    bool nextIs(char16_t c) const;
    void skipUnit();
    int nextChar();
    int nextUtf8();
    void collectUtf8(std::u16string& line);
    void collectUtf16(std::u16string& line);
    void collectCodePage(std::u16string& line);

    int position_ = 0;   // next unread byte of the buffer
    int filled_ = 0;     // valid bytes in the buffer
    bool atEnd_ = false;     // no further line to deliver
    bool eof_ = false;       // the file has no more bytes to read
    bool readFailed_ = false;
    bool firstLine_ = true;  // no line delivered since the start of the text
};

class CTextFileWrite : public CTextFileBase {
public:
    // Creates the temporary file beside the target and writes the encoding's
    // byte-order mark.  Throws RuntimeFailure("<target>: cannot create
    // file: ...") when the temporary file cannot be created.
    CTextFileWrite(const std::u16string& fileName, int encoding);
    ~CTextFileWrite() override;

    void writeText(const char16_t* text);
    // 8-bit texts are UTF-8; encoding 0 takes their bytes as they are.
    void writeText(const char* text);
    void writeText(const std::u16string& text);
    void writeText(const std::string& text);
    void writeEndLine();

    // Flushes, closes and renames the temporary file over the target.
    // Throws RuntimeFailure("<target>: cannot write file: ...") when a write,
    // the close or the rename failed; the target is then left untouched.
    void close() override;

    // Replacement byte for characters code page 0 cannot hold ('?' when 0).
    void setDefaultChar(char c) { defaultChar_ = c; }

private:
    void putBytes(const unsigned char* bytes, size_t count);
    int encodeUnit(char16_t unit, unsigned char* out);
    int encodePending(unsigned char* out);
    unsigned char replacementByte();
    void putWide(const char16_t* text, size_t count);
    void putNarrow(const char* text, size_t count);
    void flushBuffer();
    void flushSurrogate();
    void discard();

    std::string target_;     // UTF-8 target name
    std::unique_ptr<ZULAtomicFile> file_;
    int position_ = -1;      // index of the last byte used in the buffer
    int writeErrno_ = 0;     // first write error, 0 when none
    int pendingHigh_ = -1;   // high surrogate waiting for its low half
    char defaultChar_ = 0;
    int uncaught_;           // std::uncaught_exceptions() at construction
};

}  // namespace tavo
