#include "presentation-model/ConnectionSettingsPresModelBuilder.h"

#include "connect/NullConnectionSettingsCache.h"
#include "host/Exceptions.h"
#include "presentation-model/AuthenticationSettingsPresModel.h"
#include "presentation-model/ConnTypeToAuthOptionMappingPresModel.h"
#include "presentation-model/ConnTypeToDriverInfoMappingPresModel.h"
#include "presentation-model/ConnectionSettingsOptionPresModel.h"
#include "presentation-model/CubeConnectionSpecificationOptionPresModel.h"
#include "presentation-model/CubeConnectionSpecificationPresModel.h"
#include "presentation-model/DsnSettingsOptionPresModel.h"
#include "presentation-model/InitialSQLPresModelBuilder.h"
#include "presentation-model/TransportTypeConfigPresModel.h"
#include "tests/support/ConnectServices.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using AuthenticationEnums::AuthOption;
using Option = HierarchicalDSConnectionConfig::ConnectionSpecificationOption;

TString T(const char* text) { return QString::fromUtf8(text); }

class ConnectionSettingsPresModelBuilderTest : public ::testing::Test {
 protected:
  ConnectionSettingsPresModelBuilderTest() { services.SetFlags(false, false); }

  RefCntPtr<const ConnectionSettingsPresModel> Build(RefCntPtr<const DSConnectionConfig> config,
                                                     RefCntPtr<const ConnectionParamsPresModel> edited = nullptr) {
    return ConnectionSettingsPresModelBuilder().Build(*cacheAccessor, std::move(config), initialSQL, std::move(edited));
  }
  // The logic error's expression when `config` is built; empty when there is none.
  TString AssertionOf(RefCntPtr<const DSConnectionConfig> config) {
    try {
      Build(std::move(config));
    } catch (const LogicException& e) {
      return e.GetExpression();
    }
    return TString();
  }

  fake::ConnectServices services;
  RefCntPtr<fake::RelationalConfig> rel = MakeRefCnt<fake::RelationalConfig>();
  RefCntPtr<fake::HierarchicalConfig> cube = MakeRefCnt<fake::HierarchicalConfig>();
  RefCntPtr<const InitialSQLPresModel> initialSQL = InitialSQLPresModelBuilder().Build(T("postgres"), true);
  ConnectionSettingsCache cache;
  std::unique_ptr<IConnectionSettingsCacheAccessor> cacheAccessor = NullConnectionSettingsCache::CreateAccessor();
};

TEST_F(ConnectionSettingsPresModelBuilderTest, IdentityAndWidgetKindOfTheClass) {
  auto plain = MakeRefCnt<fake::PlainConfig>();
  plain->state.isNewConnection = true;
  services.registry->captions = {{T("genericodbc"), T("Other Databases (ODBC)")}};
  const std::pair<const char*, ConnectServerWidgetType> kinds[] = {
      {"invalidconnection", ConnectServerWidgetType::Invalid}, {"genericodbc", ConnectServerWidgetType::Odbc},
      {"genericjdbc", ConnectServerWidgetType::Jdbc},         {"msaccess", ConnectServerWidgetType::Access},
      {"essbase", ConnectServerWidgetType::Cube},             {"msolap", ConnectServerWidgetType::Cube},
      {"sapbw", ConnectServerWidgetType::Cube},               {"tbio", ConnectServerWidgetType::Cube},
      {"postgres", ConnectServerWidgetType::Relational},      {"", ConnectServerWidgetType::Relational}};
  for (const auto& [connectionClass, kind] : kinds) {
    plain->state.className = T(connectionClass);
    EXPECT_EQ(Build(plain)->GetConnectServerWidgetType(), kind) << connectionClass;
  }

  plain->state.className = T("genericodbc");
  RefCntPtr<const ConnectionSettingsPresModel> model = Build(plain);
  EXPECT_EQ(model->GetDSClass(), T("genericodbc"));
  EXPECT_EQ(model->GetDSClassCaption(), T("Other Databases (ODBC)"));
  EXPECT_EQ(model->GetConnectionCaption(), T("Other Databases (ODBC)"));
  EXPECT_TRUE(model->GetIsNewDataSource());
  plain->state.configName = T("Sales data");
  model = Build(plain);
  EXPECT_EQ(model->GetConfigName(), T("Sales data"));
  EXPECT_EQ(model->GetConnectionCaption(), T("Sales data"));
}

