#include "transcript/MetaTables.h"

#include "groundtruth/ZoneLine.h"
#include "util/Strings.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>

namespace tavo {

namespace {

constexpr std::string_view kUnknown = "UNKNOWN";

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::u16string tablePath(std::u16string_view folder, std::u16string_view name)
{
    std::u16string path(folder);
    if (!path.empty() && path.back() != u'/' && path.back() != u'\\')
        path += u'/';
    path += name;
    return path;
}

// A table saved with a UTF-8 byte-order mark keeps it out of its first key.
std::string_view withoutByteOrderMark(std::string_view row)
{
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    return row.substr(0, kMark.size()) == kMark ? row.substr(kMark.size()) : row;
}

// Calls visit with each row of the table (line end removed) until it returns
// true.  A table that cannot be opened has no rows.
void forEachRow(std::u16string_view folder, std::u16string_view name,
                const std::function<bool(std::string_view)>& visit)
{
    const std::string path = utf8FromWide(tablePath(folder, name));
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return;
    std::string row;
    bool firstRow = true;
    char block[4096];
    bool afterCr = false;
    size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) {
        for (size_t i = 0; i < got; ++i) {
            const char c = block[i];
            if (c == '\n' && afterCr) {
                afterCr = false;  // the LF of a CR LF pair
                continue;
            }
            afterCr = c == '\r';
            if (c == '\r' || c == '\n') {
                if (visit(firstRow ? withoutByteOrderMark(row) : row))
                    return;
                firstRow = false;
                row.clear();
            } else {
                row += c;
            }
        }
    }
    if (!row.empty())
        visit(firstRow ? withoutByteOrderMark(row) : row);
}

std::optional<int> rowKey(const std::vector<std::string>& fields)
{
    return leadingInt(toWide(fields[0]));
}

// A table value as it goes into an attribute: UTF-8 widened, XML escaped.
std::u16string attributeValue(const std::string& field)
{
    return escapeXml(wideFromUtf8(field));
}

std::u16string writerRun(const std::u16string (&values)[5])
{
    static constexpr std::u16string_view kNames[5] = {u"origin", u"age", u"gender",
                                                      u"education", u"training"};
    std::u16string run;
    for (int i = 0; i < 5; ++i) {
        if (i > 0)
            run += u' ';
        run += kNames[i];
        run += u" = \"";
        run += values[i];
        run += u'"';
    }
    return run;
}

}  // namespace

std::u16string tableFolder()
{
    const char* folder = std::getenv("TAVOALIGN_TABLES");
    return folder ? wideFromUtf8(folder) : std::u16string();
}

std::vector<std::string> splitTableRow(std::string_view row)
{
    std::string text(row);
    text += ",,,,,,,,";
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t comma = text.find(','); comma != std::string::npos;
         comma = text.find(',', start)) {
        std::string field = text.substr(start, comma - start);
        fields.push_back(field.empty() ? std::string(kUnknown) : std::move(field));
        start = comma + 1;
    }
    return fields;
}

std::u16string writerAttributes(int writerId, std::u16string_view folder)
{
    const std::u16string unknown = toWide(kUnknown);
    std::u16string values[5] = {unknown, unknown, unknown, unknown, unknown};
    forEachRow(folder, u"Writers.csv", [&](std::string_view row) {
        const std::vector<std::string> fields = splitTableRow(row);
        if (rowKey(fields) != writerId)
            return false;
        for (int i = 0; i < 5; ++i)
            values[i] = attributeValue(fields[static_cast<size_t>(3 + i)]);
        return true;
    });
    return writerRun(values);
}

std::u16string documentType(int documentId, std::u16string_view folder)
{
    std::u16string type = u"type = \"UNKNOWN\"";
    forEachRow(folder, u"Docs.csv", [&](std::string_view row) {
        const std::vector<std::string> fields = splitTableRow(row);
        if (rowKey(fields) != documentId)
            return false;
        type = u" type = \"" + attributeValue(fields[2]) + u"\" ";
        return true;
    });
    return type;
}

}  // namespace tavo
