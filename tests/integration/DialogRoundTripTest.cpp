// The connection dialog of every class the connector registry holds, on the real host
// implementation: dialog -> JSON -> the field record the front end hands back, filled in ->
// connector parameter set -> credential store -> the field record rebuilt from the set. Which
// field becomes which attribute is pinned field by field by the conversion's and the builders'
// own tests; this walks the road for every description, under every sign-in it offers. Every
// text field gets a value no other field has, so that a value lost or moved on the way shows.
#include "connect/ConnectDataUtils.h"
#include "host/EnumXMLEncoding.h"
#include "host/app/StringIds.h"
#include "host/app/StringTable.h"
#include "host/connect/ConnectionFields.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connectors/DescriptionRegistry.h"
#include "presentation-model/AuthenticationSettingsPresModel.h"
#include "presentation-model/ConnectionParamsPresModelBuilder.h"
#include "presentation-model/ModularConnectionSettingsPresModel.h"
#include "tests/integration/DialogRoad.h"
#include "tests/support/TestCrypto.h"
#include "tests/support/TestFiles.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace {

using AuthenticationEnums::AuthOption;
using AuthenticationEnums::Mode;
using road::FieldPath;
using road::kConnectorAttrs;
using road::kOAuthAttrs;

const char kPassPhrase[] = "S3ntinel-Pa55";

// What the road does with a value the user entered.
enum class Outcome {
  kComesBack,          // the rebuilt record holds it in the same field
  kMayBeDropped,       // a field the dialog hides: back in the same field, or in none
  kBecomesPrivateKey,  // a key-pair sign-in reads the key file into "priv-key", decrypted
  kStaysWithSignIn,    // an OAuth attribute of a field-driven dialog stays in the set's OAuth map
  kShowsLoadedLabel,   // the certificate file field says a certificate is loaded, once one is
};

struct Input {
  FieldPath path;
  QString value;
  Outcome outcome = Outcome::kComesBack;
  // Must not stay among the attributes once the set kept its secrets in the credential store.
  bool secret = false;
};

// One way of filling a dialog in.
struct Edit {
  QString label;
  std::vector<Input> inputs;

  Input& Set(const FieldPath& path, const QString& value, Outcome outcome = Outcome::kComesBack) {
    inputs.push_back({path, value, outcome});
    return inputs.back();
  }
  // Text no other field holds.
  Input& Type(const FieldPath& path, Outcome outcome = Outcome::kComesBack) {
    return Set(path, path.join(QLatin1Char('/')) + QStringLiteral(" typed"), outcome);
  }
};

bool IsFileClass(const TString& connectionClass) {
  const std::vector<TString> files =
      Connect::Registry::Instance().GetConnectionClasses(Connect::ConnectionClassKind::kFile);
  return std::find(files.begin(), files.end(), connectionClass) != files.end();
}

// Whether the dialog asks for a password, the one secret of a fixed dialog, for `option`.
bool AsksForPassword(Mode mode, AuthOption option) {
  switch (option) {
    case AuthOption::AuthOauth:  // filled by the sign-in
    case AuthOption::AuthOptionNone:
    case AuthOption::AuthOptionUseWindows:
    case AuthOption::AuthOptionWindowsPreferred:
    case AuthOption::AuthOptionIntegrated:
    case AuthOption::AuthOptionAccessNo:
    case AuthOption::AuthOptionAccessYes:  // the workgroup password is no secret of the set
    case AuthOption::AuthOptionKerberos:
    case AuthOption::AuthOptionUsername:
      return false;
    default:
      return mode != Mode::AuthModeBasicUsernameOnly;
  }
}

