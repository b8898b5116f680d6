// NullConnectionSettingsCache: a settings cache for callers that keep none.
#pragma once

#include "host/connect/ConnectionSettingsCache.h"
#include "parameters/PresLayerExport.h"

#include <memory>

/// Makes settings-cache accessors with no cache behind them.
class HLVPRES_API NullConnectionSettingsCache {
 public:
  NullConnectionSettingsCache() = delete;

  /// A new accessor whose IsCacheAvailable() is false. Its GetCachedAttributes must not be
  /// called: it raises LogicException.
  static std::unique_ptr<IConnectionSettingsCacheAccessor> CreateAccessor();
};
