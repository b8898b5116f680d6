// IParameters: a bag of parameter values keyed by parameter id.
#pragma once

#include "host/HostExport.h"
#include "host/Exceptions.h"
#include "host/parameters/IParameter.h"

#include <functional>
#include <vector>

/// A bag of parameters keyed by id. Bags made by ParametersRegistry::CreateParameters keep
/// their entries in the order in which they were first set.
class HLVHOST_API IParameters : public RefCntObject {
 public:
  /// Stores `value` under `id`, replacing what was there. A null value is a logic error.
  virtual void SetParameter(unsigned int id, RefCntPtr<IParameter> value) = 0;

  /// The value under `id`, borrowed from the bag, or null when there is none.
  virtual IParameter* GetParameter(unsigned int id) const = 0;

  virtual bool HasParameter(unsigned int id) const = 0;

  /// The ids of the bag, in the order in which they were first set.
  virtual std::vector<unsigned int> GetParameterIds() const = 0;

  /// Calls `visit` with the id and value of each parameter, in the order of GetParameterIds:
  /// a walk that, unlike GetParameterIds, makes nothing. `visit` must not change the bag.
  virtual void ForEachParameter(const std::function<void(unsigned int, IParameter&)>& visit) const = 0;

  /// The value of a bag that holds exactly one parameter, its id in `id`; null for any other bag.
  /// A host writes a bag of one record once per dialog: this finds it without a walk.
  virtual IParameter* GetOnlyParameter(unsigned int& id) const;

 protected:
  ~IParameters() override;
};

/// The T held under `id`, or null when the bag has no value there or one of another type.
template <typename T>
const T* FindParameterValue(const IParameters& bag, unsigned int id) {
  return ValParameter<T>::ValueOf(bag.GetParameter(id));
}

/// The T held under `id`. A missing value or one of another type raises
/// ThrowTypeMismatchCommandException(id).
template <typename T>
const T& GetParameterValue(const IParameters& bag, unsigned int id) {
  const T* value = FindParameterValue<T>(bag, id);
  if (value == nullptr) ThrowTypeMismatchCommandException(id);
  return *value;
}

/// The T held by a value handed to a serializer. Any other value raises
/// ThrowTypeMismatchCommandException(id).
template <typename T>
const T& GetValueOf(const RefCntPtr<IParameter>& value, unsigned int id = 0) {
  const T* held = ValParameter<T>::ValueOf(value.Get());
  if (held == nullptr) ThrowTypeMismatchCommandException(id);
  return *held;
}
