// Configurations made from connector descriptions, the cloud-file registry and the driver
// diagnostics, against the built-in descriptions and a few made for the test.
#include "host/app/FeatureFlags.h"
#include "host/connect/CloudFileConnectorsRegistry.h"
#include "host/connect/ConnectConfigUtils.h"
#include "host/connect/DriverDiagnostics.h"
#include "host/connectors/CloudFileRegistry.h"
#include "host/connectors/DataSource.h"
#include "host/connectors/InstalledDriverDiagnostics.h"

#include "tests/QStringPrinter.h"
#include "tests/support/BuiltinConfigs.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestFiles.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

using AuthOption = AuthenticationEnums::AuthOption;
using Attributes = DSConnectionConfig::Attributes;
using builtin::Config;
using builtin::RegistryWith;
using builtin::ScopedRegistry;

TString Attr(const Attributes& attributes, const char* name) {
  const auto found = attributes.find(QLatin1String(name));
  return found == attributes.end() ? QStringLiteral("<absent>") : found->second;
}

class DescribedConfigsTest : public ::testing::Test {
 protected:
  ScopedRegistry m_registry{RegistryWith()};
};

TEST_F(DescribedConfigsTest, ARelationalServerConnectionAnswersFromItsDescriptionAndAttributes) {
  const RefCntPtr<DSConnectionConfig> config = Config("postgres", {}, true);
  EXPECT_EQ(config->ClassName(), QStringLiteral("postgres"));
  EXPECT_TRUE(config->IsRelational());
  EXPECT_FALSE(config->IsHierarchical());
  EXPECT_EQ(config->AsHierarchical(), nullptr);
  // The description's prompts and flags themselves are pinned by the written postgres dialog
  // (tests/cli/connections/dialog-postgres.expected); here, one of each kind shows the wiring.
  EXPECT_TRUE(config->IsRelational() && !config->IsHierarchical() && config->SupportsInitialSQL());
  EXPECT_EQ(config->GetAuthMode(), AuthenticationEnums::Mode::AuthModeBasic);
  EXPECT_EQ(config->GetConnectionTypeLabel(), QStringLiteral("PostgreSQL"));
  // A new connection starts from its class and the class's default attributes.
  EXPECT_EQ(Attr(config->GetConnectionAttributes(), "class"), QStringLiteral("postgres"));
  EXPECT_EQ(Attr(config->GetConnectionAttributes(), "port"), QStringLiteral("5432"));

  const RefCntPtr<const RelationalDSConnectionConfig> rel = config->AsRelational();
  ASSERT_TRUE(rel);
  EXPECT_EQ(rel->ServerNamePrompt(), QStringLiteral("Server"));
  EXPECT_FALSE(rel->DatabaseNameOptional());
  EXPECT_FALSE(rel->SSLRequiresCertificate());
  EXPECT_EQ(rel->GetConnectionFieldsModel(), nullptr);

  // An existing connection keeps exactly the attributes it was given (and its class).
  const RefCntPtr<DSConnectionConfig> existing = Config(
      "postgres", {{QStringLiteral("server"), QStringLiteral("db.example")}, {QStringLiteral("sslmode"), QStringLiteral("require")}});
  EXPECT_EQ(Attr(existing->GetConnectionAttributes(), "port"), QStringLiteral("<absent>"));
  EXPECT_EQ(existing->AsRelational()->GetServer(), QStringLiteral("db.example"));
  EXPECT_EQ(existing->AsRelational()->GetSSLMode(), QStringLiteral("require"));
  EXPECT_EQ(existing->GetConnectionDescriptionLabel(), QStringLiteral("db.example"));
}

TEST_F(DescribedConfigsTest, StateStartsUnconnectedUntilTheHostSaysSo) {
  const RefCntPtr<DSConnectionConfig> config = Config("postgres", {}, true);
  EXPECT_TRUE(config->IsNewConnection());
  EXPECT_FALSE(config->IsConnected());
  EXPECT_FALSE(config->ShouldFinishConnection());
  DescribedConfigState* state = DescribedConfigState::Of(*config);
  ASSERT_NE(state, nullptr);
  state->SetConnected(true);
  state->SetHasUncommittedChanges(true);
  state->SetDbVariablesCount(3);
  EXPECT_TRUE(config->IsConnected());
  EXPECT_TRUE(config->ShouldFinishConnection());
  EXPECT_TRUE(config->HasUncommittedChanges());
  EXPECT_EQ(config->GetDbVariablesCount(), 3);

  auto fakeConfig = MakeRefCnt<fake::PlainConfig>();
  EXPECT_EQ(DescribedConfigState::Of(*fakeConfig), nullptr);
}

