#include "presentation-model/ConnectionParamsPresModelBuilder.h"

#include "connect/NullConnectionSettingsCache.h"
#include "host/app/StringIds.h"
#include "host/app/StringTable.h"
#include "tests/support/ConnectServices.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using AuthenticationEnums::AuthOption;

TString T(const char* text) { return QString::fromUtf8(text); }

class ConnectionParamsPresModelBuilderTest : public ::testing::Test {
 protected:
  ConnectionParamsPresModelBuilderTest() {
    services.SetFlags(false, false);
    rel->rel.server = T("config server");
    rel->rel.port = T("5432");
    rel->rel.sslMode = T("require");
    rel->rel.vendor1 = T("v1");
    rel->rel.vendor2 = T("v2");
    rel->rel.vendor3 = T("v3");
  }

  RefCntPtr<const ConnectionParamsPresModel> Build(RefCntPtr<const DSConnectionConfig> config) {
    return ConnectionParamsPresModelBuilder().Build(*cacheAccessor, std::move(config));
  }

  fake::ConnectServices services;
  RefCntPtr<fake::RelationalConfig> rel = MakeRefCnt<fake::RelationalConfig>();
  ConnectionSettingsCache cache;
  // Raises when asked for attributes: a test using it proves the cache is not read.
  std::unique_ptr<IConnectionSettingsCacheAccessor> cacheAccessor = NullConnectionSettingsCache::CreateAccessor();
};

TEST_F(ConnectionParamsPresModelBuilderTest, NoConfigurationOrAServerDataSourceGivesDefaults) {
  EXPECT_TRUE(Build(nullptr)->GetServer().isEmpty());
  rel->state.isServerDataSource = true;
  rel->state.filename = T("/data/file.csv");
  rel->state.attributes = {{T("server"), T("db")}};
  const RefCntPtr<const ConnectionParamsPresModel> model = Build(rel);
  EXPECT_TRUE(model->GetServer().isEmpty() && model->GetFilename().isEmpty() && model->GetPort().isEmpty());
}

TEST_F(ConnectionParamsPresModelBuilderTest, ANewConnectionWithoutCacheTakesOnlyTheConfigurationsAnswers) {
  rel->state.isNewConnection = true;
  rel->state.filename = T("/data/file.db");
  rel->state.attributes = {{T("server"), T("stored")}, {T("username"), T("ann")}};
  rel->state.currentAuthOption = AuthOption::AuthOptionKerberos;
  rel->rel.connectionOptions = {{T("Direct"), T("direct"), T("Server"), true, false},
                                {T("Gateway"), T("gateway"), T("Server"), true, false}};
  using Mapping = Connect::ConnTypeToAuthOptionMapping;
  rel->rel.transportTypes = {
      {T("Binary"), T("0"),
       false,
       {Mapping(T("gateway"), {AuthOption::AuthOptionKerberos}),
        Mapping(T("direct"), {AuthOption::AuthOptionUsernameAndPassword})}},
      {T("HTTP"), T("2"), true, {Mapping(T("direct"), {AuthOption::AuthOptionNone, AuthOption::AuthOptionKerberos})}},
      {T("SASL"), T("3"), false, {Mapping(T("direct"), {AuthOption::AuthOptionKerberos})}}};

  RefCntPtr<const ConnectionParamsPresModel> model = Build(rel);
  EXPECT_EQ(model->GetFilename(), T("/data/file.db"));
  EXPECT_EQ(model->GetCurrentAuthOption(), AuthOption::AuthOptionKerberos);
  EXPECT_EQ(model->GetServer(), T("config server"));
  EXPECT_EQ(model->GetPort(), T("5432"));
  EXPECT_TRUE(model->GetRequireSSL());
  EXPECT_EQ(model->GetVendor1() + model->GetVendor2() + model->GetVendor3(), T("v1v2v3"));
  EXPECT_EQ(model->GetConnectionType(), T("direct"));  // the first option's
  EXPECT_EQ(model->GetTransportType(), T("2"));         // the first transport allowing the option for it
  EXPECT_TRUE(model->GetUsername().isEmpty());

  rel->state.currentAuthOption = AuthOption::AuthOptionLdap;
  EXPECT_TRUE(Build(rel)->GetTransportType().isEmpty());

  // Without connection options there is no connection type, and no search for one.
  rel->rel.connectionOptions.clear();
  rel->rel.transportTypes = {{T("Any"), T("9"), false, {Mapping(TString(), {AuthOption::AuthOptionLdap})}}};
  model = Build(rel);
  EXPECT_TRUE(model->GetConnectionType().isEmpty());
  EXPECT_TRUE(model->GetTransportType().isEmpty());
}