// Every text field of the record typed, under each sign-in the dialog offers, and the password
// where it asks for one. The fields the dialog shows must come back.
std::vector<Edit> FixedDialogEdits(const TString& connectionClass, const ConnectionSettingsPresModel& dialog,
                                   const QJsonObject& record) {
  const bool odbc = dialog.GetConnectServerWidgetType() == ConnectServerWidgetType::Odbc;
  const bool jdbc = dialog.GetConnectServerWidgetType() == ConnectServerWidgetType::Jdbc;
  const bool clientSSL = dialog.GetShowClientSSLBox();
  const std::map<QString, bool> shown = {
      {QStringLiteral("widget-attr-filename"), IsFileClass(connectionClass)},
      {QStringLiteral("widget-attr-server"), dialog.GetShowServerNamePrompt()},
      {QStringLiteral("widget-attr-port"), dialog.GetShowPortPrompt()},
      {QStringLiteral("widget-attr-db"), dialog.GetShowDBNamePrompt()},
      {QStringLiteral("widget-attr-dbwh"), dialog.GetShowDBWHNamePrompt()},
      {QStringLiteral("widget-attr-service"), dialog.GetShowServiceNamePrompt()},
      {QStringLiteral("widget-attr-vendor1"), dialog.GetShowVendor1NamePrompt()},
      {QStringLiteral("widget-attr-vendor2"), dialog.GetShowVendor2NamePrompt()},
      {QStringLiteral("widget-attr-vendor3"), dialog.GetShowVendor3NamePrompt()},
      {QStringLiteral("widget-attr-odbc-string-extras"), dialog.GetShowDriverConfig()},
      {QStringLiteral("widget-attr-ssl-cert"), dialog.GetShowImportSSLCertLabel()},
      {QStringLiteral("widget-attr-ssl-client-cert"), clientSSL},
      {QStringLiteral("widget-attr-ssl-client-key"), clientSSL},
      {QStringLiteral("widget-attr-ssl-client-cert-file"), clientSSL},
      {QStringLiteral("widget-attr-ssl-client-key-file"), clientSSL},
      {QStringLiteral("widget-attr-instance-url"), dialog.GetShowInstanceUrlPrompt()},
      // The ODBC and JDBC dialogs name their data source or driver themselves.
      {QStringLiteral("widget-attr-dsn"), odbc},
      {QStringLiteral("widget-attr-driver"), odbc},
      {QStringLiteral("widget-attr-jdbcurl"), jdbc},
      {QStringLiteral("widget-attr-dialect"), jdbc},
      {QStringLiteral("widget-attr-jdbcproperties"), jdbc},
  };
  const FieldPath password = {QStringLiteral("widget-attr-password")};
  Edit typed;
  for (auto member = record.begin(); member != record.end(); ++member) {
    const QString text = member.value().toString();
    if (!member.value().isString() || text == QLatin1String("true") || text == QLatin1String("false") ||
        member.key() == QLatin1String("curr-auth-option") || member.key() == password.front())
      continue;
    const auto found = shown.find(member.key());
    typed.Type({member.key()}, found != shown.end() && found->second ? Outcome::kComesBack : Outcome::kMayBeDropped);
  }

  std::vector<Edit> edits;
  const RefCntPtr<const AuthenticationSettingsPresModel>& authentication = dialog.GetAuthenticationInfo();
  for (AuthOption option : authentication ? authentication->GetAuthOptions() : std::vector<AuthOption>()) {
    Edit& edit = edits.emplace_back(typed);
    edit.label = EnumTableOf<AuthOption>().Encode(static_cast<std::int32_t>(option));
    edit.Set({QStringLiteral("curr-auth-option")}, edit.label, Outcome::kMayBeDropped);
    if (AsksForPassword(authentication->GetAuthMode(), option)) edit.Type(password).secret = true;
  }
  if (edits.empty()) edits.push_back(typed);
  return edits;
}

