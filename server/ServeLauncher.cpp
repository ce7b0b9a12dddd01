// -serve in the main program: hands the command to tavoalign-serve beside
// it.  The web server's library brings its TLS and compression libraries
// along, and loading them costs every run a few milliseconds; the commands
// of the page job run seven times a page, so only the server program links
// them.  The server program runs the same dispatcher, so its checks, output
// and exit status are those of -serve itself.
#include "server/ServeCommand.h"
#include "util/Strings.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>

namespace tavo {

void runServe(const std::u16string& folder, const ServeOptions& options, Report& report)
{
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string program = length > 0 ? std::string(self, static_cast<size_t>(length)) : std::string();
    program = program.substr(0, program.rfind('/') + 1) + "tavoalign-serve";
    const std::string dir = utf8FromWide(folder);
    const std::string port = std::to_string(options.port);
    const char* argv[] = {program.c_str(), "-serve", dir.c_str(), "--port", port.c_str(), nullptr};
    std::cout.flush();
    execv(program.c_str(), const_cast<char* const*>(argv));
    report.fail(program, std::string("cannot run the server program: ") + std::strerror(errno));
}

}  // namespace tavo
