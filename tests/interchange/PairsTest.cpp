// -pairs: line images with their transcriptions, as training tools want them.
#include "support/InterchangeFixtures.h"

#include "ZULImage.h"

#include <gtest/gtest.h>

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

}  // namespace
