#include "support/TextFixtures.h"
#include "util/Report.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <fcntl.h>
#include <sys/file.h>
#include <utime.h>
#include <sys/stat.h>
#include <unistd.h>

using tavotest::filesStartingWith;
using tavotest::readFile;
using tavotest::readLines;
using tavotest::TempDir;
using tavotest::wide;
using tavotest::writeFile;
namespace fs = std::filesystem;

namespace {

std::string written(const TempDir& dir, int encoding, const std::u16string& text)
{
    {
        tavo::CTextFileWrite out(wide(dir / "out.txt"), encoding);
        out.writeText(text);
        out.writeEndLine();
        out.close();
    }
    return readFile(dir / "out.txt");
}

}  // namespace

TEST(TextFileWrite, EncodesEachEncoding)
{
    TempDir dir;
    EXPECT_EQ(written(dir, tavo::kUtf8, u"\u0627"), "\xEF\xBB\xBF\xD8\xA7\r\n");
    EXPECT_EQ(written(dir, tavo::kUtf16BigEndian, u"a\u0627"), std::string("\xFE\xFF\0a\x06\x27\0\r\0\n", 10));
    EXPECT_EQ(written(dir, tavo::kUtf16LittleEndian, u"a\u0627"), std::string("\xFF\xFE" "a\0\x27\x06\r\0\n\0", 10));
    EXPECT_EQ(written(dir, tavo::kCodePage, u"\u0627\u0644 \u20AC"), "\xC7\xE1 \x80\r\n");
}

// A large narrow text is converted in pieces; characters, a four-byte one
// and broken sequences lying across every piece boundary come out as when
// the text is converted whole.
TEST(TextFileWrite, LargeNarrowTextAsIfConvertedWhole)
{
    TempDir dir;
    const std::string unit = "\xD8\xA7" "b\xF0\x9F\x98\x80\xE2\x82\xAC\x80\x80\xC3 \xE2\x82";
    std::string text;
    while (text.size() < 300000)
        text += unit;
    for (int encoding : {tavo::kUtf8, tavo::kUtf16LittleEndian}) {
        tavo::CTextFileWrite narrow(wide(dir / "narrow.txt"), encoding);
        narrow.writeText(text);
        narrow.close();
        tavo::CTextFileWrite whole(wide(dir / "whole.txt"), encoding);
        whole.writeText(tavo::wideFromUtf8(text));
        whole.close();
        EXPECT_EQ(readFile(dir / "narrow.txt"), readFile(dir / "whole.txt")) << encoding;
    }
}

TEST(TextFileWrite, SurrogatesInUtf8)
{
    TempDir dir;
    EXPECT_EQ(written(dir, tavo::kUtf8, u"\U0001F600"), "\xEF\xBB\xBF\xF0\x9F\x98\x80\r\n");
    // A lone surrogate is written as three bytes, high or low.
    EXPECT_EQ(written(dir, tavo::kUtf8, u"\xD83D" "a\xDE00"), "\xEF\xBB\xBF\xED\xA0\xBD" "a\xED\xB8\x80\r\n");

    tavo::CTextFileWrite out(wide(dir / "split.txt"), tavo::kUtf8);
    out.writeText(u"\xD83D");
    out.writeText(u"\xDE00");
    out.writeText(u"\xD83D");
    out.close();
    EXPECT_EQ(readFile(dir / "split.txt"), "\xEF\xBB\xBF\xF0\x9F\x98\x80\xED\xA0\xBD");
}

TEST(TextFileWrite, NarrowTextIsUtf8)
{
    TempDir dir;
    tavo::CTextFileWrite out(wide(dir / "a.txt"), tavo::kUtf16LittleEndian);
    out.writeText("x\xD8\xA7");
    out.writeText(std::string("y"));
    out.close();
    EXPECT_EQ(readFile(dir / "a.txt"), std::string("\xFF\xFEx\0\x27\x06y\0", 8));

    tavo::CTextFileWrite raw(wide(dir / "b.txt"), tavo::kCodePage);
    raw.writeText("\xC7\xFF");  // bytes as they are
    raw.close();
    EXPECT_EQ(readFile(dir / "b.txt"), "\xC7\xFF");
}

TEST(TextFileWrite, CodePageReplacement)
{
    TempDir dir;
    tavo::CTextFileWrite out(wide(dir / "a.txt"), tavo::kCodePage);
    out.writeText(u"\u0627");
    EXPECT_FALSE(out.lostData());
    out.writeText(u"\u4E00\U0001F600");
    EXPECT_TRUE(out.lostData());
    out.setDefaultChar('*');
    out.writeText(u"\u4E00");
    out.close();
    EXPECT_EQ(readFile(dir / "a.txt"), "\xC7??*");
}

TEST(TextFileWrite, RoundTripsThroughTheReader)
{
    TempDir dir;
    auto roundTrip = [&](int enc, const std::vector<std::u16string>& lines) {
        tavo::CTextFileWrite out(wide(dir / "rt.txt"), enc);
        for (const auto& l : lines) {
            out.writeText(l);
            out.writeEndLine();
        }
        out.close();
        auto r = readLines(dir / "rt.txt");
        auto expected = lines;
        expected.push_back(u"");
        EXPECT_EQ(r.lines, expected) << "encoding " << enc;
        EXPECT_EQ(r.encoding, enc);
    };
    for (int enc : {1, 2, 3})
        roundTrip(enc, {u"<DL_ZONE contents=\"\u0627\u0644\u0643\u062A\u0627\u0628\"/>", u"",
                        u"\u0661\u0662 \u2013 \U0001F600 \xDE00x"});
    // Code page text carries no mark; one that starts with the two
    // characters of bytes EF BB is read back in the code page.
    roundTrip(tavo::kCodePage, {u"\u00EF\u00BB\u0627\u0644\u0643\u062A\u0627\u0628 \u2013 \u00E9", u"\u06BE\u200C"});
}

