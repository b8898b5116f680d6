// The server connection dialog's typical road on the real host implementation, from the
// attributes a user last connected with to the attributes the host connects with, and back to
// the next dialog: a certificate imported from a real PEM file. Secrets end in the credential
// store, never among the attributes. The key-pair sign-in's road is walked by DialogRoundTripTest.
#include "connect/ConnectDataUtils.h"
#include "host/app/StringIds.h"
#include "host/app/StringTable.h"
#include "tests/integration/DialogRoad.h"
#include "tests/support/TestCrypto.h"
#include "tests/support/TestFiles.h"

#include "tests/QStringPrinter.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace {

using road::kConnectorAttrs;

const char kPassword[] = "S3ntinel-Pa55";

TString T(const char* text) { return QString::fromUtf8(text); }

class TypicalRoadTest : public ::testing::Test {
 protected:
  // The user's edits to the field record of the written dialog `dialogJson`, handed back and
  // turned into the attributes the host connects with, secrets kept in the credential store.
  ConnectionAttributeMap Confirm(const RefCntPtr<DSConnectionConfig>& config, const std::string& dialogJson,
                                 const std::map<QString, QString>& edits) {
    QJsonObject fields = road::FieldRecordOf(dialogJson);
    for (const auto& [name, value] : edits) road::SetAt(fields, {kConnectorAttrs, name}, value);
    const RefCntPtr<const ConnectionParamsPresModel> returned =
        road::Read<ConnectionParamsPresModel>(road::AsReturnedBag(fields));
    std::unique_ptr<DSConnectorParams> params = ConnectDataUtils::DSParamsFromPresModel(config, returned);
    ConnectDataUtils::LoadSSLCert(config, *params, returned);
    params->SaveSecureValues();
    return params->Attributes();
  }

  // The secrets kept under the attributes' credential id.
  SecretMap Kept(const ConnectionAttributeMap& attributes) const {
    const auto id = attributes.find(DataConnectionAttrs::attrCredentialId);
    EXPECT_TRUE(id != attributes.end());
    return id == attributes.end() ? SecretMap() : services.credentials->GetCredentials(id->second);
  }

  // No attribute, dialog text or log line holds `secret`.
  void ExpectNowhere(const char* secret, const ConnectionAttributeMap& attributes, const std::string& dialogJson) {
    for (const auto& [name, value] : attributes) EXPECT_FALSE(value.contains(T(secret))) << name.toStdString();
    EXPECT_EQ(dialogJson.find(secret), std::string::npos);
    for (const auto& [severity, message] : services.log->messages) EXPECT_FALSE(message.contains(T(secret)));
  }

  road::RealServices services{true};
  ConnectionSettingsCache cache;
  QTemporaryDir dir;
  testcrypto::TestKey key;
};

TEST_F(TypicalRoadTest, ACertificateImportedFromItsFileStaysLoadedWhenTheDialogOpensAgain) {
  const TString snowflake = T("snowflake");
  const std::string certificate = key.SelfSignedCertificate();
  const QString certificateFile = testfiles::WriteFile(dir, QStringLiteral("proxy-ca.pem"), certificate);
  // What the user last connected with, including what a settings cache must never hand back.
  cache.Remember(snowflake, {{T("server"), T("acme.snowflakecomputing.com")},
                             {T("warehouse"), T("REPORTING_WH")},
                             {T("dbname"), T("SALES")},
                             {T("authentication"), T("auth-user-pass")},
                             {T("username"), T("ann")},
                             {T("password"), T(kPassword)},
                             {T("credential-id"), T("an-old-credential-id")}});

  RefCntPtr<DSConnectionConfig> config = road::NewConnection(snowflake);
  std::string dialogJson = road::WriteDialog(cache, config);
  const QJsonObject offered = road::FieldRecordOf(dialogJson).value(kConnectorAttrs).toObject();
  EXPECT_EQ(offered.value(QStringLiteral("server")).toString(), QStringLiteral("acme.snowflakecomputing.com"));
  EXPECT_EQ(offered.value(QStringLiteral("username")).toString(), QStringLiteral("ann"));
  EXPECT_FALSE(offered.contains(QStringLiteral("password")));
  EXPECT_EQ(dialogJson.find("an-old-credential-id"), std::string::npos);

  // The user types the password and picks the proxy's certificate.
  ConnectionAttributeMap attributes = Confirm(
      config, dialogJson, {{QStringLiteral("password"), T(kPassword)}, {QStringLiteral("sslfile"), certificateFile}});
  const TString credentialId = attributes[T("credential-id")];
  EXPECT_EQ(attributes, (ConnectionAttributeMap{{T("class"), snowflake},
                                                {T("server"), T("acme.snowflakecomputing.com")},
                                                {T("warehouse"), T("REPORTING_WH")},
                                                {T("dbname"), T("SALES")},
                                                {T("authentication"), T("auth-user-pass")},
                                                {T("username"), T("ann")},
                                                {T("sslcert"), QString::fromStdString(certificate)},
                                                {T("credential-id"), credentialId}}));
  EXPECT_EQ(Kept(attributes), (SecretMap{{T("password"), T(kPassword)}}));
  ExpectNowhere(kPassword, attributes, dialogJson);

  // The host remembers what it connected with; the next dialog says the certificate is loaded,
  // and keeping it keeps the certificate the connection holds.
  cache.Remember(snowflake, attributes);
  config = road::NewConnection(snowflake);
  dialogJson = road::WriteDialog(cache, config);
  const QJsonObject reopened = road::FieldRecordOf(dialogJson).value(kConnectorAttrs).toObject();
  EXPECT_EQ(reopened.value(QStringLiteral("sslfile")).toString(), LookupTStr(StringIds::kSSLCertificateAlreadyLoaded));
  EXPECT_EQ(reopened.value(QStringLiteral("sslcert")).toString(), QString::fromStdString(certificate));
  EXPECT_EQ(dialogJson.find(credentialId.toStdString()), std::string::npos);

  attributes = Confirm(config, dialogJson, {{QStringLiteral("password"), T(kPassword)}});
  EXPECT_EQ(attributes[T("sslcert")], QString::fromStdString(certificate));
  EXPECT_EQ(attributes.count(T("sslfile")), 0u);
  EXPECT_NE(attributes[T("credential-id")], credentialId);
  EXPECT_EQ(Kept(attributes), (SecretMap{{T("password"), T(kPassword)}}));
  ExpectNowhere(kPassword, attributes, dialogJson);
}

}  // namespace
