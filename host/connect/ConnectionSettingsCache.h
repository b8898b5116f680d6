// The connection settings cache: the attributes a user last connected with, per class, so that
// a new connection dialog starts from them.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/connect/ConnectionAttributes.h"

#include <map>
#include <memory>
#include <mutex>

/// Read access to a settings cache, as the dialog builders use it.
class HLVHOST_API IConnectionSettingsCacheAccessor {
 public:
  virtual ~IConnectionSettingsCacheAccessor();

  /// Whether there is a cache to read from.
  virtual bool IsCacheAvailable() const = 0;
  /// The attributes last kept for `connectionClass`; empty when none were.
  virtual ConnectionAttributeMap GetCachedAttributes(const TString& connectionClass) const = 0;
};

/// A settings cache in memory: the last attributes kept per class. Safe to use from several
/// threads. Secrets do not belong in it: keep attributes after their secrets went to the
/// credential service (they then name them by "credential-id").
class HLVHOST_API ConnectionSettingsCache {
 public:
  ConnectionSettingsCache();
  ~ConnectionSettingsCache();
  ConnectionSettingsCache(const ConnectionSettingsCache&) = delete;
  ConnectionSettingsCache& operator=(const ConnectionSettingsCache&) = delete;

  /// Keeps `attributes` as the last ones of `connectionClass`, replacing what was kept.
  void Remember(const TString& connectionClass, ConnectionAttributeMap attributes);
  /// Forgets what was kept for `connectionClass`.
  void Forget(const TString& connectionClass);

  /// An accessor reading this cache; it must not outlive the cache.
  std::unique_ptr<IConnectionSettingsCacheAccessor> CreateAccessor() const;

 private:
  class Accessor;

  mutable std::mutex m_mutex;
  std::map<TString, ConnectionAttributeMap> m_attributes;
};
