// RecentValue: a value that is costly to obtain, kept and handed out again while it is recent.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <utility>

/// Keeps the value a reader gave and hands it out again until it is `lifetime` old; the first
/// Get after that reads it anew. Safe to share between threads: one thread reads while the
/// others wait for its value, so the value is never read twice at once.
template <typename T, typename Clock = std::chrono::steady_clock>
class RecentValue {
 public:
  explicit RecentValue(typename Clock::duration lifetime) : m_lifetime(lifetime) {}

  RecentValue(const RecentValue&) = delete;
  RecentValue& operator=(const RecentValue&) = delete;

  /// The kept value when it was read less than the lifetime before `now`; otherwise the value
  /// of `read()`, kept from `now` on. An exception from `read` leaves the kept value as it was.
  template <typename Read>
  T Get(typename Clock::time_point now, Read&& read) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_readAt || now - *m_readAt >= m_lifetime) {
      m_value = std::forward<Read>(read)();
      m_readAt = now;
    }
    return m_value;
  }

  /// Get at the clock's present time.
  template <typename Read>
  T Get(Read&& read) {
    return Get(Clock::now(), std::forward<Read>(read));
  }

 private:
  const typename Clock::duration m_lifetime;
  std::mutex m_mutex;
  std::optional<typename Clock::time_point> m_readAt;
  T m_value{};
};
