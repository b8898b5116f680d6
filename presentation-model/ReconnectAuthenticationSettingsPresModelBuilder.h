// ReconnectAuthenticationSettingsPresModelBuilder: how a stored connection asks for its
// credentials again.
#pragma once

#include "host/RefCntPtr.h"
#include "host/connect/DSConnectionConfig.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/ReconnectAuthenticationSettingsPresModel.h"

/// Builds ReconnectAuthenticationSettingsPresModel records: the reconnect mode of a connection
/// and the parameters of that mode, sorted by name.
class HLVPRES_API ReconnectAuthenticationSettingsPresModelBuilder {
 public:
  ReconnectAuthenticationSettingsPresModelBuilder() = default;
  virtual ~ReconnectAuthenticationSettingsPresModelBuilder();

  /// The record of `config`; a null `config` gives "reconnect-mode-none" without parameters.
  /// Exceptions of the configuration are passed on.
  RefCntPtr<const ReconnectAuthenticationSettingsPresModel> Build(RefCntPtr<const DSConnectionConfig> config) const;
};
