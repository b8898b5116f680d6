#include "presentation-model/ModularConnectionSettingsPresModelBuilder.h"

#include "host/Exceptions.h"
#include "host/app/Log.h"
#include "host/app/StringTable.h"
#include "host/detail/RapidJson.h"
#include "host/parameters/ParametersJson.h"

#include <string>
#include <string_view>

namespace {

using rapidjson::Document;
using rapidjson::SizeType;
using rapidjson::Value;

// The dialog description comes from connector files, so it is parsed iteratively (deep nesting
// cannot exhaust the stack) and otherwise as strictly as RapidJSON's defaults.
constexpr unsigned kParseFlags = rapidjson::kParseDefaultFlags | rapidjson::kParseIterativeFlag;

// Builds the document like Document itself, but stops the parse at the first array or object
// that would nest deeper than kMaxJsonNesting: writing the document back recurses once per level.
class NestingLimitedHandler {
 public:
  explicit NestingLimitedHandler(Document& document) : m_document(document) {}

  bool Null() { return m_document.Null(); }
  bool Bool(bool b) { return m_document.Bool(b); }
  bool Int(int i) { return m_document.Int(i); }
  bool Uint(unsigned u) { return m_document.Uint(u); }
  bool Int64(int64_t i) { return m_document.Int64(i); }
  bool Uint64(uint64_t u) { return m_document.Uint64(u); }
  bool Double(double d) { return m_document.Double(d); }
  bool RawNumber(const char* text, SizeType length, bool copy) { return m_document.RawNumber(text, length, copy); }
  bool String(const char* text, SizeType length, bool copy) { return m_document.String(text, length, copy); }
  bool Key(const char* text, SizeType length, bool copy) { return m_document.Key(text, length, copy); }
  bool StartObject() { return Enter() && m_document.StartObject(); }
  bool EndObject(SizeType count) {
    --m_depth;
    return m_document.EndObject(count);
  }
  bool StartArray() { return Enter() && m_document.StartArray(); }
  bool EndArray(SizeType count) {
    --m_depth;
    return m_document.EndArray(count);
  }

 private:
  bool Enter() { return ++m_depth <= kMaxJsonNesting; }

  Document& m_document;
  int m_depth = 0;
};

// Parses `json` as one JSON text into `document`. False when it is not one: a syntax error, a
// nesting deeper than the limit, or a NUL character before its end (where RapidJSON's streams
// would otherwise see the end of the text and ignore the rest).
bool ParseDialogJson(const std::string& json, Document& document) {
  rapidjson::MemoryStream stream(json.data(), json.size());
  NestingLimitedHandler handler(document);
  rapidjson::Reader reader;
  auto parse = [&](Document&) { return !reader.Parse<kParseFlags>(stream, handler).IsError(); };
  document.Populate(parse);
  return !reader.HasParseError() && stream.Tell() == json.size();
}

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
  if (!ParseDialogJson(ToUtf8(dialogJson), document) || !document.IsObject()) {
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
