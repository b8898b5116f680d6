// The hlvpres command that builds the OAuth settings page.
#pragma once

#include "cli/Commands.h"

namespace hlvpres {

/// Prints the OAuth settings record of the installed registries as one line of JSON.
int OAuthSettings(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);

extern const char kOAuthSettingsHelp[];

}  // namespace hlvpres
