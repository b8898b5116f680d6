// ServiceSlot: the holder of one replaceable process-wide service.
//
// The host's process-wide services (connector registry, feature flags, application settings,
// credential service, log sink, ...) are reached through an interface. Each facade keeps one
// ServiceSlot in its own source file, so that every shared library sees the same instance: the
// slot starts with a default implementation, made on first use, and a host or a test installs
// another with Install.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

template <typename I>
class ServiceSlot {
 public:
  using Factory = std::function<std::shared_ptr<I>()>;

  /// A slot whose default service `makeDefault` makes on first use.
  explicit ServiceSlot(Factory makeDefault) : m_makeDefault(std::move(makeDefault)) {}

  ServiceSlot(const ServiceSlot&) = delete;
  ServiceSlot& operator=(const ServiceSlot&) = delete;

  /// The installed service, or the default one. Safe from any thread; the reference stays valid
  /// until another service is installed and the previous one, returned by Install, is released.
  I& Get() {
    if (I* service = m_current.load(std::memory_order_acquire)) return *service;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_owner) Replace(m_makeDefault());
    return *m_owner;
  }

  /// Installs `service` (null puts a new default back) and returns the one it replaces, which
  /// the caller may keep to install it again later. Meant for start-up and tests: a thread that
  /// still uses the previous service must be done with it before the caller releases it.
  std::shared_ptr<I> Install(std::shared_ptr<I> service) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::shared_ptr<I> previous = m_owner ? std::move(m_owner) : m_makeDefault();
    Replace(service ? std::move(service) : m_makeDefault());
    return previous;
  }

 private:
  void Replace(std::shared_ptr<I> service) {
    m_owner = std::move(service);
    m_current.store(m_owner.get(), std::memory_order_release);
  }

  Factory m_makeDefault;
  std::mutex m_mutex;
  std::shared_ptr<I> m_owner;
  std::atomic<I*> m_current{nullptr};
};
