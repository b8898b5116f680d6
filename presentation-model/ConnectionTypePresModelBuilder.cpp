#include "presentation-model/ConnectionTypePresModelBuilder.h"

#include "host/Exceptions.h"
#include "host/app/AppConfig.h"
#include "host/app/OEMInfo.h"
#include "host/app/StringIds.h"
#include "host/app/StringTable.h"
#include "host/connect/CloudFileConnectorsRegistry.h"
#include "host/connect/ConnectionAttributes.h"
#include "host/connect/DriverDiagnostics.h"

#include <utility>

namespace {

// The invalid group, under the name the constructor's check states it by.
constexpr ConnectionTypeGroup CTG_Invalid = ConnectionTypeGroup::Invalid;

// The class of the gallery's fixed entries, which stand for no connection class.
constexpr QLatin1String kNoConnectionClass = Latin1Literal("invalidconnection");

// S3 is never enabled in a restricted gallery, whatever the registry says of it.
constexpr QLatin1String kS3Class = Latin1Literal("s3");

// The recent servers a new list starts with outside an OEM build.
constexpr const char* kDefaultRecentServers[] = {"sqlserver", "mysql", "oracle", "redshift"};

RefCntPtr<const ConnectionTypePresModel> FixedItem(StringId label, ConnectionTypeCategory category) {
  RefCntPtr<ConnectionTypePresModel> item = MakeRefCnt<ConnectionTypePresModel>();
  item->SetDataSourceClass(kNoConnectionClass);
  item->SetLabel(LookupTStr(label));
  item->SetIsEnabled(true);
  item->SetCategory(category);
  return item;
}

}  // namespace

ConnectionTypeGroupPresModelBuilder::ConnectionTypeGroupPresModelBuilder(
    ConnectionTypeGroup group, bool restricted, const std::unordered_set<TString>& disabledClasses,
    std::unique_ptr<IConnectionTypeMru> mru, std::function<bool()> searchDisabled)
    : m_restricted(restricted),
      m_group(group),
      m_disabledClasses(disabledClasses),
      m_connectionTypeMru(std::move(mru)),
      m_searchDisabled(std::move(searchDisabled)) {
  HLV_ASSERT(m_group != CTG_Invalid);
  HLV_ASSERT(m_connectionTypeMru);
}

ConnectionTypeGroupPresModelBuilder::~ConnectionTypeGroupPresModelBuilder() = default;

RefCntPtr<const ConnectionTypeGroupPresModel> ConnectionTypeGroupPresModelBuilder::Build() {
  RefCntPtr<ConnectionTypeGroupPresModel> group = MakeRefCnt<ConnectionTypeGroupPresModel>();
  ConnectionTypes items;
  switch (m_group) {
    case ConnectionTypeGroup::File:
      group->SetLabel(LookupTStr(StringIds::kGalleryToAFile));
      BuildFileConnections(items);
      break;
    case ConnectionTypeGroup::Server:
      group->SetLabel(LookupTStr(StringIds::kGalleryToAServer));
      BuildServerConnections(items);
      break;
    case ConnectionTypeGroup::MruServer:
      group->SetLabel(LookupTStr(StringIds::kGalleryToAServer));
      BuildMruServerConnections(items);
      break;
    case ConnectionTypeGroup::HalvaneServer:
      BuildHalvaneServerConnections(items);
      break;
    case ConnectionTypeGroup::ConnectionsFlyout:
      items.push_back(BuildAllConnectorsConnectionType());
      break;
    case ConnectionTypeGroup::AdsNimbara:
    case ConnectionTypeGroup::Invalid:  // refused by the constructor
      break;
  }
  group->SetConnectionTypes(std::move(items));
  return group;
}

void ConnectionTypeGroupPresModelBuilder::BuildFileConnections(ConnectionTypes& items) const {
  const std::vector<TString> classes =
      Connect::Registry::Instance().GetConnectionClasses(Connect::ConnectionClassKind::kFile);
  BuildDatabaseConnectionTypes({classes.begin(), classes.end()}, items);
  const IOEMInfo& oem = OEMInfo::Singleton(false);
  if (oem.IsOEMBuild() && oem.GetAsBoolean(OEMSettingIds::kNoOtherFilesInGallery)) return;
  items.push_back(BuildOtherFilesConnectionType());
}

void ConnectionTypeGroupPresModelBuilder::BuildServerConnections(ConnectionTypes& items) const {
  const std::vector<TString> classes =
      Connect::Registry::Instance().GetConnectionClasses(Connect::ConnectionClassKind::kServer);
  BuildDatabaseConnectionTypes({classes.begin(), classes.end()}, items);
}