TEST_F(DescribedConfigsTest, CurrentAuthOptionComesFromTheAuthenticationAttributeElseTheDefault) {
  EXPECT_EQ(Config("hive")->GetCurrentAuthOption(), AuthOption::AuthOptionUsername);  // the described default
  EXPECT_EQ(Config("hive", {{QStringLiteral("authentication"), QStringLiteral("1")}})->GetCurrentAuthOption(),
            AuthOption::AuthOptionKerberos);
  EXPECT_EQ(Config("hive", {{QStringLiteral("authentication"), QStringLiteral("42")}})->GetCurrentAuthOption(),
            AuthOption::AuthOptionUsername);
  EXPECT_EQ(Config("nimbara")->GetCurrentAuthOption(), AuthOption::AuthOauth);  // the first option
  EXPECT_EQ(Config("excel")->GetCurrentAuthOption(), AuthOption::AuthOptionNone);
  EXPECT_EQ(Config("msolap")->GetAuthOptions(),
            (std::vector<AuthOption>{AuthOption::AuthOptionUseWindows, AuthOption::AuthOptionUsernameAndPassword}));
  EXPECT_EQ(Config("hive")->GetAuthMode(), AuthenticationEnums::Mode::AuthModeHive);
}

TEST_F(DescribedConfigsTest, HiveOffersConnectionTypesAndTransportTypes) {
  const RefCntPtr<const RelationalDSConnectionConfig> hive = Config("hive")->AsRelational();
  const std::vector<Connect::ConnectionSettingsOption> options = hive->GetConnectionSettingsOptions();
  ASSERT_EQ(options.size(), 2u);
  EXPECT_EQ(options[1].GetConnectionType(), QStringLiteral("zookeeper"));
  EXPECT_EQ(options[1].GetServerPrompt(), QStringLiteral("ZooKeeper quorum"));
  EXPECT_TRUE(options[0].ShowPortPrompt());
  EXPECT_FALSE(options[1].ShowPortPrompt());
  const std::vector<Connect::TransportTypeConfig> transports = hive->GetTransportTypeConfigs();
  ASSERT_EQ(transports.size(), 3u);
  EXPECT_EQ(transports[2].GetTransportTypeValue(), QStringLiteral("2"));
  EXPECT_TRUE(transports[2].GetShowHttpPrompt());
  EXPECT_FALSE(transports[0].GetShowHttpPrompt());
  ASSERT_EQ(transports[0].GetConnTypeToAuthOptionMappings().size(), 2u);
  EXPECT_EQ(transports[0].GetConnTypeToAuthOptionMappings()[1].GetConnectionType(), QStringLiteral("zookeeper"));
  EXPECT_EQ(transports[0].GetConnTypeToAuthOptionMappings()[0].GetAuthOptions(),
            (std::vector<AuthOption>{AuthOption::AuthOptionNone, AuthOption::AuthOptionKerberos}));
  // The kind of source, not the "connection-type" attribute.
  EXPECT_EQ(Config("hive", {{QStringLiteral("connection-type"), QStringLiteral("zookeeper")}})->GetConnectionType(),
            ConnectionTypeEnum::ServerDS);
  EXPECT_EQ(Config("sqlite", {})->GetConnectionType(), ConnectionTypeEnum::FileDS);
  EXPECT_EQ(Config("halvane-server", {})->GetConnectionType(), ConnectionTypeEnum::HalvaneServerDS);
}

