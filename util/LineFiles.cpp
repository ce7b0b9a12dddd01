#include "util/LineFiles.h"

#include "util/Strings.h"
#include "util/TextFile.h"

namespace tavo {

std::string printedName(const std::u16string& file)
{
    return utf8FromWide(file);
}

std::vector<std::u16string> readAllLines(const std::u16string& file, const Report& report,
                                         std::string_view what)
{
    CTextFileRead in(file);
    if (!in.isOpen())
        report.fail(printedName(file), "cannot open " + std::string(what));
    std::vector<std::u16string> lines;
    std::u16string line;
    while (in.readLine(line))
        lines.push_back(line);
    if (in.readFailed())
        report.fail(printedName(file), "cannot read " + std::string(what));
    return lines;
}

std::u16string readFirstLine(const std::u16string& file, const Report& report)
{
    CTextFileRead in(file);
    if (!in.isOpen())
        report.fail(printedName(file), "cannot open file");
    std::u16string line;
    in.readLine(line);
    if (in.readFailed())
        report.fail(printedName(file), "cannot read file");
    return line;
}

void writeAllLines(const std::u16string& file, const std::vector<std::u16string>& lines)
{
    CTextFileWrite out(file, kUtf8);
    for (const std::u16string& line : lines) {
        out.writeText(line);
        out.writeEndLine();
    }
    out.close();
}

}  // namespace tavo
