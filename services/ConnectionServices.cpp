#include "services/ConnectionServices.h"

#include "connect/ConnectDataUtils.h"
#include "host/Exceptions.h"
#include "host/Secrets.h"
#include "host/connect/ConnectionSettingsCache.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connectors/ConnectionFixture.h"
#include "host/connectors/DataSource.h"
#include "host/connectors/DescribedConfigs.h"
#include "host/detail/HardenedJson.h"
#include "host/parameters/JsonText.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "presentation-model/ConnectionDescriptionPresModelBuilder.h"
#include "presentation-model/ConnectionSettingsPresModelBuilder.h"
#include "presentation-model/InitialSQLPresModelBuilder.h"
#include "services/InputError.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <utility>

namespace Services {
namespace {

ParametersRegistry& Registry() { return ParametersRegistry::Get(); }

/// The longest attributes text read.
constexpr std::size_t kMaxAttributesJsonBytes = std::size_t{1} << 20;

/// Whether the attribute `name` is a secure connection field of `config`'s class.
bool IsSecureField(const DSConnectionConfig& config, const TString& name) {
  const RefCntPtr<const RelationalDSConnectionConfig> relational = config.AsRelational();
  const RefCntPtr<const Connect::IConnectionFieldsModel> fields =
      relational ? relational->GetConnectionFieldsModel() : nullptr;
  const Connect::ConnectionField* field = fields ? fields->GetField(name) : nullptr;
  return field != nullptr && field->IsSecure();
}

/// Whether the attribute `name` of a connection of `config`'s class holds a secret: one the
/// secrets policy names, or a secure connection field of the class.
bool IsSecret(const DSConnectionConfig& config, const TString& name) {
  return Secrets::IsSecretAttribute(name) || IsSecureField(config, name);
}

/// Whether the attribute `name` of `params` holds a secret beyond those the secrets policy names:
/// one the set marked secure, a secure connection field of `config`'s class, or an OAuth
/// attribute other than the instance address (tokens and the like).
bool IsSecretOf(const DSConnectionConfig& config, const DSConnectorParams& params, const TString& name) {
  if (params.SecureNames().count(name) != 0 || IsSecureField(config, name)) return true;
  return name != DataConnectionAttrs::attrInstanceUrl && params.OAuthAttributes().count(name) != 0;
}

/// `attributes` with every secret that has a value masked.
std::map<TString, TString> MaskedAttributes(const DSConnectionConfig& config, std::map<TString, TString> attributes) {
  return Secrets::MaskAttributes(std::move(attributes), [&](const TString& name) { return IsSecureField(config, name); });
}

/// A new connection of `connectionClass`, as a dialog edits it.
RefCntPtr<DSConnectionConfig> NewConnection(const TString& connectionClass) {
  return DSConnectionConfig::CreateInstance(connectionClass, nullptr, nullptr, TString(), DataObjectModel::ObjectId(),
                                            true);
}

/// An existing connection of `connectionClass` with the attributes of `params`, not connected.
RefCntPtr<DSConnectionConfig> ConfigWith(const TString& connectionClass, const DSConnectorParams& params) {
  ConnectionAttributeMap attributes = params.Attributes();
  if (!params.Filename().isEmpty()) attributes[DataConnectionAttrs::attrFilename] = params.Filename();
  const RefCntPtr<DataSource> dataSource = MakeRefCnt<DataSource>(connectionClass, attributes);
  const RefCntPtr<DSConnectionConfig> config = DSConnectionConfig::CreateInstance(
      connectionClass, dataSource, nullptr, TString(), DataObjectModel::ObjectId(), false);
  if (DescribedConfigState::Of(*config) == nullptr)
    throw InputError(QStringLiteral("the host cannot connect a \"%1\" connection").arg(connectionClass));
  return config;
}

}  // namespace

RefCntPtr<DSConnectionConfig> LiveConfig(const TString& connectionClass, const ConnectionAttributeMap& attributes) {
  const RefCntPtr<DSConnectionConfig> probe = NewConnection(connectionClass);
  if (!probe->IsRelational())
    throw InputError(QStringLiteral("a \"%1\" connection is not relational, and this machine does not connect it "
                                    "live")
                         .arg(connectionClass));
  DSConnectorParams params(attributes);
  params.SetValue(DataConnectionAttrs::attrClass, connectionClass);
  // An empty secret is none: moving it would give the connection a new credential id, and with
  // it lose the one the attributes already name (as the dialog's converted attributes do).
  for (const auto& [name, value] : attributes)
    if (IsSecret(*probe, name) && !value.isEmpty()) params.SetSecureValue(name, value);
  params.SaveSecureValues();
  return ConfigWith(connectionClass, params);
}

std::vector<ConnectorSummary> ListConnectors() {
  const Connect::IRegistry& registry = Connect::Registry::Instance();
  const std::vector<TString> files = registry.GetConnectionClasses(Connect::ConnectionClassKind::kFile);
  const std::vector<TString> servers = registry.GetConnectionClasses(Connect::ConnectionClassKind::kServer);
  const auto listed = [](const std::vector<TString>& list, const TString& connectionClass) {
    return std::find(list.begin(), list.end(), connectionClass) != list.end();
  };
  std::vector<TString> classes = registry.GetRegisteredClasses();
  std::sort(classes.begin(), classes.end());
  std::vector<ConnectorSummary> summaries;
  summaries.reserve(classes.size());
  for (const TString& connectionClass : classes) {
    ConnectorSummary summary;
    summary.connectionClass = connectionClass;
    summary.list = listed(files, connectionClass) ? "file" : listed(servers, connectionClass) ? "server" : "none";
    const RefCntPtr<DSConnectionConfig> config = DSConnectionConfig::CreateInstance(connectionClass, {});
    summary.model = config->IsRelational() ? "relational" : config->IsHierarchical() ? "hierarchical" : "other";
    summary.caption = registry.GetClassCaption(connectionClass, QStringLiteral("en"));
    summaries.push_back(std::move(summary));
  }
  return summaries;
}

TString KnownConnectionClass(const std::string& name) {
  const TString connectionClass = TStringFromUtf8(name);
  if (!Connect::Registry::Instance().LookupConnector(connectionClass))
    throw InputError(QStringLiteral("unknown connection class \"%1\"").arg(connectionClass));
  return connectionClass;
}

ConnectionAttributeMap ParseAttributes(const std::string& json) {
  rapidjson::Document document;
  HardenedJson::Limits limits;
  limits.maxBytes = kMaxAttributesJsonBytes;
  HardenedJson::Parse(json, document, limits);
  if (!document.IsObject()) throw InputError(QStringLiteral("the connection attributes are not a JSON object"));
  ConnectionAttributeMap attributes;
  for (const auto& member : document.GetObject()) {
    const TString name = TStringFromUtf8(std::string_view(member.name.GetString(), member.name.GetStringLength()));
    if (!member.value.IsString())
      throw InputError(QStringLiteral("the value of the connection attribute \"%1\" is not a string").arg(name));
    attributes[name] = TStringFromUtf8(std::string_view(member.value.GetString(), member.value.GetStringLength()));
  }
  return attributes;
}

DialogRecords NewDialog(const TString& connectionClass, const std::optional<std::string>& lastAttributes) {
  ConnectionSettingsCache cache;
  if (lastAttributes) cache.Remember(connectionClass, ParseAttributes(*lastAttributes));
  DialogRecords records;
  records.config = NewConnection(connectionClass);
  records.initialSQL = InitialSQLPresModelBuilder().Build(records.config, {}, true);
  records.settings =
      ConnectionSettingsPresModelBuilder().Build(*cache.CreateAccessor(), records.config, records.initialSQL, nullptr);
  return records;
}

DialogRecords ExistingDialog(const TString& connectionClass, const ConnectionAttributeMap& attributes) {
  const ConnectionSettingsCache cache;
  DialogRecords records;
  records.config = DSConnectionConfig::CreateInstance(connectionClass, MakeRefCnt<DataSource>(connectionClass, attributes),
                                                      nullptr, TString(), DataObjectModel::ObjectId(), false);
  records.initialSQL = InitialSQLPresModelBuilder().Build(records.config, {}, true);
  records.settings = ConnectionSettingsPresModelBuilder().BuildWithDataSource(
      *cache.CreateAccessor(), MakeRefCnt<DataSource>(connectionClass, attributes), records.initialSQL, nullptr);
  return records;
}

std::function<bool(const TString& name)> SecretPredicate(const TString& connectionClass) {
  const RefCntPtr<DSConnectionConfig> config = NewConnection(connectionClass);
  return [config](const TString& name) { return IsSecret(*config, name); };
}

ConnectionAttributeMap ConvertedAttributes(const RefCntPtr<DSConnectionConfig>& config,
                                           const RefCntPtr<const ConnectionParamsPresModel>& record) {
  const std::unique_ptr<DSConnectorParams> params = ConnectDataUtils::DSParamsFromPresModel(config, record);
  ConnectDataUtils::LoadSSLCert(config, *params, record);
  ConnectionAttributeMap attributes = params->Attributes();
  if (!params->Filename().isEmpty()) attributes[DataConnectionAttrs::attrFilename] = params->Filename();
  return attributes;
}

std::string DialogJson(const TString& connectionClass, const std::optional<std::string>& lastAttributes) {
  const DialogRecords dialog = NewDialog(connectionClass, lastAttributes);
  // The remembered attributes may hold secrets, which the dialog's fields would show.
  return MaskedJson(*dialog.config, RecordJson(*dialog.settings));
}

std::string ConvertJson(const TString& connectionClass, const std::string& bag, const char* source) {
  const RefCntPtr<const ConnectionParamsPresModel> record = ReadFieldRecord(bag, source);
  const RefCntPtr<DSConnectionConfig> config = NewConnection(connectionClass);
  return AttributesJson(*config, *ToConnectorParams(config, record));
}

std::string DescribeJson(const TString& connectionClass, const ConnectionAttributeMap& attributes, bool olap,
                         bool simple) {
  return RecordJson(*DescribeRecord(connectionClass, attributes, olap, simple));
}

RefCntPtr<const PresentationModel> DescribeRecord(const TString& connectionClass,
                                                  const ConnectionAttributeMap& attributes, bool olap, bool simple) {
  const RefCntPtr<DSConnectionConfig> config = LiveConfig(connectionClass, attributes);
  DescribedConfigState::Of(*config)->Connect();
  return DescriptionRecord(config, olap, simple);
}

std::string DescribeFixtureJson(const TString& file, bool olap, bool simple) {
  return DescriptionJson(Connect::ConnectionFixture::Load(file), olap, simple);
}

RefCntPtr<const ConnectionParamsPresModel> ReadFieldRecord(const std::string& text, const char* source) {
  const RefCntPtr<IParameters> bag = ReadParametersJson(text, Registry());
  const auto* record = FindParameterValue<RefCntPtr<const ConnectionParamsPresModel>>(*bag, ConnectionParamsPresModel::ID);
  if (record == nullptr || !*record)
    throw InputError(
        QStringLiteral("%1 holds no \"gen-connection-params-pres-model\" record").arg(QLatin1String(source)));
  return *record;
}

std::unique_ptr<DSConnectorParams> ToConnectorParams(const RefCntPtr<DSConnectionConfig>& config,
                                                     const RefCntPtr<const ConnectionParamsPresModel>& record) {
  std::unique_ptr<DSConnectorParams> params = ConnectDataUtils::DSParamsFromPresModel(config, record);
  ConnectDataUtils::LoadSSLCert(config, *params, record);
  // The set marks only the password secure; the other secrets of the policy (a client key, a
  // connection string a password may be written into) go to the credential service with it.
  const ConnectionAttributeMap attributes = params->Attributes();
  for (const auto& [name, value] : attributes)
    if (!value.isEmpty() && Secrets::IsSecretAttribute(name)) params->SetSecureValue(name, value);
  params->SaveSecureValues();
  return params;
}

std::string AttributesJson(const DSConnectionConfig& config, const DSConnectorParams& params) {
  std::map<TString, TString> sorted;
  for (const auto& [name, value] : params.Attributes()) sorted.emplace(name, value);
  if (!params.Filename().isEmpty()) sorted[DataConnectionAttrs::attrFilename] = params.Filename();
  sorted = Secrets::MaskAttributes(std::move(sorted),
                                  [&](const TString& name) { return IsSecretOf(config, params, name); });
  return JsonObjectOfStrings(sorted);
}

RefCntPtr<DSConnectionConfig> ConnectWith(const TString& connectionClass, const DSConnectorParams& params) {
  const RefCntPtr<DSConnectionConfig> config = ConfigWith(connectionClass, params);
  DescribedConfigState::Of(*config)->Connect();
  return config;
}

std::string DescriptionJson(const RefCntPtr<const DSConnectionConfig>& config, bool olap, bool simple) {
  return RecordJson(*DescriptionRecord(config, olap, simple));
}

RefCntPtr<const PresentationModel> DescriptionRecord(const RefCntPtr<const DSConnectionConfig>& config, bool olap,
                                                     bool simple) {
  ConnectionDescriptionPresModelBuilder builder(config);
  if (simple) {
    const RefCntPtr<SimpleConnectionDescriptionPresModel> record = builder.BuildSimple();
    record->SetConnectionAttributess(MaskedAttributes(*config, record->GetConnectionAttributess()));
    return record;
  }
  const RefCntPtr<ConnectionDescriptionPresModel> record = builder.Build(olap);
  record->SetConnectionAttributess(MaskedAttributes(*config, record->GetConnectionAttributess()));
  return record;
}

std::string RecordJson(const PresentationModel& record) {
  // The services build a record per request and let it go once written.
  return WriteParametersJson(*record.AsIParameters(), Registry(), FirstWriteCaches::kLeaveEmpty);
}

void StreamRecordJson(const PresentationModel& record, const std::function<void(std::string_view)>& drain) {
  StreamParametersJson(*record.AsIParameters(), Registry(), drain);
}

std::string MaskedJson(const DSConnectionConfig& config, const std::string& json) {
  return Secrets::MaskParametersJson(json, Registry(),
                                     [&](const TString& name) { return IsSecureField(config, name); });
}

}  // namespace Services
