// The hlvpres command that serves the connection dialogs to a browser on this machine.
#pragma once

#include "cli/Commands.h"

namespace hlvpres {

/// Serves the web front end and the JSON API (cli/WebApi.h) on 127.0.0.1 until it is stopped.
int Serve(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);

extern const char kServeHelp[];

}  // namespace hlvpres
