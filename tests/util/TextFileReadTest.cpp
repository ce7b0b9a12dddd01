#include "support/TextFixtures.h"

#include <gtest/gtest.h>

using tavotest::readBytes;
using tavotest::readLines;
using tavotest::TempDir;
using Lines = std::vector<std::u16string>;

TEST(TextFileRead, ByteOrderMarks)
{
    TempDir dir;
    auto r = readBytes(dir, "\xEF\xBB\xBF" "a\r\n");
    EXPECT_EQ(r.encoding, tavo::kUtf8);
    EXPECT_EQ(r.lines, (Lines{u"a", u""}));

    r = readBytes(dir, std::string("\xFF\xFE" "a\0\r\0\n\0\x27\x06", 10));
    EXPECT_EQ(r.encoding, tavo::kUtf16LittleEndian);
    EXPECT_EQ(r.lines, (Lines{u"a", u"\u0627"}));

    r = readBytes(dir, std::string("\xFE\xFF\0a\0\r\x06\x27\xD8\x3D\xDE\x00", 12));
    EXPECT_EQ(r.encoding, tavo::kUtf16BigEndian);
    EXPECT_EQ(r.lines, (Lines{u"a", u"\u0627\xD83D\xDE00"}));
}

// EF BB without BF is no mark: the file is code page text from its first byte.
TEST(TextFileRead, BrokenUtf8MarkIsCodePageText)
{
    TempDir dir;
    auto r = readBytes(dir, "\xEF\xBB\x41\xC7\xE1\r\n\x80");
    EXPECT_EQ(r.encoding, tavo::kCodePage);
    EXPECT_EQ(r.lines, (Lines{u"\u00EF\u00BBA\u0627\u0644", u"\u20AC"}));

    r = readBytes(dir, "\xEF\xBB");
    EXPECT_EQ(r.encoding, tavo::kCodePage);
    EXPECT_EQ(r.lines, (Lines{u"\u00EF\u00BB"}));
}

TEST(TextFileRead, WithoutMarkIsUtf8)
{
    TempDir dir;
    auto r = readBytes(dir, "\xD8\xA7");
    EXPECT_EQ(r.encoding, tavo::kUtf8);
    EXPECT_EQ(r.lines, (Lines{u"\u0627"}));
    // FF or FE followed by another byte is no mark either.
    r = readBytes(dir, "\xFF" "a");
    EXPECT_EQ(r.lines, (Lines{u"\uFFFDa"}));
}

TEST(TextFileRead, LineEnds)
{
    TempDir dir;
    EXPECT_EQ(readBytes(dir, "a\r\rb").lines, (Lines{u"a", u"", u"b"}));
    EXPECT_EQ(readBytes(dir, "a\n\rb").lines, (Lines{u"a", u"", u"b"}));
    EXPECT_EQ(readBytes(dir, "a\r\nb\nc\rd").lines, (Lines{u"a", u"b", u"c", u"d"}));
    EXPECT_EQ(readBytes(dir, "a\n").lines, (Lines{u"a", u""}));
    EXPECT_EQ(readBytes(dir, "\n").lines, (Lines{u"", u""}));
    EXPECT_EQ(readBytes(dir, "").lines, (Lines{u""}));
    EXPECT_EQ(readBytes(dir, std::string("a\0b", 3)).lines, (Lines{std::u16string(u"a\0b", 3)}));
}

TEST(TextFileRead, UnreadableFilesReadAsNoLines)
{
    TempDir dir;
    auto r = readLines(dir / "absent.txt");
    EXPECT_FALSE(r.open);
    EXPECT_TRUE(r.lines.empty());
    r = readLines(dir.path());
    EXPECT_FALSE(r.open);
    EXPECT_TRUE(r.lines.empty());
    // Opens, but the first read fails (EIO): not one empty line.
    r = readLines("/proc/self/mem");
    EXPECT_FALSE(r.open);
    EXPECT_TRUE(r.lines.empty());
}

