#include "services/GalleryServices.h"

#include "connect/ConnectionTypeMru.h"
#include "host/Exceptions.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connectors/MruFile.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "presentation-model/ConnectionTypePresModelBuilder.h"
#include "services/InputError.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace Services {

ConnectionTypeGroup ParseGalleryGroup(const TString& group) {
  const std::optional<std::int32_t> value = EnumTableOf<ConnectionTypeGroup>().FindValue(group);
  // The invalid group has a string, but no gallery to build.
  if (!value || static_cast<ConnectionTypeGroup>(*value) == ConnectionTypeGroup::Invalid)
    throw InputError(QStringLiteral("no gallery group is called \"%1\"; expected file, server, mru-server, halvane-server, "
                                    "ads-nimbara or connections-flyout")
                         .arg(group));
  return static_cast<ConnectionTypeGroup>(*value);
}

TString KnownServerConnectionClass(const TString& name) {
  const Connect::IRegistry& registry = Connect::Registry::Instance();
  if (!registry.LookupConnector(name)) throw InputError(QStringLiteral("unknown connection class \"%1\"").arg(name));
  const std::vector<TString> servers = registry.GetConnectionClasses(Connect::ConnectionClassKind::kServer);
  if (std::find(servers.begin(), servers.end(), name) == servers.end())
    throw InputError(QStringLiteral("\"%1\" is not a server connection class; the list of recent connections "
                                    "keeps server classes only")
                         .arg(name));
  return name;
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
    // The list keeps server classes only, whoever asks.
    mru->AddConnectionClass(KnownServerConnectionClass(*options.use));
    // The warning logged says why; the caller must not look as if it recorded the use.
    if (!file->IsSaved())
      throw HalvaneException(QStringLiteral("the use of %1 was not saved in the list of recent connections in %2")
                                 .arg(*options.use, file->GetPath()));
  }

  const RefCntPtr<const ConnectionTypeGroupPresModel> group =
      ConnectionTypeGroupPresModelBuilder(options.group, options.restricted, options.disabled, std::move(mru), {})
          .Build();
  return WriteParametersJson(*group->AsIParameters(), ParametersRegistry::Get());
}

}  // namespace Services