TEST_F(ConnectionSettingsPresModelBuilderTest, TheKindOfConfigurationMustFitTheWidgetKind) {
  rel->state.className = T("msolap");
  EXPECT_EQ(AssertionOf(rel), T("presModel->GetConnectServerWidgetType() != CSWT_Cube"));
  cube->state.className = T("oracle");
  EXPECT_EQ(AssertionOf(cube), T("presModel->GetConnectServerWidgetType() == CSWT_Cube"));
  cube->state.className = T("msolap");
  cube->options = {{ConnectionSpecificationType::LineEdit, false, T("Cube"), T("Sales"), {}, T("cube")}};
  EXPECT_EQ(AssertionOf(cube), T("cubeSpec->GetSelectedOptionIndex() >= 0"));
  cube->options = {{ConnectionSpecificationType::LineEdit, true, T("Cube"), T("Sales"), {}, T("cube")}};
  EXPECT_EQ(AssertionOf(cube), TString());
}

TEST_F(ConnectionSettingsPresModelBuilderTest, EveryPromptAndFlagComesFromItsOwnQuery) {
  using Prompt = const TString& (ConnectionSettingsPresModel::*)() const;
  const std::pair<const char*, Prompt> prompts[] = {
      {"ServerNamePrompt", &ConnectionSettingsPresModel::GetServerNamePrompt},
      {"PortPrompt", &ConnectionSettingsPresModel::GetPortPrompt},
      {"DBNamePrompt", &ConnectionSettingsPresModel::GetDBNamePrompt},
      {"DBWHNamePrompt", &ConnectionSettingsPresModel::GetDBWHNamePrompt},
      {"ServiceNamePrompt", &ConnectionSettingsPresModel::GetServiceNamePrompt},
      {"Vendor1NamePrompt", &ConnectionSettingsPresModel::GetVendor1NamePrompt},
      {"Vendor2NamePrompt", &ConnectionSettingsPresModel::GetVendor2NamePrompt},
      {"Vendor3NamePrompt", &ConnectionSettingsPresModel::GetVendor3NamePrompt}};
  for (const auto& [query, get] : prompts) rel->rel.prompts[T(query)] = T("prompt of ") + T(query);
  RefCntPtr<const ConnectionSettingsPresModel> model = Build(rel);
  for (const auto& [query, get] : prompts) EXPECT_EQ(((*model).*get)(), T("prompt of ") + T(query));

  using Flag = bool (ConnectionSettingsPresModel::*)() const;
  const std::pair<const char*, Flag> flags[] = {
      {"ShowServerNamePrompt", &ConnectionSettingsPresModel::GetShowServerNamePrompt},
      {"ShowPortPrompt", &ConnectionSettingsPresModel::GetShowPortPrompt},
      {"DatabaseNameOptional", &ConnectionSettingsPresModel::GetDatabaseNameOptional},
      {"DatabaseWHOptional", &ConnectionSettingsPresModel::GetDatabaseWHOptional},
      {"ShowDBNamePrompt", &ConnectionSettingsPresModel::GetShowDBNamePrompt},
      {"ShowDBBrowseButton", &ConnectionSettingsPresModel::GetShowDBBrowseButton},
      {"ShowDBWHNamePrompt", &ConnectionSettingsPresModel::GetShowDBWHNamePrompt},
      {"ShowServiceNamePrompt", &ConnectionSettingsPresModel::GetShowServiceNamePrompt},
      {"ShowVendor1NamePrompt", &ConnectionSettingsPresModel::GetShowVendor1NamePrompt},
      {"ShowVendor2NamePrompt", &ConnectionSettingsPresModel::GetShowVendor2NamePrompt},
      {"ShowVendor3NamePrompt", &ConnectionSettingsPresModel::GetShowVendor3NamePrompt},
      {"ServiceNameOptional", &ConnectionSettingsPresModel::GetServiceNameOptional},
      {"Vendor1NameOptional", &ConnectionSettingsPresModel::GetVendor1NameOptional},
      {"Vendor2NameOptional", &ConnectionSettingsPresModel::GetVendor2NameOptional},
      {"Vendor3NameOptional", &ConnectionSettingsPresModel::GetVendor3NameOptional},
      {"ShowUncommittedDataCheckbox", &ConnectionSettingsPresModel::GetShowUncommittedDataCheckbox},
      {"ShowEncryptionCheckbox", &ConnectionSettingsPresModel::GetShowEncryptionCheckbox},
      {"ShowSSLCheckbox", &ConnectionSettingsPresModel::GetShowSSLCheckbox},
      {"ShowImportSSLCertLabel", &ConnectionSettingsPresModel::GetShowImportSSLCertLabel},
      {"SSLRequiresCertificate", &ConnectionSettingsPresModel::GetSSLRequiresCertificate},
      {"ShowConnectionPrompt", &ConnectionSettingsPresModel::GetShowConnectionPrompt},
      {"ShowClientSSLBox", &ConnectionSettingsPresModel::GetShowClientSSLBox},
      {"ShowDriverConfig", &ConnectionSettingsPresModel::GetShowDriverConfig},
      {"ShowInstanceUrlPrompt", &ConnectionSettingsPresModel::GetShowInstanceUrlPrompt}};
  // One query true at a time: exactly its own field turns true, the optional ones included.
  for (const auto& [query, unused] : flags) {
    rel->rel.flags = {T(query)};
    model = Build(rel);
    for (const auto& [other, get] : flags) EXPECT_EQ(((*model).*get)(), T(other) == T(query)) << query << " " << other;
  }
}

