#include "presentation-model/ConnectionSettingsPresModelBuilder.h"

#include "connect/ConnectDataUtils.h"
#include "host/Exceptions.h"
#include "host/app/AppConfig.h"
#include "host/connect/ConnectConfigUtils.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connect/DriverDiagnostics.h"
#include "presentation-model/AuthenticationSettingsPresModel.h"
#include "presentation-model/ConnTypeToAuthOptionMappingPresModel.h"
#include "presentation-model/ConnTypeToDriverInfoMappingPresModel.h"
#include "presentation-model/ConnectionParamsPresModelBuilder.h"
#include "presentation-model/ConnectionSettingsOptionPresModel.h"
#include "presentation-model/CubeConnectionSpecificationOptionPresModel.h"
#include "presentation-model/CubeConnectionSpecificationPresModel.h"
#include "presentation-model/DsnSettingsOptionPresModel.h"
#include "presentation-model/ModularConnectionSettingsPresModelBuilder.h"
#include "presentation-model/TransportTypeConfigPresModel.h"

#include <vector>

namespace {

// The widget kind of a cube dialog, under the name the layout checks state it by.
constexpr ConnectServerWidgetType CSWT_Cube = ConnectServerWidgetType::Cube;

ConnectServerWidgetType WidgetTypeOfClass(const TString& connectionClass) {
  if (connectionClass == QLatin1String("invalidconnection")) return ConnectServerWidgetType::Invalid;
  if (connectionClass == QLatin1String("genericodbc")) return ConnectServerWidgetType::Odbc;
  if (connectionClass == QLatin1String("genericjdbc")) return ConnectServerWidgetType::Jdbc;
  if (connectionClass == QLatin1String("msaccess")) return ConnectServerWidgetType::Access;
  for (const char* cubeClass : {"essbase", "msolap", "sapbw", "tbio"})
    if (connectionClass == QLatin1String(cubeClass)) return CSWT_Cube;
  return ConnectServerWidgetType::Relational;
}

// The attributes the driver check of a connection class starts from.
ConnectionAttributeMap DriverCheckAttributes(const ConnectionSettingsPresModel& presModel) {
  return {{TString(DataConnectionAttrs::attrClass), presModel.GetDSClass()}};
}

void AddPrompts(const RelationalDSConnectionConfig& rel, ConnectionSettingsPresModel& presModel) {
  presModel.SetServerNamePrompt(rel.ServerNamePrompt());
  presModel.SetPortPrompt(rel.PortPrompt());
  presModel.SetDBNamePrompt(rel.DBNamePrompt());
  presModel.SetDBWHNamePrompt(rel.DBWHNamePrompt());
  presModel.SetServiceNamePrompt(rel.ServiceNamePrompt());
  presModel.SetVendor1NamePrompt(rel.Vendor1NamePrompt());
  presModel.SetVendor2NamePrompt(rel.Vendor2NamePrompt());
  presModel.SetVendor3NamePrompt(rel.Vendor3NamePrompt());
}

void AddFlags(const RelationalDSConnectionConfig& rel, ConnectionSettingsPresModel& presModel) {
  presModel.SetShowServerNamePrompt(rel.ShowServerNamePrompt());
  presModel.SetShowPortPrompt(rel.ShowPortPrompt());
  presModel.SetDatabaseNameOptional(rel.DatabaseNameOptional());
  presModel.SetDatabaseWHOptional(rel.DatabaseWHOptional());
  presModel.SetShowDBNamePrompt(rel.ShowDBNamePrompt());
  presModel.SetShowDBBrowseButton(rel.ShowDBBrowseButton());
  presModel.SetShowDBWHNamePrompt(rel.ShowDBWHNamePrompt());
  presModel.SetShowServiceNamePrompt(rel.ShowServiceNamePrompt());
  presModel.SetShowVendor1NamePrompt(rel.ShowVendor1NamePrompt());
  presModel.SetShowVendor2NamePrompt(rel.ShowVendor2NamePrompt());
  presModel.SetShowVendor3NamePrompt(rel.ShowVendor3NamePrompt());
  presModel.SetServiceNameOptional(rel.ServiceNameOptional());
  presModel.SetVendor1NameOptional(rel.Vendor1NameOptional());
  presModel.SetVendor2NameOptional(rel.Vendor2NameOptional());
  presModel.SetVendor3NameOptional(rel.Vendor3NameOptional());
  presModel.SetShowUncommittedDataCheckbox(rel.ShowUncommittedDataCheckbox());
  presModel.SetShowEncryptionCheckbox(rel.ShowEncryptionCheckbox());
  presModel.SetShowImportSSLCertLabel(rel.ShowImportSSLCertLabel());
  presModel.SetSSLRequiresCertificate(rel.SSLRequiresCertificate());
  presModel.SetShowConnectionPrompt(rel.ShowConnectionPrompt());
  presModel.SetShowClientSSLBox(rel.ShowClientSSLBox());
  presModel.SetShowDriverConfig(rel.ShowDriverConfig());
  presModel.SetShowInstanceUrlPrompt(rel.ShowInstanceUrlPrompt());

  // The server and the flow processor cannot import a certificate, so a connector that needs
  // one cannot offer SSL there.
  const bool cannotImportCertificate = AppConfig::IsHalvaneServer() || AppConfig::IsFlowProcessor();
  presModel.SetShowSSLCheckbox(cannotImportCertificate && presModel.GetSSLRequiresCertificate() ? false
                                                                                                : rel.ShowSSLCheckbox());
}

void AddDsnOptions(const RelationalDSConnectionConfig& rel, ConnectionSettingsPresModel& presModel) {
  for (const Connect::DsnSettingsOption& option : rel.GetDsnSettingsOptions(AppConfig::IsHalvanePrep())) {
    RefCntPtr<DsnSettingsOptionPresModel> dsn = MakeRefCnt<DsnSettingsOptionPresModel>();
    dsn->SetDsnName(option.GetDsnName());
    dsn->SetDsnDriver(option.GetDsnDriver());
    dsn->SetDsnServer(option.GetDsnServer());
    dsn->SetDsnPort(option.GetDsnPort());
    dsn->SetDsnDatabase(option.GetDsnDatabase());
    dsn->SetDsnUsername(option.GetDsnUsername());
    dsn->SetDsnPassword(option.GetDsnPassword());
    presModel.AddDsnSettingsOption(dsn);
  }
}

void AddTransportTypes(const RelationalDSConnectionConfig& rel, ConnectionSettingsPresModel& presModel) {
  for (const Connect::TransportTypeConfig& transport : rel.GetTransportTypeConfigs()) {
    RefCntPtr<TransportTypeConfigPresModel> config = MakeRefCnt<TransportTypeConfigPresModel>();
    config->SetTransportTypeName(transport.GetName());
    config->SetAttrTransportType(transport.GetTransportTypeValue());
    config->SetShowHTTPPath(transport.GetShowHttpPrompt());
    for (const Connect::ConnTypeToAuthOptionMapping& mapping : transport.GetConnTypeToAuthOptionMappings()) {
      RefCntPtr<ConnTypeToAuthOptionMappingPresModel> item = MakeRefCnt<ConnTypeToAuthOptionMappingPresModel>();
      item->SetConnectionType(mapping.GetConnectionType());
      item->SetAuthOptions(mapping.GetAuthOptions());
      config->AddConnTypeToAuthOptionMapping(item);
    }
    presModel.AddTransportTypeConfig(config);
  }
}

// The driver state: of the class as a whole, or per connection option when it has options.
// The message is not cleared between options, so an option whose driver is installed repeats
// the message of the last one that missed its driver.
void AddDriverState(const std::vector<Connect::ConnectionSettingsOption>& options,
                    ConnectionSettingsPresModel& presModel) {
  ConnectionAttributeMap attributes = DriverCheckAttributes(presModel);
  TString message;
  if (options.empty()) {
    presModel.SetIsDriverInstalled(DriverDiagnostics::HasDriver(attributes, message));
    presModel.SetDriverMissingInfo(message);
    return;
  }
  for (const Connect::ConnectionSettingsOption& option : options) {
    attributes[DataConnectionAttrs::attrConnectionType] = option.GetConnectionType();
    const bool installed = DriverDiagnostics::HasDriver(attributes, message);
    RefCntPtr<ConnTypeToDriverInfoMappingPresModel> mapping = MakeRefCnt<ConnTypeToDriverInfoMappingPresModel>();
    mapping->SetConnectionType(option.GetConnectionType());
    mapping->SetDriverMissingInfo(message);
    mapping->SetIsDriverInstalled(installed);
    presModel.AddConnTypeToDriverInfoMapping(mapping);
  }
}

// The index of the last choice that is the current text; 0 when none is.
int SelectedChoiceIndex(const std::vector<TString>& choices, const TString& currentText) {
  int selected = 0;
  for (std::size_t i = 0; i < choices.size(); ++i)
    if (choices[i] == currentText) selected = static_cast<int>(i);
  return selected;
}

}  // namespace

