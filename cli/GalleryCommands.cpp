#include "cli/GalleryCommands.h"

#include "host/Exceptions.h"
#include "host/app/AppConfig.h"
#include "services/GalleryServices.h"
#include "services/InputError.h"

#include <QStringList>

#include <optional>
#include <ostream>
#include <string>

namespace hlvpres {

using Services::InputError;

const char kGalleryHelp[] =
    "usage: hlvpres gallery GROUP [--restricted] [--disabled CLASS,...] [--mru FILE]\n"
    "                             [--app-mode MODE] [--use CLASS]\n\n"
    "Builds one group of the connection-type gallery and prints one line: the JSON of its\n"
    "connection type group record. GROUP is file, server, mru-server, halvane-server,\n"
    "ads-nimbara or connections-flyout.\n\n"
    "--restricted builds the gallery of a restricted context, in which only classes usable\n"
    "there are enabled. --disabled marks the listed classes as disabled data connections.\n"
    "--app-mode runs as desktop, server, prep, prep-desktop, flow-processor,\n"
    "flow-processor-service or flow-editor.\n\n"
    "The recent servers (mru-server) come from the list kept in the store (HLV_STORE), or in\n"
    "FILE with --mru; when the store cannot be opened, from hlvpres/mru-connections.json in the\n"
    "user's configuration folder ($XDG_CONFIG_HOME, or ~/.config), after a warning. --use\n"
    "records CLASS, a server class, as the latest used in that list before the group is built.\n"
    "The other groups read no list unless --mru or --use is given. A wrong argument prints one\n"
    "\"error: \" line on standard error and exits with 1; so does a --use that cannot be saved\n"
    "(a full disk, a file that is not a regular file), after the warning that says why. The\n"
    "list then keeps what it held.\n";

namespace {

Services::GalleryOptions ParseGalleryOptions(const Arguments& arguments) {
  Services::GalleryOptions options;
  std::optional<TString> group;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--restricted") {
      options.restricted = true;
      continue;
    }
    if (argument.rfind("--", 0) != 0) {
      if (group) throw InputError(QStringLiteral("name only one group"));
      group = TStringFromUtf8(argument);
      continue;
    }
    if (argument != "--disabled" && argument != "--mru" && argument != "--app-mode" && argument != "--use")
      throw InputError(QStringLiteral("unknown option %1").arg(TStringFromUtf8(argument)));
    if (i + 1 == arguments.size()) throw InputError(QStringLiteral("%1 needs a value").arg(TStringFromUtf8(argument)));
    const TString value = TStringFromUtf8(arguments[++i]);
    if (argument == "--disabled") {
      for (const TString& connectionClass : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
        options.disabled.insert(connectionClass.trimmed());
    } else if (argument == "--mru") {
      if (value.isEmpty()) throw InputError(QStringLiteral("--mru needs a file name"));
      options.mruFile = value;
    } else if (argument == "--app-mode") {
      AppConfig::SetApplicationMode(SettableAppConfig::ParseApplicationMode(value));
    } else {
      options.use = Services::KnownServerConnectionClass(value);
    }
  }

  if (!group) throw InputError(QStringLiteral("name a gallery group"));
  options.group = Services::ParseGalleryGroup(*group);
  return options;
}

}  // namespace

int Gallery(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  try {
    out << Services::GalleryGroupJson(ParseGalleryOptions(arguments)) << '\n';
    return 0;
  } catch (const HalvaneException& e) {  // a wrong argument or a faulty host setting is reported, never fatal
    err << "error: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace hlvpres
