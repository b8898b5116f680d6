#include "connect/DSConnectorParams.h"

#include "tests/support/ConnectServices.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using Attrs = ConnectionAttributeMap;

TString T(const char* text) { return QString::fromUtf8(text); }

TEST(DSConnectorParamsTest, ConstructionMovesOnlyANonEmptyFilename) {
  const DSConnectorParams named({{T("filename"), T("/data/orders.csv")}, {T("server"), T("db")}});
  EXPECT_EQ(named.Filename(), T("/data/orders.csv"));
  EXPECT_EQ(named.Attributes(), (ConnectionAttributeMap{{T("server"), T("db")}}));

  const DSConnectorParams unnamed(Attrs{{T("filename"), TString()}});
  EXPECT_TRUE(unnamed.Filename().isEmpty());
  EXPECT_EQ(unnamed.Attributes(), (ConnectionAttributeMap{{T("filename"), TString()}}));
}

TEST(DSConnectorParamsTest, OAuthAttributesFillOnlyAbsentOrEmptyAttributes) {
  DSConnectorParams params;
  params.SetInstanceUrl(TString());
  params.SetServer(T("attribute wins"));
  params.SetOAuthAttributes({{T("instanceurl"), T("https://oauth.example.com")},
                             {T("server"), T("oauth loses")},
                             {T("access-token-id"), T("token-id")}});
  EXPECT_EQ(params.Attributes(), (ConnectionAttributeMap{{T("instanceurl"), T("https://oauth.example.com")},
                                                         {T("server"), T("attribute wins")},
                                                         {T("access-token-id"), T("token-id")}}));
  // The merge is a copy: the attributes themselves and their getters never see the OAuth map.
  EXPECT_TRUE(params.InstanceUrl().isEmpty());
  EXPECT_TRUE(params.GetStringValue(T("access-token-id")).isEmpty());

  params.SetOAuthAttributes({});
  EXPECT_TRUE(params.OAuthAttributes().empty());
}