// The buffer goes to the file 1024 bytes at a time, the rest on close(); the
// target appears only then.
TEST(TextFileWrite, FlushesWholeBuffers)
{
    TempDir dir;
    auto tempSize = [&] {
        auto temps = filesStartingWith(dir, "out.txt.");
        return temps.size() == 1 ? static_cast<long>(fs::file_size(temps[0])) : -1L;
    };
    tavo::CTextFileWrite out(wide(dir / "out.txt"), tavo::kUtf8);
    out.writeText(std::string(1021, 'a'));  // with the mark: 1024 bytes
    EXPECT_EQ(tempSize(), 0);
    out.writeText("b");
    EXPECT_EQ(tempSize(), 1024);
    out.writeText(std::string(1024, 'c'));
    EXPECT_EQ(tempSize(), 2048);
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
    out.close();
    EXPECT_EQ(fs::file_size(dir / "out.txt"), 2049u);
    EXPECT_TRUE(filesStartingWith(dir, "out.txt.").empty());
}

TEST(TextFileWrite, NewFileHasUsualPermissions)
{
    TempDir dir;
    const mode_t old = umask(022);
    written(dir, tavo::kUtf8, u"a");
    umask(old);
    EXPECT_EQ(fs::status(dir / "out.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST(TextFileWrite, FailedRunLeavesTargetUntouched)
{
    TempDir dir;
    writeFile(dir / "out.txt", "old");
    try {
        tavo::CTextFileWrite out(wide(dir / "out.txt"), tavo::kUtf8);
        out.writeText(std::string(5000, 'x'));
        throw std::runtime_error("command failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(readFile(dir / "out.txt"), "old");
    EXPECT_TRUE(filesStartingWith(dir, "out.txt.").empty());

    // Without an exception, a writer that was not closed commits.
    { tavo::CTextFileWrite out(wide(dir / "out.txt"), tavo::kUtf8); out.writeText("new"); }
    EXPECT_EQ(readFile(dir / "out.txt"), "\xEF\xBB\xBFnew");
}

// Temporary files a killed run left behind are removed when the same target
// is next written; lookalikes, other targets' files, files newer than the
// process and files a live writer holds stay.
TEST(TextFileWrite, LeftoversOfTheSameTargetAreRemoved)
{
    TempDir dir;
    const std::vector<std::string> gone = {"out.txt.tmpab12cd34", "out.txt.tmp00000000"};
    const std::vector<std::string> kept = {"out.txt.tmpAB12CD34", "out.txt.tmpab12cd3", "out.txt.tmpab12cd345",
                                           "other.txt.tmpab12cd34", "out.txt.tmplocked00", "out.txt.tmpab12cd35"};
    for (const auto* names : {&gone, &kept})
        for (const std::string& name : *names) {
            writeFile(dir / name, "partial");
            const utimbuf hourAgo{time(nullptr) - 3600, time(nullptr) - 3600};
            if (name != "out.txt.tmpab12cd35") {  // this one stays new
                ASSERT_EQ(utime((dir / name).c_str(), &hourAgo), 0);
            }
        }
    const int held = open((dir / "out.txt.tmplocked00").c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    { tavo::CTextFileWrite out(wide(dir / "out.txt"), tavo::kUtf8); out.writeText("new"); }
    close(held);
    for (const std::string& name : gone)
        EXPECT_FALSE(fs::exists(dir / name)) << name;
    for (const std::string& name : kept)
        EXPECT_TRUE(fs::exists(dir / name)) << name;
}

TEST(TextFileWrite, InputMayBeTheOutput)
{
    TempDir dir;
    writeFile(dir / "same.txt", "one\r\ntwo");
    {
        tavo::CTextFileRead in(wide(dir / "same.txt"));
        tavo::CTextFileWrite out(wide(dir / "same.txt"), tavo::kUtf8);
        std::u16string line;
        while (in.readLine(line)) {
            out.writeText(line + u"!");
            out.writeEndLine();
        }
        out.close();
    }
    EXPECT_EQ(readFile(dir / "same.txt"), "\xEF\xBB\xBFone!\r\ntwo!\r\n");
}

TEST(TextFileWrite, FailuresThrow)
{
    TempDir dir;
    try {
        tavo::CTextFileWrite out(wide(dir / "missing" / "out.txt"), tavo::kUtf8);
        FAIL() << "created a file in a missing folder";
    } catch (const tavo::RuntimeFailure& e) {
        EXPECT_EQ(std::string(e.what()),
                  (dir / "missing" / "out.txt").string() + ": cannot create file: No such file or directory");
    }

    // The rename over a folder fails; nothing is left behind.
    fs::create_directory(dir / "folder");
    writeFile(dir / "folder" / "inside", "x");
    tavo::CTextFileWrite out(wide(dir / "folder"), tavo::kUtf8);
    out.writeText("a");
    EXPECT_THROW(out.close(), tavo::RuntimeFailure);
    EXPECT_TRUE(filesStartingWith(dir, "folder.").empty());
    EXPECT_TRUE(fs::is_directory(dir / "folder"));

    // A full device: writes fail, close() reports it.
    if (fs::exists("/dev/full")) {
        tavo::CTextFileWrite full(u"/dev/full", tavo::kUtf8);
        full.writeText(std::string(3000, 'x'));
        EXPECT_THROW(full.close(), tavo::RuntimeFailure);
    }

    if (geteuid() != 0) {
        fs::create_directory(dir / "locked");
        fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_THROW(tavo::CTextFileWrite(wide(dir / "locked" / "out.txt"), tavo::kUtf8), tavo::RuntimeFailure);
    }
}
