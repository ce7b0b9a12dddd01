// Files the benchmarks work on: a temporary folder that removes itself, a
// generated handwriting-like A4 page, a ground-truth file with one zone per
// text line of that page, and the timing of a command on such files.
#pragma once

#include "align/Paw.h"
#include "page/PageFile.h"
#include "util/Report.h"
#include "util/Strings.h"

#include "ZULImage.h"
#include "ZULImageConverter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace tavobench {

// A fresh folder "tavo-<name>-XXXXXX" in the system's temporary folder,
// removed with everything in it when the object goes.
class TempFolder {
public:
    explicit TempFolder(const std::string& name)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / ("tavo-" + name + "-XXXXXX")).string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a folder for the " + name + " files");
        dir_ = pattern;
    }
    // The folder filled by fill(*this); removed again when fill throws.
    template <class Fill>
    TempFolder(const std::string& name, Fill fill) : TempFolder(name)
    {
        fill(static_cast<const TempFolder&>(*this));
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    std::filesystem::path file(const std::string& name) const { return dir_ / name; }
    std::string path(const std::string& name) const { return file(name).string(); }
    std::u16string wide(const std::string& name) const { return tavo::wideFromUtf8(path(name)); }

private:
    std::filesystem::path dir_;
};

// An A4 page at 300 dpi and where its text lines stand: line i's zone is
// kLineWidth x kLineHeight at (kLineLeft, lineRow(i)).
constexpr int kPageWidth = 2480;
constexpr int kPageHeight = 3508;
constexpr int kLineLeft = 240;
constexpr int kLineWidth = 2000;
constexpr int kLineHeight = 90;
constexpr int kLinePitch = 130;
constexpr int kFirstLineRow = 200;

constexpr int lineRow(int line) { return kFirstLineRow + line * kLinePitch; }

// Sets the pixels of [left, right) x [top, bottom) on an 8-bit page, cut to the page.
inline void fillRect(ZULImage& page, int left, int top, int right, int bottom, unsigned char value)
{
    left = std::max(left, 0);
    right = std::min(right, page.zulGetWidth());
    for (int y = std::max(top, 0); y < std::min(bottom, page.zulGetHeight()); ++y)
        std::fill(page.zulGetRow(y) + left, page.zulGetRow(y) + std::max(left, right), value);
}

inline void savePage(const ZULImage& page, const std::string& path)
{
    if (!page.zulSaveImage(path))
        throw std::runtime_error("cannot write the benchmark page " + path);
}

struct PageLayout {
    int depth = 8;  // 8: grey; 1: the grey page at threshold 128
    int lines = 25;
    int wordsPerLine = 10;
    int pawsPerWord = 3;  // 0: one to three, drawn at random
    unsigned seed = 7;
};

struct GeneratedPage {
    ZULImage image;
    std::vector<std::string> lines;  // the UTF-8 text of each line
};

// An Arabic word of the given number of PAWs: beh alef repeated (alef joins
// nothing after it, so every pair ends a PAW).
inline std::string arabicWord(int paws)
{
    std::string word;
    for (int i = 0; i < paws; ++i)
        word += "\xD8\xA8\xD8\xA7";
    return word;
}

