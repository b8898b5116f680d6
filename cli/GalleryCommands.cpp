#include "cli/GalleryCommands.h"

#include "connect/ConnectionTypeMru.h"
#include "host/Exceptions.h"
#include "host/app/AppConfig.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connectors/MruFile.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "parameters/Enums.h"
#include "presentation-model/ConnectionTypePresModelBuilder.h"

#include <QStringList>

#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <unordered_set>
#include <vector>

namespace hlvpres {

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
    "The recent servers (mru-server) come from the list kept in FILE, by default\n"
    "hlvpres/mru-connections.json in the user's configuration folder ($XDG_CONFIG_HOME, or\n"
    "~/.config). --use records CLASS, a server class, as the latest used in that list before the\n"
    "group is built. The other groups read no list unless --mru or --use is given. A wrong\n"
    "argument prints one \"error: \" line on standard error and exits with 1; so does a --use\n"
    "that cannot be saved (a full disk, a file that is not a regular file), after the warning\n"
    "that says why. The file then keeps its previous list.\n";

ConnectionTypeGroup ParseGalleryGroup(const TString& group) {
  const std::optional<std::int32_t> value = EnumTableOf<ConnectionTypeGroup>().FindValue(group);
  // The invalid group has a string, but no gallery to build.
  if (!value || static_cast<ConnectionTypeGroup>(*value) == ConnectionTypeGroup::Invalid)
    throw InputError(QStringLiteral("no gallery group is called \"%1\"; expected file, server, mru-server, halvane-server, "
                                    "ads-nimbara or connections-flyout")
                         .arg(group));
  return static_cast<ConnectionTypeGroup>(*value);
}

std::string GalleryGroupJson(const GalleryOptions& options) {
  // Only the recent servers, or a use to record, touch the user's list.
  std::unique_ptr<IConnectionTypeMru> mru = ConnectionTypeMruFactory::CreateNull();
  std::shared_ptr<MruFile> file;
  if (options.mruFile || options.use || options.group == ConnectionTypeGroup::MruServer) {
    file = std::make_shared<MruFile>(options.mruFile.value_or(MruFile::DefaultPath()));
    mru = ConnectionTypeMruFactory::CreatePersistent(file);
  }
  if (options.use) {
    mru->AddConnectionClass(*options.use);
    // The warning logged says why; the command must not look as if it recorded the use.
    if (!file->IsSaved())
      throw HalvaneException(QStringLiteral("the use of %1 was not saved in the list of recent connections in %2")
                                 .arg(*options.use, file->GetPath()));
  }

  const RefCntPtr<const ConnectionTypeGroupPresModel> group =
      ConnectionTypeGroupPresModelBuilder(options.group, options.restricted, options.disabled, std::move(mru), {})
          .Build();
  return WriteParametersJson(*group->AsIParameters(), ParametersRegistry::Get());
}

namespace {

GalleryOptions ParseGalleryOptions(const Arguments& arguments) {
  GalleryOptions options;
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
      const Connect::IRegistry& registry = Connect::Registry::Instance();
      if (!registry.LookupConnector(value))
        throw InputError(QStringLiteral("unknown connection class \"%1\"").arg(value));
      const std::vector<TString> servers = registry.GetConnectionClasses(Connect::ConnectionClassKind::kServer);
      if (std::find(servers.begin(), servers.end(), value) == servers.end())
        throw InputError(QStringLiteral("\"%1\" is not a server connection class; the list of recent connections "
                                        "keeps server classes only")
                             .arg(value));
      options.use = value;
    }
  }

  if (!group) throw InputError(QStringLiteral("name a gallery group"));
  options.group = ParseGalleryGroup(*group);
  return options;
}

}  // namespace

int Gallery(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  try {
    out << GalleryGroupJson(ParseGalleryOptions(arguments)) << '\n';
    return 0;
  } catch (const HalvaneException& e) {  // a wrong argument or a faulty host setting is reported, never fatal
    err << "error: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace hlvpres
