// A zone a person checked (checked="yes") stays checked and sure through
// -check, -render, the exports and -import.
#include "support/Fixtures.h"
#include "support/ReviewFixtures.h"
#include "support/RunTool.h"

#include <gtest/gtest.h>

using tavotest::readFile;
using tavotest::runTool;

namespace {

// Adds checked="yes" to the first `count` zones of a zone file.
std::string markChecked(std::string xml, int count)
{
    size_t at = 0;
    for (int i = 0; i < count && (at = xml.find("> </DL_ZONE>", at)) != std::string::npos; ++i)
        at = xml.insert(at, " checked=\"yes\"").find("> </DL_ZONE>", at) + 1;
    return xml;
}


}  // namespace

TEST(CheckedZones, AreSureForTheCheckerAndKeptByTheExportsAndTheImport)
{
    tavotest::TempDir dir;
    reviewtest::writePage(reviewtest::swappedPage(), dir.path());  // words 1 and 4 swapped: both doubtful
    tavotest::writeFile(dir / "words.xml", markChecked(readFile(dir / "words.xml"), 1));
    const std::string marked = readFile(dir / "words.xml");

    const auto check = runTool({"-check", "page.png", "words.xml", "out.xml", "lines.xml"}, dir.path());
    EXPECT_EQ(check.status, 3);  // the fourth word is still doubted
    EXPECT_NE(check.out.find("1 of 6 words"), std::string::npos) << check.out;
    const std::string out = readFile(dir / "out.xml");
    const size_t first = out.find("<DL_ZONE");
    EXPECT_EQ(out.substr(first, out.find('\n', first) - first),
              marked.substr(first, marked.find('\n', first) - first));  // left as the person left it
    EXPECT_EQ(tavotest::countOf(out, "confidence="), 5u);

    EXPECT_EQ(runTool({"-render", "page.png", "out.xml", "overlay.png"}, dir.path()).status, 0);
    EXPECT_EQ(runTool({"-topage", "page.png", "out.xml", "page.xml"}, dir.path()).status, 0);
    EXPECT_EQ(runTool({"-toalto", "page.png", "out.xml", "alto.xml"}, dir.path()).status, 0);
    EXPECT_EQ(tavotest::countOf(readFile(dir / "page.xml"), "checked {value:yes;}"), 1u);
    // A file without a reading-order chain is a file of lines: ALTO marks the
    // TextLine and the String that holds its text.
    EXPECT_EQ(tavotest::countOf(readFile(dir / "alto.xml"), "CS=\"true\""), 2u);
    for (const char* file : {"page.xml", "alto.xml"})
        EXPECT_EQ(runTool({"-validate", file}, dir.path()).status, 0) << file;

    // Every word checked: every line is checked in the exports and the import.
    tavotest::writeFile(dir / "words.xml", markChecked(readFile(dir / "words.xml"), 6));
    EXPECT_EQ(runTool({"-check", "page.png", "words.xml", "out.xml", "lines.xml"}, dir.path()).status, 0);
    EXPECT_EQ(runTool({"-topage", "page.png", "out.xml", "page.xml"}, dir.path()).status, 0);
    EXPECT_EQ(runTool({"-toalto", "page.png", "out.xml", "alto.xml"}, dir.path()).status, 0);
    for (const char* file : {"page.xml", "alto.xml"}) {
        EXPECT_EQ(runTool({"-import", file, "imported.xml"}, dir.path()).status, 0) << file;
        const std::string imported = readFile(dir / "imported.xml");
        EXPECT_GT(tavotest::countOf(imported, "<DL_ZONE"), 0u);
        EXPECT_EQ(tavotest::countOf(imported, "checked=\"yes\""), tavotest::countOf(imported, "<DL_ZONE")) << file;
    }
}