// Handwriting-like lines, words laid out from the right as Arabic is
// written: PAWs of 20 to 60 columns, 6 to 12 apart within a word, words 30
// to 45 apart.  A PAW is a baseline stroke 60 rows below the zone's top with
// two or three upright strokes rising from it; one in four has a descender
// reaching below the zone.  A word that would cross the zone's left edge
// ends the line, so the text always matches the ink.
inline GeneratedPage handwritingPage(const PageLayout& layout)
{
    if ((layout.depth != 8 && layout.depth != 1) || layout.lines < 0 || lineRow(layout.lines) > kPageHeight)
        throw std::invalid_argument("the benchmark page cannot hold these lines");
    GeneratedPage out{ZULImage(kPageWidth, kPageHeight, 8, true), {}};
    ZULImage& page = out.image;
    std::mt19937 random(layout.seed);
    std::uniform_int_distribution<int> pawCount(1, 3), pawWidth(20, 60), pawGap(6, 12), wordGap(30, 45),
        strokeTop(5, 40), strokes(2, 3), descender(0, 3);
    constexpr unsigned char kInk = 20;
    for (int line = 0; line < layout.lines; ++line) {
        const int row = lineRow(line);
        const int baseline = row + 60;
        int right = kLineLeft + kLineWidth - 20;
        std::string text;
        for (int w = 0; w < layout.wordsPerLine; ++w) {
            struct Paw {
                int width, gap;  // gap: to the next PAW on the left
            };
            std::vector<Paw> word(static_cast<size_t>(layout.pawsPerWord > 0 ? layout.pawsPerWord : pawCount(random)));
            int span = 0;
            for (size_t p = 0; p < word.size(); ++p) {
                word[p] = {pawWidth(random), p + 1 < word.size() ? pawGap(random) : wordGap(random)};
                span += word[p].width + (p + 1 < word.size() ? word[p].gap : 0);
            }
            if (right - span < kLineLeft + 10)
                break;
            for (const Paw& paw : word) {
                const int x = right - paw.width;
                fillRect(page, x, baseline, right, baseline + 6, kInk);
                const int n = strokes(random);
                for (int i = 0; i < n; ++i) {
                    const int stroke = x + i * (paw.width - 5) / (n - 1);
                    fillRect(page, stroke, row + strokeTop(random), stroke + 5, baseline, kInk);
                }
                if (descender(random) == 0)
                    fillRect(page, x + paw.width / 2, baseline, x + paw.width / 2 + 4, baseline + 38, kInk);
                right = x - paw.gap;
            }
            if (w > 0)
                text += ' ';
            text += arabicWord(static_cast<int>(word.size()));
        }
        out.lines.push_back(text);
    }
    if (layout.depth == 1) {
        ZULImage bits;
        ZULImageConverter::zulByte2Bit(bits, page, 128);
        page = std::move(bits);
    }
    return out;
}

// How the zones of writeLineZones stand against the generated lines.
struct ZoneStyle {
    int shiftX = 0;  // zones drawn this far right of and below the lines
    int shiftY = 0;
    int cuts = 0;       // evenly spread offsets, written before contents; none when 0
    std::string after;  // attributes written after contents
};

// A ground-truth file in UTF-8 with a BOM and CRLF line ends: one
// DL_TEXTLINEGT zone per entry of contents, at that line's place on the page.
inline void writeLineZones(const std::filesystem::path& file, const std::vector<std::string>& contents,
                           const ZoneStyle& style = {})
{
    std::string offsets;
    for (int i = 1; i <= style.cuts; ++i) {
        if (i > 1)
            offsets += ',';
        offsets += std::to_string(i * kLineWidth / (style.cuts + 1));
    }
    std::ofstream xml(file, std::ios::binary);
    xml << "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<TAVO>\r\n"
        << "<DL_PAGE tavo_type=\"DL_PAGE\" width=\"" << kPageWidth << "\" height=\"" << kPageHeight << "\">\r\n";
    for (size_t line = 0; line < contents.size(); ++line) {
        xml << "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"" << line + 1 << "\" col=\"" << kLineLeft + style.shiftX
            << "\" row=\"" << lineRow(static_cast<int>(line)) + style.shiftY << "\" width=\"" << kLineWidth
            << "\" height=\"" << kLineHeight << "\"";
        if (style.cuts > 0)
            xml << " offsets=\"" << offsets << "\"";
        xml << " contents=\"" << contents[line] << "\"" << style.after << "> </DL_ZONE>\r\n";
    }
    xml << "</DL_PAGE>\r\n</TAVO>\r\n";
    if (!xml.flush())
        throw std::runtime_error("cannot write " + file.string());
}

// Times loading folder's file image as the page commands do first: the
// page and its colour working copy.
inline void timeLoadWorkingPage(benchmark::State& state, const char* name, const TempFolder& folder,
                                const std::string& image)
{
    const std::u16string path = folder.wide(image);
    for (auto _ : state) {
        tavo::Report report(name);
        ZULImage page = tavo::loadWorkingPage(path, report);
        benchmark::DoNotOptimize(page.zulGetImageData());
    }
}

// A command that reads a page and a ground-truth file and writes a file.
using PageCommand = void (*)(const std::u16string& image, const std::u16string& in, const std::u16string& out,
                             tavo::Report& report);

// Times command on the files image, in and out of folder.  The benchmark
// pages are made for the commands, so a zone left unchanged is an error.
inline void timeCommand(benchmark::State& state, PageCommand command, const char* name, const TempFolder& folder,
                        const std::string& image, const std::string& in, const std::string& out)
{
    const std::u16string imagePath = folder.wide(image), inPath = folder.wide(in), outPath = folder.wide(out);
    for (auto _ : state) {
        tavo::Report report(name);
        command(imagePath, inPath, outPath, report);
        if (report.hasUnchangedZones())
            state.SkipWithError("zones were left unchanged");
    }
}

}  // namespace tavobench
