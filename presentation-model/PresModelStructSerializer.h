// PresModelStructSerializer: what the structure serializers of all pres models share, and the
// field writers their generated code calls.
#pragma once

#include "host/Exceptions.h"
#include "host/parameters/IParameters.h"
#include "host/parameters/ParameterTypeSerializer.h"
#include "host/parameters/PresentationModel.h"
#include "host/parameters/SerializeStructure.h"
#include "presentation-model/StructSerializer.h"

#include <map>
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
class PresModelStructSerializer : public IStructureSerializer {
 public:
  using ConstHandle = RefCntPtr<const X>;
  using Serializer = StructSerializer<RefCntPtr<const X>, RefCntPtr<X>>;

  void SerializeValue(RefCntPtr<IParameter> value, unsigned int id, SerializeStructure& ss,
                      bool asSubStructure) const override {
    const ConstHandle& model = GetValueOf<ConstHandle>(value, id);
    if (!asSubStructure) {
      SerializeObj(model, ss);
      return;
    }
    SubStructure structure(id, ss, true);
    SerializeObj(model, ss);
  }

  RefCntPtr<IParameter> DeserializeValue(RefCntPtr<const IParameters> bag, unsigned int id) const override {
    return MakeValParameter(ConstHandle(Serializer::ToObject(std::move(bag), id, nullptr)));
  }

  std::vector<RefCntPtr<IParameter>> SplitList(RefCntPtr<IParameter> list) const override {
    const auto& models = GetValueOf<std::vector<ConstHandle>>(list);
    std::vector<RefCntPtr<IParameter>> items;
    items.reserve(models.size());
    for (const ConstHandle& model : models) items.push_back(MakeValParameter(model));
    return items;
  }

  void JoinList(std::vector<RefCntPtr<IParameter>> items, RefCntPtr<IParameters> target,
                unsigned int id) const override {
    std::vector<ConstHandle> models;
    models.reserve(items.size());
    for (const RefCntPtr<IParameter>& item : items) models.push_back(GetValueOf<ConstHandle>(item, id));
    target->SetParameter(id, MakeValParameter(std::move(models)));
  }

  std::map<TString, RefCntPtr<IParameter>> SplitMap(RefCntPtr<IParameter> map) const override {
    std::map<TString, RefCntPtr<IParameter>> items;
    for (const auto& [key, model] : GetValueOf<std::map<TString, ConstHandle>>(map))
      items.emplace_hint(items.end(), key, MakeValParameter(model));
    return items;
  }

  void JoinMap(std::map<TString, RefCntPtr<IParameter>> items, RefCntPtr<IParameters> target,
               unsigned int id) const override {
    std::map<TString, ConstHandle> models;
    for (const auto& [key, item] : items) models.emplace_hint(models.end(), key, GetValueOf<ConstHandle>(item, id));
    target->SetParameter(id, MakeValParameter(std::move(models)));
  }

  bool ParsesStringList() const override { return false; }

  void SetContext(RefCntPtr<const IParameters>, unsigned int, RefCntPtr<IParameters>) const override {}

  /// Pres models are written as structures of parameters.
  static bool IsComposite() { return true; }

  /// Writes `model` into the current level of `ss`. The first write runs the field writer and
  /// keeps its text in the model; every later write replays that text in one step.
  static void SerializeObj(const ConstHandle& model, SerializeStructure& ss) {
    const TString& cached = model->GetSerializedVal();
    SerializeStructure::Visitor& visitor = ss.GetVisitor();
    if (!cached.isEmpty()) {
      visitor.WriteCaptured(cached);
      return;
    }
    Capture capture(visitor);
    Serializer::ToSerializer(model, ss);
    model->SetSerializedVal(capture.End());
  }

 private:
  // Ends a capture, or drops it when the field writer leaves by an exception.
  class Capture {
   public:
    explicit Capture(SerializeStructure::Visitor& visitor) : m_visitor(visitor) { m_visitor.BeginCapture(); }
    ~Capture() {
      if (m_open) m_visitor.AbandonCapture();
    }
    TString End() {
      m_open = false;
      return m_visitor.EndCapture();
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

/// Writes one value as a parameter.
template <typename T>
void WriteValue(SerializeStructure& ss, unsigned int id, const T& value) {
  ss.Parameter(id, FieldText(value));
}

/// Writes a list of values; an empty list still writes an empty list structure.
template <typename T>
void WriteList(SerializeStructure& ss, unsigned int id, const std::vector<T>& values) {
  ListStructure list(id, ss, kParameterTypeDefault);
  for (const T& value : values) ss.ListItem(FieldText(value));
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
template <typename S, typename T>
void WriteStructureList(SerializeStructure& ss, unsigned int id, unsigned int itemId, const std::vector<T>& values) {
  ListStructure list(id, ss, kParameterTypeDefault);
  for (const T& value : values) WriteStructure<S>(ss, itemId, value);
}
