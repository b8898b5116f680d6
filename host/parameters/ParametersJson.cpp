#include "host/parameters/ParametersJson.h"

#include "host/Exceptions.h"
#include "host/detail/HardenedJson.h"
#include "host/detail/JsonValue.h"
#include "host/parameters/JsonReadScope.h"
#include "host/parameters/JsonText.h"
#include "host/parameters/ParametersRegistry.h"
#include "host/parameters/PresentationModel.h"
#include "host/parameters/SerializeStructure.h"

#include <map>
#include <memory>
#include <typeinfo>
#include <utility>
#include <vector>

namespace {

// The record `held` holds when its cached text can be written as the value of `info` as it
// stands: the value is of the type the parameter's serializer replays and its record has been
// written before. Null otherwise; the serializer then writes the value.
const PresentationModel* ReplayableRecord(const ParameterInfo& info, const IParameter& held) {
  const std::type_info* replayed = info.GetReplayedValueType();
  if (replayed == nullptr) return nullptr;
  const PresentationModel* record = held.GetRecordAs(*replayed);
  return record == nullptr || record->GetCachedJson().empty() ? nullptr : record;
}

// Writes the bag of one record written before, `only` held under `id`, the write a host makes
// once per dialog: the whole bag kept by the record's first write when it has one, else the
// record's cached text inside the two brackets of the bag and of the member, without a
// structure writer. False, writing nothing, when the record has no cache.
bool AppendCachedRecord(const IParameter& only, unsigned int id, const ParametersRegistry& registry, std::string& out) {
  if (const PresentationModel* record = only.GetRecord(); record != nullptr) {
    if (const std::string_view bag = record->GetCachedBagJson(only, id, registry); !bag.empty()) {
      out += bag;
      return true;
    }
  }
  const ParameterInfo* info = registry.FindParameter(id);
  if (info == nullptr || info->HasFlag(kParameterUnserializable)) return false;
  const PresentationModel* record = ReplayableRecord(*info, only);
  if (record == nullptr) return false;
  const std::string& name = info->GetJsonName();
  // Room first: the cache is read after the buffer has its final size.
  ReserveJson(out, name.size() + record->GetCachedJson().size() + 4);
  out.push_back('{');
  out += name;
  out.push_back('{');
  out += record->GetCachedJson();
  out += "}}";
  return true;
}

}  // namespace

void WriteParameters(const IParameters& bag, SerializeStructure& ss) {
  const ParametersRegistry& registry = ss.GetRegistry();
  bag.ForEachParameter([&](unsigned int id, IParameter& held) {
    const ParameterInfo* info = registry.FindParameter(id);
    if (info == nullptr)
      HLV_THROW_LOGIC(QStringLiteral("Parameter 0x%1 is not registered").arg(id, 8, 16, QLatin1Char('0')));
    if (info->HasFlag(kParameterUnserializable)) return;

    const bool hasSerializer = info->GetValueSerializer() != nullptr || info->GetStructureSerializer() != nullptr;
    if (!hasSerializer)
      HLV_THROW_LOGIC(QStringLiteral("Parameter \"%1\" has no serializer").arg(info->GetName()));

    // A record written before is replayed from its text cache, without a call on its
    // serializer or on its value.
    if (const PresentationModel* record = ReplayableRecord(*info, held); record != nullptr && ss.CachedStructure(*info, *record))
      return;

    const RefCntPtr<IParameter> value(&held);
    switch (info->GetKind()) {
      case ParameterKind::kSimple:
        ss.Parameter(id, info->GetValueSerializer()->ValueToString(value));
        break;
      case ParameterKind::kList:
        info->GetValueSerializer()->SerializeList(value, ss, id);
        break;
      case ParameterKind::kMap: {
        const std::map<TString, TString> texts = info->GetValueSerializer()->MapToStrings(value);
        const bool keysVerbatim = info->HasFlag(kParameterNeverAdulterateMapKeys);
        MapStructure map(id, ss);
        for (const auto& [key, text] : texts) ss.MapItem(key, text, keysVerbatim);
        break;
      }
      case ParameterKind::kStructure:
        info->GetStructureSerializer()->SerializeValue(value, id, ss, true);
        break;
      case ParameterKind::kStructureList: {
        const IStructureSerializer& serializer = *info->GetStructureSerializer();
        const std::vector<RefCntPtr<IParameter>> items = serializer.SplitList(value);
        ListStructure list(id, ss, kParameterTypeDefault);
        for (const RefCntPtr<IParameter>& item : items) serializer.SerializeValue(item, id, ss, true);
        break;
      }
    }
  });
}

