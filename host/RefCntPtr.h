// RefCntPtr: the smart pointer of reference-counted objects.
#pragma once

#include "host/HostExport.h"
#include "host/RefCntObject.h"

#include <cstddef>
#include <type_traits>
#include <utility>

namespace RefCntDetail {
/// Raises the logic exception "Null pointer dereferenced".
[[noreturn]] HLVHOST_API void ThrowNullPointerDereferenced();
}  // namespace RefCntDetail

/// Tag that makes a RefCntPtr take over the reference a new object starts with.
struct AdoptRefTag {};
inline constexpr AdoptRefTag AdoptRef{};

/// An intrusive smart pointer to a RefCntObject (or to a const one).
///
/// Copying takes a reference and destruction gives it back. Dereferencing a null pointer raises
/// the logic exception "Null pointer dereferenced" instead of crashing.
template <typename T>
class RefCntPtr {
 public:
  using element_type = T;

  RefCntPtr() noexcept = default;
  RefCntPtr(std::nullptr_t) noexcept {}  // NOLINT: null converts implicitly, as for raw pointers.

  /// Shares `object`: takes a reference of its own.
  explicit RefCntPtr(T* object) noexcept : m_object(object) {
    if (m_object) m_object->AddRef();
  }

  /// Adopts `object`: takes over a reference the caller owns, such as the one of a new object.
  RefCntPtr(T* object, AdoptRefTag) noexcept : m_object(object) {}

  RefCntPtr(const RefCntPtr& other) noexcept : RefCntPtr(other.m_object) {}
  RefCntPtr(RefCntPtr&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}

  template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  RefCntPtr(const RefCntPtr<U>& other) noexcept : RefCntPtr(other.Get()) {}  // NOLINT: upcasts are implicit.

  template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  RefCntPtr(RefCntPtr<U>&& other) noexcept : m_object(other.Detach()) {}  // NOLINT: upcasts are implicit.

  ~RefCntPtr() {
    if (m_object) m_object->Release();
  }

  RefCntPtr& operator=(RefCntPtr other) noexcept {
    std::swap(m_object, other.m_object);
    return *this;
  }

  T* Get() const noexcept { return m_object; }

  T& operator*() const {
    if (!m_object) RefCntDetail::ThrowNullPointerDereferenced();
    return *m_object;
  }

  T* operator->() const {
    if (!m_object) RefCntDetail::ThrowNullPointerDereferenced();
    return m_object;
  }

  explicit operator bool() const noexcept { return m_object != nullptr; }

  /// Gives up the reference without releasing it and returns the object.
  T* Detach() noexcept { return std::exchange(m_object, nullptr); }

  void Reset() noexcept { RefCntPtr().swap(*this); }
  void swap(RefCntPtr& other) noexcept { std::swap(m_object, other.m_object); }

 private:
  T* m_object = nullptr;
};

template <typename T, typename U>
bool operator==(const RefCntPtr<T>& a, const RefCntPtr<U>& b) noexcept {
  return a.Get() == b.Get();
}
template <typename T, typename U>
bool operator!=(const RefCntPtr<T>& a, const RefCntPtr<U>& b) noexcept {
  return a.Get() != b.Get();
}
template <typename T>
bool operator==(const RefCntPtr<T>& a, std::nullptr_t) noexcept {
  return a.Get() == nullptr;
}
template <typename T>
bool operator!=(const RefCntPtr<T>& a, std::nullptr_t) noexcept {
  return a.Get() != nullptr;
}

/// Creates a T with a reference count of one, held by the returned pointer.
template <typename T, typename... Args>
RefCntPtr<T> MakeRefCnt(Args&&... args) {
  return RefCntPtr<T>(new T(std::forward<Args>(args)...), AdoptRef);
}

/// The object as a U, or null when it is not one.
template <typename U, typename T>
RefCntPtr<U> DynamicPointerCast(const RefCntPtr<T>& object) {
  return RefCntPtr<U>(dynamic_cast<U*>(object.Get()));
}
