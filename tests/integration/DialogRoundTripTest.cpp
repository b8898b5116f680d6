// The connection dialog of every class the connector registry holds, on the real host
// implementation: dialog -> JSON -> the field record the front end hands back, filled in ->
// connector parameter set -> the field record rebuilt from that set. Every field the dialog
// shows gets a value no other field has, so that a value lost, moved or swapped shows.
#include "connect/ConnectDataUtils.h"
#include "host/EnumXMLEncoding.h"
#include "host/app/StringIds.h"
#include "host/app/StringTable.h"
#include "host/connect/ConnectionFields.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connectors/DescriptionRegistry.h"
#include "presentation-model/AuthenticationSettingsPresModel.h"
#include "presentation-model/ConnectionParamsPresModelBuilder.h"
#include "presentation-model/ConnectionSettingsOptionPresModel.h"
#include "presentation-model/CubeConnectionSpecificationOptionPresModel.h"
#include "presentation-model/CubeConnectionSpecificationPresModel.h"
#include "presentation-model/ModularConnectionSettingsPresModel.h"
#include "presentation-model/TransportTypeConfigPresModel.h"
#include "tests/integration/DialogRoad.h"
#include "tests/support/TestCrypto.h"

#include "tests/QStringPrinter.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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
  kBecomesPrivateKey,  // a key-pair sign-in reads the key file into "priv-key", decrypted
  kStaysWithSignIn,    // an OAuth attribute of a field-driven dialog stays in the set's OAuth map
  kShowsLoadedLabel,   // the certificate file field says a certificate is loaded, once one is
  kNotChecked,
};

struct Input {
  FieldPath path;
  QString value;
  // Free text no other field holds, rather than a choice from a list.
  bool typed = false;
  // Must not stay among the attributes once the set kept its secrets in the credential store.
  bool secret = false;
  Outcome outcome = Outcome::kComesBack;
  // Other fields the conversion documents a copy of the value in.
  std::vector<FieldPath> alsoIn;
};

// One way of filling a dialog in: the choices made and the text typed.
struct Edit {
  QString label;
  std::vector<Input> inputs;

  Input& Choose(const FieldPath& path, const QString& value) {
    Input input;
    input.path = path;
    input.value = value;
    inputs.push_back(std::move(input));
    return inputs.back();
  }
  Input& Type(const FieldPath& path) {
    Input& input = Choose(path, path.join(QLatin1Char('/')) + QStringLiteral(" typed"));
    input.typed = true;
    return input;
  }
  Input& TypeSecret(const FieldPath& path) {
    Input& input = Type(path);
    input.value = QStringLiteral("secret ") + input.value;
    input.secret = true;
    return input;
  }
};

// Every edit of `edits` followed by every one of `alternatives` in turn; `edits` when there are
// no alternatives.
std::vector<Edit> Combine(const std::vector<Edit>& edits, const std::vector<Edit>& alternatives) {
  if (alternatives.empty()) return edits;
  std::vector<Edit> combined;
  for (const Edit& edit : edits) {
    for (const Edit& alternative : alternatives) {
      Edit both = edit;
      both.label += QLatin1Char(' ') + alternative.label;
      both.inputs.insert(both.inputs.end(), alternative.inputs.begin(), alternative.inputs.end());
      combined.push_back(std::move(both));
    }
  }
  return combined;
}

QString OptionText(AuthOption option) {
  return EnumTableOf<AuthOption>().Encode(static_cast<std::int32_t>(option));
}

bool IsFileClass(const TString& connectionClass) {
  const std::vector<TString> files =
      Connect::Registry::Instance().GetConnectionClasses(Connect::ConnectionClassKind::kFile);
  return std::find(files.begin(), files.end(), connectionClass) != files.end();
}

// --- What a fixed dialog shows ---------------------------------------------------------------