TEST_F(DescribedConfigsTest, FieldsApplyOnlyWhenTheirConditionsHold) {
  const RefCntPtr<const RelationalDSConnectionConfig> snowflake = Config("snowflake")->AsRelational();
  // The fields that apply under a sign-in, in the description's order, joined by spaces.
  const auto names = [&snowflake](const char* authentication) {
    Attributes attributes;
    if (authentication != nullptr) attributes[QStringLiteral("authentication")] = QLatin1String(authentication);
    const std::vector<TString> list =
        snowflake->GetConnectionFieldsNames(Connect::ConnectionFieldsFilterFactory::Instance().CreateFilter(attributes));
    return QStringList(list.begin(), list.end()).join(QLatin1Char(' '));
  };
  const QString head = QStringLiteral("server warehouse dbname schema authentication ");
  const QString tail = QStringLiteral("sslfile sslcert odbc-connect-string-extras");
  EXPECT_EQ(names("auth-keypair"), head + QStringLiteral("username priv-key-file priv-key-file-pwd ") + tail);
  EXPECT_EQ(names("auth-user-pass"), head + QStringLiteral("username password ") + tail);
  // Fields without conditions always apply; a condition on a missing attribute does not hold.
  EXPECT_EQ(names("oauth"), head + tail);
  EXPECT_EQ(names(nullptr), head + tail);

  const RefCntPtr<const Connect::IConnectionFieldsModel> model = snowflake->GetConnectionFieldsModel();
  ASSERT_TRUE(model);
  EXPECT_TRUE(model->GetField(QStringLiteral("priv-key-file-pwd"))->IsSecure());
  EXPECT_TRUE(model->GetField(QStringLiteral("password"))->IsSecure());
  EXPECT_FALSE(model->GetField(QStringLiteral("priv-key-file"))->IsSecure());
  EXPECT_EQ(model->GetField(QStringLiteral("no-such-field")), nullptr);

  EXPECT_EQ(snowflake->DBWHNamePrompt(), QStringLiteral("Warehouse"));
  EXPECT_TRUE(snowflake->DatabaseWHOptional());
  // The modular dialog is held as compact JSON text that parses back to an object.
  const TString json = snowflake->GetModularConnectionDialogJson();
  EXPECT_FALSE(json.contains(QLatin1Char('\n')));
  EXPECT_TRUE(QJsonDocument::fromJson(json.toUtf8()).isObject());
  EXPECT_TRUE(json.startsWith(QStringLiteral(R"({"version":1,"title":"Snowflake",)")));

  // Without the connection-fields flag the fields are not converted, so no modular dialog may
  // edit them: the fixed dialog is shown.
  auto flags = std::make_shared<ConfigurableFeatureFlags>(false, "HLV_TEST_FEATURE_FLAGS_UNSET");
  flags->Set(FeatureFlagIds::kConnectionFieldsModel, false);
  const fake::ScopedInstall<FeatureFlags, IFeatureFlags> fieldsOff(flags);
  EXPECT_EQ(snowflake->GetModularConnectionDialogJson(), TString());
  EXPECT_TRUE(snowflake->ShowServerNamePrompt());
}

TEST_F(DescribedConfigsTest, PreparingCachedAttributesDropsSecretsAndAddsMissingDefaults) {
  Attributes cached = {{QStringLiteral("server"), QStringLiteral("acme.snowflake")},
                       {QStringLiteral("username"), QStringLiteral("ann")},
                       {QStringLiteral("password"), QStringLiteral("pw")},
                       {QStringLiteral("priv-key"), QStringLiteral("key text")},
                       {QStringLiteral("priv-key-file"), QStringLiteral("/keys/ann.p8")},
                       {QStringLiteral("priv-key-file-pwd"), QStringLiteral("phrase")},
                       {QStringLiteral("credential-id"), QStringLiteral("c-1")},
                       {QStringLiteral("connection-id"), QStringLiteral("x-1")}};
  Config("snowflake")->PrepareCachedAttributes(cached);
  EXPECT_EQ(cached, (Attributes{{QStringLiteral("server"), QStringLiteral("acme.snowflake")},
                                {QStringLiteral("username"), QStringLiteral("ann")},
                                {QStringLiteral("priv-key-file"), QStringLiteral("/keys/ann.p8")},
                                {QStringLiteral("authentication"), QStringLiteral("auth-user-pass")}}));

  // A default never overwrites what the cache holds.
  Attributes keyPair = {{QStringLiteral("authentication"), QStringLiteral("auth-keypair")}};
  Config("snowflake")->PrepareCachedAttributes(keyPair);
  EXPECT_EQ(Attr(keyPair, "authentication"), QStringLiteral("auth-keypair"));
}