namespace {

void Append(const IParameters& bag, const ParametersRegistry& registry, std::string& out, FirstWriteCaches caches) {
  unsigned int id = 0;
  const IParameter* only = bag.GetOnlyParameter(id);
  if (only != nullptr && AppendCachedRecord(*only, id, registry, out)) return;
  SerializeStructure ss(registry, out);
  ss.SetKeepsCaches(caches == FirstWriteCaches::kKeep);
  if (only != nullptr && caches == FirstWriteCaches::kKeep) ss.SetOnlyMember(id, *only);
  WriteParameters(bag, ss);
  ss.Close();
}

}  // namespace

std::string WriteParametersJson(const IParameters& bag, const ParametersRegistry& registry, FirstWriteCaches caches) {
  std::string json;
  Append(bag, registry, json, caches);
  return json;
}

void AppendParametersJson(const IParameters& bag, const ParametersRegistry& registry, std::string& out) {
  Append(bag, registry, out, FirstWriteCaches::kKeep);
}

void StreamParametersJson(const IParameters& bag, const ParametersRegistry& registry,
                          const std::function<void(std::string_view)>& drain) {
  std::string cached;
  unsigned int id = 0;
  const IParameter* only = bag.GetOnlyParameter(id);
  if (only != nullptr && AppendCachedRecord(*only, id, registry, cached)) return drain(cached);
  SerializeStructure ss(registry);
  ss.SetDrain(drain);
  WriteParameters(bag, ss);
  ss.Close();
}

JsonReadScope::~JsonReadScope() = default;

RefCntPtr<IParameter> IStructureSerializer::ReadJson(const JsonValue&, unsigned int, const JsonReadScope&) const {
  HLV_THROW_LOGIC("ReadsJson()");
}

namespace {

[[noreturn]] void FailToParse(const QString& detail) { throw ParameterParseException(0, detail); }

void Parse(std::string_view json, JsonTape& tape) {
  try {
    HardenedJson::Parse(json, tape, HardenedJson::Limits{kMaxJsonNesting, kMaxJsonBytes});
  } catch (const HardenedJson::JsonTextException& refused) {
    FailToParse(refused.GetMessage());
  }
  if (tape.KindAt(JsonTape::kRoot) != JsonTape::Kind::kObject) FailToParse(QStringLiteral("the JSON text is not an object"));
}

TString ToTString(const JsonValue& string) { return TStringFromUtf8(string.GetString()); }

// The strings of `array`; false when an element is not a string.
bool ReadStrings(const JsonValue& array, std::vector<TString>& texts) {
  texts.reserve(array.Size());
  for (const JsonValue element : array.Elements()) {
    if (!element.IsString()) return false;
    texts.push_back(ToTString(element));
  }
  return true;
}

// Reads the members of JSON objects into bags. Records whose serializers read JSON themselves
// are handed their objects directly and call back for what they leave to the registry.
class BagReader final : public JsonReadScope {
 public:
  BagReader(const ParametersRegistry& registry, const IParameters* context, bool recordsReadJson)
      : m_registry(registry), m_context(context), m_recordsReadJson(recordsReadJson) {
    if (m_context != nullptr && m_context->GetParameterIds().empty()) m_context = nullptr;
  }

