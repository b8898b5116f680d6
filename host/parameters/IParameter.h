// IParameter and ValParameter<T>: the values held in parameter bags.
#pragma once

#include "host/HostExport.h"
#include "host/RefCntPtr.h"

#include <typeinfo>
#include <utility>

/// A value held in a parameter bag. Its type is recovered with a run-time type check.
class HLVHOST_API IParameter : public RefCntObject {
 protected:
  IParameter() = default;
  ~IParameter() override;
};

/// The parameter that holds one T. Its value does not change once it is made.
template <typename T>
class ValParameter final : public IParameter {
 public:
  explicit ValParameter(T value) : m_value(std::move(value)) {}

  const T& GetValue() const noexcept { return m_value; }

  /// The value held by `parameter` when it is a ValParameter<T>, otherwise null.
  static const T* ValueOf(const IParameter* parameter) noexcept {
    // The class is final, so comparing the exact type answers what a dynamic_cast would, at the
    // cost of comparing two pointers rather than walking the class hierarchy.
    if (parameter == nullptr || typeid(*parameter) != typeid(ValParameter)) return nullptr;
    return &static_cast<const ValParameter*>(parameter)->m_value;
  }

 private:
  ~ValParameter() override = default;

  T m_value;
};

/// A new ValParameter<T> holding `value`.
template <typename T>
RefCntPtr<IParameter> MakeValParameter(T value) {
  return MakeRefCnt<ValParameter<T>>(std::move(value));
}
