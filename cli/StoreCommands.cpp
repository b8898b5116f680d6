#include "cli/StoreCommands.h"

#include "cli/ConnectionCommands.h"
#include "host/store/Store.h"
#include "services/ConnectionServices.h"
#include "services/InputError.h"
#include "services/SavedConnections.h"

#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>

namespace hlvpres {

using Services::InputError;

const char kConnectionsHelp[] =
    "usage: hlvpres connections list\n"
    "       hlvpres connections show NAME\n"
    "       hlvpres connections save NAME CLASS --attributes JSON\n"
    "       hlvpres connections rename OLD NEW\n"
    "       hlvpres connections delete NAME\n"
    "       hlvpres connections export-url NAME\n"
    "       hlvpres connections import-url NAME URL\n"
    "       hlvpres connections export\n"
    "       hlvpres connections import FILE\n\n"
    "The connections saved in the store: HLV_STORE names it, a file path (SQLite) or a\n"
    "postgresql:// URL; without it, $XDG_DATA_HOME/hlvpres/store.sqlite. Secrets are kept\n"
    "encrypted and never printed: a saved connection names them by \"credential-id\".\n\n"
    "list prints one line per saved connection, NAME, a tab and CLASS, sorted by name. show\n"
    "prints one JSON object of its attributes (its class under \"class\") with sorted keys.\n"
    "save creates or updates NAME with the attributes JSON (an object of strings); on update a\n"
    "secret absent from JSON (or given as ********) keeps its saved value, one non-empty\n"
    "replaces it and one empty removes it. delete removes a connection with its secrets.\n\n"
    "export-url prints the connection's URL without its password, such as\n"
    "postgresql://user@host:5432/db?sslmode=require, mysql://user@host:3306/db or\n"
    "sqlite:///path, its other attributes as query parameters and special characters\n"
    "percent-encoded. import-url saves the URL's connection as NAME (postgresql:, postgres:,\n"
    "mysql:, mariadb: or sqlite:), a password in it among its secrets.\n\n"
    "export prints every saved connection without its secrets as one JSON document, a file a\n"
    "team shares; import saves each connection of such a FILE, keeping the secrets of one\n"
    "already saved, and prints how many it saved. Dialog, describe, preview and test open a\n"
    "saved connection with --saved NAME. A failure prints one \"error: \" line and exits with 1.\n";

const char kStoreHelp[] =
    "usage: hlvpres store rotate-key\n\n"
    "Encrypts every secret of the store (HLV_STORE, as hlvpres connections names it) anew\n"
    "under a new key in one transaction, and makes the new key the store's. A failure changes\n"
    "nothing and prints one \"error: \" line.\n";

namespace {

TString Argument(const std::string& text) { return TStringFromUtf8(text); }

/// The positional arguments of `options` after the subcommand, exactly `count` of them.
const std::vector<std::string>& Exactly(const Options& options, size_t count, const char* usage) {
  if (options.positional.size() != count + 1)
    throw InputError(QStringLiteral("usage: hlvpres connections %1").arg(QLatin1String(usage)));
  return options.positional;
}

}  // namespace

int ConnectionsCommand(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  return RunCommand(err, [&] {
    const Options options = ParseOptions(arguments, {"--attributes"});
    if (options.positional.empty())
      throw InputError(QStringLiteral("name what to do: list, show, save, rename, delete, export-url, import-url, "
                                      "export or import"));
    const std::string& what = options.positional.front();
    if (what != "save" && Value(options, "--attributes"))
      throw InputError(QStringLiteral("only save takes --attributes"));
    if (what == "list") {
      Exactly(options, 0, "list");
      out << Services::ListConnectionsText();
    } else if (what == "show") {
      out << Services::ShowConnectionJson(Argument(Exactly(options, 1, "show NAME")[1])) << '\n';
    } else if (what == "save") {
      const auto& words = Exactly(options, 2, "save NAME CLASS --attributes JSON");
      const std::optional<std::string> attributes = Value(options, "--attributes");
      if (!attributes) throw InputError(QStringLiteral("save needs --attributes JSON"));
      const TString connectionClass = Services::KnownConnectionClass(words[2]);
      const ConnectionAttributeMap parsed = Services::ParseAttributes(*attributes);
      Services::SaveConnection(Argument(words[1]), connectionClass, parsed);
      Services::RememberAttributes(connectionClass, parsed);
    } else if (what == "rename") {
      const auto& words = Exactly(options, 2, "rename OLD NEW");
      Services::RenameConnection(Argument(words[1]), Argument(words[2]));
    } else if (what == "delete") {
      Services::DeleteConnection(Argument(Exactly(options, 1, "delete NAME")[1]));
    } else if (what == "export-url") {
      out << Services::ExportUrl(Argument(Exactly(options, 1, "export-url NAME")[1])) << '\n';
    } else if (what == "import-url") {
      const auto& words = Exactly(options, 2, "import-url NAME URL");
      Services::ImportUrl(Argument(words[1]), words[2]);
    } else if (what == "export") {
      Exactly(options, 0, "export");
      out << Services::ExportJson() << '\n';
    } else if (what == "import") {
      const std::string& file = Exactly(options, 1, "import FILE")[1];
      std::ifstream in(file, std::ios::binary);
      if (!in) throw InputError(QStringLiteral("cannot read %1").arg(Argument(file)));
      const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      out << Services::ImportJson(text) << '\n';
    } else {
      throw InputError(QStringLiteral("connections does not %1: list, show, save, rename, delete, export-url, "
                                      "import-url, export or import")
                           .arg(Argument(what)));
    }
    return 0;
  });
}

int StoreCommand(const Arguments& arguments, std::istream&, std::ostream&, std::ostream& err) {
  return RunCommand(err, [&] {
    if (arguments.size() != 1 || arguments[0] != "rotate-key")
      throw InputError(QStringLiteral("usage: hlvpres store rotate-key"));
    Store::Instance().RotateKey();
    return 0;
  });
}

}  // namespace hlvpres