TEST_F(DescribedConfigsTest, CubeSpecificationOptionsFollowTheAttributes) {
  const RefCntPtr<DSConnectionConfig> tbio = Config("tbio");
  const RefCntPtr<const HierarchicalDSConnectionConfig> hier = tbio->AsHierarchical();
  ASSERT_TRUE(hier);
  EXPECT_EQ(tbio->AsRelational(), nullptr);
  EXPECT_EQ(hier->GetConnectionSpecificationTitle(), QStringLiteral("Cube source"));

  using Option = HierarchicalDSConnectionConfig::ConnectionSpecificationOption;
  auto selected = [](const std::vector<Option>& options) {
    std::vector<TString> ids;
    for (const Option& option : options)
      if (option.IsSelected()) ids.push_back(option.GetOptionId());
    return ids;
  };
  // Nothing chosen yet: the default option.
  std::vector<Option> options = hier->GetConnectionSpecificationOptions({});
  ASSERT_EQ(options.size(), 3u);
  EXPECT_EQ(selected(options), std::vector<TString>{QStringLiteral("server")});
  EXPECT_EQ(options[0].GetItemType(), ConnectionSpecificationType::ComboBox);
  EXPECT_EQ(options[0].GetPossibleChoices(),
            (std::vector<TString>{QStringLiteral("Cloud"), QStringLiteral("On-premises")}));
  EXPECT_EQ(options[2].GetItemType(), ConnectionSpecificationType::LineEditBrowse);
  EXPECT_TRUE(options[2].GetPossibleChoices().empty());

  // The first option whose attribute holds a value is the one in use, with that value as text.
  options = hier->GetConnectionSpecificationOptions({{QStringLiteral("filename"), QStringLiteral("/cubes/sales.cube")},
                                                     {QStringLiteral("tbio-deployment"), QString()}});
  EXPECT_EQ(selected(options), std::vector<TString>{QStringLiteral("model-file")});
  EXPECT_EQ(options[2].GetCurrentText(), QStringLiteral("/cubes/sales.cube"));
  options = hier->GetConnectionSpecificationOptions({{QStringLiteral("filename"), QStringLiteral("/c")},
                                                     {QStringLiteral("tbio-deployment"), QStringLiteral("Cloud")}});
  EXPECT_EQ(selected(options), std::vector<TString>{QStringLiteral("deployment")});
  EXPECT_EQ(options[0].GetCurrentText(), QStringLiteral("Cloud"));

  // The configuration's own attributes give the cube specification of the connection.
  TString id, value;
  ConnectConfigUtils::GetCubeSpecification(Config("msolap", {{QStringLiteral("server"), QStringLiteral("olap1")}}),
                                           id, value);
  EXPECT_EQ(id, QStringLiteral("server"));
  EXPECT_EQ(value, QStringLiteral("olap1"));
  const std::vector<Option> single = Config("essbase")->AsHierarchical()->GetConnectionSpecificationOptions({});
  ASSERT_EQ(single.size(), 1u);
  EXPECT_TRUE(single[0].IsSelected());
}

TEST_F(DescribedConfigsTest, ModelsGiveTheirKindOfConfiguration) {
  EXPECT_TRUE(Config("halvane-server")->IsServerDataSource());
  EXPECT_FALSE(Config("halvane-server")->IsRelational());
  EXPECT_TRUE(Config("google-analytics")->IsGoogleAnalytics());
  EXPECT_TRUE(Config("federated")->IsFederatedConfig());
  EXPECT_FALSE(Config("postgres")->IsFederatedConfig());
  EXPECT_TRUE(Config("webdata")->AsRelational() == nullptr);
  EXPECT_THROW(Config("no-such-class"), HalvaneException);

  const RefCntPtr<DSConnectionConfig> excel =
      Config("excel", {{QStringLiteral("filename"), QStringLiteral("/data/Sales 2024.xlsx")}});
  EXPECT_EQ(excel->GetFilename(), QStringLiteral("/data/Sales 2024.xlsx"));
  EXPECT_EQ(excel->GetConnectionDescriptionLabel(), QStringLiteral("Sales 2024.xlsx"));
}

