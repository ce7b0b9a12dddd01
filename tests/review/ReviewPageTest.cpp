// -review and -reviewindex: what the pages hold (the browser test looks at
// them as a person would).
#include "review/Html.h"
#include "ZULImageConverter.h"
#include "support/ReviewFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <sstream>

using namespace reviewtest;
using tavotest::readFile;
using tavotest::runTool;
using tavotest::TempDir;
using tavotest::writeFile;

namespace {

std::vector<std::string> allMatches(const std::string& text, const std::string& pattern)
{
    std::vector<std::string> found;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        found.push_back((*it)[1]);
    return found;
}

}  // namespace

TEST(ReviewPage, DrawsEveryZoneAndListsTheDoubtfulOnesWorstFirst)
{
    TempDir dir;
    SynthPage s = swappedPage();
    s.words[5].text = u"&lt;b&gt;&amp;&quot;&#1576;";  // shown as text, never taken for markup
    s.lines[0].text += u" \u0641\u064A \u0645\u0646";  // more words than zones: every zone in doubt
    writePage(s, dir.path());
    std::filesystem::create_directory(dir / "out");
    const auto run = runTool({"-review", "page.png", "words.xml", "out/review.html", "lines.xml"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "doubtful: 1 of 1 lines, 6 of 6 words\n");
    for (const char* file : {"review.html", "review-thumb.png"})
        EXPECT_TRUE(std::filesystem::exists(dir / "out" / file)) << file;
    // The scan is shown as it is: no copy of the page beside the review page.
    EXPECT_FALSE(std::filesystem::exists(dir / "out/review-page.png"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out/review-page.jpg"));
    const std::string html = readFile(dir / "out/review.html");

    EXPECT_EQ(allMatches(html, "<rect id=\"(w[0-9]+)\"").size(), 6u);
    EXPECT_EQ(allMatches(html, "<rect id=\"(l[0-9]+)\"").size(), 1u);
    const auto listed = allMatches(html, "<li class=\"[a-z]+\" data-zone=\"[lw][0-9]+\" data-confidence=\"([0-9.]+)\"");
    ASSERT_EQ(listed.size(), 7u);
    EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end()));
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_EQ(html.find("&amp;lt;"), std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;&amp;&quot;\u0628<"), std::string::npos);
    // Files are named relative to the page, so the folder can be moved.
    EXPECT_NE(html.find("href=\"../words.xml\""), std::string::npos);
    EXPECT_NE(html.find("url(&#39;../page.png&#39;)"), std::string::npos);
    EXPECT_NE(html.find("<img src=\"../page.png\""), std::string::npos);
    EXPECT_EQ(html.find("http://", html.find("<body")), std::string::npos);
}

// Hostile file names and texts: a words file named like a script link, a
// scan whose name closes a quote and starts a fragment, a right-to-left
// override, a NUL and malformed UTF-8 in a zone's text.
TEST(ReviewPage, NamesAndTextsAreEscapedForWhereTheyLand)
{
    TempDir dir;
    SynthPage s = swappedPage();
    s.words[1].text = u"A\u202Eevil";
    writePage(s, dir.path());
    std::string words = zoneFile(s.words);
    words.replace(words.find("A\xE2\x80\xAE"), 1, std::string("\0\xC0\x80\xED\xA0\x80\xFF", 7));
    writeFile(dir / "javascript:alert(1)'#.xml", words);
    std::filesystem::rename(dir / "page.png", dir / "it's #1?.png");
    const auto run = runTool({"-review", "it's #1?.png", "javascript:alert(1)'#.xml", "review.html", "lines.xml"},
                             dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string html = readFile(dir / "review.html");
    EXPECT_NE(html.find("href=\"javascript%3Aalert%281%29%27%23.xml\""), std::string::npos);
    EXPECT_EQ(html.find("href=\"javascript:"), std::string::npos);
    EXPECT_NE(html.find("<img src=\"it%27s%20%231%3F.png\""), std::string::npos);
    EXPECT_NE(html.find("background-image:url(&#39;it%27s%20%231%3F.png&#39;)"), std::string::npos);
    EXPECT_NE(html.find("<h1><bdi>it&#39;s #1?.png</bdi></h1>"), std::string::npos);
    EXPECT_NE(html.find("<title>Review: \u2068it&#39;s #1?.png\u2069</title>"), std::string::npos);
    // NUL, an overlong NUL, a lone surrogate and a stray byte: U+FFFD each.
    const std::string replaced = "\uFFFD\uFFFD\uFFFD\uFFFD\u202Eevil";
    EXPECT_NE(html.find("data-text=\"" + replaced + "\""), std::string::npos);
    EXPECT_EQ(html.find('\0'), std::string::npos);
    EXPECT_EQ(html.find("\xED\xA0"), std::string::npos);

    // -check lists and writes the text the same way.
    const auto check = runTool({"-check", "it's #1?.png", "javascript:alert(1)'#.xml", "out.xml"}, dir.path());
    ASSERT_NE(check.status, 2) << check.err;
    EXPECT_NE(readFile(dir / "out.xml").find("contents=\"" + replaced + "\""), std::string::npos);
    EXPECT_NE(check.out.find(replaced), std::string::npos) << check.out;
}

// A scan browsers do not show gets one rendering beside the page, written
// again only when the scan changes: 1-bit PNG for black and white, JPEG for
// colour.
TEST(ReviewPage, ScansBrowsersCannotShowAreRenderedOnce)
{
    TempDir dir;
    SynthPage s = swappedPage();
    writePage(s, dir.path());
    s.page.zulSaveImage((dir / "page.tif").string());
    const std::vector<std::string> args = {"-review", "page.tif", "words.xml", "review.html"};
    ASSERT_EQ(runTool(args, dir.path()).status, 0);
    ZULImage rendering;
    ASSERT_TRUE(rendering.zulLoadImage((dir / "review-page.png").string()));
    EXPECT_EQ(rendering.zulGetBitsPerPixel(), 1);
    EXPECT_EQ(rendering.zulGetWidth(), s.page.zulGetWidth());
    EXPECT_NE(readFile(dir / "review.html").find("<img src=\"review-page.png\""), std::string::npos);

    writeFile(dir / "review-page.png", "kept");
    ASSERT_EQ(runTool(args, dir.path()).status, 0);
    EXPECT_EQ(readFile(dir / "review-page.png"), "kept");
    std::filesystem::last_write_time(dir / "page.tif", std::filesystem::last_write_time(dir / "review-page.png") +
                                                           std::chrono::seconds(5));
    ASSERT_EQ(runTool(args, dir.path()).status, 0);
    EXPECT_NE(readFile(dir / "review-page.png"), "kept");

    ZULImage colour;
    ZULImageConverter::zulConvertImage(colour, s.page, ZULImageConverter::kColor);
    colour.zulSetColorPixel(0, 0, 200, 10, 10);
    colour.zulSaveImage((dir / "colour.ppm").string());
    ASSERT_EQ(runTool({"-review", "colour.ppm", "words.xml", "colour.html"}, dir.path()).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "colour-page.jpg"));
    EXPECT_NE(readFile(dir / "colour.html").find("<img src=\"colour-page.jpg\""), std::string::npos);
}

TEST(ReviewIndex, FailedPagesFirstThenByDoubtUnfinishedLast)
{
    TempDir dir;
    auto page = [&](const std::string& name, const std::string& words, bool done) {
        const auto folder = dir / ("pages/" + name);
        std::filesystem::create_directories(folder);
        if (!words.empty())
            writeFile(folder / "words.xml", words);
        if (done)
            writeFile(folder / "done", "");
    };
    const std::string sure = "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" confidence=\"0.90\"> </DL_ZONE>\r\n";
    const std::string doubtful = "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" confidence=\"0.30\"> </DL_ZONE>\r\n";
    page("a-clean", sure + sure, true);
    page("b-one", sure + doubtful, true);
    page("c-failed", "", true);
    page("d-two", doubtful + doubtful + sure, true);
    page("e-running", doubtful + doubtful + doubtful, false);
    writeFile(dir / "pages/b-one/check.txt", "words.xml:5: word 0.30 length: x\ndoubtful: 2 of 9 lines, 1 of 2 words\n");

    const auto run = runTool({"-reviewindex", ".", "index.html"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "5 pages: 4 finished, 1 failed, 2 to review, 0 done, 1 clean; 2 doubtful lines, 6 doubtful words\n");
    const std::string html = readFile(dir / "index.html");
    EXPECT_EQ(allMatches(html, "<td><a class=\"name\" href=\"pages/([a-z-]+)/"),
              (std::vector<std::string>{"c-failed", "b-one", "d-two", "a-clean", "e-running"}));
    EXPECT_NE(html.find("2 of 9"), std::string::npos);

    EXPECT_EQ(runTool({"-reviewindex", "nowhere", "index.html"}, dir.path()).status, 2);
}

// Folder names that are not UTF-8 or hold '#' and '?', counts beyond 32 bits
// in check.txt, and a page whose doubtful words a person has all checked.
TEST(ReviewIndex, HostileNamesHugeCountsAndCheckedPages)
{
    TempDir dir;
    const std::string doubtful = "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" confidence=\"0.30\"> </DL_ZONE>\r\n";
    const std::string checked = "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" confidence=\"0.30\" checked=\"yes\"> </DL_ZONE>\r\n";
    const auto page = [&](const std::string& name, const std::string& words, const std::string& check) {
        const auto folder = dir / ("pages/" + name);
        std::filesystem::create_directories(folder);
        writeFile(folder / "words.xml", words);
        writeFile(folder / "done", "");
        writeFile(folder / "check.txt", check);
        return folder;
    };
    page("bad\xFF\xFE#x?y=1", doubtful, "doubtful: 0 of 3 lines, 1 of 1 words\n");
    page("huge", checked, "doubtful: 2147483647 of 2147483647 lines, 0 of 1 words\n");
    page("huger", checked, "doubtful: 99999999999999999999 of 5 lines, 0 of 1 words\n");
    const auto saved = page("saved", checked + checked, "doubtful: 1 of 2 lines, 2 of 2 words\n");
    // A save since -check ran: its line doubts were seen; every doubtful word is checked.
    std::filesystem::create_directory(saved / "history");
    writeFile(saved / "history/words.1.xml", doubtful + doubtful);
    std::filesystem::last_write_time(saved / "check.txt",
                                     std::filesystem::last_write_time(saved / "words.xml") - std::chrono::hours(1));

    const auto run = runTool({"-reviewindex", ".", "index.html"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "4 pages: 4 finished, 0 failed, 3 to review, 1 done, 0 clean; 4294967294 doubtful lines, "
                       "1 doubtful words\n");
    const std::string html = readFile(dir / "index.html");
    EXPECT_NE(html.find("href=\"pages/bad%FF%FE%23x%3Fy%3D1/\""), std::string::npos);
    EXPECT_NE(html.find("<bdi>bad\uFFFD\uFFFD#x?y=1</bdi>"), std::string::npos);
    EXPECT_NE(html.find("data-state=\"doubtful\" data-doubtful=\"2147483647\""), std::string::npos);
    EXPECT_NE(html.find("data-state=\"done\" data-doubtful=\"0\" data-checked=\"2\""), std::string::npos);
}

// The thumbnail of a page narrower or lower than one block of the
// reduction (a strip of 60000 x 10 pixels) takes what the page has.
TEST(ReviewPage, ThumbnailsOfStripsStayOnThePage)
{
    ZULImage strip(700, 3, 8, true);
    for (int x = 0; x < 700; ++x)
        for (int y = 0; y < 3; ++y)
            strip.zulSetPixel(x, y, x < 350 ? 0 : 255);
    const ZULImage small = tavo::greyPage(strip, 250);
    ASSERT_EQ(small.zulGetWidth(), 2);
    ASSERT_EQ(small.zulGetHeight(), 1);
    EXPECT_EQ(small.zulGetRow(0)[0], 0);
    EXPECT_EQ(small.zulGetRow(0)[1], 255 * 150 / 250);
    const ZULImage tiny = tavo::greyPage(ZULImage(1, 1, 8, true), 250);
    EXPECT_EQ(tiny.zulGetWidth(), 1);
}

// -check -scores keeps what -review would compute from the file it wrote:
// the review page is the same with or without it, the kept scores are the
// ones taken, and a file changed since (or a damaged scores file) makes
// -review measure the ink again.
TEST(ReviewPage, ScoresKeptByCheckGiveTheSamePageAndOnlyForTheSameFiles)
{
    TempDir dir;
    SynthPage s = swappedPage();
    s.lines[0].text += u" \u0641\u064A";
    writePage(s, dir.path());
    for (const char* sub : {"kept", "measured", "stale", "damaged"})
        std::filesystem::create_directory(dir / sub);
    const auto check = runTool({"-check", "page.png", "words.xml", "checked.xml", "lines.xml", "-scores", "s.txt"},
                               dir.path());
    ASSERT_EQ(check.status, 3) << check.err;
    auto review = [&](const char* sub, bool kept) {
        std::vector<std::string> args = {"-review", "page.png", "checked.xml", std::string(sub) + "/review.html",
                                          "lines.xml"};
        if (kept)
            args.insert(args.end(), {"-scores", "s.txt"});
        const auto run = runTool(args, dir.path());
        EXPECT_EQ(run.status, 0) << run.err;
        return std::make_pair(run.out, readFile(dir / sub / "review.html"));
    };
    const auto measured = review("measured", false);
    EXPECT_EQ(review("kept", true), measured);
    EXPECT_EQ(readFile(dir / "kept/review-thumb.png"), readFile(dir / "measured/review-thumb.png"));

    // Every word made sure in the kept scores: -review shows that.
    // (The file ends in "end" and the 64-bit FNV-1a digest of what precedes it.)
    const std::string original = readFile(dir / "s.txt");
    std::istringstream lines(original.substr(0, original.size() - 21));
    std::string kept, line;
    for (int word = -1; std::getline(lines, line);) {
        if (word >= 0 && word < 6) {
            line = "1 s";  // certain, and sure
            ++word;
        }
        word = line == "words 6" ? 0 : word;
        kept += line + "\n";
    }
    std::uint64_t digest = 0xcbf29ce484222325ULL;
    for (const char c : kept)
        digest = (digest ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    char end[32];
    std::snprintf(end, sizeof end, "end %016llx\n", static_cast<unsigned long long>(digest));
    kept += end;
    writeFile(dir / "s.txt", kept);
    const auto taken = review("kept", true);
    EXPECT_NE(taken.first, measured.first);
    EXPECT_NE(taken.first.find(", 0 of 6 words"), std::string::npos) << taken.first;

    // The words file changed since: measured again.
    writeFile(dir / "checked.xml", readFile(dir / "checked.xml") + "\r\n");
    EXPECT_EQ(review("stale", true).first, measured.first);
    writeFile(dir / "s.txt", kept.substr(0, kept.size() - 5));
    EXPECT_EQ(review("damaged", true).first, measured.first);
    // -scores needs its file name.
    EXPECT_EQ(runTool({"-review", "page.png", "checked.xml", "r.html", "-scores"}, dir.path()).status, 255);
}