// The credential fields the dialog shows for `option` under `mode`.
void AddCredentials(Mode mode, AuthOption option, Edit& edit) {
  switch (option) {
    case AuthOption::AuthOauth:
      // Filled by the sign-in rather than typed; the record carries them back all the same.
      edit.Type({kOAuthAttrs, QStringLiteral("oauth-user")});
      return;
    case AuthOption::AuthOptionNone:
    case AuthOption::AuthOptionUseWindows:
    case AuthOption::AuthOptionWindowsPreferred:
    case AuthOption::AuthOptionIntegrated:
    case AuthOption::AuthOptionAccessNo:
      return;
    case AuthOption::AuthOptionAccessYes:
      edit.Type({QStringLiteral("widget-attr-mdw-path")});
      edit.Type({QStringLiteral("widget-attr-mdw-username")});
      // Only the password setter marks an attribute secure, so the workgroup password stays an
      // attribute after the set kept its secrets.
      edit.Type({QStringLiteral("widget-attr-mdw-password")});
      return;
    case AuthOption::AuthOptionKerberos:
      if (mode != Mode::AuthModeHive) return;
      edit.Type({QStringLiteral("widget-attr-kerberos-realm")});
      edit.Type({QStringLiteral("widget-attr-kerberos-host")});
      edit.Type({QStringLiteral("widget-attr-kerberos-service")});
      return;
    default:
      break;
  }
  if (mode != Mode::AuthModePasswordOnly && option != AuthOption::AuthOptionPassword)
    edit.Type({QStringLiteral("widget-attr-user")});
  if (mode != Mode::AuthModeBasicUsernameOnly && option != AuthOption::AuthOptionUsername)
    edit.TypeSecret({QStringLiteral("widget-attr-password")});
  if (option == AuthOption::AuthOptionSamlIdp) edit.Type({QStringLiteral("widget-attr-saml-idp")});
  if (mode == Mode::AuthModeSapbw) {
    edit.Type({QStringLiteral("widget-attr-sap-client")});
    edit.Type({QStringLiteral("widget-attr-sap-language")});
  }
}

std::vector<Edit> AuthOptionEdits(const TString& connectionClass, const ConnectionSettingsPresModel& dialog) {
  std::vector<Edit> edits;
  const RefCntPtr<const AuthenticationSettingsPresModel>& authentication = dialog.GetAuthenticationInfo();
  if (!authentication) return edits;
  for (AuthOption option : authentication->GetAuthOptions()) {
    Edit edit;
    edit.label = OptionText(option);
    Input& chosen = edit.Choose({QStringLiteral("curr-auth-option")}, OptionText(option));
    // An option that stands for no "authentication" value leaves no trace in the attributes.
    if (Connect::Registry::Instance().GetAuthenticationValue(connectionClass, option).isEmpty())
      chosen.outcome = Outcome::kNotChecked;
    AddCredentials(authentication->GetAuthMode(), option, edit);
    edits.push_back(std::move(edit));
  }
  return edits;
}

// Each shown check box ticked alone, the others cleared, so that two swapped boxes show.
std::vector<Edit> CheckBoxEdits(const ConnectionSettingsPresModel& dialog) {
  const std::pair<bool, const char*> boxes[] = {
      {dialog.GetShowUncommittedDataCheckbox(), "widget-attr-read-uncommitted-data"},
      {dialog.GetShowEncryptionCheckbox(), "widget-attr-require-encryption"},
      {dialog.GetShowSSLCheckbox(), "widget-attr-require-ssl"},
  };
  std::vector<QString> shown;
  for (const auto& [show, name] : boxes)
    if (show) shown.push_back(QLatin1String(name));
  std::vector<Edit> edits;
  for (const QString& ticked : shown) {
    Edit edit;
    edit.label = ticked;
    for (const QString& box : shown)
      edit.Choose({box}, box == ticked ? QStringLiteral("true") : QStringLiteral("false"));
    edits.push_back(std::move(edit));
  }
  return edits;
}

std::vector<Edit> ConnectionTypeEdits(const ConnectionSettingsPresModel& dialog) {
  std::vector<Edit> edits;
  if (!dialog.GetShowConnectionPrompt()) return edits;
  const FieldPath path = {QStringLiteral("widget-attr-connectiontype")};
  for (const RefCntPtr<const ConnectionSettingsOptionPresModel>& option : dialog.GetConnectionOptions()) {
    Edit edit;
    edit.label = option->GetConnectionType();
    edit.Choose(path, option->GetConnectionType());
    edits.push_back(std::move(edit));
  }
  if (edits.empty()) edits.emplace_back().Type(path);
  return edits;
}