TEST(TextFileRead, MalformedUtf8GivesReplacementPerByte)
{
    TempDir dir;
    // Lone continuation byte, invalid lead bytes.
    EXPECT_EQ(readBytes(dir, "a\x80" "b\xFF\xF8").lines, (Lines{u"a\uFFFDb\uFFFD\uFFFD"}));
    // A lead byte without its continuation bytes: U+FFFD for it alone, and
    // the byte after it is read on its own.
    EXPECT_EQ(readBytes(dir, "\xD8" "a").lines, (Lines{u"\uFFFDa"}));
    EXPECT_EQ(readBytes(dir, "\xE0\xA0\r\n").lines, (Lines{u"\uFFFD\uFFFD", u""}));
    EXPECT_EQ(readBytes(dir, "\xF0\x9F\x98" "x").lines, (Lines{u"\uFFFD\uFFFD\uFFFDx"}));
    // Truncated at the end of the file: still one U+FFFD, not dropped.
    EXPECT_EQ(readBytes(dir, "a\xE2\x80").lines, (Lines{u"a\uFFFD\uFFFD"}));
}

// An over-long CR or LF is no line end and never lands inside a line: the
// line would be split in two when it is written back.
TEST(TextFileRead, OverlongLineEndIsReplacement)
{
    TempDir dir;
    EXPECT_EQ(readBytes(dir, "a\xC0\x8A" "b\xC0\x8D" "c\xE0\x80\x8A\r\nd").lines,
              (Lines{u"a\uFFFDb\uFFFDc\uFFFD", u"d"}));
    // Other over-long forms decode as before.
    EXPECT_EQ(readBytes(dir, "\xC1\x8A\xC0\x80").lines, (Lines{std::u16string(u"J\0", 2)}));
}

TEST(TextFileRead, FourByteSequencesBecomeSurrogatePairs)
{
    TempDir dir;
    EXPECT_EQ(readBytes(dir, "\xF0\x9F\x98\x80\xE2\x80\x93").lines, (Lines{u"\U0001F600\u2013"}));
    // Beyond U+10FFFF.
    EXPECT_EQ(readBytes(dir, "\xF4\x90\x80\x80").lines, (Lines{u"\uFFFD"}));
}

TEST(TextFileRead, OddByteAtEndOfUtf16)
{
    TempDir dir;
    EXPECT_EQ(readBytes(dir, std::string("\xFF\xFE" "a\0b", 5)).lines, (Lines{u"a\uFFFD"}));
}

// Lines, sequences and line ends that straddle the 1024-byte buffer.
TEST(TextFileRead, AcrossBufferBoundaries)
{
    TempDir dir;
    std::string bytes(1023, 'a');
    bytes += "\r\nb";  // CR is the last byte of the first block
    EXPECT_EQ(readBytes(dir, bytes).lines, (Lines{std::u16string(1023, u'a'), u"b"}));

    std::string arabic = "\xEF\xBB\xBF" + std::string(1020, 'x');
    std::u16string expected(1020, u'x');
    for (int i = 0; i < 600; ++i) {
        arabic += i % 2 ? "\xD9\x84" : "\xF0\x9F\x98\x80";
        expected += i % 2 ? u"\u0644" : u"\U0001F600";
    }
    EXPECT_EQ(readBytes(dir, arabic).lines, (Lines{expected}));

    std::string utf16("\xFF\xFE", 2);
    std::u16string expected16;
    for (int i = 0; i < 1500; ++i) {
        utf16 += i % 700 == 699 ? std::string("\r\0\n\0", 4) : std::string("\x27\x06", 2);
        expected16 += i % 700 == 699 ? u"|" : u"\u0627";
    }
    Lines split;
    for (size_t start = 0, bar; start <= expected16.size(); start = bar + 1) {
        bar = expected16.find(u'|', start);
        if (bar == std::u16string::npos)
            bar = expected16.size();
        split.push_back(expected16.substr(start, bar - start));
    }
    EXPECT_EQ(readBytes(dir, utf16).lines, split);
}
