// The field readers of the generated FromJson and ReadJsonMember functions: each reads one
// member's JSON as the bag reader would read it into a bag, and gives nothing when the JSON
// does not fit, so that the field keeps its value.
#pragma once

#include "host/TString.h"
#include "host/detail/JsonValue.h"
#include "host/parameters/JsonReadScope.h"

#include <optional>
#include <type_traits>
#include <string_view>
#include <utility>
#include <vector>

inline TString JsonText(const JsonValue& string) { return TStringFromUtf8(string.GetString()); }

/// A record read from `object` by its serializer S: the context's values first, then every
/// member, each through S::ReadJsonMember or, for a member S does not know, through the scope.
/// The caller has checked that `object` is an object.
template <typename S, typename X>
RefCntPtr<X> ReadRecordJson(const JsonValue& object, unsigned int id, const JsonReadScope& scope) {
  RefCntPtr<X> model = MakeRefCnt<X>();
  if (const IParameters* context = scope.GetContext()) S::ToObject(RefCntPtr<const IParameters>(context), id, &model);
  for (const JsonMember member : object.Members())
    if (!S::ReadJsonMember(*model, member.name, member.value, scope)) scope.ReadOtherMember(member.name, member.value);
  return model;
}

template <typename S, typename = void>
struct ReadsUtf8 : std::false_type {};

/// Serializers with TypeFromUtf8 read a string's UTF-8 bytes without a TString in between.
template <typename S>
struct ReadsUtf8<S, std::void_t<decltype(S::TypeFromUtf8(std::string_view()))>> : std::true_type {};

template <typename S>
auto ConvertJsonString(const JsonValue& string) {
  if constexpr (ReadsUtf8<S>::value)
    return S::TypeFromUtf8(string.GetString());
  else
    return S::TypeFromString(JsonText(string));
}

/// A value from a JSON string, through the value serializer S.
template <typename S>
auto ReadJsonValue(const JsonValue& json) -> std::optional<decltype(S::TypeFromString(TString()))> {
  if (!json.IsString()) return std::nullopt;
  return ConvertJsonString<S>(json);
}

/// A list from a JSON array of strings, through the value serializer S. An element that is not
/// a string leaves the list out before any element is converted.
template <typename S>
auto ReadJsonList(const JsonValue& json) -> std::optional<std::vector<decltype(S::TypeFromString(TString()))>> {
  if (!json.IsArray()) return std::nullopt;
  for (const JsonValue element : json.Elements())
    if (!element.IsString()) return std::nullopt;
  std::vector<decltype(S::TypeFromString(TString()))> values;
  values.reserve(json.Size());
  for (const JsonValue element : json.Elements()) values.push_back(ConvertJsonString<S>(element));
  return values;
}

/// A nested record from a JSON object, under the structure parameter `id`.
template <typename X>
std::optional<RefCntPtr<const X>> ReadJsonRecord(const JsonValue& json, unsigned int id, const JsonReadScope& scope) {
  if (!json.IsObject()) return std::nullopt;
  return RefCntPtr<const X>(PresModelSerializer<X>::FromJson(json, id, scope));
}

/// A list of records from a JSON array of objects, under the structure-list parameter `id`. An
/// element that is not an object leaves the whole list out.
template <typename X>
std::optional<std::vector<RefCntPtr<const X>>> ReadJsonRecordList(const JsonValue& json, unsigned int id,
                                                                  const JsonReadScope& scope) {
  if (!json.IsArray()) return std::nullopt;
  std::vector<RefCntPtr<const X>> records;
  records.reserve(json.Size());
  for (const JsonValue element : json.Elements()) {
    if (!element.IsObject()) return std::nullopt;
    records.emplace_back(PresModelSerializer<X>::FromJson(element, id, scope));
  }
  return records;
}

/// A value of type T read by the registry's parameter `id`, for fields that need the reader's
/// context or a bag (maps, aliased data values).
template <typename T>
std::optional<T> ReadJsonThroughRegistry(const JsonValue& json, unsigned int id, const JsonReadScope& scope) {
  RefCntPtr<IParameter> value = scope.ReadParameter(id, json);
  if (const T* held = ValParameter<T>::ValueOf(value.Get())) return *held;
  return std::nullopt;
}
