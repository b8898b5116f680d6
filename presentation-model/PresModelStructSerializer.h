// PresModelStructSerializer: what the structure serializers of all pres models share, and the
// field writers their generated code calls.
#pragma once

#include "host/Exceptions.h"
#include "host/parameters/IParameters.h"
#include "host/parameters/ParameterTypeSerializer.h"
#include "host/parameters/PresentationModel.h"
#include "host/parameters/RecordSerializerBase.h"
#include "host/parameters/SerializeStructure.h"
#include "host/parameters/StructSerializer.h"

#include <map>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

/// The operations every pres-model serializer shares. StructSerializer<RefCntPtr<const X>,
/// RefCntPtr<X>> derives from it and adds the record's own field writer (ToSerializer) and
/// reader (ToObject).
///
/// Values travel as ValParameter<RefCntPtr<const X>>, lists as
/// ValParameter<std::vector<RefCntPtr<const X>>> and maps as
/// ValParameter<std::map<TString, RefCntPtr<const X>>>.
template <typename X>
class PresModelStructSerializer : public RecordSerializerBase<RefCntPtr<const X>, PresModelStructSerializer<X>> {
 public:
  using ConstHandle = RefCntPtr<const X>;
  using Serializer = StructSerializer<RefCntPtr<const X>, RefCntPtr<X>>;

  /// A new record rebuilt from `bag`.
  static ConstHandle ReadRecord(RefCntPtr<const IParameters> bag, unsigned int id) {
    return ConstHandle(Serializer::ToObject(std::move(bag), id, nullptr));
  }

  /// Pres models are written as structures of parameters.
  static bool IsComposite() { return true; }

  /// Records are read straight from their JSON objects, through their generated member tables.
  bool ReadsJson() const override { return true; }

  RefCntPtr<IParameter> ReadJson(const JsonValue& object, unsigned int id, const JsonReadScope& scope) const override {
    return MakeValParameter(ConstHandle(Serializer::FromJson(object, id, scope)));
  }

  /// Writes `model` into the current level of `ss`. The first write runs the field writer and
  /// keeps its text in the model; every later write replays that text in one step.
  static void SerializeObj(const ConstHandle& model, SerializeStructure& ss) {
    SerializeStructure::Visitor& visitor = ss.GetVisitor();
    if (visitor.WriteCachedJson(*model)) return;
    Capture capture(visitor);
    Serializer::ToSerializer(model, ss);
    capture.EndInto(*model);
  }

  /// A record with a text cache is written as its member in one step, without the serializer.
  const std::type_info* GetReplayedValueType() const override { return &typeid(ValParameter<ConstHandle>); }

 private:
  // Ends a capture, or drops it when the field writer leaves by an exception.
  class Capture {
   public:
    explicit Capture(SerializeStructure::Visitor& visitor) : m_visitor(visitor) { m_visitor.BeginCapture(); }
    ~Capture() {
      if (m_open) m_visitor.AbandonCapture();
    }
    void EndInto(const X& model) {
      m_open = false;
      m_visitor.EndCaptureInto(model);
    }

   private:
    SerializeStructure::Visitor& m_visitor;
    bool m_open = true;
  };
};

// The field writers of the generated ToSerializer functions.

/// The text of a field value: strings as they are, other values through their serializer.
inline const TString& FieldText(const TString& value) { return value; }
template <typename T>
TString FieldText(const T& value) {
  return ParameterTypeSerializer<T>::TypeToString(value);
}

/// True when the serializer of T writes a value's JSON string itself (a static TypeToJson, as
/// numbers, booleans and enums have), so that no TString is made for it.
template <typename T, typename = void>
struct HasTypeToJson : std::false_type {};
template <typename T>
struct HasTypeToJson<T, std::void_t<decltype(ParameterTypeSerializer<T>::TypeToJson(std::declval<const T&>()))>>
    : std::true_type {};

