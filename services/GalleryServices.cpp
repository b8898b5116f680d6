#include "services/GalleryServices.h"

#include "connect/ConnectionTypeMru.h"
#include "host/Exceptions.h"
#include "host/app/Log.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connect/DriverDiagnostics.h"
#include "host/connectors/MruFile.h"
#include "host/parameters/JsonText.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "host/store/Store.h"
#include "presentation-model/ConnectionTypePresModelBuilder.h"
#include "services/InputError.h"

#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <vector>

namespace Services {

namespace {

// The offset of the '}' that closes the object opening at `start` in the JSON text `json`.
std::size_t ObjectEnd(const std::string& json, std::size_t start) {
  int depth = 0;
  bool inString = false;
  for (std::size_t i = start; i < json.size(); ++i) {
    const char c = json[i];
    if (inString) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '{' || c == '[') {
      ++depth;
    } else if ((c == '}' || c == ']') && --depth == 0) {
      return i;
    }
  }
  HLV_THROW_LOGIC("a gallery entry is a whole JSON object");
}

// `json`, the group record `group` as written, with "driver-missing-info" added last to each
// entry whose class lacks its driver on this machine: the message its dialog shows. The record
// itself tells a missing driver only in the server's gallery ("has-driver"); every gallery
// tells it so. The record's own text is left byte for byte as it was written.
std::string WithDriverMessages(std::string json, const ConnectionTypeGroupPresModel& group) {
  for (const RefCntPtr<const ConnectionTypePresModel>& item : group.GetConnectionTypes()) {
    TString message;
    const ConnectionAttributeMap attributes{{TString(DataConnectionAttrs::attrClass), item->GetDataSourceClass()}};
    if (DriverDiagnostics::HasDriver(attributes, message) || message.isEmpty()) continue;
    std::string entry = "{\"value-class-attr\":";
    AppendJsonString(entry, item->GetDataSourceClass());
    const std::size_t start = json.find(entry);
    if (start == std::string::npos) HLV_THROW_LOGIC("every gallery entry is written with its class first");
    std::string field = ",\"driver-missing-info\":";
    AppendJsonString(field, message);
    json.insert(ObjectEnd(json, start), field);
  }
  return json;
}

bool IsServerClass(const TString& connectionClass) {
  const std::vector<TString> servers =
      Connect::Registry::Instance().GetConnectionClasses(Connect::ConnectionClassKind::kServer);
  return std::find(servers.begin(), servers.end(), connectionClass) != servers.end();
}

// The list of recent servers as the store keeps it, so that every process on the store shares
// it. Like the file's list, it records and shows server classes only.
class StoreConnectionTypeMru final : public IConnectionTypeMru {
 public:
  explicit StoreConnectionTypeMru(Store::IStore& store) : m_store(store) {}

  void SetDefaultConnectionClasses(const std::list<TString>& classes) override { m_store.SeedRecent(classes); }
  bool NeedsDefaults() const override { return !m_store.HasRecentList(); }
  std::list<TString> GetConnectionClasses() const override {
    std::list<TString> classes = m_store.RecentClasses();
    classes.remove_if([](const TString& connectionClass) { return !IsServerClass(connectionClass); });
    return classes;
  }
  void AddConnectionClass(const TString& connectionClass) override {
    if (IsServerClass(connectionClass)) m_store.RecordRecent(connectionClass);
  }

 private:
  Store::IStore& m_store;
};

// The store, or null when it cannot be opened: the gallery then keeps the list in the default
// file, and a warning says why. A list the default file kept before the store held one moves
// into the store.
Store::IStore* RecentListStore() {
  Store::IStore* store = nullptr;
  try {
    store = &Store::Instance();
  } catch (const Store::StoreException& fault) {
    LogMessage(TLog::Warn, QStringLiteral("%1; the list of recent connections is kept in %2 instead.")
                               .arg(fault.GetMessage(), MruFile::DefaultPath()));
    return nullptr;
  }
  if (!store->HasRecentList() && QFileInfo::exists(MruFile::DefaultPath())) {
    const MruFile file(MruFile::DefaultPath());
    if (!file.NeedsDefaults()) store->SeedRecent(file.GetConnectionClasses());
  }
  return store;
}

}  // namespace

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
    // The list keeps server classes only, whoever asks: a wrong use is refused before any list is read.
    if (options.use) KnownServerConnectionClass(*options.use);
    Store::IStore* store = options.mruFile ? nullptr : RecentListStore();
    if (store) {
      mru = std::make_unique<StoreConnectionTypeMru>(*store);
    } else {
      file = std::make_shared<MruFile>(options.mruFile.value_or(MruFile::DefaultPath()));
      mru = ConnectionTypeMruFactory::CreatePersistent(file);
    }
  }
  if (options.use) {
    mru->AddConnectionClass(*options.use);
    // The warning logged says why; the caller must not look as if it recorded the use.
    if (file && !file->IsSaved())
      throw HalvaneException(QStringLiteral("the use of %1 was not saved in the list of recent connections in %2")
                                 .arg(*options.use, file->GetPath()));
  }

  const RefCntPtr<const ConnectionTypeGroupPresModel> group =
      ConnectionTypeGroupPresModelBuilder(options.group, options.restricted, options.disabled, std::move(mru), {})
          .Build();
  return WithDriverMessages(WriteParametersJson(*group->AsIParameters(), ParametersRegistry::Get()), *group);
}

}  // namespace Services