TEST_F(ConnectionParamsPresModelBuilderTest, ANewConnectionStartsFromTheCachedAttributes) {
  rel->state.isNewConnection = true;
  rel->state.preparedAttributes = {{T("port"), T("6543")}};
  cache.Remember(T("postgres"), {{T("server"), T("cached")},
                                 {T("filename"), T("/cached.csv")},
                                 {T("username"), T("ann")},
                                 {T("sslmode"), TString()}});
  cacheAccessor = cache.CreateAccessor();

  RefCntPtr<const ConnectionParamsPresModel> model = Build(rel);
  EXPECT_EQ(model->GetServer(), T("cached"));
  EXPECT_EQ(model->GetPort(), T("6543"));
  EXPECT_EQ(model->GetUsername(), T("ann"));
  EXPECT_FALSE(model->GetRequireSSL());
  EXPECT_EQ(model->GetFilename(), T("/cached.csv"));

  rel->state.filename = T("/config.csv");  // the configuration's file wins
  EXPECT_EQ(Build(rel)->GetFilename(), T("/config.csv"));
}

TEST_F(ConnectionParamsPresModelBuilderTest, AnExistingConnectionCopiesEveryStoredAttribute) {
  using Getter = const TString& (ConnectionParamsPresModel::*)() const;
  struct Field {
    const char* attribute;
    Getter get;
  };
  const Field fields[] = {
      {"server", &ConnectionParamsPresModel::GetServer},
      {"service", &ConnectionParamsPresModel::GetService},
      {"dbname", &ConnectionParamsPresModel::GetDatabase},
      {"warehouse", &ConnectionParamsPresModel::GetDatabaseWarehouse},
      {"port", &ConnectionParamsPresModel::GetPort},
      {"schema", &ConnectionParamsPresModel::GetSchema},
      {"username", &ConnectionParamsPresModel::GetUsername},
      {"sslcert", &ConnectionParamsPresModel::GetSSLCert},
      {"ssl-client-cert", &ConnectionParamsPresModel::GetSSLClientCert},
      {"ssl-client-key", &ConnectionParamsPresModel::GetSSLClientKey},
      {"ssl-client-cert-file", &ConnectionParamsPresModel::GetSSLClientCertFile},
      {"ssl-client-key-file", &ConnectionParamsPresModel::GetSSLClientKeyFile},
      {"connection-type", &ConnectionParamsPresModel::GetConnectionType},
      {"authentication-type", &ConnectionParamsPresModel::GetAuthType},
      {"transport-type", &ConnectionParamsPresModel::GetTransportType},
      {"kerberos-realm", &ConnectionParamsPresModel::GetKerberosRealm},
      {"kerberos-host", &ConnectionParamsPresModel::GetKerberosHost},
      {"kerberos-service", &ConnectionParamsPresModel::GetKerberosService},
      {"http-path", &ConnectionParamsPresModel::GetHTTPPath},
      {"mdwpath", &ConnectionParamsPresModel::GetMDWPath},
      {"mdwusername", &ConnectionParamsPresModel::GetMDWUsername},
      {"odbc-dsn", &ConnectionParamsPresModel::GetDSN},
      {"odbc-driver", &ConnectionParamsPresModel::GetDriver},
      {"odbc-connect-string-extras", &ConnectionParamsPresModel::GetODBCStringExtras},
      {":odbc-prompt", &ConnectionParamsPresModel::GetODBCPrompt},
      {"sfc-client", &ConnectionParamsPresModel::GetSAPClient},
      {"sfc-language", &ConnectionParamsPresModel::GetSAPLanguage},
      {"edition", &ConnectionParamsPresModel::GetEdition},
      {"sso-domain", &ConnectionParamsPresModel::GetSSODomain},
      {"saml-idp", &ConnectionParamsPresModel::GetSAMLIdP},
      {"jdbcurl", &ConnectionParamsPresModel::GetJDBCUrl},
      {"dialect", &ConnectionParamsPresModel::GetDialect},
      {"jdbcproperties", &ConnectionParamsPresModel::GetJDBCProperties},
      {"vendor1", &ConnectionParamsPresModel::GetVendor1},
      {"vendor2", &ConnectionParamsPresModel::GetVendor2},
      {"vendor3", &ConnectionParamsPresModel::GetVendor3},
      {"instanceurl", &ConnectionParamsPresModel::GetInstanceUrl},
  };
  services.registry->authValues[T("postgres")] = {{AuthOption::AuthOptionUsernameAndPassword, T("auth-user-pass")},
                                                  {AuthOption::AuthOptionKerberos, T("auth-kerberos")}};
  DSConnectionConfig::Attributes& attributes = rel->state.attributes;
  for (const Field& field : fields) attributes[T(field.attribute)] = T("stored ") + T(field.attribute);
  attributes[T("authentication-type")] = T("auth-kerberos");
  attributes[T("authentication")] = T("auth-user-pass");
  attributes[T("password")] = T("pw");
  attributes[T("mdwpassword")] = T("mdw pw");
  attributes[T("IsolationLevel")] = T("ReadUncommitted");
  attributes[T("encryptionMode")] = T("require");
  attributes[T("sslmode")] = TString();
  attributes[T("filename")] = T("/stored.db");

  const RefCntPtr<const ConnectionParamsPresModel> model = Build(rel);
  for (const Field& field : fields)
    EXPECT_EQ(((*model).*field.get)(), attributes[T(field.attribute)]) << field.attribute;
  EXPECT_EQ(model->GetCurrentAuthOption(), AuthOption::AuthOptionKerberos);  // "authentication-type" wins
  EXPECT_EQ(model->GetPassword().GetString(), T("pw"));
  EXPECT_EQ(model->GetMDWPassword().GetString(), T("mdw pw"));
  EXPECT_TRUE(model->GetReadUncommitted());
  EXPECT_TRUE(model->GetRequireEncryption());
  EXPECT_FALSE(model->GetRequireSSL());  // the stored value replaces the configuration's "require"
  EXPECT_EQ(model->GetFilename(), T("/stored.db"));
  EXPECT_FALSE(model->GetIsLegacyConnection());

  attributes.erase(T("authentication-type"));
  EXPECT_EQ(Build(rel)->GetCurrentAuthOption(), AuthOption::AuthOptionUsernameAndPassword);
}