TEST(DSConnectorParamsTest, EveryTypedAccessorHasItsOwnAttribute) {
  using Getter = TString (DSConnectorParams::*)() const;
  using Setter = void (DSConnectorParams::*)(const TString&);
  struct Accessor {
    Getter get;
    Setter set;
    const char* attribute;
  };
  const Accessor accessors[] = {
      {&DSConnectorParams::AuthType, &DSConnectorParams::SetAuthType, "authentication-type"},
      {&DSConnectorParams::Authentication, &DSConnectorParams::SetAuthentication, "authentication"},
      {&DSConnectorParams::ConnectionClass, &DSConnectorParams::SetConnectionClass, "class"},
      {&DSConnectorParams::ConnectionType, &DSConnectorParams::SetConnectionType, "connection-type"},
      {&DSConnectorParams::DSN, &DSConnectorParams::SetDSN, "odbc-dsn"},
      {&DSConnectorParams::Database, &DSConnectorParams::SetDatabase, "dbname"},
      {&DSConnectorParams::DatabaseWareHouse, &DSConnectorParams::SetDatabaseWareHouse, "warehouse"},
      {&DSConnectorParams::Dialect, &DSConnectorParams::SetDialect, "dialect"},
      {&DSConnectorParams::Driver, &DSConnectorParams::SetDriver, "odbc-driver"},
      {&DSConnectorParams::Edition, &DSConnectorParams::SetEdition, "edition"},
      {&DSConnectorParams::HTTPPath, &DSConnectorParams::SetHTTPPath, "http-path"},
      {&DSConnectorParams::InstanceUrl, &DSConnectorParams::SetInstanceUrl, "instanceurl"},
      {&DSConnectorParams::JDBCProperties, &DSConnectorParams::SetJDBCProperties, "jdbcproperties"},
      {&DSConnectorParams::JDBCUrl, &DSConnectorParams::SetJDBCUrl, "jdbcurl"},
      {&DSConnectorParams::KerberosHost, &DSConnectorParams::SetKerberosHost, "kerberos-host"},
      {&DSConnectorParams::KerberosRealm, &DSConnectorParams::SetKerberosRealm, "kerberos-realm"},
      {&DSConnectorParams::KerberosService, &DSConnectorParams::SetKerberosService, "kerberos-service"},
      {&DSConnectorParams::MDWPassword, &DSConnectorParams::SetMDWPassword, "mdwpassword"},
      {&DSConnectorParams::MDWPath, &DSConnectorParams::SetMDWPath, "mdwpath"},
      {&DSConnectorParams::MDWUsername, &DSConnectorParams::SetMDWUsername, "mdwusername"},
      {&DSConnectorParams::ODBCPrompt, &DSConnectorParams::SetODBCPrompt, ":odbc-prompt"},
      {&DSConnectorParams::ODBCStringExtras, &DSConnectorParams::SetODBCStringExtras, "odbc-connect-string-extras"},
      {&DSConnectorParams::Password, &DSConnectorParams::SetPassword, "password"},
      {&DSConnectorParams::PdfFilename, &DSConnectorParams::SetPdfFilename, "origfilename"},
      {&DSConnectorParams::Port, &DSConnectorParams::SetPort, "port"},
      {&DSConnectorParams::SAMLIdP, &DSConnectorParams::SetSAMLIdP, "saml-idp"},
      {&DSConnectorParams::SAPClient, &DSConnectorParams::SetSAPClient, "sfc-client"},
      {&DSConnectorParams::SAPLanguage, &DSConnectorParams::SetSAPLanguage, "sfc-language"},
      {&DSConnectorParams::SSLCert, &DSConnectorParams::SetSSLCert, "sslcert"},
      {&DSConnectorParams::SSLCertFile, &DSConnectorParams::SetSSLCertFile, "sslfile"},
      {&DSConnectorParams::SSLClientCert, &DSConnectorParams::SetSSLClientCert, "ssl-client-cert"},
      {&DSConnectorParams::SSLClientCertFile, &DSConnectorParams::SetSSLClientCertFile, "ssl-client-cert-file"},
      {&DSConnectorParams::SSLClientKey, &DSConnectorParams::SetSSLClientKey, "ssl-client-key"},
      {&DSConnectorParams::SSLClientKeyFile, &DSConnectorParams::SetSSLClientKeyFile, "ssl-client-key-file"},
      {&DSConnectorParams::SSODomain, &DSConnectorParams::SetSSODomain, "sso-domain"},
      {&DSConnectorParams::Schema, &DSConnectorParams::SetSchema, "schema"},
      {&DSConnectorParams::Server, &DSConnectorParams::SetServer, "server"},
      {&DSConnectorParams::Service, &DSConnectorParams::SetService, "service"},
      {&DSConnectorParams::Tablename, &DSConnectorParams::SetTablename, "tablename"},
      {&DSConnectorParams::TransportType, &DSConnectorParams::SetTransportType, "transport-type"},
      {&DSConnectorParams::Username, &DSConnectorParams::SetUsername, "username"},
      {&DSConnectorParams::Vendor1, &DSConnectorParams::SetVendor1, "vendor1"},
      {&DSConnectorParams::Vendor2, &DSConnectorParams::SetVendor2, "vendor2"},
      {&DSConnectorParams::Vendor3, &DSConnectorParams::SetVendor3, "vendor3"},
  };
  // A distinct value per accessor, all set before any is read: two accessors sharing an
  // attribute, or one writing another's, shows as a wrong value.
  DSConnectorParams params;
  for (const Accessor& accessor : accessors) (params.*accessor.set)(T("value of ") + T(accessor.attribute));
  ConnectionAttributeMap expected;
  for (const Accessor& accessor : accessors) {
    const TString value = T("value of ") + T(accessor.attribute);
    EXPECT_EQ((params.*accessor.get)(), value) << accessor.attribute;
    expected[T(accessor.attribute)] = value;
  }
  EXPECT_EQ(params.Attributes(), expected);
  // Only the password is a secret; the MDW password is not.
  EXPECT_EQ(params.SecureNames(), std::set<TString>{T("password")});
}