// The "authentication" values a field-driven dialog offers: the one it starts with, those of the
// class's options, and those its connection fields depend on.
std::vector<TString> AuthenticationChoices(const DSConnectionConfig& config, const ConnectionAttributeMap& start) {
  std::vector<TString> choices;
  const auto add = [&choices](const TString& value) {
    if (!value.isEmpty() && std::find(choices.begin(), choices.end(), value) == choices.end()) choices.push_back(value);
  };
  const TString authentication = DataConnectionAttrs::attrAuthentication;
  if (const auto found = start.find(authentication); found != start.end()) add(found->second);
  for (AuthOption option : config.GetAuthOptions())
    add(Connect::Registry::Instance().GetAuthenticationValue(config.ClassName(), option));
  if (const RefCntPtr<const Connect::ConnectorDescription> description = Connect::DescriptionOf(config.ClassName()))
    for (const Connect::FieldDescription& field : description->Facts().fields)
      for (const auto& [attribute, values] : field.conditions)
        if (attribute == authentication)
          for (const TString& value : values) add(value);
  return choices;
}

// Every connection field that applies under each sign-in. A field whose name says it holds a
// password is a secret whatever its description says, so a description that forgets to mark one
// secure shows.
std::vector<Edit> FieldDrivenEdits(const DSConnectionConfig& config, const QJsonObject& record,
                                   const QString& keyFile) {
  const RefCntPtr<const Connect::IConnectionFieldsModel> fields = config.AsRelational()->GetConnectionFieldsModel();
  EXPECT_TRUE(fields) << "a modular dialog without connection fields";
  if (!fields) return {};
  ConnectionAttributeMap start;
  const QJsonObject attributes = record.value(kConnectorAttrs).toObject();
  for (auto member = attributes.begin(); member != attributes.end(); ++member)
    start[member.key()] = member.value().toString();

  const TString authentication = DataConnectionAttrs::attrAuthentication;
  std::vector<TString> choices = {TString()};
  if (fields->GetField(authentication)) choices = AuthenticationChoices(config, start);

  std::vector<Edit> edits;
  for (const TString& choice : choices) {
    Edit& edit = edits.emplace_back();
    edit.label = choice;
    ConnectionAttributeMap chosen = start;
    if (!choice.isEmpty()) {
      chosen[authentication] = choice;
      edit.Set({kConnectorAttrs, authentication}, choice);
    }
    const bool keyPair = config.ClassName() == QLatin1String("snowflake") && choice == QLatin1String("auth-keypair");
    const Outcome keyOutcome = keyPair ? Outcome::kBecomesPrivateKey : Outcome::kComesBack;
    const std::vector<TString> names =
        fields->GetConnectionFieldsNames(Connect::ConnectionFieldsFilterFactory::Instance().CreateFilter(chosen));
    const bool holdsCertificate =
        std::find(names.begin(), names.end(), TString(DataConnectionAttrs::attrSSLCert)) != names.end();
    for (const TString& name : names) {
      const FieldPath path = {kConnectorAttrs, name};
      if (name == authentication) continue;
      if (name == DataConnectionAttrs::attrSSLFile) {
        edit.Type(path, holdsCertificate ? Outcome::kShowsLoadedLabel : Outcome::kComesBack);
      } else if (name == QLatin1String("priv-key-file")) {
        edit.Set(path, keyFile, keyOutcome);
      } else if (name == QLatin1String("priv-key-file-pwd")) {
        edit.Set(path, QLatin1String(kPassPhrase), keyOutcome).secret = true;
      } else {
        Input& input = edit.Type(path);
        input.secret = fields->GetField(name)->IsSecure() || name.contains(QLatin1String("password")) ||
                       name.endsWith(QLatin1String("-pwd"));
      }
    }
    // The record hands back what the sign-in gave; the rebuilt record carries connection fields only.
    if (choice == QLatin1String("oauth") || choice == QLatin1String("auth-oauth") ||
        choice == QLatin1String("auth-oauth-service-account"))
      edit.Type({kOAuthAttrs, QStringLiteral("oauth-user")}, Outcome::kStaysWithSignIn);
  }
  return edits;
}

