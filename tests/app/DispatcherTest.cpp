// The dispatcher's own messages and exit statuses, through the built program.
#include "support/RunTool.h"

#include <gtest/gtest.h>

using tavotest::runTool;
using tavotest::TempDir;

namespace {

constexpr int kArgumentError = 255;  // -1 as the shell sees it

TEST(Dispatcher, NoSwitchOrUnknownSwitchDoNothing)
{
    TempDir dir;
    for (const auto& args : {std::vector<std::string>{}, {"-help"}, {"paw", "a", "b", "c"}}) {
        const auto r = runTool(args, dir.path());
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
    }
}

TEST(Dispatcher, HelpAndVersion)
{
    TempDir dir;
    const auto help = runTool({"--help"}, dir.path());
    EXPECT_EQ(help.status, 0);
    for (const char* sw : {"-paw", "-word", "-solopaw", "-updatepaw", "-segword", "-splitword",
                           "-meta", "-merge", "-filter", "-bin", "-niblack", "-keepline",
                           "-shrink", "-refine", "-textline", "-render", "-indic", "-shift",
                           "-reverse", "-fix", "-replace", "-punc", "-digi", "-verify"})
        EXPECT_NE(help.out.find(std::string("  ") + sw + " "), std::string::npos) << sw;
    const auto version = runTool({"--version"}, dir.path());
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("tavoalign ", 0), 0u);
}

TEST(Dispatcher, TempFileCommandsCheckCountFirst)
{
    TempDir dir;
    for (const char* sw : {"-paw", "-word", "-solopaw", "-updatepaw", "-segword", "-splitword"}) {
        const auto r = runTool({sw, "a.tif", "in.xml"}, dir.path());
        EXPECT_EQ(r.status, kArgumentError) << sw;
        EXPECT_EQ(r.out, "not enough arguments") << sw;
    }
}

TEST(Dispatcher, SameInputAndOutputRefusedBeforeAnyFileIsRead)
{
    TempDir dir;
    const auto r = runTool({"-paw", "a.tif", "in.xml", "in.xml"}, dir.path());
    EXPECT_EQ(r.status, kArgumentError);
    EXPECT_EQ(r.out, "input xml but be different from output xml");
    EXPECT_FALSE(std::filesystem::exists(dir / "temp.xml"));
}

TEST(Dispatcher, MissingImageNamedBeforeXmlIsChecked)
{
    TempDir dir;
    auto r = runTool({"-word", "missing.tif", "in.xml", "out.xml"}, dir.path());
    EXPECT_EQ(r.status, kArgumentError);
    EXPECT_EQ(r.out, "file does not exist:missing.tif\n");

    tavotest::writeFile(dir / "page.tif", "x");
    r = runTool({"-segword", "page.tif", "in.xml", "out.xml"}, dir.path());
    EXPECT_EQ(r.status, kArgumentError);
    EXPECT_EQ(r.out, "file does not exist:in.xml\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.xml"));
}

TEST(Dispatcher, ArabicFileNamesPrintedAsUtf8)
{
    TempDir dir;
    const std::string name = "\xd8\xb5\xd9\x81\xd8\xad\xd8\xa9.tif";  // an Arabic word
    const auto r = runTool({"-paw", name, "in.xml", "out.xml"}, dir.path());
    EXPECT_EQ(r.out, "file does not exist:" + name + "\n");
}

TEST(Dispatcher, VerifyWithoutOperandsPrintsUsage)
{
    TempDir dir;
    const auto r = runTool({"-verify", "words.xml"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "usage: -verify words.xml source.txt");
}

TEST(Dispatcher, OtherCommandsWithMissingOperandsAreArgumentErrors)
{
    TempDir dir;
    const std::vector<std::vector<std::string>> cases = {
        {"-meta", "in.xml"},        {"-merge", "t.txt", "in.xml"}, {"-filter", "in.txt"},
        {"-bin", "in.tif"},         {"-niblack", "in.tif"},        {"-keepline", "in.tif"},
        {"-shrink", "p.tif", "i"},  {"-refine", "p.tif", "i"},     {"-textline", "p.tif"},
        {"-render", "p.tif", "i"},  {"-indic", "in.xml"},          {"-shift", "i", "o", "1"},
        {"-reverse", "in.txt"},     {"-fix", "x"},                 {"-replace", "in.xml"},
        {"-punc"},                  {"-digi"},
    };
    for (const auto& args : cases) {
        const auto r = runTool(args, dir.path());
        EXPECT_EQ(r.status, kArgumentError) << args[0];
        EXPECT_EQ(r.out, "not enough arguments") << args[0];
    }
}

TEST(Dispatcher, TextlineWithExtraOperandDoesNothing)
{
    TempDir dir;
    const auto r = runTool({"-textline", "p.tif", "out.xml", "3", "extra"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.xml"));
}

}  // namespace
