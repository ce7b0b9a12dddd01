#include "groundtruth/FinishingPass.h"
#include "support/TextFixtures.h"
#include "util/Report.h"

#include <gtest/gtest.h>

using tavotest::readFile;
using tavotest::TempDir;
using tavotest::wide;
using tavotest::writeFile;

TEST(FinishingPass, RewritesAsUtf8WithCrLf)
{
    TempDir dir;
    const std::string zone = "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" contents=\"\xD8\xA7\xF0\x9F\x98\x80\"> </DL_ZONE>";
    writeFile(dir / "temp.xml", "\xEF\xBB\xBF<?xml?>\r\n" + zone + "\n<!-- x -->\r\n");
    tavo::finishPass(wide(dir / "temp.xml"), wide(dir / "out.xml"));
    EXPECT_EQ(readFile(dir / "out.xml"), "\xEF\xBB\xBF<?xml?>\r\n" + zone + "\r\n<!-- x -->\r\n\r\n");
    EXPECT_TRUE(std::filesystem::exists(dir / "temp.xml"));
}

TEST(FinishingPass, ConvertsUtf16)
{
    TempDir dir;
    writeFile(dir / "temp.xml", std::string("\xFF\xFE" "a\0\x27\x06", 6));
    tavo::finishPass(wide(dir / "temp.xml"), wide(dir / "out.xml"));
    EXPECT_EQ(readFile(dir / "out.xml"), "\xEF\xBB\xBF" "a\xD8\xA7\r\n");
}

TEST(FinishingPass, MissingTemporaryFileGivesMarkOnly)
{
    TempDir dir;
    tavo::finishPass(wide(dir / "temp.xml"), wide(dir / "out.xml"));
    EXPECT_EQ(readFile(dir / "out.xml"), "\xEF\xBB\xBF");
}

TEST(FinishingPass, SameFileAndUnwritableOutput)
{
    TempDir dir;
    writeFile(dir / "temp.xml", "a\nb");
    tavo::finishPass(wide(dir / "temp.xml"), wide(dir / "temp.xml"));
    EXPECT_EQ(readFile(dir / "temp.xml"), "\xEF\xBB\xBF" "a\r\nb\r\n");
    EXPECT_THROW(tavo::finishPass(wide(dir / "temp.xml"), wide(dir / "no" / "out.xml")), tavo::RuntimeFailure);
}
