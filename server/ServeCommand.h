// -serve: a local web server over a batch folder or one page's working folder
// that serves the review pages and takes the corrections made in them (see
// docs/editor.md).
#pragma once

#include "util/Report.h"

#include <functional>
#include <string>

namespace tavo {

struct ServeOptions {
    int port = 0;                      // 0: a free port
    std::string host = "127.0.0.1";
    size_t maxBody = 8u << 20;         // larger requests are answered 413
    // Called once listening with the address to open, then once per save
    // with "saved PAGE/words.xml (version V)"; the dispatcher prints them.
    std::function<void(const std::string&)> say;
};

// Serves until SIGINT or SIGTERM arrives (or stopServing is called).  A
// folder that does not exist or a port that cannot be bound is a
// RuntimeFailure.
void runServe(const std::u16string& folder, const ServeOptions& options, Report& report);

// Ends a runServe of this process from another thread (tests).
void stopServing();

// 32 hex digits from /dev/urandom.
std::string randomToken();

}  // namespace tavo