ConnectionSettingsPresModelBuilder::~ConnectionSettingsPresModelBuilder() = default;

RefCntPtr<const ConnectionSettingsPresModel> ConnectionSettingsPresModelBuilder::Build(
    const IConnectionSettingsCacheAccessor& cache, RefCntPtr<const DSConnectionConfig> config,
    RefCntPtr<const InitialSQLPresModel> initialSQL, RefCntPtr<const ConnectionParamsPresModel> connectionParams) const {
  RefCntPtr<ConnectionSettingsPresModel> presModel = MakeRefCnt<ConnectionSettingsPresModel>();
  RefCntPtr<AuthenticationSettingsPresModel> authentication = MakeRefCnt<AuthenticationSettingsPresModel>();

  if (config) {
    const TString connectionClass = config->ClassName();
    presModel->SetConfigName(config->GetConfigName());
    presModel->SetConnectionCaption(ConnectConfigUtils::GetConnectionCaption(config));
    presModel->SetDSClass(connectionClass);
    presModel->SetDSClassCaption(Connect::Registry::Instance().GetClassCaption(connectionClass, TString()));
    presModel->SetIsNewDataSource(config->IsNewConnection());
    presModel->SetConnectServerWidgetType(WidgetTypeOfClass(connectionClass));

    // A server data source is described by the server; its dialog has no layout of its own.
    if (!config->IsServerDataSource()) {
      if (config->IsRelational()) {
        HLV_ASSERT(presModel->GetConnectServerWidgetType() != CSWT_Cube);
        AddRelationalSettings(presModel, config->AsRelational());
      } else if (config->IsHierarchical()) {
        HLV_ASSERT(presModel->GetConnectServerWidgetType() == CSWT_Cube);
        AddHierarchialSettings(cache, presModel, config->AsHierarchical());
      }
      authentication->SetAuthenticationPrompt(config->GetAuthenticationPrompt());
      authentication->SetAuthMode(config->GetAuthMode());
      authentication->SetAuthOptions(config->GetAuthOptions());
    }
    presModel->SetShowVendorSupportInfo(config->ShowVendorSupportInfo());
    presModel->SetVendorSupportInfo(config->GetVendorSupportInfo());
    presModel->SetAuthenticationInfo(authentication);
  }

  const RefCntPtr<const ModularConnectionSettingsPresModel> modular =
      ModularConnectionSettingsPresModelBuilder().Build(config, initialSQL);
  presModel->SetModularConnectionSettings(modular);

  if (!connectionParams) {
    presModel->SetConnectionParams(ConnectionParamsPresModelBuilder().Build(cache, config));
  } else if (modular->GetConnectionDialogJson().isEmpty()) {
    presModel->SetConnectionParams(connectionParams);
  } else {
    // A modular dialog's edits go through a parameter set and back, as they would be stored.
    const std::unique_ptr<DSConnectorParams> params = ConnectDataUtils::DSParamsFromPresModel(config, connectionParams);
    presModel->SetConnectionParams(ConnectionParamsPresModelBuilder().Build(config->ClassName(), *params));
  }
  return presModel;
}

