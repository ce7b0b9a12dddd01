// One page's working folder as the server reads and saves it: words.xml
// (the word zones), the lines file (segmented.xml or merged.xml, the line
// zones -check and -review read beside it), page.txt (the transcription).
#pragma once

#include "server/ZoneEdits.h"

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavo {

struct PageFiles {
    std::filesystem::path root;    // the served folder, canonical
    std::filesystem::path folder;  // the page's folder, canonical, inside root
    std::filesystem::path words;   // folder/words.xml
    std::filesystem::path lines;   // empty when the folder has no lines file
    std::filesystem::path transcript;  // folder/page.txt, whether or not it exists
    std::string name;  // the folder relative to root, "." for root itself
};

// Whether path (canonical) is root or lies under it.
bool isInside(const std::filesystem::path& path, const std::filesystem::path& root);

// The page folder `relative` names under root (canonical): nothing when it is
// absolute, holds a `..` part or a NUL, does not exist, leads outside root
// (through a link too) or has no words.xml inside root.
std::optional<PageFiles> findPage(const std::filesystem::path& root, const std::string& relative);

// Identifies the contents of words.xml and the lines file: their sizes and a
// 64-bit hash of their bytes.
std::string pageVersion(const PageFiles& page);

struct PageView {
    std::string version;
    std::string image;  // URL of the picture, relative to root, percent-encoded
    int width = 0, height = 0;
    std::optional<std::vector<std::u16string>> transcript;
    std::vector<EditZone> zones;  // the lines file's zones, then words.xml's, in file order
};

// Throws RuntimeFailure when words.xml cannot be read.
PageView loadPage(const PageFiles& page);

// The page image words.xml names (DL_PAGE src) in the page's folder, when it
// is a file inside root.
std::optional<std::filesystem::path> pageImage(const PageFiles& page);

// The zone of one DL_TEXTLINEGT line (ref 0, line -1).
EditZone zoneFromLine(const std::u16string& zoneLine, bool isLine);

// A zone line for zone: original (a zone line of the file) with the
// attributes the editor knows set to the zone's values and the others kept,
// or a new line when original is empty.  Empty values, a missing confidence
// or doubt and checked false remove their attributes; a word whose box or
// PAW boxes changed gets its offsets from the PAW boxes.
std::u16string zoneLineFor(const EditZone& zone, const std::u16string& original);

// The save was based on a version that is no longer the page's.
class VersionConflict : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SaveResult {
    std::string version;  // of the files written
    std::string verify;   // what -verify prints for the new words.xml, "" without page.txt
    int doubtful = 0;     // zones neither sure nor checked
    std::string history;  // the file that keeps the previous words.xml, relative to root
};

// Writes zones back: the previous words.xml is kept as history/words.N.xml
// (the first free N; never overwritten), words.xml is written atomically,
// the lines file too (kept the same way) when its zones changed, then
// page.xml and alto.xml from the new words.xml.  Throws VersionConflict when
// base is not the current version, RuntimeFailure when a file cannot be
// written.  Callers serialise saves of one page.
SaveResult savePage(const PageFiles& page, const std::string& base, const std::vector<EditZone>& zones);

}  // namespace tavo
