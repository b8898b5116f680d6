// IParameter and ValParameter<T>: the values held in parameter bags.
#pragma once

#include "host/HostExport.h"
#include "host/RefCntPtr.h"

#include <type_traits>
#include <typeinfo>
#include <utility>

class PresentationModel;

/// A value held in a parameter bag. Its type is recovered with a run-time type check.
class HLVHOST_API IParameter : public RefCntObject {
 public:
  /// The record the value holds when the value is of type `valueType` and a handle to a pres
  /// model, otherwise null: a writer replays a record's cached text through it, without a call
  /// on the value's type.
  const PresentationModel* GetRecordAs(const std::type_info& valueType) const noexcept {
    if (m_record == nullptr) return nullptr;
    return m_recordValueType == &valueType || *m_recordValueType == valueType ? m_record : nullptr;
  }
  /// The record the value holds, whatever the value's type; null when it holds none.
  const PresentationModel* GetRecord() const noexcept { return m_record; }

 protected:
  IParameter() noexcept = default;
  // A value that holds `record`, of type `valueType`.
  IParameter(const PresentationModel* record, const std::type_info& valueType) noexcept
      : m_record(record), m_recordValueType(&valueType) {}
  ~IParameter() override;

 private:
  const PresentationModel* m_record = nullptr;
  const std::type_info* m_recordValueType = nullptr;
};

namespace detail {

template <typename T>
const PresentationModel* RecordIn(const T& /*value*/) noexcept {
  return nullptr;
}

template <typename X, std::enable_if_t<std::is_base_of_v<PresentationModel, X>, int> = 0>
const PresentationModel* RecordIn(const RefCntPtr<const X>& handle) noexcept {
  return handle.Get();
}

}  // namespace detail

/// The parameter that holds one T. Its value does not change once it is made.
template <typename T>
class ValParameter final : public IParameter {
 public:
  explicit ValParameter(T value)
      : IParameter(detail::RecordIn(value), typeid(ValParameter)), m_value(std::move(value)) {}

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
