#include "interchange/Interchange.h"

#include "util/Strings.h"
#include "ZULException.h"
#include "ZULImage.h"
#include "ZULImageConverter.h"
#include "ZULPNGImage.h"
#include "interchange/XmlText.h"
#include "groundtruth/ZoneLine.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <utility>
#include <vector>

namespace tavo {

namespace {

// The page's name without folder and extension, with every character a
// training tool might cut a name at (dots, blanks, separators) made '_'.
std::string pageStem(const std::string& imageName)
{
    std::string stem = imageName.substr(0, imageName.rfind('.'));
    for (char& c : stem)
        if (c == '.' || c == ' ' || c == ',' || c == '/' || c == '\\' || c == '"' || c == '\'')
            c = '_';
    return stem.empty() ? "page" : stem;
}

// Train, validation or test, fixed for a page name: pages, never lines, are
// split, so lines of one page never land on both sides.  About 80/10/10.
const char* splitOf(const std::string& stem)
{
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : stem)
        hash = (hash ^ c) * 16777619u;
    const std::uint32_t bucket = hash % 10;
    return bucket == 0 ? "test" : bucket == 1 ? "validation" : "train";
}

ZULImage greyPage(const std::u16string& image, Report& report)
{
    const std::string name = utf8FromWide(image);
    ZULImage page;
    try {
        if (!page.zulLoadImage(name) || !page.zulHasImageData())
            report.fail(name, "cannot load image");
        if (page.zulGetBitsPerPixel() == 8)
            return page;
        ZULImage grey;
        ZULImageConverter::zulConvertImage(grey, page, ZULImageConverter::kGray);
        return grey;
    } catch (const ZULException& error) {
        report.fail(name, std::string("cannot load image: ") + error.what());
    }
}

// The zone's box grown by a margin of an eighth of its height (at least one
// pixel), inside the page.
PixelBox cropBox(const GtZone& zone, int width, int height)
{
    PixelBox box = zone.box;
    box.include(boundingBox(zone.polygon));
    const int margin = std::max(1, box.height() / 8);
    return {std::max(0, box.left - margin), std::max(0, box.top - margin),
            std::min(width - 1, box.right + margin), std::min(height - 1, box.bottom + margin)};
}

// The pairs of one page are written into a staging folder beside them and
// moved into the output folder only when every file is complete, the
// manifest last; pairs an earlier run listed and this one does not are
// removed after.  A failed write so leaves the folder as it was; renames need
// no space, and should one fail the message names the pairs still from the
// earlier run.  Renaming replaces whatever stands at a name, a planted link
// included, and never writes through it.
class PairsFolder {
public:
    PairsFolder(std::filesystem::path out, const std::string& stem, Report& report)
        : out_(std::move(out)), stem_(stem), report_(report)
    {
        std::error_code error;
        createdOut_ = !std::filesystem::exists(std::filesystem::symlink_status(out_, error));
        std::filesystem::create_directories(out_, error);
        if (!std::filesystem::is_directory(out_))
            report.fail(out_.string(), "cannot create folder");
        staging_ = out_ / (".tavoalign-pairs-" + stem);
        removeStaging();
        if (!std::filesystem::create_directory(staging_, error))
            report.fail(staging_.string(), "cannot create folder: " + error.message());
    }
    PairsFolder(const PairsFolder&) = delete;
    PairsFolder& operator=(const PairsFolder&) = delete;
    ~PairsFolder() { removeStaging(); }

    std::string manifestName() const { return "manifest-" + stem_ + ".csv"; }
    std::filesystem::path staged(const std::string& file) const { return staging_ / file; }

    // Writes one file of the run into the staging folder through write(path);
    // a failure removes what the run staged and names the file.
    template <class Write>
    void stage(const std::string& file, Write write)
    {
        errno = 0;
        try {
            write(staged(file).string());
            staged_.push_back(file);
        } catch (const std::exception&) {
            const std::string why = errno != 0 ? std::strerror(errno) : "write failed";
            removeStaging();
            if (createdOut_) {
                std::error_code ignored;
                std::filesystem::remove(out_, ignored);  // only when still empty
            }
            report_.fail((out_ / file).string(),
                         "cannot write (" + why + "); the folder is left as it was");
        }
    }