TEST_F(ConnectionSettingsPresModelBuilderTest, NoSSLCheckBoxWhereACertificateCannotBeImported) {
  rel->rel.flags = {T("ShowSSLCheckbox"), T("SSLRequiresCertificate")};
  for (const auto& [mode, shown] :
       {std::pair{ApplicationMode::kDesktop, true}, std::pair{ApplicationMode::kServer, false},
        std::pair{ApplicationMode::kFlowProcessor, false}, std::pair{ApplicationMode::kFlowProcessorService, true}}) {
    services.appConfig->SetApplicationMode(mode);
    EXPECT_EQ(Build(rel)->GetShowSSLCheckbox(), shown) << static_cast<int>(mode);
  }
  services.appConfig->SetApplicationMode(ApplicationMode::kServer);
  rel->rel.flags = {T("ShowSSLCheckbox")};  // no certificate needed: the server offers SSL
  EXPECT_TRUE(Build(rel)->GetShowSSLCheckbox());
  services.appConfig->SetApplicationMode(ApplicationMode::kDesktop);
  rel->rel.flags = {T("SSLRequiresCertificate")};
  EXPECT_FALSE(Build(rel)->GetShowSSLCheckbox());
}

TEST_F(ConnectionSettingsPresModelBuilderTest, ConnectionDsnAndTransportOptions) {
  rel->rel.connectionOptions = {{T("Direct"), T("direct"), T("Host"), true, false},
                                {T("Gateway"), T("gateway"), T("Gateway host"), false, true}};
  rel->rel.dsnOptions = {{T("Sales"), T("PostgreSQL Unicode"), T("db"), T("5432"), T("sales"), T("ann"), T("pw")}};
  rel->rel.transportTypes = {
      {T("HTTP"), T("2"), true,
       {Connect::ConnTypeToAuthOptionMapping(T("direct"), {AuthOption::AuthOptionKerberos, AuthOption::AuthOptionNone}),
        Connect::ConnTypeToAuthOptionMapping(T("gateway"), {})}},
      {T("Binary"), T("0"), false, {}}};
  RefCntPtr<const ConnectionSettingsPresModel> model = Build(rel);

  ASSERT_EQ(model->GetConnectionOptionCount(), 2u);
  const RefCntPtr<const ConnectionSettingsOptionPresModel>& gateway = model->GetConnectionOption(1);
  EXPECT_EQ(gateway->GetConnectionOptionName() + gateway->GetConnectionType() + gateway->GetServerNamePrompt(),
            T("GatewaygatewayGateway host"));
  EXPECT_FALSE(gateway->GetShowPortPrompt());
  EXPECT_TRUE(gateway->GetShowServiceNamePrompt());

  ASSERT_EQ(model->GetDsnSettingsOptionCount(), 1u);
  const RefCntPtr<const DsnSettingsOptionPresModel>& dsn = model->GetDsnSettingsOption(0);
  EXPECT_EQ(dsn->GetDsnName() + dsn->GetDsnDriver() + dsn->GetDsnServer() + dsn->GetDsnPort() + dsn->GetDsnDatabase() +
                dsn->GetDsnUsername() + dsn->GetDsnPassword(),
            T("SalesPostgreSQL Unicodedb5432salesannpw"));
  EXPECT_FALSE(rel->rel.dsnAskedForDataPreparation);
  services.appConfig->SetApplicationMode(ApplicationMode::kPrepDesktop);
  Build(rel);
  EXPECT_TRUE(rel->rel.dsnAskedForDataPreparation);

  ASSERT_EQ(model->GetTransportTypeConfigCount(), 2u);
  const RefCntPtr<const TransportTypeConfigPresModel>& http = model->GetTransportTypeConfig(0);
  EXPECT_EQ(http->GetTransportTypeName() + http->GetAttrTransportType(), T("HTTP2"));
  EXPECT_TRUE(http->GetShowHTTPPath());
  ASSERT_EQ(http->GetConnTypeToAuthOptionMappingCount(), 2u);
  EXPECT_EQ(http->GetConnTypeToAuthOptionMapping(0)->GetConnectionType(), T("direct"));
  EXPECT_EQ(http->GetConnTypeToAuthOptionMapping(0)->GetAuthOptions(),
            (std::vector<AuthOption>{AuthOption::AuthOptionKerberos, AuthOption::AuthOptionNone}));
  EXPECT_EQ(model->GetTransportTypeConfig(1)->GetConnTypeToAuthOptionMappingCount(), 0u);
}

