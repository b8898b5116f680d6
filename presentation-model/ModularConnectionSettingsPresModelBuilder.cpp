#include "presentation-model/ModularConnectionSettingsPresModelBuilder.h"

#include "host/Exceptions.h"
#include "host/app/Log.h"
#include "host/app/StringTable.h"
#include "host/detail/HardenedJson.h"
#include "host/detail/RapidJson.h"
#include "host/parameters/ParametersJson.h"

#include <string>
#include <string_view>

namespace {

using rapidjson::Document;
using rapidjson::Value;

// The dialog description comes from connector files, so it is read as any JSON from outside:
// iteratively, UTF-8 checked, within kMaxJsonNesting (writing the document back recurses once per
// level) and within a size that no connector's dialog comes near.
constexpr HardenedJson::Limits kDialogJsonLimits{kMaxJsonNesting, kMaxModularDialogJsonBytes};

Value StringValue(const TString& text, Document::AllocatorType& allocator) { return Value(ToUtf8(text), allocator); }

// The initial SQL settings as the modular dialog reads them, members in the record's field order.
Value InitialSqlObject(const InitialSQLPresModel& initialSql, Document::AllocatorType& allocator) {
  Value parameters(rapidjson::kArrayType);
  for (const TString& parameter : initialSql.GetInitialSQLParameters())
    parameters.PushBack(StringValue(parameter, allocator), allocator);

  Value object(rapidjson::kObjectType);
  object.AddMember("isSupported", Value(initialSql.GetIsSupported()), allocator);
  object.AddMember("isInitialSqlVisible", Value(initialSql.GetIsInitialSqlVisible()), allocator);
  object.AddMember("initialSql", StringValue(initialSql.GetInitialSQL(), allocator), allocator);
  object.AddMember("initialSqlParameters", parameters, allocator);
  object.AddMember("doValidation", Value(initialSql.GetDoValidation()), allocator);
  object.AddMember("learnMoreUri", StringValue(initialSql.GetLearnMoreUri(), allocator), allocator);
  return object;
}

TString WriteCompactly(const Document& document) {
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  const bool written = document.Accept(writer);
  HLV_ASSERT(written);
  return TStringFromUtf8(std::string_view(buffer.GetString(), buffer.GetSize()));
}

}  // namespace

ModularConnectionSettingsPresModelBuilder::~ModularConnectionSettingsPresModelBuilder() = default;

RefCntPtr<const ModularConnectionSettingsPresModel> ModularConnectionSettingsPresModelBuilder::Build(
    RefCntPtr<const DSConnectionConfig> config, RefCntPtr<const InitialSQLPresModel> initialSql) const {
  RefCntPtr<ModularConnectionSettingsPresModel> model = MakeRefCnt<ModularConnectionSettingsPresModel>();
  if (!config || !config->IsRelational()) return model;

  const TString dialogJson = config->AsRelational()->GetModularConnectionDialogJson();
  if (dialogJson.isEmpty()) return model;

  Document document;
  try {
    HardenedJson::Parse(ToUtf8(dialogJson), document, kDialogJsonLimits);
  } catch (const HardenedJson::JsonTextException&) {
    document.SetNull();  // reported below, as a text that is not an object
  }
  if (!document.IsObject()) {
    TFormatString warning(QStringLiteral("Invalid ModularConnectionDialogJson string for connection %1."));
    LogMessage(TLog::Warn, warning.arg(config->GetConfigName()));
    return model;
  }

  // Appended after everything the description holds, even a member of the same name.
  Value initialSqlObject = InitialSqlObject(*initialSql, document.GetAllocator());
  document.AddMember("initialSql", initialSqlObject, document.GetAllocator());
  model->SetConnectionDialogJson(WriteCompactly(document));
  return model;
}