TEST(DSConnectorParamsTest, FlagsAreExactValuesAndAFalseFlagIsAnEmptyAttribute) {
  using Getter = bool (DSConnectorParams::*)() const;
  using Setter = void (DSConnectorParams::*)(bool);
  struct Flag {
    Getter get;
    Setter set;
    const char* attribute;
    const char* onValue;
  };
  for (const Flag& flag : {Flag{&DSConnectorParams::ReadUncommittedData, &DSConnectorParams::SetReadUncommittedData,
                                "IsolationLevel", "ReadUncommitted"},
                           Flag{&DSConnectorParams::RequireEncryption, &DSConnectorParams::SetRequireEncryption,
                                "encryptionMode", "require"},
                           Flag{&DSConnectorParams::RequireSSL, &DSConnectorParams::SetRequireSSL, "sslmode",
                                "require"}}) {
    DSConnectorParams params;
    (params.*flag.set)(true);
    EXPECT_EQ(params.Attributes(), (ConnectionAttributeMap{{T(flag.attribute), T(flag.onValue)}})) << flag.attribute;
    EXPECT_TRUE((params.*flag.get)());
    (params.*flag.set)(false);
    EXPECT_EQ(params.Attributes(), (ConnectionAttributeMap{{T(flag.attribute), TString()}})) << flag.attribute;
    EXPECT_FALSE((params.*flag.get)());
    params.SetValue(T(flag.attribute), T(flag.onValue).toUpper());  // compared case-sensitively
    EXPECT_FALSE((params.*flag.get)()) << flag.attribute;
  }
}

class SaveSecureValuesTest : public ::testing::Test {
 protected:
  SaveSecureValuesTest() { services.registry->inMemoryCredentials = {T("postgres")}; }

  fake::ConnectServices services;
};

TEST_F(SaveSecureValuesTest, StopsWithoutClassInMemoryServiceOrSecrets) {
  DSConnectorParams noClass;
  noClass.SetPassword(T("pw"));
  DSConnectorParams otherService(Attrs{{T("class"), T("oracle")}});
  otherService.SetPassword(T("pw"));
  DSConnectorParams noSecrets({{T("class"), T("postgres")}, {T("mdwpassword"), T("not a secret")}});
  for (DSConnectorParams* params : {&noClass, &otherService, &noSecrets}) {
    const ConnectionAttributeMap before = params->Attributes();
    params->SaveSecureValues();
    EXPECT_EQ(params->Attributes(), before);
  }
  EXPECT_TRUE(services.credentials->saved.empty());
}

TEST_F(SaveSecureValuesTest, HandsOverEverySecretAndKeepsOnlyTheCredentialId) {
  DSConnectorParams params({{T("class"), T("postgres")}, {T("server"), T("db")}});
  params.SetPassword(T("pw"));
  params.SetSecureValue(T("priv-key"), T("key text"));
  params.SetSecureValue(T("token"), T("gone"));
  params.RemoveValue(T("token"));  // still secure: handed over empty
  params.SaveSecureValues();

  ASSERT_EQ(services.credentials->saved.size(), 1u);
  const fake::CredentialsService::Saved& saved = services.credentials->saved.front();
  EXPECT_EQ(saved.secrets,
            (SecretMap{{T("password"), T("pw")}, {T("priv-key"), T("key text")}, {T("token"), TString()}}));
  EXPECT_EQ(saved.attributes, (ConnectionAttributeMap{{T("class"), T("postgres")}, {T("server"), T("db")}}));
  EXPECT_EQ(params.Attributes(), (ConnectionAttributeMap{{T("class"), T("postgres")},
                                                         {T("server"), T("db")},
                                                         {T("credential-id"), T("credential-1")}}));
  EXPECT_EQ(params.SecureNames(), (std::set<TString>{T("password"), T("priv-key"), T("token")}));
}

}  // namespace