TEST_F(ConnectionSettingsPresModelBuilderTest, DriversAreCheckedPerClassOrPerConnectionOption) {
  services.drivers->missing = {{TString(), T("No PostgreSQL driver")}};
  RefCntPtr<const ConnectionSettingsPresModel> model = Build(rel);
  EXPECT_FALSE(model->GetIsDriverInstalled());
  EXPECT_EQ(model->GetDriverMissingInfo(), T("No PostgreSQL driver"));
  ASSERT_EQ(services.drivers->calls.size(), 1u);
  EXPECT_EQ(services.drivers->calls[0].attributes, (ConnectionAttributeMap{{T("class"), T("postgres")}}));
  EXPECT_EQ(model->GetConnTypeToDriverInfoMappingCount(), 0u);

  services.drivers->calls.clear();
  services.drivers->missing = {{T("direct"), T("No direct driver")}};
  rel->rel.connectionOptions = {{T("Direct"), T("direct"), TString(), true, false},
                                {T("Gateway"), T("gateway"), TString(), true, false}};
  model = Build(rel);
  EXPECT_FALSE(model->GetIsDriverInstalled());  // the record's own fields stay at their defaults
  EXPECT_TRUE(model->GetDriverMissingInfo().isEmpty());
  ASSERT_EQ(services.drivers->calls.size(), 2u);
  EXPECT_EQ(services.drivers->calls[1].attributes,
            (ConnectionAttributeMap{{T("class"), T("postgres")}, {T("connection-type"), T("gateway")}}));
  EXPECT_EQ(services.drivers->calls[1].messageOnEntry, T("No direct driver"));
  std::vector<std::pair<TString, bool>> installed;
  for (const auto& mapping : model->GetConnTypeToDriverInfoMappings())
    installed.emplace_back(mapping->GetConnectionType(), mapping->GetIsDriverInstalled());
  EXPECT_EQ(installed, (std::vector<std::pair<TString, bool>>{{T("direct"), false}, {T("gateway"), true}}));
  // The message is carried over.
  EXPECT_EQ(model->GetConnTypeToDriverInfoMapping(1)->GetDriverMissingInfo(), T("No direct driver"));
}

