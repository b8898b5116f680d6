// The JSON text form of parameter bags: read a bag, write it (s1), read s1, write it again (s2);
// s2 must equal s1. The reader that rebuilds every structure through a bag of its members must
// agree with the direct one, and the tape the reader walks must take and refuse what a document
// does.
//
// One failure of the first write is expected: a record whose nested record starts null and is
// always written cannot be written while that record is unset, and the lenient reader leaves it
// unset when the input does not give it. Such a write raises LogicException "Null pointer
// dereferenced"; it ends the input quietly when the input names a record that cannot be written
// as it is made new.
#include "fuzz/FuzzSupport.h"

#include "host/Exceptions.h"
#include "host/detail/HardenedJson.h"
#include "host/detail/JsonTape.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "host/values/DataColumn.h"
#include "parameters/ParameterIds.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

// The column context hlvpres read gives every bag: aliased data values are read against a
// string column.
RefCntPtr<IParameters> MakeContext() {
  RefCntPtr<const VizEngine::UserType> type = MakeRefCnt<VizEngine::StringType>(Collation());
  RefCntPtr<IParameters> context = ParametersRegistry::Get().CreateParameters();
  context->SetParameter(DataParameters::ColumnContext,
                        MakeValParameter(RefCntPtr<IColumn>(MakeRefCnt<DataColumn>(type, std::vector<DataValue>()))));
  return context;
}

// The names of the structures that cannot be written as they are made new (from an empty bag),
// because a nested record that is always written starts null.
std::set<std::string> FindUnwritableWhenNew() {
  const ParametersRegistry& registry = ParametersRegistry::Get();
  std::set<std::string> names;
  for (const ParameterNamespaceName& ns : registry.GetNamespaces()) {
    for (const ParameterInfo* info : registry.GetParameters(ns)) {
      if (info->GetStructureSerializer() == nullptr) continue;
      RefCntPtr<IParameters> bag = registry.CreateParameters();
      try {
        bag->SetParameter(info->GetId(), info->GetStructureSerializer()->DeserializeValue(registry.CreateParameters(),
                                                                                         info->GetId()));
        WriteParametersJson(*bag, registry);
      } catch (const LogicException&) {
        names.insert(info->GetUtf8Name());
      } catch (const HalvaneException&) {
        // A structure that needs more than an empty bag to be made is no record of this kind.
      }
    }
  }
  return names;
}

// Whether an object of the JSON value has a member named in `names`, at any depth.
bool NamesAny(const rapidjson::Value& value, const std::set<std::string>& names) {
  if (value.IsArray()) {
    for (const rapidjson::Value& item : value.GetArray())
      if (NamesAny(item, names)) return true;
  }
  if (!value.IsObject()) return false;
  for (const auto& member : value.GetObject()) {
    if (names.count(std::string(member.name.GetString(), member.name.GetStringLength())) != 0) return true;
    if (NamesAny(member.value, names)) return true;
  }
  return false;
}

// Whether `e`, raised writing the bag read from `text`, is the expected failure described above.
bool IsUnsetRequiredRecord(const LogicException& e, std::string_view text) {
  static const std::set<std::string> unwritable = FindUnwritableWhenNew();
  if (std::strcmp(e.what(), "Null pointer dereferenced") != 0) return false;
  rapidjson::Document document;
  HardenedJson::Parse(text, document, HardenedJson::Limits{});
  return NamesAny(document, unwritable);
}

// What the hardened reader says of `text` read into a T (a tape or a document): empty when it
// takes the text.
template <typename T>
std::string Refusal(std::string_view text) {
  try {
    T parsed;
    HardenedJson::Parse(text, parsed, HardenedJson::Limits{kMaxJsonNesting, kMaxJsonBytes});
  } catch (const HardenedJson::JsonTextException& e) {
    return e.what();
  }
  return std::string();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SetUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const RefCntPtr<IParameters> context = MakeContext();
  const ParametersRegistry& registry = ParametersRegistry::Get();
  const std::string_view text = fuzz::AsText(data, size);
  // A tape reads a valid text the fast way, decoding a copy in place, and a document always the
  // careful way: both take and refuse the same texts, with the same words.
  fuzz::ExpectSame("the tape's and the document's reading", Refusal<JsonTape>(text), Refusal<rapidjson::Document>(text));

  RefCntPtr<IParameters> bag;
  if (!fuzz::Completes("reading the JSON form", [&] { bag = ReadParametersJson(text, registry, context.Get()); }))
    return 0;
  std::string first;
  try {
    first = WriteParametersJson(*bag, registry);
  } catch (const LogicException& e) {
    if (IsUnsetRequiredRecord(e, text)) return 0;
    fuzz::Finding("writing the JSON form", std::string("LogicException at ") + e.GetFile() + ":" +
                                               std::to_string(e.GetLine()) + ": " + e.what());
  } catch (const std::exception& e) {
    fuzz::Finding("writing the JSON form", e.what());
  }
  std::string second;
  std::string throughBags;
  fuzz::MustComplete("reading back the JSON form", [&] {
    second = WriteParametersJson(*ReadParametersJson(first, registry, context.Get()), registry);
    throughBags = WriteParametersJson(*ReadParametersJsonThroughBags(text, registry, context.Get()), registry);
  });
  fuzz::ExpectSame("the JSON form round trip", first, second);
  fuzz::ExpectSame("the JSON form read through bags", first, throughBags);
  return 0;
}