/// Every (name, text) of a written field record: a simple member, or a key of a map member.
std::vector<std::pair<FieldPath, QString>> Leaves(const QJsonObject& fields) {
  std::vector<std::pair<FieldPath, QString>> leaves;
  for (auto member = fields.begin(); member != fields.end(); ++member) {
    if (member.value().isString()) leaves.push_back({{member.key()}, member.value().toString()});
    if (!member.value().isObject()) continue;
    const QJsonObject map = member.value().toObject();
    for (auto entry = map.begin(); entry != map.end(); ++entry)
      leaves.push_back({{member.key(), entry.key()}, entry.value().toString()});
  }
  return leaves;
}

class DialogRoundTripTest : public ::testing::TestWithParam<bool> {
 protected:
  // What came back of `edit`, converted into `params`, in the record rebuilt from the set.
  void CheckValues(const TString& connectionClass, const Edit& edit, const DSConnectorParams& params) {
    const QJsonObject rebuilt = road::FieldsOf(*ConnectionParamsPresModelBuilder().Build(connectionClass, params));
    for (const Input& input : edit.inputs) {
      SCOPED_TRACE(input.path.join(QLatin1Char('/')).toStdString());
      switch (input.outcome) {
        case Outcome::kComesBack:
          EXPECT_EQ(road::ValueAt(rebuilt, input.path), input.value);
          break;
        case Outcome::kMayBeDropped:
          break;
        case Outcome::kBecomesPrivateKey:
          // The set carries the key itself, never the file's name or its pass phrase.
          EXPECT_TRUE(key.IsSameKey(road::AttributeOf(params, QStringLiteral("priv-key"))));
          EXPECT_EQ(road::AttributeOf(params, input.path.last()), QStringLiteral("<absent>"));
          EXPECT_FALSE(road::HasAt(rebuilt, input.path));
          break;
        case Outcome::kStaysWithSignIn: {
          const auto found = params.OAuthAttributes().find(input.path.last());
          EXPECT_TRUE(found != params.OAuthAttributes().end() && found->second == input.value);
          break;
        }
        case Outcome::kShowsLoadedLabel:
          EXPECT_EQ(road::ValueAt(rebuilt, input.path), LookupTStr(StringIds::kSSLCertificateAlreadyLoaded));
          break;
      }
    }
    // A typed value turns up in no other field than its own; the extract engine alone opens its
    // file as the connection's database.
    for (const auto& [path, value] : Leaves(rebuilt)) {
      for (const Input& input : edit.inputs) {
        if (value != input.value || path == input.path || !input.value.endsWith(QLatin1String(" typed"))) continue;
        const bool extractFile = connectionClass == QLatin1String("quendl") &&
                                 input.path == FieldPath{QStringLiteral("widget-attr-filename")} &&
                                 path == FieldPath{QStringLiteral("widget-attr-db")};
        EXPECT_TRUE(extractFile) << input.path.join(QLatin1Char('/')).toStdString() << " also landed in "
                                 << path.join(QLatin1Char('/')).toStdString();
      }
    }
  }