TEST_F(DescribedConfigsTest, AConfigurationOfADataSourceTakesItsAttributesNameAndRelations) {
  auto dataSource = MakeRefCnt<DataSource>(QStringLiteral("postgres"),
                                           ConnectionAttributeMap{{QStringLiteral("server"), QStringLiteral("pg1")}});
  dataSource->SetCaption(QStringLiteral("Orders (pg1)"));
  dataSource->AddRelation(MakeRefCnt<SQLTextRelation>(QStringLiteral("Custom SQL Query"), QStringLiteral("SELECT 1")));
  const RefCntPtr<DSConnectionConfig> config = DSConnectionConfig::CreateInstance(
      dataSource->GetConnectionClass(), dataSource, dataSource->GetDataSourceInfoProvider(), QString(),
      DataObjectModel::ObjectId(), false);
  EXPECT_EQ(config->GetConfigName(), QStringLiteral("Orders (pg1)"));
  EXPECT_EQ(config->GetDataSource(), dataSource);
  EXPECT_EQ(config->AsRelational()->GetServer(), QStringLiteral("pg1"));
  const RefCntPtr<const SQLRelation> relation =
      config->AsRelational()->GetConstRelationForAlias(QStringLiteral("Custom SQL Query"));
  ASSERT_TRUE(relation);
  EXPECT_EQ(dynamic_cast<const SQLTextRelation&>(*relation).GetSQL(), QStringLiteral("SELECT 1"));
  EXPECT_EQ(config->AsRelational()->GetConstRelationForAlias(QStringLiteral("Other")), nullptr);
  // A name in the request wins over the data source's caption.
  EXPECT_EQ(DSConnectionConfig::CreateInstance(QStringLiteral("postgres"), dataSource, nullptr, QStringLiteral("Mine"),
                                               DataObjectModel::ObjectId(), false)
                ->GetConfigName(),
            QStringLiteral("Mine"));
}

TEST_F(DescribedConfigsTest, ReconnectParametersAreTheFixedOnesAndTheNamedAttributes) {
  const RefCntPtr<DSConnectionConfig> config =
      Config("postgres", {{QStringLiteral("server"), QStringLiteral("pg1")}, {QStringLiteral("password"), QStringLiteral("pw")}});
  EXPECT_EQ(config->GetReconnectAuthMode(), AuthenticationEnums::ReconnectMode::ReconnectModeBasic);
  Attributes parameters;
  config->GetReconnectAuthParams(parameters);
  EXPECT_EQ(parameters, (Attributes{{QStringLiteral("server"), QStringLiteral("pg1")},
                                    {QStringLiteral("prompt"),
                                     QStringLiteral("Sign in to PostgreSQL again to refresh this data source.")}}));
}

TEST(DescribedConfigsFallbackTest, AConnectorOfAnotherRegistryGivesAPlainConfiguration) {
  auto registry = std::make_shared<fake::Registry>();
  fake::Connector& connector = registry->Add(QStringLiteral("custom"));
  connector.caption = QStringLiteral("Custom Source");
  connector.supportsInitialSQL = true;
  ScopedRegistry installed(registry);
  const RefCntPtr<DSConnectionConfig> config = Config("custom");
  EXPECT_FALSE(config->IsRelational());
  EXPECT_TRUE(config->SupportsInitialSQL());
  EXPECT_EQ(config->GetConnectionTypeLabel(), QStringLiteral("Custom Source"));
  EXPECT_EQ(Connect::DescriptionOf(QStringLiteral("custom")), nullptr);
}

TEST(DescribedDsnOptionsTest, DataPreparationSeesOnlyTheOptionsMeantForIt) {
  ScopedRegistry installed(RegistryWith({R"({"class": "dsns", "caption": {"en": "D"}, "dsn-options": [
      {"name": "Sales", "driver": "PostgreSQL Unicode", "server": "pg1", "port": "5432", "database": "sales"},
      {"name": "Personal", "driver": "SQLite3", "database": "/home/ann/p.db", "data-preparation": false}]})"}));
  const RefCntPtr<const RelationalDSConnectionConfig> config = Config("dsns")->AsRelational();
  const std::vector<Connect::DsnSettingsOption> all = config->GetDsnSettingsOptions(false);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].GetDsnServer(), QStringLiteral("pg1"));
  EXPECT_EQ(all[0].GetDsnPort(), QStringLiteral("5432"));
  EXPECT_EQ(all[0].GetDsnPassword(), QString());
  const std::vector<Connect::DsnSettingsOption> prep = config->GetDsnSettingsOptions(true);
  ASSERT_EQ(prep.size(), 1u);
  EXPECT_EQ(prep[0].GetDsnName(), QStringLiteral("Sales"));
}

// --- Cloud files --------------------------------------------------------------------------

