// Transitional defaults: the built-in connector list of connectors.json with the few facts it
// holds. The description-driven registry, configurations, cloud-file registry, driver checks
// and credential store replace these.
#include "host/connectors/Defaults.h"

#include "host/Exceptions.h"
#include "host/connect/CloudFileConnectorsRegistry.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connect/CredentialsService.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/connect/DriverDiagnostics.h"
#include "host/detail/RapidJson.h"

#include <map>
#include <utility>

extern const char kBuiltinConnectorsJson[];  // connectors.json, embedded by the build

namespace {

class DataConnector final : public Connect::IConnector {
 public:
  DataConnector(TString className, TString caption, bool supportsInitialSQL)
      : m_className(std::move(className)), m_caption(std::move(caption)), m_supportsInitialSQL(supportsInitialSQL) {}

  const TString& GetClassName() const override { return m_className; }
  const TString& GetCaption() const override { return m_caption; }
  bool SupportsInitialSQL() const override { return m_supportsInitialSQL; }
  bool SupportsOAuth() const override { return false; }
  bool SupportsCustomDomain(const TString&) const override { return false; }
  std::vector<TString> GetOAuthConfigs() const override { return {}; }
  TString GetOAuthConfigLabel(const TString&) const override { return TString(); }

 private:
  ~DataConnector() override = default;
  TString m_className;
  TString m_caption;
  bool m_supportsInitialSQL;
};

class ListRegistry final : public Connect::IRegistry {
 public:
  ListRegistry() {
    rapidjson::Document document;
    document.Parse(kBuiltinConnectorsJson);
    HLV_ASSERT(!document.HasParseError() && document.IsObject());
    for (const rapidjson::Value& entry : document["connectors"].GetArray()) {
      const TString name = QString::fromUtf8(entry["class"].GetString());
      m_connectors[name] = MakeRefCnt<DataConnector>(name, QString::fromUtf8(entry["caption"].GetString()),
                                                     entry["supports-initial-sql"].GetBool());
    }
  }

  RefCntPtr<const Connect::IConnector> LookupConnector(const TString& c) const override {
    const auto found = m_connectors.find(c);
    return found == m_connectors.end() ? nullptr : found->second;
  }
  RefCntPtr<const Connect::IConnector> CreateConnector(const TString& c, int) const override { return LookupConnector(c); }
  RefCntPtr<const Connect::IConnectorPlugin> GetConnectorPlugin(const TString&) const override { return nullptr; }
  std::vector<TString> GetRegisteredClasses() const override {
    std::vector<TString> classes;
    for (const auto& entry : m_connectors) classes.push_back(entry.first);
    return classes;
  }
  std::vector<TString> GetConnectionClasses(Connect::ConnectionClassKind) const override { return {}; }
  TString GetClassCaption(const TString& c, const TString&) const override {
    const auto found = m_connectors.find(c);
    return found == m_connectors.end() ? c : found->second->GetCaption();
  }
  TString GetAuthenticationValue(const TString&, AuthenticationEnums::AuthOption) const override { return {}; }
  AuthenticationEnums::AuthOption GetAuthOption(const TString&, const TString&) const override {
    return AuthenticationEnums::AuthOption::AuthOptionInvalid;
  }
  bool IsConnectionTypeVisible(const TString& c) const override { return m_connectors.count(c) != 0; }
  bool IsUsableWhenRestricted(const TString&) const override { return false; }
  bool IsCloudFileClass(const TString&) const override { return false; }
  bool ExcludesGenericAuth(const TString&) const override { return false; }
  bool IsLegacyOAuthClass(const TString&) const override { return false; }
  bool IsWebDataConnectorClass(const TString&) const override { return false; }
  bool IsServerConnectionClass(const TString&) const override { return false; }
  bool IsSemiStructuredClass(const TString&) const override { return false; }
  bool CanRecommendTablesFor(const TString&) const override { return false; }
  bool CanRecommendDataSourcesFor(const TString&) const override { return false; }
  bool MayNeedAuth(const TString&) const override { return false; }
  bool UsesInMemoryCredentials(const TString&) const override { return false; }

 private:
  std::map<TString, RefCntPtr<const Connect::IConnector>> m_connectors;
};

class PlainConfig final : public DSConnectionConfig {
 public:
  PlainConfig(RefCntPtr<const Connect::IConnector> connector, Attributes attributes)
      : m_connector(std::move(connector)), m_attributes(std::move(attributes)) {}

