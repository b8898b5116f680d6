#include "presentation-model/ConnectionParamsPresModelBuilder.h"

#include "host/app/FeatureFlags.h"
#include "host/app/StringIds.h"
#include "host/app/StringTable.h"
#include "host/connect/ConnectConfigUtils.h"
#include "host/connect/ConnectionFields.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/values/SimpleValues.h"

#include <utility>
#include <vector>

namespace {

// The transport type whose mapping for `connectionType` allows `authOption`: the first such in
// the connector's order, or empty.
TString FindTransportType(const RelationalDSConnectionConfig& rel, const TString& connectionType) {
  const AuthenticationEnums::AuthOption authOption = rel.GetCurrentAuthOption();
  for (const Connect::TransportTypeConfig& transport : rel.GetTransportTypeConfigs()) {
    for (const Connect::ConnTypeToAuthOptionMapping& mapping : transport.GetConnTypeToAuthOptionMappings()) {
      if (mapping.GetConnectionType() != connectionType) continue;
      for (AuthenticationEnums::AuthOption option : mapping.GetAuthOptions())
        if (option == authOption) return transport.GetTransportTypeValue();
    }
  }
  return TString();
}

// The fields of a relational connection that its configuration answers directly.
void ApplyRelationalConfig(const RelationalDSConnectionConfig& rel, ConnectionParamsPresModel& presModel) {
  presModel.SetServer(rel.GetServer());
  presModel.SetPort(rel.GetPort());
  presModel.SetRequireSSL(rel.GetSSLMode() == QLatin1String("require"));
  presModel.SetVendor1(rel.GetVendor1());
  presModel.SetVendor2(rel.GetVendor2());
  presModel.SetVendor3(rel.GetVendor3());

  const std::vector<Connect::ConnectionSettingsOption> options = rel.GetConnectionSettingsOptions();
  if (options.empty()) return;
  const TString& connectionType = options.front().GetConnectionType();
  presModel.SetConnectionType(connectionType);
  const TString transportType = FindTransportType(rel, connectionType);
  if (!transportType.isEmpty()) presModel.SetTransportType(transportType);
}

// The attributes the connector's connection fields name, as the record's connector attributes.
// Returns false, having written nothing, when the fields list is empty.
bool ApplyConnectionFields(const RelationalDSConnectionConfig& rel, const DSConnectorParams& params,
                           ConnectionParamsPresModel& presModel) {
  const ConnectionAttributeMap attributes = params.Attributes();
  const std::vector<TString> names =
      rel.GetConnectionFieldsNames(Connect::ConnectionFieldsFilterFactory::Instance().CreateFilter(attributes));
  if (names.empty()) return false;
  for (const TString& name : names) {
    const auto found = attributes.find(name);
    if (found == attributes.end()) continue;
    presModel.AddConnectorAttribute(name, found->second);
    // The certificate itself never goes back to the dialog's file field: a label says it is loaded.
    if (name == ConnectorAttrs::kSSLCert && !found->second.isEmpty())
      presModel.AddConnectorAttribute(ConnectorAttrs::kSSLCertFile, LookupTStr(StringIds::kSSLCertificateAlreadyLoaded));
  }
  return true;
}

}  // namespace

ConnectionParamsPresModelBuilder::~ConnectionParamsPresModelBuilder() = default;

RefCntPtr<const ConnectionParamsPresModel> ConnectionParamsPresModelBuilder::Build(
    const IConnectionSettingsCacheAccessor& cache, RefCntPtr<const DSConnectionConfig> config) const {
  RefCntPtr<ConnectionParamsPresModel> presModel = MakeRefCnt<ConnectionParamsPresModel>();
  if (!config || config->IsServerDataSource()) return presModel;

  presModel->SetFilename(config->GetFilename());
  presModel->SetCurrentAuthOption(config->GetCurrentAuthOption());
  if (config->IsRelational()) {
    ApplyRelationalConfig(*config->AsRelational(), *presModel);
  } else if (config->IsHierarchical()) {
    TString id;
    TString value;
    ConnectConfigUtils::GetCubeSpecification(config, id, value);
    presModel->SetCubeSpecificationId(id);
    presModel->SetCubeSpecificationValue(value);
  }

  const DSConnectorParams params = CreateDSConnectorParams(cache, config);
  if (!params.Attributes().empty()) ApplyDSParams(config, params, presModel);
  return presModel;
}

RefCntPtr<const ConnectionParamsPresModel> ConnectionParamsPresModelBuilder::Build(
    const TString& connectionClass, const DSConnectorParams& params) const {
  RefCntPtr<ConnectionParamsPresModel> presModel = MakeRefCnt<ConnectionParamsPresModel>();
  const RefCntPtr<const DSConnectionConfig> config = DSConnectionConfig::CreateInstance(
      connectionClass, nullptr, nullptr, TString(), DataObjectModel::ObjectId(), false);
  ApplyDSParams(config, params, presModel);
  return presModel;
}