std::vector<Edit> TransportEdits(const ConnectionSettingsPresModel& dialog) {
  std::vector<Edit> edits;
  for (const RefCntPtr<const TransportTypeConfigPresModel>& transport : dialog.GetTransportTypeConfigs()) {
    Edit edit;
    edit.label = QStringLiteral("transport ") + transport->GetAttrTransportType();
    edit.Choose({QStringLiteral("transport-type")}, transport->GetAttrTransportType());
    if (transport->GetShowHTTPPath()) edit.Type({QStringLiteral("widget-attr-http-path")});
    edits.push_back(std::move(edit));
  }
  return edits;
}

// Each option a cube connection offers, chosen in turn, with its text.
std::vector<Edit> CubeEdits(const ConnectionSettingsPresModel& dialog) {
  std::vector<Edit> edits;
  const RefCntPtr<const CubeConnectionSpecificationPresModel>& cube = dialog.GetCubeConnectionSpecification();
  if (!cube) return edits;
  const FieldPath value = {QStringLiteral("widget-attr-cube-specification-value")};
  for (const RefCntPtr<const CubeConnectionSpecificationOptionPresModel>& option :
       cube->GetConnectionOptionss()) {
    Edit edit;
    edit.label = option->GetOptionId();
    edit.Choose({QStringLiteral("widget-attr-cube-specification-id")}, option->GetOptionId());
    if (option->GetItemType() == ConnectionSpecificationType::ComboBox && option->GetPossibleChoiceCount() != 0)
      edit.Choose(value, option->GetPossibleChoices().back());
    else
      edit.Type(value);
    edits.push_back(std::move(edit));
  }
  return edits;
}

std::vector<Edit> FixedDialogEdits(const TString& connectionClass, const ConnectionSettingsPresModel& dialog) {
  Edit shown;
  shown.label = connectionClass;
  if (IsFileClass(connectionClass)) {
    Input& file = shown.Type({QStringLiteral("widget-attr-filename")});
    // The extract engine opens its file as the connection's database.
    if (connectionClass == QLatin1String("quendl")) file.alsoIn.push_back({QStringLiteral("widget-attr-db")});
  }
  const bool odbc = dialog.GetConnectServerWidgetType() == ConnectServerWidgetType::Odbc;
  const bool jdbc = dialog.GetConnectServerWidgetType() == ConnectServerWidgetType::Jdbc;
  const std::pair<bool, const char*> textFields[] = {
      {dialog.GetShowServerNamePrompt(), "widget-attr-server"},
      {dialog.GetShowPortPrompt(), "widget-attr-port"},
      {dialog.GetShowDBNamePrompt(), "widget-attr-db"},
      {dialog.GetShowDBWHNamePrompt(), "widget-attr-dbwh"},
      {dialog.GetShowServiceNamePrompt(), "widget-attr-service"},
      {dialog.GetShowVendor1NamePrompt(), "widget-attr-vendor1"},
      {dialog.GetShowVendor2NamePrompt(), "widget-attr-vendor2"},
      {dialog.GetShowVendor3NamePrompt(), "widget-attr-vendor3"},
      {dialog.GetShowDriverConfig(), "widget-attr-odbc-string-extras"},
      {dialog.GetShowImportSSLCertLabel(), "widget-attr-ssl-cert"},
      {dialog.GetShowClientSSLBox(), "widget-attr-ssl-client-cert"},
      {dialog.GetShowClientSSLBox(), "widget-attr-ssl-client-key"},
      {dialog.GetShowClientSSLBox(), "widget-attr-ssl-client-cert-file"},
      {dialog.GetShowClientSSLBox(), "widget-attr-ssl-client-key-file"},
      {dialog.GetShowInstanceUrlPrompt(), "widget-attr-instance-url"},
      // The ODBC and JDBC dialogs name their data source or driver themselves.
      {odbc, "widget-attr-dsn"},
      {odbc, "widget-attr-driver"},
      {jdbc, "widget-attr-jdbcurl"},
      {jdbc, "widget-attr-dialect"},
      {jdbc, "widget-attr-jdbcproperties"},
  };
  for (const auto& [show, name] : textFields) {
    if (show) shown.Type({QLatin1String(name)});
  }

  std::vector<Edit> edits = {shown};
  edits = Combine(edits, AuthOptionEdits(connectionClass, dialog));
  edits = Combine(edits, CheckBoxEdits(dialog));
  edits = Combine(edits, ConnectionTypeEdits(dialog));
  edits = Combine(edits, TransportEdits(dialog));
  return Combine(edits, CubeEdits(dialog));
}

