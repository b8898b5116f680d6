// ParameterTypeSerializer<T>: the value serializer of one type, and the host's own ones.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/parameters/ParameterSerializers.h"
#include "host/parameters/SerializeStructure.h"

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

/// The value serializer of T. The host specializes it for its own value types and the
/// presentation-layer library for its enums and classes; each specialization has the static
/// TypeToString and TypeFromString.
template <typename T>
class ParameterTypeSerializer;

/// A new serializer of type S, as a reference-counted IParameterSerializer with a count of one.
template <typename S>
RefCntPtr<IParameterSerializer> CreateParameterSerializer();

/// The shared body of the value serializers: the operations on single values, lists and maps,
/// all in terms of Derived::TypeToString and Derived::TypeFromString.
///
/// Values travel as ValParameter<T>, ValParameter<std::vector<T>> and
/// ValParameter<std::map<TString, T>>. Handing an operation a value of another type raises
/// ThrowTypeMismatchCommandException(0).
template <typename T, typename Derived>
class TypedParameterSerializer : public IParameterSerializer {
 public:
  ParameterTypeCategory GetType() const override { return kParameterTypeText; }

  TString ValueToString(RefCntPtr<IParameter> value) const override {
    return Derived::TypeToString(GetValueOf<T>(value));
  }

  RefCntPtr<IParameter> ValueFromString(const TString& text) const override {
    return MakeValParameter<T>(Derived::TypeFromString(text));
  }

  std::vector<TString> ListToStrings(RefCntPtr<IParameter> list) const override {
    const auto& values = GetValueOf<std::vector<T>>(list);
    std::vector<TString> texts;
    texts.reserve(values.size());
    for (const T& value : values) texts.push_back(Derived::TypeToString(value));
    return texts;
  }

  RefCntPtr<IParameter> ListFromStrings(const std::vector<TString>& texts) const override {
    std::vector<T> values;
    values.reserve(texts.size());
    for (const TString& text : texts) values.push_back(Derived::TypeFromString(text));
    return MakeValParameter(std::move(values));
  }

  void SerializeList(RefCntPtr<IParameter> list, SerializeStructure& ss, unsigned int id) const override {
    WriteListItems(ss, id, GetValueOf<std::vector<T>>(list));
  }

  std::map<TString, TString> MapToStrings(RefCntPtr<IParameter> map) const override {
    std::map<TString, TString> texts;
    for (const auto& [key, value] : GetValueOf<std::map<TString, T>>(map))
      texts.emplace_hint(texts.end(), key, Derived::TypeToString(value));
    return texts;
  }

  RefCntPtr<IParameter> MapFromStrings(const std::map<TString, TString>& texts) const override {
    std::map<TString, T> values;
    for (const auto& [key, text] : texts) values.emplace_hint(values.end(), key, Derived::TypeFromString(text));
    return MakeValParameter(std::move(values));
  }

  /// Writes `values` as a list under `id`, one item per element; an empty vector still writes
  /// an empty list.
  virtual void WriteListItems(SerializeStructure& ss, unsigned int id, const std::vector<T>& values) const {
    ListStructure list(id, ss, kParameterTypeDefault);
    for (const T& value : values) ss.ListItem(Derived::TypeToString(value));
  }
};

/// Booleans: "true" and "false". Any other text raises ParameterParseException.
template <>
class HLVHOST_API ParameterTypeSerializer<bool> final
    : public TypedParameterSerializer<bool, ParameterTypeSerializer<bool>> {
 public:
  static TString TypeToString(const bool& value);
  /// TypeToString as a JSON string.
  static std::string_view TypeToJson(const bool& value) { return value ? "\"true\"" : "\"false\""; }
  static bool TypeFromString(const TString& text);
  /// TypeFromString of UTF-8 text.
  static bool TypeFromUtf8(std::string_view text);
};

/// 32-bit signed integers in decimal, such as "-1". Any other text raises
/// ParameterParseException.
template <>
class HLVHOST_API ParameterTypeSerializer<int> final
    : public TypedParameterSerializer<int, ParameterTypeSerializer<int>> {
 public:
  static TString TypeToString(const int& value);
  /// TypeToString as a JSON string; short enough that it needs no allocation.
  static std::string TypeToJson(const int& value);
  static int TypeFromString(const TString& text);
};

/// 32-bit unsigned integers in decimal. Any other text raises ParameterParseException.
template <>
class HLVHOST_API ParameterTypeSerializer<unsigned int> final
    : public TypedParameterSerializer<unsigned int, ParameterTypeSerializer<unsigned int>> {
 public:
  static TString TypeToString(const unsigned int& value);
  /// TypeToString as a JSON string; short enough that it needs no allocation.
  static std::string TypeToJson(const unsigned int& value);
  static unsigned int TypeFromString(const TString& text);
};

/// Strings, written as they are.
class HLVHOST_API TStringSerializer final : public TypedParameterSerializer<TString, TStringSerializer> {
 public:
  static TString TypeToString(const TString& value) { return value; }
  static TString TypeFromString(const TString& text) { return text; }
};

template <>
HLVHOST_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<bool>>();
template <>
HLVHOST_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<int>>();
template <>
HLVHOST_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<unsigned int>>();
template <>
HLVHOST_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<TStringSerializer>();