RefCntPtr<const ConnectionSettingsPresModel> ConnectionSettingsPresModelBuilder::BuildWithDataSource(
    const IConnectionSettingsCacheAccessor& cache, RefCntPtr<const IDataSource> dataSource,
    RefCntPtr<const InitialSQLPresModel> initialSQL, RefCntPtr<const ConnectionParamsPresModel> connectionParams) const {
  const RefCntPtr<const DSConnectionConfig> config =
      DSConnectionConfig::CreateInstance(dataSource->GetConnectionClass(), dataSource,
                                         dataSource->GetDataSourceInfoProvider(), TString(), DataObjectModel::ObjectId(),
                                         false);
  return Build(cache, config, initialSQL, connectionParams);
}

void ConnectionSettingsPresModelBuilder::AddRelationalSettings(RefCntPtr<ConnectionSettingsPresModel> presModel,
                                                               RefCntPtr<const RelationalDSConnectionConfig> rel) {
  AddPrompts(*rel, *presModel);
  AddFlags(*rel, *presModel);

  const std::vector<Connect::ConnectionSettingsOption> options = rel->GetConnectionSettingsOptions();
  for (const Connect::ConnectionSettingsOption& option : options) {
    RefCntPtr<ConnectionSettingsOptionPresModel> item = MakeRefCnt<ConnectionSettingsOptionPresModel>();
    item->SetConnectionOptionName(option.GetName());
    item->SetConnectionType(option.GetConnectionType());
    item->SetServerNamePrompt(option.GetServerPrompt());
    item->SetShowPortPrompt(option.ShowPortPrompt());
    item->SetShowServiceNamePrompt(option.ShowServicePrompt());
    presModel->AddConnectionOption(item);
  }
  AddDsnOptions(*rel, *presModel);
  AddTransportTypes(*rel, *presModel);
  AddDriverState(options, *presModel);
}

