// Sets or clears an environment variable for the life of a test scope.
#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace testenv {

class ScopedEnvironment {
 public:
  /// Sets `name` to `value`, or clears it when `value` is null.
  ScopedEnvironment(const char* name, const char* value)
      : m_name(name), m_wasSet(qEnvironmentVariableIsSet(name)), m_previous(qgetenv(name)) {
    if (value == nullptr) {
      qunsetenv(name);
    } else {
      qputenv(name, value);
    }
  }
  ~ScopedEnvironment() {
    if (m_wasSet) {
      qputenv(m_name, m_previous);
    } else {
      qunsetenv(m_name);
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const char* m_name;
  bool m_wasSet;
  QByteArray m_previous;
};

}  // namespace testenv
