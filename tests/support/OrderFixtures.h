// Small ground-truth texts for the reading-order, verification and merge
// tests.
#pragma once

#include <string>
#include <vector>

namespace ordertest {

// A word zone with the attributes the chain check reads; an id or next of
// "" leaves that attribute out.
inline std::string wordZone(const std::string& id, const std::string& next,
                            const std::string& contents, const std::string& status = "")
{
    std::string line = "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\"";
    if (!id.empty())
        line += " id=\"" + id + "\"";
    line += " segmentation=\"word\" col=\"0\" row=\"0\" width=\"5\" height=\"5\" contents=\"" +
        contents + "\"";
    if (!next.empty())
        line += " nextZoneID=\"" + next + "\"";
    if (!status.empty())
        line += " status=\"" + status + "\"";
    return line + "> </DL_ZONE>";
}

// A line zone at the given row.
inline std::string lineZone(int row, const std::string& contents)
{
    const std::string head =
        "<DL_ZONE tavo_type=\"DL_TEXTLINEGT\" id=\"None\" segmentation=\"word\" col=\"10\" ";
    return head + "row=\"" + std::to_string(row) + "\" width=\"50\" height=\"20\" contents=\"" +
        contents + "\"> </DL_ZONE>";
}

inline const std::string kPageHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<TAVO xmlns=\"x\" version=\"1\">\r\n"
    "<DL_PAGE tavo_type=\"DL_PAGE\" src=\"p.tif\" pageID=\"1\" width=\"800\" height=\"600\">\r\n";
inline const std::string kPageTail = "</DL_PAGE>\r\n</TAVO>\r\n";

// A page file: head, the zone lines (CR LF after each), tail.
inline std::string pageFile(const std::vector<std::string>& zones)
{
    std::string text = kPageHead;
    for (const std::string& zone : zones)
        text += zone + "\r\n";
    return text + kPageTail;
}

}  // namespace ordertest