/// True when the serializer of T appends a value's JSON string to a text itself (a static
/// AppendJson, as qualified names have), so that it is written in place.
template <typename T, typename = void>
struct HasAppendJson : std::false_type {};
template <typename T>
struct HasAppendJson<T, std::void_t<decltype(ParameterTypeSerializer<T>::AppendJson(std::declval<std::string&>(),
                                                                                       std::declval<const T&>()))>>
    : std::true_type {};

/// Writes one value as a parameter.
template <typename T>
void WriteValue(SerializeStructure& ss, unsigned int id, const T& value) {
  if constexpr (std::is_same_v<T, TString>)
    ss.Parameter(id, value);
  else if constexpr (HasAppendJson<T>::value)
    ParameterTypeSerializer<T>::AppendJson(ss.ParameterValueOut(id), value);
  else if constexpr (HasTypeToJson<T>::value)
    ss.ParameterJson(id, ParameterTypeSerializer<T>::TypeToJson(value));
  else
    ss.Parameter(id, FieldText(value));
}

/// Writes a list of values; an empty list still writes an empty list structure.
template <typename T>
void WriteList(SerializeStructure& ss, unsigned int id, const std::vector<T>& values) {
  ListStructure list(id, ss, kParameterTypeDefault);
  for (const T& value : values) {
    if constexpr (std::is_same_v<T, TString>)
      ss.ListItem(value);
    else if constexpr (HasAppendJson<T>::value)
      ParameterTypeSerializer<T>::AppendJson(ss.ListItemOut(), value);
    else if constexpr (HasTypeToJson<T>::value)
      ss.ListItemJson(ParameterTypeSerializer<T>::TypeToJson(value));
    else
      ss.ListItem(FieldText(value));
  }
}

/// Writes a map, entries in key order; an empty map is left out entirely.
template <typename T>
void WriteMap(SerializeStructure& ss, unsigned int id, const std::map<TString, T>& values, bool keysVerbatim) {
  if (values.empty()) return;
  MapStructure map(id, ss);
  for (const auto& [key, value] : values) ss.MapItem(key, FieldText(value), keysVerbatim);
}

/// Writes one structure (a nested record) through its serializer S.
template <typename S, typename T>
void WriteStructure(SerializeStructure& ss, unsigned int id, const T& value) {
  SubStructure structure(id, ss, S::IsComposite());
  S::SerializeObj(value, ss);
}

/// Writes a list of structures, each one an item under `itemId`.
///
/// Long lists are most of a long text: room is made for the items still to come at the average
/// size of those written and a sixteenth more, so that the text is not copied again and again as
/// it grows. The average is taken after the 1st, 8th, 64th, 512th and 4096th item, and room is
/// made again only when the items turn out larger than the room left for them: a first item
/// shorter than the rest (a schema of short names sorted first) costs a copy of a short text,
/// not one of the whole text into a buffer twice its size. The margin is kept small on purpose:
/// malloc keeps a freed block of up to 32 MiB in the heap and hands it out again, but maps a
/// larger one afresh on each request unless the heap happens to hold that much free, and then
/// every page of it faults when first written. A table of 100,000 entries (26 MiB) written with a
/// quarter's margin asked for 32.3 MiB and took three to four times as long as with this margin,
/// nearly all of it in page faults.
template <typename S, typename T>
void WriteStructureList(SerializeStructure& ss, unsigned int id, unsigned int itemId, const std::vector<T>& values) {
  ListStructure list(id, ss, kParameterTypeDefault);
  const std::size_t start = ss.GetWrittenSize();
  std::size_t nextEstimate = 1;
  for (std::size_t i = 0; i < values.size(); ++i) {
    WriteStructure<S>(ss, itemId, values[i]);
    ss.MayDrain();
    const std::size_t written = i + 1;
    if (written == nextEstimate && written < values.size()) {
      nextEstimate = written < 4096 ? written * 8 : 0;
      const std::size_t average = (ss.GetWrittenSize() - start) / written + 1;  // and its separator
      ss.Reserve((values.size() - written) * average / 16 * 17);
    }
  }
}