// --- What a field-driven dialog shows --------------------------------------------------------

bool IsOAuthSignIn(const TString& authentication) {
  return authentication == QLatin1String("oauth") || authentication == QLatin1String("auth-oauth") ||
         authentication == QLatin1String("auth-oauth-service-account");
}

// The "authentication" values the dialog offers: the one it starts with, those of the class's
// options, and those its connection fields depend on.
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

// A field whose name says it holds a password is a secret whatever its description says, so a
// description that forgets to mark one secure shows.
bool LooksSecret(const TString& name) {
  return name.contains(QLatin1String("password")) || name.endsWith(QLatin1String("-pwd"));
}

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
    Edit edit;
    edit.label = config.ClassName() + QLatin1Char(' ') + choice;
    ConnectionAttributeMap chosen = start;
    if (!choice.isEmpty()) {
      chosen[authentication] = choice;
      edit.Choose({kConnectorAttrs, authentication}, choice);
    }
    const bool keyPair = config.ClassName() == QLatin1String("snowflake") && choice == QLatin1String("auth-keypair");
    const std::vector<TString> names =
        fields->GetConnectionFieldsNames(Connect::ConnectionFieldsFilterFactory::Instance().CreateFilter(chosen));
    const bool holdsCertificate =
        std::find(names.begin(), names.end(), TString(DataConnectionAttrs::attrSSLCert)) != names.end();
    for (const TString& name : names) {
      const FieldPath path = {kConnectorAttrs, name};
      if (name == authentication) continue;
      if (name == DataConnectionAttrs::attrSSLFile) {
        edit.Type(path).outcome = holdsCertificate ? Outcome::kShowsLoadedLabel : Outcome::kComesBack;
      } else if (name == QLatin1String("priv-key-file")) {
        edit.Choose(path, keyFile).outcome = keyPair ? Outcome::kBecomesPrivateKey : Outcome::kComesBack;
      } else if (name == QLatin1String("priv-key-file-pwd")) {
        Input& passPhrase = edit.Choose(path, QLatin1String(kPassPhrase));
        passPhrase.secret = true;
        passPhrase.outcome = keyPair ? Outcome::kBecomesPrivateKey : Outcome::kComesBack;
      } else if (fields->GetField(name)->IsSecure() || LooksSecret(name)) {
        edit.TypeSecret(path);
      } else {
        edit.Type(path);
      }
    }
    // The record hands back what the sign-in gave; the rebuilt record carries connection fields only.
    if (IsOAuthSignIn(choice))
      edit.Type({kOAuthAttrs, QStringLiteral("oauth-user")}).outcome = Outcome::kStaysWithSignIn;
    edits.push_back(std::move(edit));
  }
  return edits;
}

// --- The road --------------------------------------------------------------------------------

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

using Check = std::function<void(const TString& connectionClass, const Edit& edit, const DSConnectorParams& params)>;

class DialogRoundTripTest : public ::testing::TestWithParam<bool> {
 protected:
  DialogRoundTripTest() {
    keyFile = testcrypto::WriteFile(dir, QStringLiteral("key.p8"), key.Pkcs8(kPassPhrase));
  }