void ConnectionTypeGroupPresModelBuilder::BuildMruServerConnections(ConnectionTypes& items) {
  ConnectionTypes servers;
  BuildServerConnections(servers);

  if (m_connectionTypeMru->NeedsDefaults()) {
    std::list<TString> defaults;
    if (OEMInfo::Singleton(false).IsOEMBuild()) {
      for (const RefCntPtr<const ConnectionTypePresModel>& server : servers)
        if (!Connect::Registry::IsHalvaneServerConnection(server->GetDataSourceClass()))
          defaults.push_back(server->GetDataSourceClass());
    } else {
      for (const char* connectionClass : kDefaultRecentServers) defaults.push_back(QLatin1String(connectionClass));
    }
    m_connectionTypeMru->SetDefaultConnectionClasses(defaults);
  }

  BuildDatabaseConnectionTypes(m_connectionTypeMru->GetConnectionClasses(), items);
  if (servers.size() > items.size()) items.push_back(BuildMoreItemsConnectionType());
}

void ConnectionTypeGroupPresModelBuilder::BuildHalvaneServerConnections(ConnectionTypes& items) const {
  items.clear();
  if (!AppConfig::IsDesktop()) return;
  RefCntPtr<ConnectionTypePresModel> search = MakeRefCnt<ConnectionTypePresModel>();
  search->SetDataSourceClass(kNoConnectionClass);
  search->SetLabel(LookupTStr(StringIds::kGallerySearchForData));
  search->SetIsEnabled(true);
  search->SetCategory(ConnectionTypeCategory::Searchfordataset);
  if (m_restricted && m_searchDisabled && m_searchDisabled()) search->SetIsEnabled(false);
  items.push_back(search);
}

void ConnectionTypeGroupPresModelBuilder::BuildDatabaseConnectionTypes(const std::list<TString>& classes,
                                                                       ConnectionTypes& items) const {
  items.clear();
  for (const TString& connectionClass : classes)
    if (RefCntPtr<const ConnectionTypePresModel> item = BuildDatabaseConnectionType(connectionClass))
      items.push_back(std::move(item));
}

RefCntPtr<const ConnectionTypePresModel> ConnectionTypeGroupPresModelBuilder::BuildDatabaseConnectionType(
    const TString& connectionClass) const {
  const Connect::IRegistry& registry = Connect::Registry::Instance();
  const bool halvaneServer = Connect::Registry::IsHalvaneServerConnection(connectionClass);
  if (!registry.IsConnectionTypeVisible(connectionClass) || (AppConfig::IsDesktop() && halvaneServer)) return nullptr;

  const bool disabledData = m_disabledClasses.count(connectionClass) != 0;
  const bool enabled = !m_restricted || (registry.IsUsableWhenRestricted(connectionClass) &&
                                         !Connect::Registry::IsSemiStructOrDerivedClass(connectionClass) &&
                                         !disabledData && !halvaneServer && connectionClass != kS3Class);
  const TString label = registry.GetClassCaption(connectionClass, TString());
  const ConnectionTypeCategory category = GetConnectionTypeCategory(registry, connectionClass);

  RefCntPtr<ConnectionTypePresModel> item = MakeRefCnt<ConnectionTypePresModel>();
  if (AppConfig::IsHalvaneServer()) {
    // The server's web gallery tells a class whose driver is missing, and opens cloud files in
    // the browser through the provider's proxy.
    TString missingDriver;
    item->SetHasDriver(DriverDiagnostics::HasDriver({{TString(DataConnectionAttrs::attrClass), connectionClass}},
                                                    missingDriver));
    if (category == ConnectionTypeCategory::Cloudfile) {
      const ICloudFileConnectorsRegistry& cloudFiles = CloudFileConnectorsRegistry::Get();
      item->SetCorsProxyUrlPrefix(cloudFiles.GetCorsProxyUrlPrefix(connectionClass));
      item->SetFileExtensionss(cloudFiles.GetSupportedFileExtensions(connectionClass));
    }
  }
  item->SetDataSourceClass(connectionClass);
  item->SetLabel(label);
  item->SetIsDisabledDataConnection(disabledData);
  item->SetIsEnabled(enabled);
  item->SetCategory(category);
  return item;
}

RefCntPtr<const ConnectionTypePresModel> ConnectionTypeGroupPresModelBuilder::BuildAllConnectorsConnectionType() {
  return FixedItem(StringIds::kGalleryAllConnectors, ConnectionTypeCategory::More);
}

RefCntPtr<const ConnectionTypePresModel> ConnectionTypeGroupPresModelBuilder::BuildMoreItemsConnectionType() {
  return FixedItem(StringIds::kGalleryMore, ConnectionTypeCategory::More);
}

RefCntPtr<const ConnectionTypePresModel> ConnectionTypeGroupPresModelBuilder::BuildOtherFilesConnectionType() {
  return FixedItem(StringIds::kGalleryMore, ConnectionTypeCategory::Other);
}

ConnectionTypeCategory ConnectionTypeGroupPresModelBuilder::GetConnectionTypeCategory(
    const Connect::IRegistry& registry, const TString& connectionClass) {
  if (Connect::Registry::IsLegacyOAuthDataSource(connectionClass)) return ConnectionTypeCategory::Legacyoauth;
  if (registry.IsCloudFileClass(connectionClass)) return ConnectionTypeCategory::Cloudfile;
  return ConnectionTypeCategory::Database;
}
