// The connection dialog's road on the real host implementation: the connector registry of the
// built-in descriptions, the configurations it makes, a real settings cache and the in-memory
// credential store. Only the switches a test must control (feature flags, application mode) and
// the log are installed for the test.
#pragma once

#include "connect/DSConnectorParams.h"
#include "host/app/AppConfig.h"
#include "host/app/FeatureFlags.h"
#include "host/connect/ConnectionSettingsCache.h"
#include "host/connect/CredentialsService.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/connectors/InMemoryCredentialsService.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "presentation-model/ConnectionParamsPresModel.h"
#include "presentation-model/ConnectionSettingsPresModel.h"
#include "presentation-model/ConnectionSettingsPresModelBuilder.h"
#include "presentation-model/InitialSQLPresModelBuilder.h"
#include "tests/support/FakeConnectionModel.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace road {

/// The field record's member that holds a connector's own fields, and the one of OAuth sign-ins.
inline const QString kConnectorAttrs = QStringLiteral("connector-attrs");
inline const QString kOAuthAttrs = QStringLiteral("oauth-attrs");

/// A place in the field record's JSON: a member name, or a map member's name and a key.
using FieldPath = QStringList;

/// Feature flags at their documented defaults, the connection-fields flag as asked; the desktop
/// application; a credential store of the test's own; a log that keeps what it is told.
class RealServices {
 public:
  explicit RealServices(bool connectionFields) {
    flags->Set(FeatureFlagIds::kConnectionFieldsModel, connectionFields);
    remoteFlags->Set(RemoteFeatureFlagIds::kSnowflakeKeyPair, true);
  }

  // No environment variable of these names is ever set: the flags start from their defaults.
  std::shared_ptr<ConfigurableFeatureFlags> flags =
      std::make_shared<ConfigurableFeatureFlags>(false, "HLV_TEST_FEATURE_FLAGS_UNSET");
  std::shared_ptr<ConfigurableFeatureFlags> remoteFlags =
      std::make_shared<ConfigurableFeatureFlags>(true, "HLV_TEST_REMOTE_FEATURE_FLAGS_UNSET");
  std::shared_ptr<InMemoryCredentialsService> credentials = std::make_shared<InMemoryCredentialsService>();
  std::shared_ptr<fake::LogSink> log = std::make_shared<fake::LogSink>();

 private:
  fake::ScopedInstall<FeatureFlags, IFeatureFlags> m_flags{flags};
  fake::ScopedInstall<RemoteFeatureFlags, IFeatureFlags> m_remoteFlags{remoteFlags};
  fake::ScopedInstall<CredentialsService, ICredentialsService> m_credentials{credentials};
  fake::ScopedInstall<LogSink, ILogSink> m_log{log};
  fake::ScopedInstall<AppConfig, IAppConfig> m_appConfig{std::make_shared<SettableAppConfig>()};
};

inline std::string Write(const PresentationModel& model) {
  return WriteParametersJson(*model.AsIParameters(), ParametersRegistry::Get());
}

/// The record `Record` of the bag written as `json`; the test fails when the bag holds none.
template <typename Record>
RefCntPtr<const Record> Read(const std::string& json) {
  const RefCntPtr<IParameters> bag = ReadParametersJson(json, ParametersRegistry::Get());
  const auto* record = FindParameterValue<RefCntPtr<const Record>>(*bag, Record::ID);
  EXPECT_TRUE(record != nullptr && *record) << "no record in " << json;
  return record != nullptr ? *record : RefCntPtr<const Record>();
}

/// A new connection of `connectionClass`, as the host makes one for the dialog.
inline RefCntPtr<DSConnectionConfig> NewConnection(const TString& connectionClass) {
  return DSConnectionConfig::CreateInstance(connectionClass, nullptr, nullptr, TString(), DataObjectModel::ObjectId(),
                                            true);
}

/// The JSON text of the dialog of `config`, built as a host builds a fresh one.
inline std::string WriteDialog(const ConnectionSettingsCache& cache, const RefCntPtr<DSConnectionConfig>& config) {
  const RefCntPtr<const InitialSQLPresModel> initialSQL = InitialSQLPresModelBuilder().Build(config, {}, true);
  return Write(*ConnectionSettingsPresModelBuilder().Build(*cache.CreateAccessor(), config, initialSQL, nullptr));
}

inline QJsonObject ParseObject(const std::string& json) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
}

/// The field record inside the written dialog `dialogJson`, as the front end edits it.
inline QJsonObject FieldRecordOf(const std::string& dialogJson) {
  return ParseObject(dialogJson)
      .value(QStringLiteral("gen-connection-settings-pres-model"))
      .toObject()
      .value(QStringLiteral("widget-connection-params"))
      .toObject();
}

/// `fields` as the bag the front end hands back: the field record under its own id.
inline std::string AsReturnedBag(const QJsonObject& fields) {
  const QJsonObject bag{{QStringLiteral("gen-connection-params-pres-model"), fields}};
  return QJsonDocument(bag).toJson(QJsonDocument::Compact).toStdString();
}

/// The written field record of `record`, without its bag.
inline QJsonObject FieldsOf(const ConnectionParamsPresModel& record) {
  return ParseObject(Write(record)).value(QStringLiteral("gen-connection-params-pres-model")).toObject();
}

inline void SetAt(QJsonObject& fields, const FieldPath& path, const QString& value) {
  if (path.size() == 1) {
    fields.insert(path[0], value);
    return;
  }
  QJsonObject map = fields.value(path[0]).toObject();
  map.insert(path[1], value);
  fields.insert(path[0], map);
}

inline bool HasAt(const QJsonObject& fields, const FieldPath& path) {
  if (path.size() == 1) return fields.contains(path[0]);
  return fields.value(path[0]).toObject().contains(path[1]);
}

/// The text at `path`; "<absent>" when there is none.
inline QString ValueAt(const QJsonObject& fields, const FieldPath& path) {
  if (!HasAt(fields, path)) return QStringLiteral("<absent>");
  if (path.size() == 1) return fields.value(path[0]).toString();
  return fields.value(path[0]).toObject().value(path[1]).toString();
}

/// The value of attribute `name` of `params`; "<absent>" when there is none.
inline QString AttributeOf(const DSConnectorParams& params, const QString& name) {
  const ConnectionAttributeMap attributes = params.Attributes();
  const auto found = attributes.find(name);
  return found == attributes.end() ? QStringLiteral("<absent>") : found->second;
}

}  // namespace road