  // The secrets entered, and those the set holds, are in the credential store and nowhere else.
  void CheckSecrets(const TString& connectionClass, const Edit& edit, const DSConnectorParams& params) {
    std::vector<TString> secrets;
    for (const Input& input : edit.inputs)
      if (input.secret) secrets.push_back(input.value);
    for (const TString& name : params.SecureNames())
      if (!params.GetStringValue(name).isEmpty()) secrets.push_back(params.GetStringValue(name));
    const auto isSecret = [&secrets](const QString& value) {
      return std::find(secrets.begin(), secrets.end(), value) != secrets.end();
    };

    DSConnectorParams saved = params;
    saved.SaveSecureValues();
    const ConnectionAttributeMap attributes = saved.Attributes();
    for (const auto& [name, value] : attributes) EXPECT_FALSE(isSecret(value)) << "a secret under " << name.toStdString();
    const QJsonObject rebuilt = road::FieldsOf(*ConnectionParamsPresModelBuilder().Build(connectionClass, saved));
    for (const auto& [path, value] : Leaves(rebuilt))
      EXPECT_FALSE(isSecret(value)) << "a secret back in the dialog under " << path.join(QLatin1Char('/')).toStdString();

    const auto credentialId = attributes.find(DataConnectionAttrs::attrCredentialId);
    if (params.SecureNames().empty() || !CredentialsServiceHelpers::UseInMemoryService(connectionClass)) {
      // Nothing to keep, or a class without the store: no secret may have been asked for.
      EXPECT_TRUE(credentialId == attributes.end());
      for (const TString& name : params.SecureNames())
        EXPECT_EQ(params.GetStringValue(name), TString()) << name.toStdString();
      return;
    }
    ASSERT_TRUE(credentialId != attributes.end());
    const SecretMap kept = CredentialsService::Instance().GetCredentials(credentialId->second);
    EXPECT_EQ(kept.size(), params.SecureNames().size());
    for (const TString& name : params.SecureNames()) {
      EXPECT_EQ(attributes.count(name), 0u) << name.toStdString();
      const auto found = kept.find(name);
      EXPECT_TRUE(found != kept.end() && found->second == params.GetStringValue(name)) << name.toStdString();
    }
  }

  road::RealServices services{GetParam()};
  ConnectionSettingsCache cache;
  QTemporaryDir dir;
  testcrypto::TestKey key;
};

TEST_P(DialogRoundTripTest, EveryValueEnteredComesBackInItsOwnFieldAndEverySecretGoesToTheStore) {
  const QString keyFile = testfiles::WriteFile(dir, QStringLiteral("key.p8"), key.Pkcs8(kPassPhrase));
  std::set<TString> fieldDriven;
  int edits = 0;
  for (const TString& connectionClass : Connect::Registry::Instance().GetRegisteredClasses()) {
    SCOPED_TRACE(connectionClass.toStdString());
    const RefCntPtr<DSConnectionConfig> config = road::NewConnection(connectionClass);
    const std::string dialogJson = road::WriteDialog(cache, config);
    const RefCntPtr<const ConnectionSettingsPresModel> dialog = road::Read<ConnectionSettingsPresModel>(dialogJson);
    if (!dialog) continue;

    const QJsonObject record = road::FieldRecordOf(dialogJson);
    const bool modular = !dialog->GetModularConnectionSettings()->GetConnectionDialogJson().isEmpty();
    if (modular) fieldDriven.insert(connectionClass);
    for (const Edit& edit : modular ? FieldDrivenEdits(*config, record, keyFile)
                                    : FixedDialogEdits(connectionClass, *dialog, record)) {
      SCOPED_TRACE(edit.label.toStdString());
      QJsonObject filled = record;
      for (const Input& input : edit.inputs) road::SetAt(filled, input.path, input.value);
      const RefCntPtr<const ConnectionParamsPresModel> returned =
          road::Read<ConnectionParamsPresModel>(road::AsReturnedBag(filled));
      if (!returned) continue;
      const std::unique_ptr<DSConnectorParams> params = ConnectDataUtils::DSParamsFromPresModel(config, returned);
      CheckValues(connectionClass, edit, *params);
      CheckSecrets(connectionClass, edit, *params);
      ++edits;
    }
  }
  // Enough of the registry was walked for the checks to mean something.
  EXPECT_GT(edits, 40);
  // A modular dialog edits the connection fields, which only the connection-fields flag converts.
  EXPECT_EQ(fieldDriven.empty(), !GetParam());
  EXPECT_EQ(fieldDriven.count(QStringLiteral("snowflake")), GetParam() ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Flag, DialogRoundTripTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "ConnectionFields" : "FixedFields";
                         });

}  // namespace