TEST_F(ConnectionSettingsPresModelBuilderTest, TheCubeSpecificationListsTheConnectorsOptions) {
  cube->state.className = T("essbase");
  cube->state.attributes = {{T("server"), T("stored")}};
  cube->title = T("Choose a cube");
  const std::vector<TString> choices = {T("Sales"), T("HR"), T("Sales")};
  cube->options = {Option(ConnectionSpecificationType::ComboBox, true, T("Catalog"), T("Sales"), choices, T("catalog")),
                   Option(ConnectionSpecificationType::LineEditBrowse, true, T("File"), T("/c.cub"), {T("x")},
                          T("file")),
                   Option(ConnectionSpecificationType::ComboBox, false, T("Role"), T("none"), {T("a")}, T("role"))};
  services.drivers->missing = {{TString(), T("No Essbase client")}};
  RefCntPtr<const ConnectionSettingsPresModel> model = Build(cube);

  const RefCntPtr<const CubeConnectionSpecificationPresModel>& spec = model->GetCubeConnectionSpecification();
  ASSERT_TRUE(spec);
  EXPECT_EQ(spec->GetConnectionSpecificationTitle(), T("Choose a cube"));
  EXPECT_EQ(spec->GetSelectedOptionIndex(), 1);  // the last selected option
  EXPECT_TRUE(spec->GetUsesRadioButton());
  ASSERT_EQ(spec->GetConnectionOptionsCount(), 3u);
  const RefCntPtr<const CubeConnectionSpecificationOptionPresModel>& catalog = spec->GetConnectionOptions(0);
  EXPECT_EQ(catalog->GetItemType(), ConnectionSpecificationType::ComboBox);
  EXPECT_EQ(catalog->GetPrompt() + '|' + catalog->GetOptionId() + '|' + catalog->GetCurrentText(),
            T("Catalog|catalog|Sales"));
  EXPECT_FALSE(catalog->GetShowBrowseButton());
  EXPECT_EQ(catalog->GetPossibleChoices(), choices);
  EXPECT_EQ(catalog->GetSelectedOptionIndex(), 2);  // the last choice equal to the current text
  const RefCntPtr<const CubeConnectionSpecificationOptionPresModel>& file = spec->GetConnectionOptions(1);
  EXPECT_TRUE(file->GetShowBrowseButton());
  EXPECT_EQ(file->GetPossibleChoiceCount(), 0u);  // only combo boxes carry choices
  EXPECT_EQ(spec->GetConnectionOptions(2)->GetSelectedOptionIndex(), 0);
  EXPECT_FALSE(model->GetIsDriverInstalled());
  EXPECT_EQ(model->GetDriverMissingInfo(), T("No Essbase client"));
  EXPECT_EQ(cube->askedWithEach.front(), cube->state.attributes);

  cube->options.erase(cube->options.begin() + 1, cube->options.end());
  EXPECT_FALSE(Build(cube)->GetCubeConnectionSpecification()->GetUsesRadioButton());

  // A new connection reads the options for the cached attributes, when there is a cache. (The
  // field values, built afterwards, ask again with the configuration's own attributes.)
  cube->state.isNewConnection = true;
  cube->askedWithEach.clear();
  Build(cube);
  ASSERT_FALSE(cube->askedWithEach.empty());
  EXPECT_EQ(cube->askedWithEach.front(), cube->state.attributes);
  cache.Remember(T("essbase"), {{T("server"), T("cached")}});
  cacheAccessor = cache.CreateAccessor();
  cube->askedWithEach.clear();
  Build(cube);
  ASSERT_FALSE(cube->askedWithEach.empty());
  EXPECT_EQ(cube->askedWithEach.front(), (ConnectionAttributeMap{{T("server"), T("cached")}}));
}

TEST_F(ConnectionSettingsPresModelBuilderTest, AuthenticationAndVendorSupport) {
  rel->state.authenticationPrompt = T("Sign in");
  rel->state.authMode = AuthenticationEnums::Mode::AuthModeCombobox;
  rel->state.authOptions = {AuthOption::AuthOptionUsernameAndPassword, AuthOption::AuthOptionKerberos};
  rel->state.showVendorSupportInfo = true;
  rel->state.vendorSupportInfo = T("Call the vendor");
  rel->rel.flags = {T("ShowServerNamePrompt")};
  RefCntPtr<const ConnectionSettingsPresModel> model = Build(rel);
  EXPECT_EQ(model->GetAuthenticationInfo()->GetAuthenticationPrompt(), T("Sign in"));
  EXPECT_EQ(model->GetAuthenticationInfo()->GetAuthMode(), AuthenticationEnums::Mode::AuthModeCombobox);
  EXPECT_EQ(model->GetAuthenticationInfo()->GetAuthOptions(), rel->state.authOptions);
  EXPECT_TRUE(model->GetShowVendorSupportInfo());
  EXPECT_EQ(model->GetVendorSupportInfo(), T("Call the vendor"));

  // A server data source keeps its identity and vendor support, and nothing else.
  rel->state.isServerDataSource = true;
  model = Build(rel);
  EXPECT_EQ(model->GetConnectServerWidgetType(), ConnectServerWidgetType::Relational);
  EXPECT_EQ(model->GetDSClass(), T("postgres"));
  EXPECT_FALSE(model->GetShowServerNamePrompt());
  EXPECT_TRUE(model->GetAuthenticationInfo()->GetAuthenticationPrompt().isEmpty());
  EXPECT_EQ(model->GetAuthenticationInfo()->GetAuthOptionCount(), 0u);
  EXPECT_EQ(model->GetAuthenticationInfo()->GetAuthMode(), AuthenticationEnums::Mode::AuthModeNone);
  EXPECT_EQ(model->GetVendorSupportInfo(), T("Call the vendor"));
  EXPECT_EQ(services.drivers->calls.size(), 1u);  // the server data source checked no driver
}

