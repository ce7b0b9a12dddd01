// What a command hands back to the dispatcher: its standard output text, the
// problems it met, and so the exit status of the run.
//
// Commands never print and never decide the exit status themselves.  A
// failure that stops a command (a page that cannot be loaded, an output that
// cannot be written, an input that cannot be opened) is thrown as a
// RuntimeFailure; the dispatcher prints it and ends with status 2.  A zone
// that had to be copied unchanged is recorded with zoneUnchanged(); the
// command goes on and the run ends with status 3.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavo {

enum ExitStatus : int {
    kExitOk = 0,
    kExitFramework = 1,
    kExitRuntimeFailure = 2,
    kExitZonesUnchanged = 3,
    kExitArgumentError = -1,
};

// A failure that stops the command.  what() names the file and the problem,
// for example "page.tif: cannot load image: ..."; the dispatcher prints it as
// "tavoalign: -paw: page.tif: cannot load image: ..." and ends with status 2.
class RuntimeFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Report {
public:
    explicit Report(std::string command = {}) : command_(std::move(command)) {}

    const std::string& command() const { return command_; }

    // Text for standard output, exactly as the command's description gives it.
    void print(std::string_view text) { out_ += text; }
    void printLine(std::string_view text);

    // A zone written unchanged because it could not be processed.  file is
    // the UTF-8 name of the input file, line its 1-based line number.
    void zoneUnchanged(std::string_view file, long line, std::string_view why);

    // A zone whose content is in doubt: a warning naming it, and the run
    // ends with status 3 as for a zone copied unchanged.
    void zoneDoubtful(std::string_view file, long line, std::string_view why);

    // A warning that does not change the exit status.
    void warn(std::string_view text);

    // Throws a RuntimeFailure naming the file.
    [[noreturn]] void fail(std::string_view file, std::string_view why) const;

    const std::string& out() const { return out_; }
    const std::vector<std::string>& errors() const { return errors_; }
    bool hasUnchangedZones() const { return unchangedZones_ > 0; }
    bool hasDoubtfulZones() const { return doubtfulZones_ > 0; }
    int unchangedZones() const { return unchangedZones_; }

private:
    std::string command_;
    std::string out_;
    std::vector<std::string> errors_;  // lines without the "tavoalign: " prefix
    int unchangedZones_ = 0;
    int doubtfulZones_ = 0;
};

}  // namespace tavo
