#include "transcript/Meta.h"

#include "groundtruth/GroundTruthNames.h"
#include "groundtruth/ZoneLine.h"
#include "transcript/MetaTables.h"
#include "util/LineFiles.h"
#include "util/Strings.h"
#include "util/TextFile.h"

#include <cstdio>
#include <optional>

namespace tavo {

namespace {

constexpr std::u16string_view kDocumentTag = u"<DL_DOCUMENT";
constexpr std::u16string_view kPageTag = u"<DL_PAGE";
constexpr std::u16string_view kImageFolder = u"Q:\\GroundTruth\\";
constexpr size_t kImageFolderLength = 19;  // the prefix, a three-digit folder and '\'
constexpr std::u16string_view kNoneId = u"id=\"None\"";

bool contains(std::u16string_view line, std::u16string_view text)
{
    return line.find(text) != std::u16string_view::npos;
}

std::u16string formatted(const char* format, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return toWide(text);
}

// ` name="value" `: neighbouring attributes end up two blanks apart.
std::u16string attribute(std::u16string_view name, std::u16string_view value)
{
    std::u16string text = u" ";
    text += name;
    text += u"=\"";
    text += value;
    text += u"\" ";
    return text;
}

std::u16string afterLastSeparator(std::u16string_view path)
{
    const size_t cut = path.find_last_of(u"/\\");
    return std::u16string(cut == std::u16string_view::npos ? path : path.substr(cut + 1));
}

// Reads one "%d" number at pos, moving pos past it.
std::optional<int> readNumber(std::u16string_view text, size_t& pos)
{
    size_t i = pos;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    size_t end = i;
    if (end < text.size() && (text[end] == u'+' || text[end] == u'-'))
        ++end;
    while (end < text.size() && text[end] >= u'0' && text[end] <= u'9')
        ++end;
    const std::optional<int> value = leadingInt(text.substr(i, end - i));
    if (value)
        pos = end;
    return value;
}

// Puts the next serial number in place of the first whole id="None".
bool numberZone(std::u16string& line, int serial)
{
    for (size_t at = line.find(kNoneId); at != std::u16string::npos;
         at = line.find(kNoneId, at + 1)) {
        if (at == 0 || (line[at - 1] != u' ' && line[at - 1] != u'\t'))
            continue;
        line.replace(at, kNoneId.size(), u"id=\"" + formatted("%05d", serial) + u"\"");
        return true;
    }
    return false;
}

}  // namespace

FileNameCode fileNameCode(std::u16string_view path)
{
    std::u16string name = afterLastSeparator(path);
    for (char16_t& c : name)
        if (c == u'-')
            c = u' ';
    FileNameCode code;
    size_t pos = 0;
    for (int* id : {&code.writer, &code.document, &code.page}) {
        const std::optional<int> value = readNumber(name, pos);
        if (!value)
            break;
        *id = *value;
    }
    return code;
}

std::u16string documentHeader(const FileNameCode& code, std::u16string_view pageLine,
                              std::u16string_view docType, std::u16string_view writer)
{
    const std::u16string src = afterLastSeparator(getWholeAttribute(pageLine, u"src").value_or(u""));
    std::u16string text = u"\t<DL_DOCUMENT ";
    text += attribute(u"src", src);
    text += attribute(u"docTag", u"xml");
    text += attribute(u"NrOfPages", u"1");
    text += docType;
    text += u' ';
    text += attribute(u"docID", formatted("%03d", code.document));
    text += u' ';
    text += attribute(u"writerID", formatted("%03d", code.writer));
    text += u' ';
    text += writer;
    text += u">\r\n\t\t<DL_PAGE ";
    text += attribute(u"tavo_type", u"DL_PAGE");
    text += u' ';
    text += attribute(u"pageID", formatted("%05d", code.page));
    text += u' ';
    text += attribute(u"dpi", u"300");
    text += attribute(u"depth", u"Binary");
    text += attribute(u"width", getWholeAttribute(pageLine, u"width").value_or(u""));
    text += attribute(u"height", getWholeAttribute(pageLine, u"height").value_or(u""));
    text += u'>';
    return text;
}

std::u16string provenanceComments()
{
    return u"\r\n"
           u"<!-- Ground truth format adapted for the transcription of handwritten Arabic "
           u"pages. -->\r\n"
           u"<!-- Page image scanned and metadata compiled by the team that prepared this "
           u"ground truth. -->\r\n"
           u"<!-- For research use only; not to be distributed without the written consent "
           u"of its producers. -->\r\n";
}

void runMeta(const std::u16string& inputXml, const std::u16string& outputXml, Report& report)
{
    CTextFileRead in(inputXml);
    if (!in.isOpen())
        report.fail(printedName(inputXml), "cannot open file");
    const FileNameCode code = fileNameCode(inputXml);
    const std::u16string folder = tableFolder();
    const std::u16string rootLine = u"<TAVO version=\"1.0\">";

    CTextFileWrite out(outputXml, kUtf8);
    std::u16string line;
    std::u16string next;
    bool holding = false;  // next is a line read ahead that still has to be handled
    int serial = 0;
    while (holding || in.readLine(line)) {
        if (holding) {
            line.swap(next);
            holding = false;
        }
        if (contains(line, kDocumentTag)) {
            // The page line follows the document line; both are replaced.  A
            // line that is not a page line is kept for its own turn.
            std::u16string pageLine;
            if (in.readLine(next)) {
                if (contains(next, kPageTag))
                    pageLine.swap(next);
                else
                    holding = true;
            }
            line = documentHeader(code, pageLine, documentType(code.document, folder),
                                  writerAttributes(code.writer, folder));
        }
        if (contains(line, kLaboratoryNameWide))
            line = provenanceComments();
        if (contains(line, kGroundTruthNamespaceWide))
            line = rootLine;
        if (const size_t at = line.find(kImageFolder); at != std::u16string::npos)
            line.erase(at, kImageFolderLength);
        if (numberZone(line, serial))
            ++serial;
        out.writeText(line);
        out.writeEndLine();
    }
    if (in.readFailed())
        report.fail(printedName(inputXml), "cannot read file");
    out.close();
}

}  // namespace tavo
