// -pairs: line images with their transcriptions, as training tools want them.
#include "support/InterchangeFixtures.h"

#include "ZULImage.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <map>

using namespace interchangetest;
using tavotest::readFile;
using tavotest::runTool;
using tavotest::TempDir;
using tavotest::writeFile;

namespace {

TEST(Pairs, LinesBecomeGreyCropsWithPlainTextAndAManifest)
{
    TempDir dir;
    writePage(dir / "scan.v2.png");
    writeFile(dir / "lines.xml",
              zoneFile({zone("None", 41, 20, 550, 40, "\xD8\xA7\xD9\x94 بيت  "),
                        zone("None", 45, 80, 540, 38, "ذهب", " doubt=\"overlap\""),
                        zone("None", 60, 140, 530, 41, "")}));
    const tavotest::RunResult result = runTool({"-pairs", "scan.v2.png", "lines.xml", "out"}, dir.path());
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "1 pairs written, 2 skipped\n");
    // The stem keeps no dot; the text is NFC, one line, no mark, no blanks
    // at its end.
    EXPECT_EQ(readFile(dir / "out" / "scan_v2_l0001.gt.txt"), "\xD8\xA3 بيت\n");
    const ZULImage crop((dir / "out" / "scan_v2_l0001.png").string());
    EXPECT_EQ(crop.zulGetBitsPerPixel(), 8);
    EXPECT_EQ(crop.zulGetWidth(), 550 + 2 * 5);  // a margin of an eighth of the height
    EXPECT_EQ(crop.zulGetHeight(), 40 + 2 * 5);
    const std::string manifest = readFile(dir / "out" / "manifest-scan_v2.csv");
    EXPECT_EQ(manifest.substr(0, manifest.find('\n')), "stem,page,zone,confidence,split");
    EXPECT_NE(manifest.find("scan_v2_l0001,scan_v2,z1,,train"), std::string::npos) << manifest;

    // -all keeps the doubtful line; -words cuts one image per word.
    ASSERT_EQ(runTool({"-pairs", "scan.v2.png", "lines.xml", "all", "-all"}, dir.path()).out,
              "2 pairs written, 1 skipped\n");
    writeFile(dir / "words.xml", zoneFile(wordPage(5, 2)));
    const tavotest::RunResult words = runTool({"-pairs", "scan.v2.png", "words.xml", "w", "-words", "-all"}, dir.path());
    ASSERT_EQ(words.status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "w" / "scan_v2_l0001_w001.png"));
}

// Every file of a folder with its contents.
std::map<std::string, std::string> folderContents(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = entry.is_regular_file() ? readFile(entry.path()) : "(not a file)";
    return files;
}

TEST(Pairs, ARunReplacesItsOwnPairsAndNeverWritesThroughLinks)
{
    TempDir dir;
    writePage(dir / "scan.png");
    writeFile(dir / "lines.xml", zoneFile({zone("None", 41, 20, 550, 40, "بيت"),
                                           zone("None", 45, 80, 540, 38, "ذهب", " doubt=\"overlap\"")}));
    ASSERT_EQ(runTool({"-pairs", "scan.png", "lines.xml", "out", "-all"}, dir.path()).out, "2 pairs written, 0 skipped\n");
    // A link planted at a pair, a user's file and another page's pair.
    writeFile(dir / "victim", "keep");
    std::filesystem::remove(dir / "out/scan_l0001.png");
    std::filesystem::create_symlink(dir / "victim", dir / "out/scan_l0001.png");
    writeFile(dir / "out/notes.txt", "mine");
    writeFile(dir / "out/other_l0002.png", "other page");

    // Without -all the doubtful line's pair goes, and the link is replaced.
    const tavotest::RunResult again = runTool({"-pairs", "scan.png", "lines.xml", "out"}, dir.path());
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(readFile(dir / "victim"), "keep");
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "out/scan_l0001.png"));
    EXPECT_EQ(ZULImage((dir / "out/scan_l0001.png").string()).zulGetBitsPerPixel(), 8);
    auto files = folderContents(dir / "out");
    EXPECT_EQ(files.size(), 5u);  // one pair, the manifest, the two others' files
    EXPECT_EQ(files.count("scan_l0002.png") + files.count("scan_l0002.gt.txt"), 0u);
    EXPECT_EQ(files["notes.txt"], "mine");
    EXPECT_EQ(files["other_l0002.png"], "other page");
    EXPECT_EQ(files["manifest-scan.csv"].find("scan_l0002"), std::string::npos);

    // A write that fails once every pair is staged (the file size limit,
    // just below the manifest's size, standing in for a full disk) leaves the
    // folder as it was and names the file.
    writeFile(dir / "words.xml", zoneFile(wordPage(3, 5)));
    ASSERT_EQ(runTool({"-pairs", "scan.png", "words.xml", "free", "-words", "-all"}, dir.path()).status, 0);
    std::vector<uintmax_t> sizes;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "free"))
        sizes.push_back(entry.file_size());
    std::sort(sizes.begin(), sizes.end());
    files = folderContents(dir / "out");
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = sizes.back() - 1;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    const tavotest::RunResult full = runTool({"-pairs", "scan.png", "words.xml", "out", "-words", "-all"}, dir.path());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(full.status, 2);
    EXPECT_EQ(full.err, "tavoalign: -pairs: out/manifest-scan.csv: cannot write (File too large); the folder is left as it was\n");
    EXPECT_EQ(folderContents(dir / "out"), files);

    // A link planted at the manifest is replaced, not written through.
    std::filesystem::remove(dir / "out/manifest-scan.csv");
    std::filesystem::create_symlink(dir / "victim", dir / "out/manifest-scan.csv");
    ASSERT_EQ(runTool({"-pairs", "scan.png", "lines.xml", "out"}, dir.path()).status, 0);
    EXPECT_EQ(readFile(dir / "victim"), "keep");
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "out/manifest-scan.csv"));
}

}  // namespace