TEST_F(DescribedConfigsTest, CloudFileRegistryAnswersFromTheDescriptions) {
  const DescribedCloudFileRegistry cloud;
  EXPECT_TRUE(cloud.IsValidCloudFileClass(QStringLiteral("box-file")));
  EXPECT_FALSE(cloud.IsValidCloudFileClass(QStringLiteral("excel")));
  EXPECT_FALSE(cloud.IsValidCloudFileClass(QStringLiteral("no-such-class")));
  EXPECT_EQ(cloud.GetCorsProxyUrlPrefix(QStringLiteral("dropbox-file")), QStringLiteral("/cloudfile-proxy/dropbox/"));
  EXPECT_EQ(cloud.GetSupportedFileExtensions(QStringLiteral("googledrive-file")),
            (std::vector<TString>{QStringLiteral("xlsx"), QStringLiteral("csv"), QStringLiteral("txt")}));
  EXPECT_TRUE(cloud.GetSupportedFileExtensions(QStringLiteral("excel")).empty());

  // The providers, the classes and their descriptions in each language, a provider's falling back
  // to its class's, are pinned by the CLI's OAuth settings (tests/cli/oauth-settings).
  EXPECT_EQ(cloud.GetClassDescription(QStringLiteral("onedrive"), QString()), QString());
  // The facade's default is this registry.
  EXPECT_TRUE(CloudFileConnectorsRegistry::Get().IsValidCloudFileClass(QStringLiteral("googledrive-file")));
}

// --- Driver diagnostics -------------------------------------------------------------------

class DriverDiagnosticsTest : public ::testing::Test {
 protected:
  ScopedRegistry m_registry{
      RegistryWith({R"({"class": "madeup", "caption": {"en": "M"}, "driver": {"qt": "QNOSUCHDRIVER"}})"})};
  InstalledDriverDiagnostics m_diagnostics;

  bool Has(const char* connectionClass, TString& message, const char* connectionType = nullptr) const {
    ConnectionAttributeMap attributes = {{QStringLiteral("class"), QLatin1String(connectionClass)}};
    if (connectionType != nullptr) attributes[QStringLiteral("connection-type")] = QLatin1String(connectionType);
    return m_diagnostics.HasDriver(attributes, message);
  }
};

TEST_F(DriverDiagnosticsTest, AnswersFromTheInstalledQtDrivers) {
  TString message = QStringLiteral("untouched");
  EXPECT_TRUE(Has("sqlite", message));
  EXPECT_EQ(message, QStringLiteral("untouched"));
  EXPECT_FALSE(Has("madeup", message));
  EXPECT_EQ(message, QStringLiteral("The driver \"QNOSUCHDRIVER\" is not installed. Install it to connect."));
  // Classes that need no driver, and classes the registry does not know, are not held up.
  message.clear();
  EXPECT_TRUE(Has("excel", message));
  EXPECT_TRUE(Has("no-such-class", message));
  EXPECT_TRUE(message.isEmpty());
  // Through the facade, as the dialog builders ask.
  EXPECT_TRUE(DriverDiagnostics::HasDriver({{QStringLiteral("class"), QStringLiteral("sqlite")}}, message));
}

TEST_F(DriverDiagnosticsTest, TheConnectionTypeChoosesTheDriverAndIsNamed) {
  QTemporaryDir jars;
  const QByteArray jarsPath = jars.path().toUtf8();
  const testenv::ScopedEnvironment environment("HLV_JDBC_DRIVERS_PATH", jarsPath.constData());
  TString message;
  EXPECT_FALSE(Has("hive", message, "zookeeper"));
  EXPECT_EQ(message,
            QStringLiteral("The driver \"HiveJDBC42.jar\" is not installed. Install it to connect to ZooKeeper."));
  testfiles::WriteFile(jars, QStringLiteral("HiveJDBC42.jar"), std::string());
  message.clear();
  EXPECT_TRUE(Has("hive", message, "zookeeper"));
  EXPECT_TRUE(message.isEmpty());
  // The other connection type falls back to the class's ODBC driver, which this test's
  // machine does not have: the message then names no connection type.
  EXPECT_FALSE(Has("hive", message, "direct"));
  EXPECT_EQ(
      message,
      QStringLiteral("The driver \"Cloudera ODBC Driver for Apache Hive\" is not installed. Install it to connect."));
}

}  // namespace