  // Builds the dialog of a new connection of every class, fills each in every way `Edits` gives
  // and converts it; `check` sees each result. Returns the classes whose dialog is field-driven.
  std::set<TString> ForEveryEdit(const Check& check) {
    std::set<TString> fieldDriven;
    int edits = 0;
    for (const TString& connectionClass : Connect::Registry::Instance().GetRegisteredClasses()) {
      SCOPED_TRACE(connectionClass.toStdString());
      const RefCntPtr<DSConnectionConfig> config = road::NewConnection(connectionClass);
      const std::string dialogJson = road::WriteDialog(cache, config);
      const RefCntPtr<const ConnectionSettingsPresModel> dialog = road::Read<ConnectionSettingsPresModel>(dialogJson);
      if (!dialog) continue;
      // What the front end shows is what the builder made.
      EXPECT_EQ(road::Write(*dialog), dialogJson);

      const QJsonObject record = road::FieldRecordOf(dialogJson);
      const bool modular = !dialog->GetModularConnectionSettings()->GetConnectionDialogJson().isEmpty();
      if (modular) fieldDriven.insert(connectionClass);
      for (const Edit& edit : modular ? FieldDrivenEdits(*config, record, keyFile)
                                      : FixedDialogEdits(connectionClass, *dialog)) {
        SCOPED_TRACE(edit.label.toStdString());
        QJsonObject filled = record;
        for (const Input& input : edit.inputs) road::SetAt(filled, input.path, input.value);
        const RefCntPtr<const ConnectionParamsPresModel> returned =
            road::Read<ConnectionParamsPresModel>(road::AsReturnedBag(filled));
        if (!returned) continue;
        check(connectionClass, edit, *ConnectDataUtils::DSParamsFromPresModel(config, returned));
        ++edits;
      }
    }
    // Enough of the registry was walked for the checks to mean something.
    EXPECT_GT(edits, 60);
    return fieldDriven;
  }

  road::RealServices services{GetParam()};
  ConnectionSettingsCache cache;
  QTemporaryDir dir;
  testcrypto::TestKey key;
  QString keyFile;  // the key, encrypted under kPassPhrase
};

TEST_P(DialogRoundTripTest, EveryValueEnteredComesBackInItsOwnField) {
  const std::set<TString> fieldDriven = ForEveryEdit([&](const TString& connectionClass, const Edit& edit,
                                                         const DSConnectorParams& params) {
    const QJsonObject rebuilt =
        road::FieldsOf(*ConnectionParamsPresModelBuilder().Build(connectionClass, params));
    for (const Input& input : edit.inputs) {
      SCOPED_TRACE(input.path.join(QLatin1Char('/')).toStdString());
      switch (input.outcome) {
        case Outcome::kComesBack:
          EXPECT_EQ(road::ValueAt(rebuilt, input.path), input.value);
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
        case Outcome::kNotChecked:
          break;
      }
    }
    // A typed value turns up in no other field than its own.
    for (const auto& [path, value] : Leaves(rebuilt)) {
      for (const Input& input : edit.inputs) {
        if (!input.typed || value != input.value || path == input.path) continue;
        EXPECT_TRUE(std::find(input.alsoIn.begin(), input.alsoIn.end(), path) != input.alsoIn.end())
            << input.path.join(QLatin1Char('/')).toStdString() << " also landed in "
            << path.join(QLatin1Char('/')).toStdString();
      }
    }
  });
  // A modular dialog edits the connection fields, which only the connection-fields flag converts.
  EXPECT_EQ(fieldDriven.empty(), !GetParam());
  if (GetParam()) {
    EXPECT_EQ(fieldDriven.count(QStringLiteral("snowflake")), 1u);
  }
}

TEST_P(DialogRoundTripTest, SecretsLeaveTheAttributesForTheCredentialStore) {
  ForEveryEdit([&](const TString& connectionClass, const Edit& edit, const DSConnectorParams& params) {
    std::vector<TString> secrets;
    for (const Input& input : edit.inputs)
      if (input.secret) secrets.push_back(input.value);
    for (const TString& name : params.SecureNames())
      if (!params.GetStringValue(name).isEmpty()) secrets.push_back(params.GetStringValue(name));

    DSConnectorParams saved = params;
    saved.SaveSecureValues();
    const ConnectionAttributeMap attributes = saved.Attributes();
    for (const auto& [name, value] : attributes)
      EXPECT_TRUE(std::find(secrets.begin(), secrets.end(), value) == secrets.end())
          << "a secret under " << name.toStdString();
    const QJsonObject rebuilt = road::FieldsOf(*ConnectionParamsPresModelBuilder().Build(connectionClass, saved));
    for (const auto& [path, value] : Leaves(rebuilt))
      EXPECT_TRUE(std::find(secrets.begin(), secrets.end(), value) == secrets.end())
          << "a secret back in the dialog under " << path.join(QLatin1Char('/')).toStdString();

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
  });
}

INSTANTIATE_TEST_SUITE_P(Flag, DialogRoundTripTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "ConnectionFields" : "FixedFields";
                         });

}  // namespace