TEST_F(ConnectionParamsPresModelBuilderTest, ABareParameterSetGoesThroughAConfigurationOfItsClass) {
  auto file = MakeRefCnt<fake::PlainConfig>();
  services.configFactory->config = file;
  DSConnectorParams params;
  params.SetServer(T("db"));
  params.SetOAuthAttributes({{T("access-token"), T("t")}});
  params.SetCubeConnectionSpecificationId(T("catalog"));
  params.SetCubeConnectionSpecificationValue(T("Sales"));
  for (const char* connectionClass : {"excel", "csv", "postgres"}) {
    file->state.className = T(connectionClass);
    const RefCntPtr<const ConnectionParamsPresModel> model =
        ConnectionParamsPresModelBuilder().Build(T(connectionClass), params);
    EXPECT_EQ(model->GetIsLegacyConnection(), T(connectionClass) != T("postgres")) << connectionClass;
    EXPECT_EQ(model->GetServer(), T("db"));
    EXPECT_EQ(model->GetOAuthAttributes(), params.OAuthAttributes());
    EXPECT_EQ(model->GetCubeSpecificationId(), T("catalog"));
    EXPECT_EQ(model->GetCubeSpecificationValue(), T("Sales"));
  }
  ASSERT_EQ(services.configFactory->requests.size(), 3u);
  const ConnectionConfigRequest& request = services.configFactory->requests.back();
  EXPECT_EQ(request.connectionClass, T("postgres"));
  EXPECT_FALSE(request.dataSource);
  EXPECT_FALSE(request.infoProvider);
  EXPECT_TRUE(request.name.isEmpty());
  EXPECT_FALSE(request.objectId.IsValid());
  EXPECT_FALSE(request.isNewConnection);
}

TEST_F(ConnectionParamsPresModelBuilderTest, ACubeConnectionTakesItsSelectedSpecification) {
  auto cube = MakeRefCnt<fake::HierarchicalConfig>();
  cube->state.className = T("msolap");
  cube->state.attributes = {{T("server"), T("olap")}};
  cube->options = {{ConnectionSpecificationType::ComboBox, false, T("Catalog"), T("Other"), {}, T("catalog")},
                   {ConnectionSpecificationType::LineEdit, true, T("Cube"), T("Sales"), {}, T("cube")}};
  const RefCntPtr<const ConnectionParamsPresModel> model = Build(cube);
  EXPECT_EQ(model->GetCubeSpecificationId(), T("cube"));
  EXPECT_EQ(model->GetCubeSpecificationValue(), T("Sales"));
  EXPECT_EQ(model->GetServer(), T("olap"));
}

TEST_F(ConnectionParamsPresModelBuilderTest, ConnectionFieldsTakeTheNamedAttributesWithTheCertificateLabel) {
  services.SetFlags(true, false);
  auto fields = MakeRefCnt<fake::FieldsModel>();
  for (const char* name : {"server", "port", "sslcert", "username"}) fields->Add(T(name));
  rel->rel.fields = fields;
  rel->state.attributes = {
      {T("server"), T("db")}, {T("sslcert"), T("CERT")}, {T("username"), TString()}, {T("warehouse"), T("wh")}};

  RefCntPtr<const ConnectionParamsPresModel> model = Build(rel);
  const TString label = LookupTStr(StringIds::kSSLCertificateAlreadyLoaded);
  EXPECT_EQ(model->GetConnectorAttributes(), (std::map<TString, TString>{{T("server"), T("db")},
                                                                         {T("sslcert"), T("CERT")},
                                                                         {T("sslfile"), label},
                                                                         {T("username"), TString()}}));
  EXPECT_EQ(model->GetServer(), T("config server"));  // the fixed fields are left alone
  EXPECT_TRUE(model->GetSSLCert().isEmpty());

  rel->state.attributes[T("sslcert")] = TString();
  EXPECT_FALSE(Build(rel)->HasConnectorAttribute(T("sslfile")));

  services.SetFlags(false, false);
  model = Build(rel);
  EXPECT_EQ(model->GetConnectorAttributeCount(), 0u);
  EXPECT_EQ(model->GetServer(), T("db"));
  EXPECT_EQ(model->GetDatabaseWarehouse(), T("wh"));
}

}  // namespace
