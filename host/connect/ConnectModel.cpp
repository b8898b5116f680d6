// The facades of the connection model's process-wide services, and its small value types.
#include "host/connect/CloudFileConnectorsRegistry.h"
#include "host/connect/ConnectConfigUtils.h"
#include "host/connect/ConnectionFields.h"
#include "host/connect/ConnectionSettingsCache.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connect/CredentialsService.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/connect/DataSource.h"
#include "host/connect/DataSourceException.h"
#include "host/connect/DriverDiagnostics.h"
#include "host/connect/GoogleAnalytics.h"
#include "host/connect/IDSConnectorParams.h"
#include "host/connect/SQLRelation.h"

#include "host/Exceptions.h"
#include "host/ServiceSlot.h"
#include "host/connectors/Defaults.h"

#include <QRegularExpression>

#include <utility>

// --- Interfaces ------------------------------------------------------------------------------

namespace Connect {
IConnector::~IConnector() = default;
IWebDataConnectorInfo::~IWebDataConnectorInfo() = default;
IConnectorPlugin::~IConnectorPlugin() = default;
IRegistry::~IRegistry() = default;
IConnectionFieldsModel::~IConnectionFieldsModel() = default;
}  // namespace Connect

ICloudFileConnectorsRegistry::~ICloudFileConnectorsRegistry() = default;
IDriverDiagnostics::~IDriverDiagnostics() = default;
ICredentialsService::~ICredentialsService() = default;
IConnectionSettingsCacheAccessor::~IConnectionSettingsCacheAccessor() = default;
IConnectionConfigFactory::~IConnectionConfigFactory() = default;
IDSConnectorParams::~IDSConnectorParams() = default;
IDataSourceInfoProvider::~IDataSourceInfoProvider() = default;
IDataSource::~IDataSource() = default;
RefCntPtr<const SQLRelation> IDataSource::GetRelationForAlias(const TString&) const { return nullptr; }
DSConnectionConfig::~DSConnectionConfig() = default;
RelationalDSConnectionConfig::~RelationalDSConnectionConfig() = default;
HierarchicalDSConnectionConfig::~HierarchicalDSConnectionConfig() = default;
IGoogleAnalyticsConnectionConfig::~IGoogleAnalyticsConnectionConfig() = default;
DataSourceException::DataSourceException(TString message, Reason reason, TString details)
    : HalvaneException(std::move(message)), m_reason(reason), m_details(std::move(details)) {}
DataSourceException::~DataSourceException() = default;

const char* DataSourceException::ReasonName(Reason reason) noexcept {
  switch (reason) {
    case Reason::kOther: break;
    case Reason::kHostNotFound: return "host-not-found";
    case Reason::kRefused: return "refused";
    case Reason::kTimedOut: return "timed-out";
    case Reason::kTls: return "tls";
    case Reason::kAuthentication: return "authentication";
    case Reason::kDatabaseMissing: return "database-missing";
    case Reason::kDriverMissing: return "driver-missing";
    case Reason::kCancelled: return "cancelled";
    case Reason::kRefusedWrite: return "refused-write";
  }
  return "other";
}
SQLRelation::~SQLRelation() = default;
SQLTableRelation::~SQLTableRelation() = default;
SQLTextRelation::~SQLTextRelation() = default;

// --- Connector registry ----------------------------------------------------------------------