DSConnectorParams ConnectionParamsPresModelBuilder::CreateDSConnectorParams(
    const IConnectionSettingsCacheAccessor& cache, RefCntPtr<const DSConnectionConfig> config) {
  if (!config->IsNewConnection()) return DSConnectorParams(config->GetConnectionAttributes());

  // A new connection starts from what the user last connected this class with.
  if (!cache.IsCacheAvailable()) return DSConnectorParams();
  DSConnectionConfig::Attributes attrs = cache.GetCachedAttributes(config->ClassName());
  config->PrepareCachedAttributes(attrs);
  DSConnectorParams params(attrs);
  if (!config->GetFilename().isEmpty()) params.SetFilename(config->GetFilename());
  return params;
}

void ConnectionParamsPresModelBuilder::ApplyDSParams(RefCntPtr<const DSConnectionConfig> config,
                                                     const DSConnectorParams& params,
                                                     RefCntPtr<ConnectionParamsPresModel> presModel) {
  if (FeatureFlags::IsOn(FeatureFlagIds::kConnectionFieldsModel)) {
    const RefCntPtr<const RelationalDSConnectionConfig> rel = config->AsRelational();
    if (rel && ApplyConnectionFields(*rel, params, *presModel)) return;
  }

  const TString connectionClass = config->ClassName();
  presModel->SetIsLegacyConnection(connectionClass == QLatin1String("excel") ||
                                   connectionClass == QLatin1String("csv"));
  presModel->SetFilename(params.Filename());
  presModel->SetServer(params.Server());
  presModel->SetService(params.Service());
  presModel->SetDatabase(params.Database());
  presModel->SetDatabaseWarehouse(params.DatabaseWareHouse());
  presModel->SetPort(params.Port());
  presModel->SetSchema(params.Schema());
  presModel->SetUsername(params.Username());
  presModel->SetPassword(PasswordString(params.Password()));

  // "authentication-type" names the option more precisely than "authentication" and wins.
  const Connect::IRegistry& registry = Connect::Registry::Instance();
  if (!params.Authentication().isEmpty())
    presModel->SetCurrentAuthOption(registry.GetAuthOption(connectionClass, params.Authentication()));
  if (!params.AuthType().isEmpty())
    presModel->SetCurrentAuthOption(registry.GetAuthOption(connectionClass, params.AuthType()));

  presModel->SetReadUncommitted(params.ReadUncommittedData());
  presModel->SetRequireEncryption(params.RequireEncryption());
  presModel->SetRequireSSL(params.RequireSSL());
  presModel->SetSSLCert(params.SSLCert());
  presModel->SetSSLClientCert(params.SSLClientCert());
  presModel->SetSSLClientKey(params.SSLClientKey());
  presModel->SetSSLClientCertFile(params.SSLClientCertFile());
  presModel->SetSSLClientKeyFile(params.SSLClientKeyFile());
  presModel->SetConnectionType(params.ConnectionType());
  presModel->SetAuthType(params.AuthType());
  presModel->SetTransportType(params.TransportType());
  presModel->SetKerberosRealm(params.KerberosRealm());
  presModel->SetKerberosHost(params.KerberosHost());
  presModel->SetKerberosService(params.KerberosService());
  presModel->SetHTTPPath(params.HTTPPath());
  presModel->SetMDWPath(params.MDWPath());
  presModel->SetMDWUsername(params.MDWUsername());
  presModel->SetMDWPassword(PasswordString(params.MDWPassword()));
  presModel->SetDSN(params.DSN());
  presModel->SetDriver(params.Driver());
  presModel->SetODBCStringExtras(params.ODBCStringExtras());
  presModel->SetODBCPrompt(params.ODBCPrompt());
  presModel->SetSAPClient(params.SAPClient());
  presModel->SetSAPLanguage(params.SAPLanguage());
  presModel->SetEdition(params.Edition());
  presModel->SetSSODomain(params.SSODomain());
  presModel->SetSAMLIdP(params.SAMLIdP());
  presModel->SetOAuthAttributes(params.OAuthAttributes());
  presModel->SetJDBCUrl(params.JDBCUrl());
  presModel->SetDialect(params.Dialect());
  presModel->SetJDBCProperties(params.JDBCProperties());
  presModel->SetVendor1(params.Vendor1());
  presModel->SetVendor2(params.Vendor2());
  presModel->SetVendor3(params.Vendor3());
  presModel->SetInstanceUrl(params.InstanceUrl());

  // A cube specification the configuration selected (Build) stays.
  if (presModel->GetCubeSpecificationId().isEmpty() && presModel->GetCubeSpecificationValue().isEmpty()) {
    presModel->SetCubeSpecificationId(params.CubeConnectionSpecificationId());
    presModel->SetCubeSpecificationValue(params.CubeConnectionSpecificationValue());
  }
}
