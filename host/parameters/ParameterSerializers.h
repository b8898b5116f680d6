// IParameterSerializer and IStructureSerializer: how parameter values become text and back.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/parameters/IParameters.h"

#include <map>
#include <typeinfo>
#include <vector>

class JsonReadScope;
class ParameterInfo;
class SerializeStructure;
struct JsonValue;

/// How a serializer's values travel. Lists are always opened with kDefault; every value
/// serializer reports kText, since all values are written as text.
enum ParameterTypeCategory : int {
  kParameterTypeDefault = 0,
  kParameterTypeText = 1,
};

/// Turns the values of one type, single or in lists and maps, into text and back.
/// Serializers hold no state, so one instance may serve many parameters and threads.
class HLVHOST_API IParameterSerializer : public RefCntObject {
 public:
  virtual ParameterTypeCategory GetType() const = 0;

  /// The text of a single value. A value of another type raises a type mismatch.
  virtual TString ValueToString(RefCntPtr<IParameter> value) const = 0;
  virtual RefCntPtr<IParameter> ValueFromString(const TString& text) const = 0;

  /// The texts of a list value, element by element.
  virtual std::vector<TString> ListToStrings(RefCntPtr<IParameter> list) const = 0;
  virtual RefCntPtr<IParameter> ListFromStrings(const std::vector<TString>& texts) const = 0;

  /// Writes a list value as a list structure under `id`.
  virtual void SerializeList(RefCntPtr<IParameter> list, SerializeStructure& ss, unsigned int id) const = 0;

  /// The texts of a map value, keys unchanged.
  virtual std::map<TString, TString> MapToStrings(RefCntPtr<IParameter> map) const = 0;
  virtual RefCntPtr<IParameter> MapFromStrings(const std::map<TString, TString>& texts) const = 0;

 protected:
  ~IParameterSerializer() override;
};

/// Writes and reads structured values (records) as structures of parameters.
class HLVHOST_API IStructureSerializer : public RefCntObject {
 public:
  /// Writes `value`; inside a sub-structure under `id` when `asSubStructure` is set.
  virtual void SerializeValue(RefCntPtr<IParameter> value, unsigned int id, SerializeStructure& ss,
                              bool asSubStructure) const = 0;

  /// Rebuilds a value from `bag`, the parameters read for the structure `id`.
  virtual RefCntPtr<IParameter> DeserializeValue(RefCntPtr<const IParameters> bag, unsigned int id) const = 0;

  /// One value per element of a list value, in order, and back.
  virtual std::vector<RefCntPtr<IParameter>> SplitList(RefCntPtr<IParameter> list) const = 0;
  virtual void JoinList(std::vector<RefCntPtr<IParameter>> items, RefCntPtr<IParameters> target,
                        unsigned int id) const = 0;

  /// One value per entry of a map value, and back.
  virtual std::map<TString, RefCntPtr<IParameter>> SplitMap(RefCntPtr<IParameter> map) const = 0;
  virtual void JoinMap(std::map<TString, RefCntPtr<IParameter>> items, RefCntPtr<IParameters> target,
                       unsigned int id) const = 0;

  /// True when the structure travels as a plain list of strings rather than as parameters.
  virtual bool ParsesStringList() const = 0;

  /// Hands context from the bag being read (`source`, reading structure `id`) to the bag of
  /// the structure inside it (`target`) before that one is rebuilt.
  virtual void SetContext(RefCntPtr<const IParameters> source, unsigned int id,
                          RefCntPtr<IParameters> target) const = 0;

  /// The type of the values (a ValParameter of a pres-model handle) whose records' cached texts
  /// this serializer writes as they stand, or null. A writer then writes such a value's record
  /// from its cache, in one step, without calling the serializer.
  virtual const std::type_info* GetReplayedValueType() const { return nullptr; }

  /// True when the serializer rebuilds its values straight from parsed JSON (ReadJson), without
  /// a bag of their members.
  virtual bool ReadsJson() const { return false; }

  /// Rebuilds the structure `id` from the JSON object `object`, exactly as DeserializeValue
  /// would from the bag read for it; `scope` gives the reader's context and reads members the
  /// serializer does not handle itself. Only called when ReadsJson() is true: otherwise a logic
  /// error.
  virtual RefCntPtr<IParameter> ReadJson(const JsonValue& object, unsigned int id, const JsonReadScope& scope) const;

 protected:
  ~IStructureSerializer() override;
};
