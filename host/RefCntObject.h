// RefCntObject: the base of every reference-counted host and library object.
#pragma once

#include "host/HostExport.h"

#include <atomic>

/// An object that owns itself through an intrusive, thread-safe reference count.
///
/// A new object starts with a count of one, which belongs to whoever created it (usually a
/// RefCntPtr made by MakeRefCnt). Release() of the last reference deletes the object, so
/// reference-counted objects live on the heap and their destructors are protected.
class HLVHOST_API RefCntObject {
 public:
  RefCntObject(const RefCntObject&) = delete;
  RefCntObject& operator=(const RefCntObject&) = delete;

  /// Takes one more reference.
  void AddRef() const noexcept { m_refCount.fetch_add(1, std::memory_order_relaxed); }

  /// Gives one reference back; the last one deletes the object.
  void Release() const noexcept;

  /// The current count. Only meaningful while no other thread holds the object.
  int GetRefCount() const noexcept { return m_refCount.load(std::memory_order_acquire); }

 protected:
  RefCntObject() noexcept = default;
  virtual ~RefCntObject();

 private:
  mutable std::atomic<int> m_refCount{1};
};