namespace Connect {
namespace {

ServiceSlot<IRegistry>& RegistrySlot() {
  static ServiceSlot<IRegistry> slot(&ConnectorDefaults::MakeRegistry);
  return slot;
}

}  // namespace

IRegistry& Registry::Instance() { return RegistrySlot().Get(); }

std::shared_ptr<IRegistry> Registry::Install(std::shared_ptr<IRegistry> registry) {
  return RegistrySlot().Install(std::move(registry));
}

bool Registry::IsLegacyOAuthDataSource(const TString& c) { return Instance().IsLegacyOAuthClass(c); }
bool Registry::IsWDCBasedDataSource(const TString& c) { return Instance().IsWebDataConnectorClass(c); }
bool Registry::IsHalvaneServerConnection(const TString& c) { return Instance().IsServerConnectionClass(c); }
bool Registry::IsSemiStructOrDerivedClass(const TString& c) { return Instance().IsSemiStructuredClass(c); }
bool Registry::CanRecommendTables(const TString& c) { return Instance().CanRecommendTablesFor(c); }
bool Registry::CanRecommendDataSources(const TString& c) { return Instance().CanRecommendDataSourcesFor(c); }

// --- Connection fields -----------------------------------------------------------------------

ConnectionFieldsFilter::ConnectionFieldsFilter(ConnectionAttributeMap attributes)
    : m_attributes(std::move(attributes)) {}

TString ConnectionFieldsFilter::GetValue(const TString& name) const {
  const auto found = m_attributes.find(name);
  return found == m_attributes.end() ? TString() : found->second;
}

const ConnectionFieldsFilterFactory& ConnectionFieldsFilterFactory::Instance() {
  static const ConnectionFieldsFilterFactory factory;
  return factory;
}

ConnectionFieldsFilter ConnectionFieldsFilterFactory::CreateFilter(const ConnectionAttributeMap& attributes) const {
  return ConnectionFieldsFilter(attributes);
}

ConnectionField::ConnectionField(TString name, bool secure) : m_name(std::move(name)), m_secure(secure) {}

}  // namespace Connect

// --- Cloud-file registry, driver diagnostics, credentials ------------------------------------

namespace {

ServiceSlot<ICloudFileConnectorsRegistry>& CloudFileSlot() {
  static ServiceSlot<ICloudFileConnectorsRegistry> slot(&ConnectorDefaults::MakeCloudFileRegistry);
  return slot;
}

ServiceSlot<IDriverDiagnostics>& DriverSlot() {
  static ServiceSlot<IDriverDiagnostics> slot(&ConnectorDefaults::MakeDriverDiagnostics);
  return slot;
}

ServiceSlot<ICredentialsService>& CredentialsSlot() {
  static ServiceSlot<ICredentialsService> slot(&ConnectorDefaults::MakeCredentialsService);
  return slot;
}

ServiceSlot<IConnectionConfigFactory>& ConfigFactorySlot() {
  static ServiceSlot<IConnectionConfigFactory> slot(&ConnectorDefaults::MakeConnectionConfigFactory);
  return slot;
}

}  // namespace

const ICloudFileConnectorsRegistry& CloudFileConnectorsRegistry::Get() { return CloudFileSlot().Get(); }

std::shared_ptr<ICloudFileConnectorsRegistry> CloudFileConnectorsRegistry::Install(
    std::shared_ptr<ICloudFileConnectorsRegistry> registry) {
  return CloudFileSlot().Install(std::move(registry));
}

bool DriverDiagnostics::HasDriver(const ConnectionAttributeMap& attributes, TString& message) {
  return DriverSlot().Get().HasDriver(attributes, message);
}

std::shared_ptr<IDriverDiagnostics> DriverDiagnostics::Install(std::shared_ptr<IDriverDiagnostics> diagnostics) {
  return DriverSlot().Install(std::move(diagnostics));
}

ICredentialsService& CredentialsService::Instance() { return CredentialsSlot().Get(); }

std::shared_ptr<ICredentialsService> CredentialsService::Install(std::shared_ptr<ICredentialsService> service) {
  return CredentialsSlot().Install(std::move(service));
}

bool CredentialsServiceHelpers::UseInMemoryService(const TString& connectionClass) {
  return Connect::Registry::Instance().UsesInMemoryCredentials(connectionClass);
}

TString CredentialsServiceHelpers::SaveCredentials(const ConnectionAttributeMap& attributes,
                                                   const SecretMap& secrets) {
  return CredentialsService::Instance().SaveCredentials(attributes, secrets);
}

// --- Configurations --------------------------------------------------------------------------

const IConnectionConfigFactory& ConnectionConfigFactory::Instance() { return ConfigFactorySlot().Get(); }

std::shared_ptr<IConnectionConfigFactory> ConnectionConfigFactory::Install(
    std::shared_ptr<IConnectionConfigFactory> factory) {
  return ConfigFactorySlot().Install(std::move(factory));
}