    // Moves the staged files over their names, the manifest last, then removes
    // the pairs of the earlier manifest that this run did not write.
    void commit(const std::vector<std::string>& names)
    {
        const std::vector<std::string> earlier = earlierPairs();
        for (const std::string& file : staged_) {
            std::error_code error;
            std::filesystem::rename(staged(file), out_ / file, error);
            if (error)
                report_.fail((out_ / file).string(),
                             "cannot replace (" + error.message() + "); this file, the pairs after it and " +
                                 manifestName() + " are still those of the earlier run");
        }
        const std::set<std::string> now(names.begin(), names.end());
        for (const std::string& name : earlier) {
            if (now.count(name))
                continue;
            std::error_code ignored;
            for (const char* ending : {".png", ".gt.txt"})
                if (!std::filesystem::is_directory(std::filesystem::symlink_status(out_ / (name + ending), ignored)))
                    std::filesystem::remove(out_ / (name + ending), ignored);
        }
    }

private:
    // The pair names the earlier manifest lists that follow this page's
    // naming (stem_lNNNN or stem_lNNNN_wNNN).
    std::vector<std::string> earlierPairs() const
    {
        std::vector<std::string> names;
        std::error_code error;
        if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(out_ / manifestName(), error)))
            return names;  // none, or a link: nothing this command wrote
        std::ifstream in(out_ / manifestName());
        std::string row;
        std::getline(in, row);  // the header
        while (std::getline(in, row)) {
            const std::string name = row.substr(0, row.find(','));
            if (isPairName(name))
                names.push_back(name);
        }
        return names;
    }

    bool isPairName(const std::string& name) const
    {
        if (name.size() <= stem_.size() + 2 || name.compare(0, stem_.size() + 2, stem_ + "_l") != 0)
            return false;
        size_t at = stem_.size() + 2;
        auto digits = [&](size_t least) {
            size_t count = 0;
            while (at < name.size() && name[at] >= '0' && name[at] <= '9')
                ++at, ++count;
            return count >= least;
        };
        if (!digits(4))
            return false;
        if (at == name.size())
            return true;
        if (name.compare(at, 2, "_w") != 0)
            return false;
        at += 2;
        return digits(3) && at == name.size();
    }

    // Removes the staging folder: a link in its place, or the folder and the
    // files in it (all of them written by a run of this command for this page).
    void removeStaging()
    {
        std::error_code error;
        const auto status = std::filesystem::symlink_status(staging_, error);
        if (std::filesystem::is_directory(status)) {
            for (const auto& entry : std::filesystem::directory_iterator(staging_, error))
                if (!entry.is_directory(error) || entry.is_symlink(error))
                    std::filesystem::remove(entry.path(), error);
        }
        if (std::filesystem::exists(status) || std::filesystem::is_symlink(status))
            std::filesystem::remove(staging_, error);
        staged_.clear();
    }

    std::filesystem::path out_;
    std::filesystem::path staging_;
    std::string stem_;
    Report& report_;
    std::vector<std::string> staged_;
    bool createdOut_ = false;
};

}  // namespace

void runPairs(const std::u16string& image, const std::u16string& zones, const std::u16string& folder,
              bool words, bool all, Report& report)
{
    const ZULImage page = greyPage(image, report);
    const std::string imageName = baseName(utf8FromWide(image));
    const GtPage gt = readGtPage(zones, imageName, page.zulGetWidth(), page.zulGetHeight(), report);
    const std::string stem = pageStem(imageName);
    PairsFolder out(utf8FromWide(folder), stem, report);

    const char* split = splitOf(stem);
    std::string manifest = "stem,page,zone,confidence,split\n";
    std::vector<std::string> names;
    int skipped = 0;
    // Line images are many and small: the fast compression.
    const ZULPNGImage png(ZULPNGImage::kFast);
    for (size_t l = 0; l < gt.lines.size(); ++l) {
        const GtLine& line = gt.lines[l];
        std::vector<std::pair<const GtZone*, std::string>> items;
        if (words && !line.words.empty()) {
            for (size_t w = 0; w < line.words.size(); ++w) {
                char suffix[64];
                std::snprintf(suffix, sizeof suffix, "_l%04zu_w%03zu", l + 1, w + 1);
                items.emplace_back(&line.words[w], stem + suffix);
            }
        } else {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, "_l%04zu", l + 1);
            items.emplace_back(&line.zone, stem + suffix);
        }
        for (const auto& [zone, name] : items) {
            const bool doubtful = zone->doubtful() ||
                                  std::any_of(line.words.begin(), line.words.end(),
                                              [&](const GtZone& w) { return !words && w.doubtful(); });
            if (zone->text.empty() || (doubtful && !all)) {
                ++skipped;
                continue;
            }
            const PixelBox box = cropBox(*zone, page.zulGetWidth(), page.zulGetHeight());
            ZULImage crop;
            page.zulSubByteImage(crop, box.left, box.top, box.width(), box.height());
            out.stage(name + ".png", [&](const std::string& path) { png.zulSaveImage(path, crop); });
            out.stage(name + ".gt.txt", [&, &text = zone->text](const std::string& path) {
                writeUtf8File(wideFromUtf8(path), text + "\n");
            });
            const std::string confidence = zone->confidence ? twoDecimals(*zone->confidence) : "";
            manifest += name + "," + stem + "," + zone->id + "," + confidence + "," + split + "\n";
            names.push_back(name);
        }
    }
    out.stage(out.manifestName(), [&](const std::string& path) { writeUtf8File(wideFromUtf8(path), manifest); });
    out.commit(names);
    report.printLine(std::to_string(names.size()) + " pairs written, " + std::to_string(skipped) + " skipped");
}

}  // namespace tavo