  RefCntPtr<IParameters> ReadObject(const JsonValue& object) const {
    RefCntPtr<IParameters> bag = NewBag();
    for (const JsonMember member : object.Members()) {
      const ParameterInfo* info = FindByName(member.name);
      if (info == nullptr) continue;
      ReadMember(*info, member.value, bag);
    }
    return bag;
  }

  const IParameters* GetContext() const override { return m_context; }

  RefCntPtr<IParameter> ReadParameter(unsigned int id, const JsonValue& value) const override {
    const ParameterInfo* info = m_registry.FindParameter(id);
    if (info == nullptr || info->HasFlag(kParameterUnserializable)) return nullptr;
    RefCntPtr<IParameters> holder = NewBag();
    ReadMember(*info, value, holder);
    return RefCntPtr<IParameter>(holder->GetParameter(id));
  }

  void ReadOtherMember(std::string_view utf8Name, const JsonValue& value) const override {
    const ParameterInfo* info = m_registry.FindParameterByUtf8Name(utf8Name);
    if (info == nullptr || info->HasFlag(kParameterUnserializable)) return;
    ReadMember(*info, value, NewBag());
  }

 private:
  // The parameter a member names, or null when the reader skips the member.
  const ParameterInfo* FindByName(std::string_view name) const {
    const ParameterInfo* info = m_registry.FindParameterByUtf8Name(name);
    return info == nullptr || info->HasFlag(kParameterUnserializable) ? nullptr : info;
  }

  RefCntPtr<IParameters> NewBag() const {
    RefCntPtr<IParameters> bag = m_registry.CreateParameters();
    if (m_context != nullptr)
      for (unsigned int id : m_context->GetParameterIds())
        bag->SetParameter(id, RefCntPtr<IParameter>(m_context->GetParameter(id)));
    return bag;
  }

  void ReadMember(const ParameterInfo& info, const JsonValue& value, const RefCntPtr<IParameters>& bag) const {
    const unsigned int id = info.GetId();
    if (info.GetKind() == ParameterKind::kStructure || info.GetKind() == ParameterKind::kStructureList) {
      if (const IStructureSerializer* serializer = info.GetStructureSerializer())
        ReadStructureMember(info, *serializer, value, bag);
      return;
    }
    const IParameterSerializer* serializer = info.GetValueSerializer();
    if (serializer == nullptr) return;
    if (!info.HasFlag(kParameterSecuritySensitive)) return ReadValueMember(info, *serializer, value, bag);
    // A serializer that cannot read a text says why, and usually quotes the text; the text of
    // this parameter is a secret, so the failure names the parameter and nothing it was given.
    // Logic and command errors carry no text read and pass unchanged.
    try {
      ReadValueMember(info, *serializer, value, bag);
    } catch (const LogicException&) {
      throw;
    } catch (const CommandException&) {
      throw;
    } catch (const HalvaneException&) {
      throw ParameterParseException(id, QStringLiteral("the text is not shown, since the parameter holds secrets"));
    }
  }

  // A simple, list or map member read through its value serializer.
  static void ReadValueMember(const ParameterInfo& info, const IParameterSerializer& serializer,
                              const JsonValue& value, const RefCntPtr<IParameters>& bag) {
    const unsigned int id = info.GetId();
    switch (info.GetKind()) {
      case ParameterKind::kSimple:
        if (value.IsString()) bag->SetParameter(id, serializer.ValueFromString(ToTString(value)));
        return;
      case ParameterKind::kList: {
        std::vector<TString> texts;
        if (value.IsArray() && ReadStrings(value, texts)) bag->SetParameter(id, serializer.ListFromStrings(texts));
        return;
      }
      case ParameterKind::kMap: {
        if (!value.IsObject()) return;
        std::map<TString, TString> texts;
        for (const JsonMember entry : value.Members()) {
          if (!entry.value.IsString()) return;
          texts.insert_or_assign(TStringFromUtf8(entry.name), ToTString(entry.value));
        }
        bag->SetParameter(id, serializer.MapFromStrings(texts));
        return;
      }
      default:
        return;
    }
  }

