#include "Report.h"

namespace tavo {

void Report::printLine(std::string_view text)
{
    out_ += text;
    out_ += '\n';
}

void Report::zoneUnchanged(std::string_view file, long line, std::string_view why)
{
    std::string msg = command_;
    msg += ": ";
    msg += file;
    msg += ':';
    msg += std::to_string(line);
    msg += ": zone copied unchanged: ";
    msg += why;
    errors_.push_back(std::move(msg));
    ++unchangedZones_;
}

void Report::zoneDoubtful(std::string_view file, long line, std::string_view why)
{
    std::string msg(file);
    msg += ':';
    msg += std::to_string(line);
    msg += ": zone in doubt: ";
    msg += why;
    warn(msg);
    ++doubtfulZones_;
}

void Report::warn(std::string_view text)
{
    std::string msg = command_;
    msg += ": ";
    msg += text;
    errors_.push_back(std::move(msg));
}

void Report::fail(std::string_view file, std::string_view why) const
{
    std::string msg(file);
    msg += ": ";
    msg += why;
    throw RuntimeFailure(msg);
}

}  // namespace tavo
