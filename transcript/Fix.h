// -fix: writes a corrected word into the zone it came from.  The word's
// folder holds "word.txt" (first line: the new transcription) and a file
// whose name codes document (characters 0-2), writer (4-6), page (8-12) and
// zone (14-17); the page file is <root>/<document %03d>/
// <writer %03d>-<document %03d>-<page %05d>.xml.
#pragma once

#include "util/Report.h"

#include <string>
#include <string_view>

namespace tavo {

constexpr size_t kMinWordFileNameLength = 14;

// The path cut at its last '/' or '\': folder (without the separator) and
// name.  Without a separator the folder is empty.
struct WordFilePath {
    std::u16string folder;
    std::u16string name;
    bool hasFolder = false;
};
WordFilePath splitWordFilePath(std::u16string_view path);

// The name part is long enough to carry the four ids.
bool isWordFileName(std::u16string_view path);

// The ids at the fixed positions of the name; a field that is empty or does
// not begin with a number gives -1.
struct WordFileIds {
    int document = -1;
    int writer = -1;
    int page = -1;
    int zone = -1;
};
WordFileIds wordFileIds(std::u16string_view name);

std::u16string pageFilePath(std::u16string_view root, const WordFileIds& ids);

enum class FixResult { kFixed, kNoSuchZone, kNoPageFile };

// Sets `contents` to word (as it stands) in every line whose `id` is the zone
// number and writes the page file back.  A line without `contents` is left
// as it is.  A page file that cannot be opened is not created.
FixResult fixZoneContents(const std::u16string& word, const std::u16string& pageFile, int zone,
                          const Report& report);

// The whole command: reads word.txt beside wordFile (missing: RuntimeFailure),
// fixes the zone, prints "cannot find id : <wordFile>" when no zone matched;
// a page file that cannot be opened prints that line and then fails.
void runFix(const std::u16string& wordFile, const std::u16string& root, Report& report);

}  // namespace tavo
