#include "transcript/Fix.h"

#include "groundtruth/ZoneLine.h"
#include "util/LineFiles.h"
#include "util/Strings.h"
#include "util/TextFile.h"

#include <cstdio>
#include <vector>

namespace tavo {

namespace {

// parseInt of the characters [begin, begin + count) of the name; anything
// outside ASCII is kept from reading as a digit.
int idField(std::u16string_view name, size_t begin, size_t count)
{
    if (begin >= name.size())
        return -1;
    std::string field;
    for (char16_t c : name.substr(begin, count))
        field += c < 0x80 ? static_cast<char>(c) : '?';
    return parseInt(field);
}

}  // namespace

WordFilePath splitWordFilePath(std::u16string_view path)
{
    WordFilePath parts;
    const size_t cut = path.find_last_of(u"/\\");
    if (cut == std::u16string_view::npos) {
        parts.name = path;
        return parts;
    }
    parts.folder = path.substr(0, cut);
    parts.name = path.substr(cut + 1);
    parts.hasFolder = true;
    return parts;
}

bool isWordFileName(std::u16string_view path)
{
    return splitWordFilePath(path).name.size() >= kMinWordFileNameLength;
}

WordFileIds wordFileIds(std::u16string_view name)
{
    WordFileIds ids;
    ids.document = idField(name, 0, 3);
    ids.writer = idField(name, 4, 3);
    ids.page = idField(name, 8, 5);
    ids.zone = idField(name, 14, 4);
    return ids;
}

std::u16string pageFilePath(std::u16string_view root, const WordFileIds& ids)
{
    char tail[96];
    std::snprintf(tail, sizeof tail, "/%03d/%03d-%03d-%05d.xml", ids.document, ids.writer,
                  ids.document, ids.page);
    return std::u16string(root) + toWide(tail);
}

FixResult fixZoneContents(const std::u16string& word, const std::u16string& pageFile, int zone,
                          const Report& report)
{
    CTextFileRead in(pageFile);
    if (!in.isOpen())
        return FixResult::kNoPageFile;
    std::vector<std::u16string> lines;
    for (std::u16string line; in.readLine(line);)
        lines.push_back(line);
    if (in.readFailed())
        report.fail(printedName(pageFile), "cannot read file");
    in.close();
    bool matched = false;
    for (std::u16string& line : lines) {
        if (leadingInt(getIdAttribute(line)) != zone)
            continue;
        matched = true;
        setWholeAttribute(line, u"contents", word);
    }
    writeAllLines(pageFile, lines);
    return matched ? FixResult::kFixed : FixResult::kNoSuchZone;
}

void runFix(const std::u16string& wordFile, const std::u16string& root, Report& report)
{
    const WordFilePath parts = splitWordFilePath(wordFile);
    const std::u16string wordText = parts.hasFolder ? parts.folder + u"/word.txt" : u"word.txt";
    const std::u16string word = readFirstLine(wordText, report);
    const WordFileIds ids = wordFileIds(parts.name);
    const std::u16string pageFile = pageFilePath(root, ids);
    const FixResult result = fixZoneContents(word, pageFile, ids.zone, report);
    if (result != FixResult::kFixed)
        report.printLine("cannot find id : " + printedName(wordFile));
    if (result == FixResult::kNoPageFile)
        report.fail(printedName(pageFile), "cannot open file");
}

}  // namespace tavo
