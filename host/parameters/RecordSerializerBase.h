// RecordSerializerBase: the operations that every structure serializer of one record type shares.
#pragma once

#include "host/parameters/IParameters.h"
#include "host/parameters/ParameterSerializers.h"
#include "host/parameters/SerializeStructure.h"

#include <map>
#include <utility>
#include <vector>

/// The body of a structure serializer whose records travel as ValParameter<T>, lists of them
/// as ValParameter<std::vector<T>> and maps as ValParameter<std::map<TString, T>>. Handing an
/// operation anything else raises ThrowTypeMismatchCommandException.
///
/// Derived provides `static void SerializeObj(const T&, SerializeStructure&)`, which writes a
/// record's fields into the current level, and `static T ReadRecord(RefCntPtr<const
/// IParameters> bag, unsigned int id)`, which rebuilds one from the bag read for it.
template <typename T, typename Derived>
class RecordSerializerBase : public IStructureSerializer {
 public:
  /// Writes the record, inside a composite SubStructure under `id` when `asSubStructure` is set.
  void SerializeValue(RefCntPtr<IParameter> value, unsigned int id, SerializeStructure& ss,
                      bool asSubStructure) const override {
    const T& record = GetValueOf<T>(value, id);
    if (!asSubStructure) {
      Derived::SerializeObj(record, ss);
      return;
    }
    SubStructure structure(id, ss, true);
    Derived::SerializeObj(record, ss);
  }

  RefCntPtr<IParameter> DeserializeValue(RefCntPtr<const IParameters> bag, unsigned int id) const override {
    return MakeValParameter<T>(Derived::ReadRecord(std::move(bag), id));
  }

  std::vector<RefCntPtr<IParameter>> SplitList(RefCntPtr<IParameter> list) const override {
    const auto& records = GetValueOf<std::vector<T>>(list);
    std::vector<RefCntPtr<IParameter>> items;
    items.reserve(records.size());
    for (const T& record : records) items.push_back(MakeValParameter(record));
    return items;
  }

  void JoinList(std::vector<RefCntPtr<IParameter>> items, RefCntPtr<IParameters> target,
                unsigned int id) const override {
    std::vector<T> records;
    records.reserve(items.size());
    for (const RefCntPtr<IParameter>& item : items) records.push_back(GetValueOf<T>(item, id));
    target->SetParameter(id, MakeValParameter(std::move(records)));
  }

  std::map<TString, RefCntPtr<IParameter>> SplitMap(RefCntPtr<IParameter> map) const override {
    std::map<TString, RefCntPtr<IParameter>> items;
    for (const auto& [key, record] : GetValueOf<std::map<TString, T>>(map))
      items.emplace_hint(items.end(), key, MakeValParameter(record));
    return items;
  }

  void JoinMap(std::map<TString, RefCntPtr<IParameter>> items, RefCntPtr<IParameters> target,
               unsigned int id) const override {
    std::map<TString, T> records;
    for (const auto& [key, item] : items) records.emplace_hint(records.end(), key, GetValueOf<T>(item, id));
    target->SetParameter(id, MakeValParameter(std::move(records)));
  }

  bool ParsesStringList() const override { return false; }

  void SetContext(RefCntPtr<const IParameters>, unsigned int, RefCntPtr<IParameters>) const override {}
};