  // One structure: from an object, or from an array of strings for a serializer that takes its
  // structures as plain string lists. Null when the JSON does not fit.
  RefCntPtr<IParameter> ReadStructure(const IStructureSerializer& serializer, unsigned int id, const JsonValue& value,
                                      const RefCntPtr<IParameters>& outer) const {
    if (!serializer.ParsesStringList()) {
      if (!value.IsObject()) return nullptr;
      if (m_recordsReadJson && serializer.ReadsJson())
        return serializer.ReadJson(value, id, *this);
      RefCntPtr<IParameters> inner = ReadObject(value);
      serializer.SetContext(outer, id, inner);
      return serializer.DeserializeValue(inner, id);
    }
    std::vector<TString> texts;
    if (!value.IsArray() || !ReadStrings(value, texts)) return nullptr;
    RefCntPtr<IParameters> holder = NewBag();
    serializer.SetContext(outer, id, holder);
    holder->SetParameter(id, MakeValParameter(std::move(texts)));
    return serializer.DeserializeValue(holder, id);
  }

  void ReadStructureMember(const ParameterInfo& info, const IStructureSerializer& serializer, const JsonValue& value,
                           const RefCntPtr<IParameters>& bag) const {
    const unsigned int id = info.GetId();
    if (info.GetKind() == ParameterKind::kStructure) {
      if (RefCntPtr<IParameter> item = ReadStructure(serializer, id, value, bag)) bag->SetParameter(id, item);
      return;
    }
    if (!value.IsArray()) return;
    std::vector<RefCntPtr<IParameter>> items;
    items.reserve(value.Size());
    for (const JsonValue element : value.Elements()) {
      RefCntPtr<IParameter> item = ReadStructure(serializer, id, element, bag);
      if (!item) return;  // one element that does not fit leaves the whole list out
      items.push_back(std::move(item));
    }
    serializer.JoinList(std::move(items), bag, id);
  }

  const ParametersRegistry& m_registry;
  const IParameters* m_context;  // null when there is none or it is empty
  const bool m_recordsReadJson;
};

// The tape of one read. The reads of a thread take turns with one tape, so that a read does not
// fault in fresh memory for its tape each time; a read inside a read gets a tape of its own. A
// tape holds about one and a half times its text; one that grew past kKeptTapeBytes (a text of
// more than some 40 MiB) is let go after its read.
class TapeLease {
 public:
  TapeLease() : m_tape(Spare() ? std::move(Spare()) : std::make_unique<JsonTape>()) {}
  ~TapeLease() {
    if (!Spare() && m_tape->GetReservedBytes() <= kKeptTapeBytes) Spare() = std::move(m_tape);
  }
  TapeLease(const TapeLease&) = delete;
  TapeLease& operator=(const TapeLease&) = delete;

  JsonTape& operator*() const noexcept { return *m_tape; }

 private:
  static constexpr std::size_t kKeptTapeBytes = std::size_t{64} << 20;

  static std::unique_ptr<JsonTape>& Spare() {
    thread_local std::unique_ptr<JsonTape> spare;
    return spare;
  }

  std::unique_ptr<JsonTape> m_tape;
};

RefCntPtr<IParameters> Read(std::string_view json, const ParametersRegistry& registry, const IParameters* context,
                            bool recordsReadJson) {
  const TapeLease tape;
  Parse(json, *tape);
  return BagReader(registry, context, recordsReadJson).ReadObject(JsonValue{*tape, JsonTape::kRoot});
}

}  // namespace

RefCntPtr<IParameters> ReadParametersJson(std::string_view json, const ParametersRegistry& registry,
                                          const IParameters* context) {
  return Read(json, registry, context, true);
}

RefCntPtr<IParameters> ReadParametersJsonThroughBags(std::string_view json, const ParametersRegistry& registry,
                                                     const IParameters* context) {
  return Read(json, registry, context, false);
}