  TString ClassName() const override { return m_connector->GetClassName(); }
  TString GetConnectionType() const override { return Value(QStringLiteral("connection-type")); }
  const Attributes& GetConnectionAttributes() const override { return m_attributes; }
  TString GetConfigName() const override { return TString(); }
  TString GetFilename() const override { return Value(QStringLiteral("filename")); }
  void PrepareCachedAttributes(Attributes&) const override {}
  bool IsServerDataSource() const override { return false; }
  bool IsRelational() const override { return false; }
  RefCntPtr<const RelationalDSConnectionConfig> AsRelational() const override { return nullptr; }
  bool IsHierarchical() const override { return false; }
  RefCntPtr<const HierarchicalDSConnectionConfig> AsHierarchical() const override { return nullptr; }
  bool IsGoogleAnalytics() const override { return false; }
  bool IsFederatedConfig() const override { return false; }
  bool IsNewConnection() const override { return false; }
  bool IsConnected() const override { return false; }
  bool ShouldFinishConnection() const override { return false; }
  bool HasUncommittedChanges() const override { return false; }
  int GetDbVariablesCount() const override { return 0; }
  RefCntPtr<const IDataSource> GetDataSource() const override { return nullptr; }
  TString GetConnectionTypeLabel() const override { return m_connector->GetCaption(); }
  TString GetConnectionDescriptionLabel() const override { return TString(); }
  TString GetAuthenticationPrompt() const override { return TString(); }
  bool ShowVendorSupportInfo() const override { return false; }
  TString GetVendorSupportInfo() const override { return TString(); }
  AuthenticationEnums::Mode GetAuthMode() const override { return AuthenticationEnums::Mode::AuthModeNone; }
  AuthenticationEnums::AuthOption GetCurrentAuthOption() const override {
    return AuthenticationEnums::AuthOption::AuthOptionExplicit;
  }
  std::vector<AuthenticationEnums::AuthOption> GetAuthOptions() const override { return {}; }
  AuthenticationEnums::ReconnectMode GetReconnectAuthMode() const override {
    return AuthenticationEnums::ReconnectMode::ReconnectModeNone;
  }
  void GetReconnectAuthParams(Attributes&) const override {}
  bool SupportsInitialSQL() const override { return m_connector->SupportsInitialSQL(); }
  TString GetInitialSQL(const Attributes& attributes) const override {
    auto found = attributes.find(DataConnectionAttrs::attrInitialSQL);
    if (found != attributes.end()) return found->second;
    return Value(DataConnectionAttrs::attrInitialSQL);
  }

 private:
  ~PlainConfig() override = default;
  TString Value(const TString& name) const {
    const auto found = m_attributes.find(name);
    return found == m_attributes.end() ? TString() : found->second;
  }

  RefCntPtr<const Connect::IConnector> m_connector;
  Attributes m_attributes;
};

class PlainConfigFactory final : public IConnectionConfigFactory {
 public:
  RefCntPtr<DSConnectionConfig> CreateConfig(const ConnectionConfigRequest& request) const override {
    RefCntPtr<const Connect::IConnector> connector = Connect::Registry::Instance().LookupConnector(request.connectionClass);
    if (!connector)
      throw HalvaneException(QStringLiteral("Unknown connection class \"%1\"").arg(request.connectionClass));
    return MakeRefCnt<PlainConfig>(std::move(connector), request.attributes);
  }
};

class NoCloudFiles final : public ICloudFileConnectorsRegistry {
 public:
  bool IsValidCloudFileClass(const TString&) const override { return false; }
  TString GetCorsProxyUrlPrefix(const TString&) const override { return TString(); }
  std::vector<TString> GetSupportedFileExtensions(const TString&) const override { return {}; }
  std::set<TString> GetAllCloudFileStorageProviders() const override { return {}; }
  std::vector<TString> GetAllCloudFileClasses() const override { return {}; }
  TString GetClassDescription(const TString&, const TString&) const override { return TString(); }
};

class NoDriverChecks final : public IDriverDiagnostics {
 public:
  bool HasDriver(const ConnectionAttributeMap&, TString&) const override { return true; }
};

}  // namespace

namespace ConnectorDefaults {

std::shared_ptr<Connect::IRegistry> MakeRegistry() { return std::make_shared<ListRegistry>(); }
std::shared_ptr<ICloudFileConnectorsRegistry> MakeCloudFileRegistry() { return std::make_shared<NoCloudFiles>(); }
std::shared_ptr<IDriverDiagnostics> MakeDriverDiagnostics() { return std::make_shared<NoDriverChecks>(); }
std::shared_ptr<IConnectionConfigFactory> MakeConnectionConfigFactory() { return std::make_shared<PlainConfigFactory>(); }

}  // namespace ConnectorDefaults