void ConnectionSettingsPresModelBuilder::AddHierarchialSettings(const IConnectionSettingsCacheAccessor& cache,
                                                                RefCntPtr<ConnectionSettingsPresModel> presModel,
                                                                RefCntPtr<const HierarchicalDSConnectionConfig> hier) {
  RefCntPtr<CubeConnectionSpecificationPresModel> cubeSpec = MakeRefCnt<CubeConnectionSpecificationPresModel>();
  cubeSpec->SetConnectionSpecificationTitle(hier->GetConnectionSpecificationTitle());

  // A new connection starts from the attributes last used with its class.
  const DSConnectionConfig::Attributes attributes = hier->IsNewConnection() && cache.IsCacheAvailable()
                                                        ? cache.GetCachedAttributes(hier->ClassName())
                                                        : hier->GetConnectionAttributes();
  const std::vector<HierarchicalDSConnectionConfig::ConnectionSpecificationOption> options =
      hier->GetConnectionSpecificationOptions(attributes);
  cubeSpec->SetUsesRadioButton(options.size() >= 2);

  for (std::size_t i = 0; i < options.size(); ++i) {
    const HierarchicalDSConnectionConfig::ConnectionSpecificationOption& option = options[i];
    RefCntPtr<CubeConnectionSpecificationOptionPresModel> item =
        MakeRefCnt<CubeConnectionSpecificationOptionPresModel>();
    item->SetItemType(option.GetItemType());
    item->SetPrompt(option.GetPrompt());
    item->SetOptionId(option.GetOptionId());
    item->SetShowBrowseButton(option.GetItemType() == ConnectionSpecificationType::LineEditBrowse);
    item->SetCurrentText(option.GetCurrentText());
    if (option.GetItemType() == ConnectionSpecificationType::ComboBox) {
      item->SetPossibleChoices(option.GetPossibleChoices());
      item->SetSelectedOptionIndex(SelectedChoiceIndex(option.GetPossibleChoices(), option.GetCurrentText()));
    }
    cubeSpec->AddConnectionOptions(item);
    if (option.IsSelected()) cubeSpec->SetSelectedOptionIndex(static_cast<int>(i));
  }

  AddDriverState({}, *presModel);
  HLV_ASSERT(cubeSpec->GetSelectedOptionIndex() >= 0);
  presModel->SetCubeConnectionSpecification(cubeSpec);
}
