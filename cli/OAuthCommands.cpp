#include "cli/OAuthCommands.h"

#include "services/OAuthServices.h"

#include <exception>
#include <ostream>

namespace hlvpres {

const char kOAuthSettingsHelp[] =
    "usage: hlvpres oauth-settings\n\n"
    "Builds the OAuth settings page from the connector descriptions (the built-in ones and those\n"
    "of HLV_CONNECTORS_PATH) and prints one line: the JSON of its OAuth settings record, with\n"
    "one credential type per web data connector using OAuth, cloud storage provider, cloud-file\n"
    "class, legacy OAuth class, relational OAuth connector and Slack, in that order. Display\n"
    "names are given for every supported language, by short alias.\n\n"
    "HLV_FEATURE_FLAGS and HLV_REMOTE_FEATURE_FLAGS switch the flags the page reads\n"
    "(docs/feature-flags.md). A failure prints one \"error: \" line on standard error and exits\n"
    "with 1.\n";

int OAuthSettings(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  if (!arguments.empty()) {
    err << "error: oauth-settings takes no arguments\n";
    return 1;
  }
  try {
    out << Services::OAuthSettingsJson() << '\n';
    return 0;
  } catch (const std::exception& e) {  // a failure of the command is reported, never fatal
    err << "error: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace hlvpres
