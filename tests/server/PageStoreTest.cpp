#include "server/PageStore.h"

#include "support/Fixtures.h"
#include "support/RunTool.h"
#include "util/Strings.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using tavo::EditZone;
using tavotest::readFile;
using tavotest::writeFile;

namespace {

const std::string& kHead = tavotest::kZoneFileHead;
const std::string& kTail = tavotest::kZoneFileTail;
const auto zone = tavotest::zoneLine;

// A page folder as tavoalign-page leaves it: two lines of words (numbered
// right to left), the lines file and the transcription.
struct PageFolder {
    tavotest::TempDir dir;
    fs::path page = dir / "p1";
    std::string words = kHead +
        zone("id=\"1\" segmentation=\"word\" col=\"400\" row=\"100\" width=\"100\" height=\"40\" contents=\"ab\" "
             "offsets=\"49\" status=\"\" nextZoneID=\"2\" pawboxes=\"450,100,50,40 400,100,48,40\" confidence=\"0.90\"") +
        zone("id=\"2\" segmentation=\"word\" col=\"250\" row=\"100\" width=\"100\" height=\"40\" contents=\"cd\" "
             "offsets=\"\" status=\"\" nextZoneID=\"3\" pawboxes=\"250,100,100,40\" confidence=\"0.30\" doubt=\"narrow\"") +
        zone("id=\"3\" segmentation=\"word\" col=\"300\" row=\"200\" width=\"100\" height=\"40\" contents=\"ef\" "
             "offsets=\"\" status=\"\" pawboxes=\"300,200,100,40\" confidence=\"0.80\"") +
        kTail;
    std::string lines = kHead +
        zone("id=\"None\" col=\"200\" row=\"90\" width=\"320\" height=\"60\" offsets=\"\" contents=\"ab cd\" segmentation=\"word\"") +
        zone("id=\"None\" col=\"200\" row=\"190\" width=\"320\" height=\"60\" offsets=\"\" contents=\"ef\" segmentation=\"word\"") +
        kTail;

    PageFolder()
    {
        fs::create_directories(page);
        writeFile(page / "words.xml", words);
        writeFile(page / "merged.xml", lines);
        writeFile(page / "page.txt", "ab cd\nef\n");
    }
    tavo::PageFiles files() const { return *tavo::findPage(fs::canonical(dir.path()), "p1"); }
};


}  // namespace

TEST(PageStore, ReadsLinesThenWordsAndSavesThemBackUnchanged)
{
    PageFolder f;
    const tavo::PageView view = tavo::loadPage(f.files());
    ASSERT_EQ(view.zones.size(), 5u);
    EXPECT_TRUE(view.zones[0].isLine && view.zones[1].isLine);
    EXPECT_EQ(view.zones[2].line, 0);
    EXPECT_EQ(view.zones[4].line, 1);
    EXPECT_EQ(view.zones[3].doubt, u"narrow");
    EXPECT_EQ(view.zones[2].pawboxes.size(), 2u);
    EXPECT_EQ(view.width, 600);
    EXPECT_EQ(view.image, "p1/page.tif");
    EXPECT_EQ(view.transcript, (std::vector<std::u16string>{u"ab cd", u"ef"}));

    const tavo::SaveResult saved = tavo::savePage(f.files(), view.version, view.zones);
    EXPECT_EQ(readFile(f.page / "words.xml"), f.words);  // byte for byte
    EXPECT_EQ(readFile(f.page / "history/words.1.xml"), f.words);
    EXPECT_EQ(readFile(f.page / "merged.xml"), f.lines);
    EXPECT_FALSE(fs::exists(f.page / "history/merged.1.xml"));  // lines unchanged: not kept again
    EXPECT_EQ(saved.verify, "99999");
    EXPECT_EQ(saved.doubtful, 1);
    EXPECT_EQ(saved.version, view.version);  // same bytes, same version
    EXPECT_TRUE(fs::exists(f.page / "page.xml"));
    EXPECT_TRUE(fs::exists(f.page / "alto.xml"));
}

