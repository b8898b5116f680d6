// The connection dialog of every connection class the registry holds (the built-in ones, and
// those HLV_CONNECTORS_PATH adds), one benchmark of each kind per class:
//
//   DialogBuild/CLASS         a new connection's configuration, its initial SQL record and the
//                             dialog (ConnectionSettingsPresModelBuilder::Build), as a host does
//                             when it opens the dialog;
//   FieldRecordConvert/CLASS  the field record a user filled, turned into connection attributes
//                             and back into a field record (DSParamsFromPresModel, LoadSSLCert,
//                             ConnectionParamsPresModelBuilder::Build(class, params));
//   DialogWrite/CLASS         the first write of the dialog's JSON;
//   CopyAttributes/CLASS      an anchor: copying the attribute map the conversion gives.
//
// The settings cache holds what the class converted to before (its secrets moved to the
// credential service), so each dialog starts from a connection the user made earlier, the
// fuller of the two roads a new dialog takes.

#include "bench/BenchRegistry.h"
#include "connect/ConnectDataUtils.h"
#include "connect/DSConnectorParams.h"
#include "host/connect/ConnectionSettingsCache.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/detail/HardenedJson.h"
#include "host/parameters/ParametersJson.h"
#include "presentation-model/ConnectionParamsPresModel.h"
#include "presentation-model/ConnectionParamsPresModelBuilder.h"
#include "presentation-model/ConnectionSettingsPresModel.h"
#include "presentation-model/ConnectionSettingsPresModelBuilder.h"
#include "presentation-model/InitialSQLPresModelBuilder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

RefCntPtr<DSConnectionConfig> NewConnection(const TString& connectionClass) {
  return DSConnectionConfig::CreateInstance(connectionClass, nullptr, nullptr, TString(), DataObjectModel::ObjectId(),
                                            true);
}

RefCntPtr<const ConnectionSettingsPresModel> BuildDialog(const ConnectionSettingsCache& cache,
                                                         const TString& connectionClass) {
  const RefCntPtr<DSConnectionConfig> config = NewConnection(connectionClass);
  const RefCntPtr<const InitialSQLPresModel> initialSQL = InitialSQLPresModelBuilder().Build(config, {}, true);
  return ConnectionSettingsPresModelBuilder().Build(*cache.CreateAccessor(), config, initialSQL, nullptr);
}

std::string WriteCompact(const rapidjson::Document& document) {
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  document.Accept(writer);
  return std::string(buffer.GetString(), buffer.GetSize());
}

// The dialog's field record as the front end returns it once a user filled the dialog: read
// from its JSON, with a value in every empty text field the dialog shows and in every
// connection field of a field-driven connector (except the certificate file, which would have
// to exist).
RefCntPtr<const ConnectionParamsPresModel> FilledFieldRecord(const DSConnectionConfig& config,
                                                             const ConnectionSettingsPresModel& settings) {
  rapidjson::Document document;
  HardenedJson::Parse(WriteParametersJson(*settings.GetConnectionParams()->AsIParameters(), BenchRegistry()), document,
                      {});
  rapidjson::Value& record = document["gen-connection-params-pres-model"];
  auto& allocator = document.GetAllocator();
  const auto fill = [&allocator](rapidjson::Value& object, const std::string& name, const std::string& value) {
    const auto member = object.FindMember(name.c_str());
    if (member == object.MemberEnd())
      object.AddMember(rapidjson::Value(name.c_str(), allocator), rapidjson::Value(value.c_str(), allocator), allocator);
    else if (member->value.IsString() && member->value.GetStringLength() == 0)
      member->value.SetString(value.c_str(), allocator);
  };
  const std::vector<TString> fileClasses =
      Connect::Registry::Instance().GetConnectionClasses(Connect::ConnectionClassKind::kFile);
  if (std::find(fileClasses.begin(), fileClasses.end(), config.ClassName()) != fileClasses.end())
    fill(record, "widget-attr-filename", "/data/sales.db");
  if (settings.GetShowServerNamePrompt()) fill(record, "widget-attr-server", "db.example.com");
  if (settings.GetShowDBNamePrompt()) fill(record, "widget-attr-db", "sales");
  if (settings.GetShowDBWHNamePrompt()) fill(record, "widget-attr-dbwh", "COMPUTE_WH");
  if (settings.GetShowServiceNamePrompt()) fill(record, "widget-attr-service", "orcl");
  fill(record, "widget-attr-user", "analyst");
  fill(record, "widget-attr-password", "not-a-real-password");

  const RefCntPtr<const RelationalDSConnectionConfig> relational = config.AsRelational();
  if (relational && relational->GetConnectionFieldsModel()) {
    if (!record.HasMember("connector-attrs"))
      record.AddMember("connector-attrs", rapidjson::Value(rapidjson::kObjectType), allocator);
    const Connect::ConnectionFieldsFilter filter =
        Connect::ConnectionFieldsFilterFactory::Instance().CreateFilter(config.GetConnectionAttributes());
    for (const TString& name : relational->GetConnectionFieldsNames(filter))
      if (name != DataConnectionAttrs::attrSSLFile)
        fill(record["connector-attrs"], ToUtf8(name), "value-" + ToUtf8(name));
  }

  const RefCntPtr<IParameters> bag = ReadParametersJson(WriteCompact(document), BenchRegistry());
  return *FindParameterValue<RefCntPtr<const ConnectionParamsPresModel>>(*bag, ConnectionParamsPresModel::ID);
}

