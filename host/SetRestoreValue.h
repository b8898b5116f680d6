// SetRestoreValue: a scope guard that sets a value and gives the old one back.
#pragma once

#include <utility>

/// Sets a value through `setter` for the lifetime of the guard, then restores the value it had
/// before, also when the scope is left by an exception.
template <typename T, typename Setter>
class SetRestoreValue {
 public:
  SetRestoreValue(Setter setter, T oldValue, T newValue) : m_setter(std::move(setter)), m_oldValue(std::move(oldValue)) {
    m_setter(std::move(newValue));
  }
  ~SetRestoreValue() { m_setter(m_oldValue); }

  SetRestoreValue(const SetRestoreValue&) = delete;
  SetRestoreValue& operator=(const SetRestoreValue&) = delete;

 private:
  Setter m_setter;
  T m_oldValue;
};