TEST(PageStore, EditedZonesAreMarkedCheckedAndTheWordsRenumbered)
{
    PageFolder f;
    const tavo::PageView view = tavo::loadPage(f.files());
    // The person splits "ab" at its PAW gap and retypes the doubtful word.
    std::vector<EditZone> zones = tavo::applyEdit(view.zones, {tavo::EditOp::Type::Split, 2, -1, 449, 0});
    zones[4].text = u"<script>alert(\"x\")</script> & cd";
    zones[4].checked = true;
    zones[4].confidence.reset();
    zones[4].doubt.reset();
    const tavo::SaveResult saved = tavo::savePage(f.files(), view.version, zones);
    EXPECT_NE(saved.version, view.version);
    EXPECT_NE(saved.verify, "99999");  // the text no longer matches page.txt

    const std::string written = readFile(f.page / "words.xml");
    EXPECT_EQ(tavotest::countOf(written, "checked=\"yes\""), 3u);
    EXPECT_EQ(tavotest::countOf(written, "nextZoneID="), 3u);  // 4 words, the last names none
    EXPECT_NE(written.find("id=\"4\""), std::string::npos);
    EXPECT_EQ(written.find("<script>"), std::string::npos);
    EXPECT_NE(written.find("&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; cd"), std::string::npos);
    EXPECT_EQ(tavotest::countOf(written, "doubt="), 0u);
    EXPECT_NE(written.find("status=\"\" nextZoneID=\"2\" pawboxes=\"450,100,50,40\" checked=\"yes\""),
              std::string::npos);  // the kept zone line lost its confidence, kept its status

    const tavo::PageView again = tavo::loadPage(f.files());
    EXPECT_EQ(again.version, saved.version);
    ASSERT_EQ(again.zones.size(), 6u);
    EXPECT_EQ(again.zones[4].text, zones[4].text);
    EXPECT_TRUE(again.zones[4].checked);
    EXPECT_EQ(again.zones[3].box, zones[3].box);
}

TEST(PageStore, AStaleVersionIsRefusedAndNothingIsWritten)
{
    PageFolder f;
    const tavo::PageView view = tavo::loadPage(f.files());
    tavo::savePage(f.files(), view.version, view.zones);
    std::vector<EditZone> changed = view.zones;
    changed[2].text = u"zz";
    const std::string v2 = tavo::savePage(f.files(), view.version, changed).version;
    const std::string before = readFile(f.page / "words.xml");
    EXPECT_THROW(tavo::savePage(f.files(), view.version, view.zones), tavo::VersionConflict);
    EXPECT_EQ(readFile(f.page / "words.xml"), before);
    EXPECT_FALSE(fs::exists(f.page / "history/words.3.xml"));
    EXPECT_NO_THROW(tavo::savePage(f.files(), v2, view.zones));
}

TEST(PageStore, HistoryNeverReplacesAFileAndAMovedWordStaysInItsLine)
{
    PageFolder f;
    fs::create_directories(f.page / "history");
    writeFile(f.page / "history/words.1.xml", "someone else's");
    writeFile(f.page / "history/words.7.txt", "not ours");
    const tavo::PageView view = tavo::loadPage(f.files());
    // "ef" moves up into the first line, where its ink does not lie.
    const std::vector<EditZone> moved = tavo::applyEdit(view.zones, {tavo::EditOp::Type::Move, 4, -1, 0, -1});
    ASSERT_EQ(moved[3].text, u"ef");
    ASSERT_EQ(moved[3].line, 0);
    tavo::savePage(f.files(), view.version, moved);
    EXPECT_EQ(readFile(f.page / "history/words.1.xml"), "someone else's");
    EXPECT_EQ(readFile(f.page / "history/words.2.xml"), f.words);

    const tavo::PageView again = tavo::loadPage(f.files());
    EXPECT_EQ(again.zones[3].text, u"ef");
    EXPECT_EQ(again.zones[3].line, 0);
    // Moved back, the mark goes: the ink tells the line again.
    const std::vector<EditZone> back = tavo::applyEdit(again.zones, {tavo::EditOp::Type::Move, 3, -1, 0, 1});
    tavo::savePage(f.files(), again.version, back);
    EXPECT_EQ(readFile(f.page / "words.xml").find("linezone"), std::string::npos);
    EXPECT_EQ(tavo::loadPage(f.files()).zones[4].line, 1);
}

TEST(PageStore, PagesOutsideTheFolderAreNotFound)
{
    PageFolder f;
    const fs::path root = fs::canonical(f.dir.path());
    tavotest::TempDir outside;
    writeFile(outside / "words.xml", f.words);
    fs::create_directory_symlink(outside.path(), f.dir / "link");
    fs::create_directories(f.dir / "p2");
    fs::create_symlink(outside / "words.xml", f.dir / "p2/words.xml");
    for (const std::string& rel : std::vector<std::string>{"..", "p1/..", "p1/../..", "/", outside.path().string(), "link", "p2",
                                  std::string("p1\0", 3), "p1\\..", "missing"})
        EXPECT_FALSE(tavo::findPage(root, rel)) << rel;
    EXPECT_TRUE(tavo::findPage(root, "p1"));
    EXPECT_TRUE(tavo::findPage(root, "./p1/"));
    EXPECT_EQ(tavo::findPage(root, "p1")->name, "p1");
}