RefCntPtr<DSConnectionConfig> DSConnectionConfig::CreateInstance(const TString& connectionClass,
                                                                 RefCntPtr<const IDataSource> dataSource,
                                                                 RefCntPtr<const IDataSourceInfoProvider> infoProvider,
                                                                 const TString& name,
                                                                 const DataObjectModel::ObjectId& objectId,
                                                                 bool isNewConnection) {
  ConnectionConfigRequest request;
  request.connectionClass = connectionClass;
  request.dataSource = std::move(dataSource);
  request.infoProvider = std::move(infoProvider);
  request.name = name;
  request.objectId = objectId;
  request.isNewConnection = isNewConnection;
  return ConnectionConfigFactory::Instance().CreateConfig(request);
}

RefCntPtr<DSConnectionConfig> DSConnectionConfig::CreateInstance(const TString& connectionClass,
                                                                 Attributes attributes) {
  ConnectionConfigRequest request;
  request.connectionClass = connectionClass;
  request.attributes = std::move(attributes);
  return ConnectionConfigFactory::Instance().CreateConfig(request);
}

// --- Settings cache --------------------------------------------------------------------------

class ConnectionSettingsCache::Accessor final : public IConnectionSettingsCacheAccessor {
 public:
  explicit Accessor(const ConnectionSettingsCache& cache) : m_cache(cache) {}

  bool IsCacheAvailable() const override { return true; }

  ConnectionAttributeMap GetCachedAttributes(const TString& connectionClass) const override {
    std::lock_guard<std::mutex> lock(m_cache.m_mutex);
    const auto found = m_cache.m_attributes.find(connectionClass);
    return found == m_cache.m_attributes.end() ? ConnectionAttributeMap() : found->second;
  }

 private:
  const ConnectionSettingsCache& m_cache;
};

ConnectionSettingsCache::ConnectionSettingsCache() = default;
ConnectionSettingsCache::~ConnectionSettingsCache() = default;

void ConnectionSettingsCache::Remember(const TString& connectionClass, ConnectionAttributeMap attributes) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_attributes.insert_or_assign(connectionClass, std::move(attributes));
}

void ConnectionSettingsCache::Forget(const TString& connectionClass) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_attributes.erase(connectionClass);
}

std::unique_ptr<IConnectionSettingsCacheAccessor> ConnectionSettingsCache::CreateAccessor() const {
  return std::make_unique<Accessor>(*this);
}

// --- Helpers ---------------------------------------------------------------------------------

namespace ConnectConfigUtils {

TString GetConnectionCaption(const RefCntPtr<const DSConnectionConfig>& config) {
  const TString name = config->GetConfigName();
  return name.isEmpty() ? Connect::Registry::Instance().GetClassCaption(config->ClassName(), TString()) : name;
}

void GetCubeSpecification(const RefCntPtr<const DSConnectionConfig>& config, TString& id, TString& value) {
  id.clear();
  value.clear();
  const RefCntPtr<const HierarchicalDSConnectionConfig> hierarchical = config->AsHierarchical();
  if (!hierarchical) return;
  for (const auto& option : hierarchical->GetConnectionSpecificationOptions(config->GetConnectionAttributes())) {
    if (!option.IsSelected()) continue;
    id = option.GetOptionId();
    value = option.GetCurrentText();
  }
}

}  // namespace ConnectConfigUtils

namespace DataConnectionAuthentication {

bool MayNeedAuth(const TString& connectionClass) { return Connect::Registry::Instance().MayNeedAuth(connectionClass); }

}  // namespace DataConnectionAuthentication

namespace TokenSubstitutionUtils {

TString PrepareParameterTokensForDisplay(const TString& sql, const RefCntPtr<IDataSource>& dataSource) {
  static const QRegularExpression token(QStringLiteral(R"(<\[Parameters\]\.\[([^\]]*)\]>)"));
  TString shown;
  int from = 0;
  QRegularExpressionMatchIterator matches = token.globalMatch(sql);
  while (matches.hasNext()) {
    const QRegularExpressionMatch match = matches.next();
    shown += sql.mid(from, match.capturedStart() - from);
    shown += QStringLiteral("<Parameters.") + dataSource->GetParameterCaption(match.captured(1)) + QLatin1Char('>');
    from = match.capturedEnd();
  }
  shown += sql.mid(from);
  return shown;
}

}  // namespace TokenSubstitutionUtils
