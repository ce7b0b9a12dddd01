// The generator's truth must be exact: on a bilevel page without dirt every
// black pixel lies in a PAW box (or an extras box), every PAW box is tight
// around ink, and words and lines are the unions of their parts.
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <random>

#include "quality/HandwrittenPage.h"
#include "quality/PageCapture.h"
#include "quality/PageFiles.h"
#include "support/RunTool.h"
#include "ZULImageConverter.h"
#include "quality/ZoneScore.h"

namespace tavo::quality {
namespace {

PageStyle cleanStyle(const std::string& font, unsigned seed, std::mt19937& rng)
{
    rng.seed(seed);
    PageStyle s = drawStyle("clean", rng);
    s.font = font;
    s.lines = 4;
    s.specks = 0;
    s.pageNumber = s.marginNote = false;
    s.capture = Capture::Bilevel;
    return s;
}

bool isBlack(const ZULImage& page, int x, int y) { return page.zulGetPixelValue(x, y) == 0; }

// Ink on all four sides of the box, and the box on the page.
void expectTight(const ZULImage& page, const Box& b)
{
    ASSERT_FALSE(b.empty());
    ASSERT_GE(b.x, 0);
    ASSERT_GE(b.y, 0);
    ASSERT_LE(b.x + b.w, page.zulGetWidth());
    ASSERT_LE(b.y + b.h, page.zulGetHeight());
    bool top = false, bottom = false, left = false, right = false;
    for (int x = b.x; x < b.x + b.w; ++x)
        top |= isBlack(page, x, b.y), bottom |= isBlack(page, x, b.y + b.h - 1);
    for (int y = b.y; y < b.y + b.h; ++y)
        left |= isBlack(page, b.x, y), right |= isBlack(page, b.x + b.w - 1, y);
    EXPECT_TRUE(top && bottom && left && right) << b.x << ',' << b.y << ',' << b.w << ',' << b.h;
}

// Black pixels outside every given box.
int strayInk(const ZULImage& page, const std::vector<Box>& boxes)
{
    const int w = page.zulGetWidth(), h = page.zulGetHeight();
    std::vector<char> covered(static_cast<size_t>(w) * h, 0);
    for (const Box& b : boxes)
        for (int y = b.y; y < b.y + b.h; ++y)
            std::fill_n(covered.begin() + static_cast<size_t>(y) * w + b.x, b.w, 1);
    int stray = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            stray += isBlack(page, x, y) && !covered[static_cast<size_t>(y) * w + x];
    return stray;
}

class ExactTruth : public ::testing::TestWithParam<const char*> {};

// The font caches live as long as the process; freed last so that the leak
// checker of the sanitizer build reports only real leaks.
class FontCaches : public ::testing::Environment {
public:
    void TearDown() override { releaseFontCaches(); }
};
const auto* const kFontCaches = ::testing::AddGlobalTestEnvironment(new FontCaches);

TEST_P(ExactTruth, BoxesHoldAllInkAndOnlyTightly)
{
    std::mt19937 rng;
    const PageStyle style = cleanStyle(GetParam(), 7, rng);
    const InkedPage page = writePage(style, rng);
    const ZULImage image = capturePage(style, page.ink, rng);

    ASSERT_EQ(page.truth.lines.size(), 4u);
    std::vector<Box> paws;
    std::string transcript;
    for (const TruthLine& line : page.truth.lines) {
        transcript += line.text + '\n';
        Box lineBox;
        std::string text;
        for (const TruthWord& word : line.words) {
            EXPECT_EQ(word.paws.size(), pawsRightToLeft(word.text).size()) << word.text;
            Box wordBox;
            for (size_t i = 0; i < word.paws.size(); ++i) {
                expectTight(image, word.paws[i]);
                wordBox = unite(wordBox, word.paws[i]);
            }
            EXPECT_EQ(word.box, wordBox);
            lineBox = unite(lineBox, word.box);
            text += (text.empty() ? "" : " ") + word.text;
            paws.insert(paws.end(), word.paws.begin(), word.paws.end());
        }
        EXPECT_EQ(line.box, lineBox);
        EXPECT_EQ(line.text, text);
        // Words run right to left.
        for (size_t i = 1; i < line.words.size(); ++i)
            EXPECT_LT(line.words[i].box.x, line.words[i - 1].box.x);
    }
    EXPECT_EQ(page.transcript, transcript);
    EXPECT_EQ(strayInk(image, paws), 0);
}

INSTANTIATE_TEST_SUITE_P(Fonts, ExactTruth, ::testing::Values("KacstPen", "Amiri", "KacstOffice"));

// On ruled colour paper the rules, the paper tone and the grain stay above
// the program's ink threshold, so what reads as ink is the truth's ink, to
// within the pixel of a stroke's soft edge that darkens where it crosses a
// rule.
TEST(ExactTruth, RulesAndPaperOfAColourScanAreNoInk)
{
    std::mt19937 rng(5);
    PageStyle style = drawStyle("ruled", rng);
    style.lines = 3;
    style.specks = style.stains = 0;
    style.pageNumber = style.marginNote = false;
    const InkedPage page = writePage(style, rng);
    const ZULImage colour = capturePage(style, page.ink, rng);
    ASSERT_EQ(colour.zulGetBitsPerPixel(), 24);
    ZULImage grey;
    ZULImageConverter::zulConvertImage(grey, colour, ZULImageConverter::kGray);
    ZULImage bilevel;
    ZULImageConverter::zulByte2Bit(bilevel, grey, 128);
    std::vector<Box> paws;
    for (const TruthLine& line : page.truth.lines)
        for (const TruthWord& word : line.words)
            for (const Box& b : word.paws)
                paws.push_back({b.x - 1, b.y - 1, b.w + 2, b.h + 2});
    EXPECT_EQ(strayInk(bilevel, paws), 0);
    EXPECT_GT(strayInk(bilevel, {}), 0);
}

TEST(ExactTruth, PageNumbersAndNotesAreExtrasNotLines)
{
    std::mt19937 rng;
    PageStyle style = cleanStyle("KacstBook", 11, rng);
    style.pageNumber = style.marginNote = true;
    const InkedPage page = writePage(style, rng);
    const ZULImage image = capturePage(style, page.ink, rng);
    ASSERT_EQ(page.truth.extras.size(), 2u);
    std::vector<Box> boxes = page.truth.extras;
    for (const TruthLine& line : page.truth.lines)
        for (const TruthWord& word : line.words)
            boxes.insert(boxes.end(), word.paws.begin(), word.paws.end());
    EXPECT_EQ(strayInk(image, boxes), 0);
    EXPECT_GT(strayInk(image, {boxes.begin() + 2, boxes.end()}), 0);
}

// The family fontconfig picks for a name, as the painter's font map would.
std::string matchedFamily(const std::string& family)
{
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcChar8* name = nullptr;
    std::string chosen;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch)
        chosen = reinterpret_cast<const char*>(name);
    if (match)
        FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return chosen;
}

// A missing family would silently fall back to a plain font.
TEST(HandFonts, AreInstalled)
{
    for (const std::string& family : handFonts())
        EXPECT_EQ(matchedFamily(family), family) << "install it with tools/install-deps.sh";
}

TEST(PawsRightToLeft, SplitsAfterNonJoiningLettersAndReversesNumbers)
{
    EXPECT_EQ(pawsRightToLeft("الدار"), (std::vector<std::string>{"ا", "لد", "ا", "ر"}));
    EXPECT_EQ(pawsRightToLeft("بيت"), (std::vector<std::string>{"بيت"}));
    EXPECT_EQ(pawsRightToLeft("أداء"), (std::vector<std::string>{"أ", "د", "ا", "ء"}));
    EXPECT_EQ(pawsRightToLeft("١٩٨"), (std::vector<std::string>{"٨", "٩", "١"}));
}

TEST(PageStyles, EveryKindFitsItsLinesOnA4)
{
    for (const std::string& kind : pageKinds())
        for (unsigned seed = 1; seed <= 30; ++seed) {
            std::mt19937 rng(seed);
            const PageStyle s = drawStyle(kind, rng);
            EXPECT_GE(s.lines, 8) << kind << seed;
            EXPECT_LE(s.lines, 25) << kind << seed;
            EXPECT_LT(s.top + s.pitch * (s.lines + 0.8) + s.em, s.height) << kind << seed;
            EXPECT_NEAR(double(s.width) / s.dpi, 8.27, 0.01);
        }
    std::mt19937 rng(1);
    EXPECT_THROW(drawStyle("glossy", rng), std::invalid_argument);
}

TEST(PageFiles, SameSeedSamePageAndTrueLinesReadBack)
{
    tavotest::TempDir dir;
    const PageTruth first = generatePageFiles(dir.path().string(), "a", "tight", 3);
    const PageTruth again = generatePageFiles(dir.path().string(), "b", "tight", 3);
    PageTruth renamed = again;
    renamed.image = first.image;
    EXPECT_EQ(truthToJson(renamed), truthToJson(first));

    std::string error;
    const std::optional<PageTruth> read = readTruthFile((dir / "a.truth.json").string(), error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(truthToJson(*read), truthToJson(first));

    const ZoneFile lines = readZoneFile((dir / "a.truelines.xml").string());
    ASSERT_TRUE(lines.opened);
    ASSERT_EQ(lines.zones.size(), first.lines.size());
    std::string transcript;
    for (size_t i = 0; i < lines.zones.size(); ++i) {
        EXPECT_EQ(lines.zones[i].box, first.lines[i].box);
        EXPECT_EQ(lines.zones[i].text, first.lines[i].text);
        transcript += first.lines[i].text + '\n';
    }
    EXPECT_EQ(tavotest::readFile(dir / "a.txt"), transcript);
    EXPECT_TRUE(std::filesystem::exists(dir / ("a" + captureExtension(Capture::Bilevel))));

    // The program takes the true lines as it takes merged ones.
    const tavotest::RunResult run = tavotest::runTool({"-segword", "a.tif", "a.truelines.xml", "seg.xml"}, dir.path());
    EXPECT_TRUE(run.status == 0 || run.status == 3) << run.out << run.err;
    const ZoneFile segmented = readZoneFile((dir / "seg.xml").string());
    ASSERT_EQ(segmented.zones.size(), first.lines.size());
    EXPECT_EQ(segmented.zones[0].text, lines.zones[0].text);
}

}  // namespace
}  // namespace tavo::quality