struct ConvertedRecord {
  std::unique_ptr<DSConnectorParams> params;
  RefCntPtr<const ConnectionParamsPresModel> record;
};

ConvertedRecord Convert(const RefCntPtr<DSConnectionConfig>& config,
                        const RefCntPtr<const ConnectionParamsPresModel>& edited) {
  ConvertedRecord converted;
  converted.params = ConnectDataUtils::DSParamsFromPresModel(config, edited);
  ConnectDataUtils::LoadSSLCert(config, *converted.params, edited);
  converted.record = ConnectionParamsPresModelBuilder().Build(config->ClassName(), *converted.params);
  return converted;
}

// One class's dialog, filled and converted once, and remembered in a settings cache.
struct DialogCase {
  explicit DialogCase(const TString& connectionClass) : connectionClass(connectionClass) {
    BenchRegistry();
    config = NewConnection(connectionClass);
    edited = FilledFieldRecord(*config, *BuildDialog(cache, connectionClass));
    // As a host keeps them: the secrets moved to the credential service first.
    const std::unique_ptr<DSConnectorParams> params = Convert(config, edited).params;
    params->SaveSecureValues();
    attributes = params->Attributes();
    cache.Remember(connectionClass, attributes);
  }

  TString connectionClass;
  ConnectionSettingsCache cache;
  RefCntPtr<DSConnectionConfig> config;
  RefCntPtr<const ConnectionParamsPresModel> edited;
  ConnectionAttributeMap attributes;
};

void DialogBuild(benchmark::State& state, const TString& connectionClass) {
  const DialogCase dialog(connectionClass);
  for (auto _ : state) benchmark::DoNotOptimize(BuildDialog(dialog.cache, connectionClass));
}

void FieldRecordConvert(benchmark::State& state, const TString& connectionClass) {
  const DialogCase dialog(connectionClass);
  for (auto _ : state) benchmark::DoNotOptimize(Convert(dialog.config, dialog.edited));
}

void DialogWrite(benchmark::State& state, const TString& connectionClass) {
  const DialogCase dialog(connectionClass);
  const ParametersRegistry& registry = BenchRegistry();
  std::size_t bytes = 0;
  for (auto _ : state) {
    // A record caches the text of its first write: each write needs a new one.
    state.PauseTiming();
    const RefCntPtr<IParameters> bag = BuildDialog(dialog.cache, connectionClass)->AsIParameters();
    state.ResumeTiming();
    bytes += WriteParametersJson(*bag, registry).size();
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

void CopyAttributes(benchmark::State& state, const TString& connectionClass) {
  const DialogCase dialog(connectionClass);
  for (auto _ : state) {
    ConnectionAttributeMap copy = dialog.attributes;
    benchmark::DoNotOptimize(copy);
  }
}

// One benchmark of each kind per registered class, grouped by kind.
bool RegisterDialogBenchmarks() {
  const std::vector<TString> classes = Connect::Registry::Instance().GetRegisteredClasses();
  const std::pair<const char*, void (*)(benchmark::State&, const TString&)> kinds[] = {
      {"DialogBuild/", DialogBuild},
      {"FieldRecordConvert/", FieldRecordConvert},
      {"DialogWrite/", DialogWrite},
      {"CopyAttributes/", CopyAttributes},
  };
  for (const auto& [prefix, function] : kinds)
    for (const TString& connectionClass : classes)
      benchmark::RegisterBenchmark((prefix + ToUtf8(connectionClass)).c_str(), function, connectionClass)
          ->Unit(benchmark::kMicrosecond);
  return true;
}

const bool registered = RegisterDialogBenchmarks();

}  // namespace