TEST_F(ConnectionSettingsPresModelBuilderTest, FieldValuesAreBuiltTakenOrPassedThroughAParameterSet) {
  rel->rel.server = T("config server");
  rel->rel.flags = {T("ShowServerNamePrompt")};
  RefCntPtr<const ConnectionSettingsPresModel> model = Build(rel);
  EXPECT_EQ(model->GetConnectionParams()->GetServer(), T("config server"));
  EXPECT_TRUE(model->GetModularConnectionSettings()->GetConnectionDialogJson().isEmpty());

  RefCntPtr<ConnectionParamsPresModel> edited = MakeRefCnt<ConnectionParamsPresModel>();
  edited->SetServer(T("edited server"));
  edited->SetSSLClientCert(T("hidden field"));
  EXPECT_EQ(Build(rel, edited)->GetConnectionParams(), edited);

  // A modular dialog's edits come back as they would be stored: hidden fields are dropped.
  rel->rel.modularDialogJson = T(R"({"fields":["server"]})");
  services.configFactory->config = rel;
  model = Build(rel, edited);
  EXPECT_FALSE(model->GetModularConnectionSettings()->GetConnectionDialogJson().isEmpty());
  const RefCntPtr<const ConnectionParamsPresModel>& params = model->GetConnectionParams();
  EXPECT_NE(params, edited);
  EXPECT_EQ(params->GetServer(), T("edited server"));
  EXPECT_TRUE(params->GetSSLClientCert().isEmpty());
  ASSERT_EQ(services.configFactory->requests.size(), 1u);
  EXPECT_EQ(services.configFactory->requests[0].connectionClass, T("postgres"));
}

TEST_F(ConnectionSettingsPresModelBuilderTest, ADataSourcesConnectionAndNoConfigurationAtAll) {
  auto provider = MakeRefCnt<fake::DataSourceInfoProvider>();
  auto dataSource = MakeRefCnt<fake::DataSource>();
  dataSource->connectionClass = T("postgres");
  dataSource->infoProvider = provider;
  rel->state.configName = T("Orders");
  services.configFactory->config = rel;
  RefCntPtr<const ConnectionSettingsPresModel> model =
      ConnectionSettingsPresModelBuilder().BuildWithDataSource(*cacheAccessor, dataSource, initialSQL, nullptr);
  EXPECT_EQ(model->GetConfigName(), T("Orders"));
  ASSERT_EQ(services.configFactory->requests.size(), 1u);
  const ConnectionConfigRequest& request = services.configFactory->requests[0];
  EXPECT_EQ(request.connectionClass, T("postgres"));
  EXPECT_EQ(request.dataSource, dataSource);
  EXPECT_EQ(request.infoProvider, provider);
  EXPECT_TRUE(request.name.isEmpty());
  EXPECT_FALSE(request.objectId.IsValid());
  EXPECT_FALSE(request.isNewConnection);

  model = Build(nullptr);
  EXPECT_FALSE(model->GetAuthenticationInfo());
  EXPECT_TRUE(model->GetModularConnectionSettings());
  EXPECT_EQ(model->GetConnectServerWidgetType(), ConnectServerWidgetType::Invalid);
  EXPECT_TRUE(model->GetConnectionParams()->GetServer().isEmpty());
}

}  // namespace
