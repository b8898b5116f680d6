// ModularConnectionSettingsPresModelBuilder: the modular connection dialog of a connection.
#pragma once

#include "host/RefCntPtr.h"
#include "host/connect/DSConnectionConfig.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/InitialSQLPresModel.h"
#include "presentation-model/ModularConnectionSettingsPresModel.h"

/// Builds ModularConnectionSettingsPresModel records: the JSON description of a class's modular
/// connection dialog, re-written compactly with the initial SQL settings appended as its last
/// member, "initialSql".
class HLVPRES_API ModularConnectionSettingsPresModelBuilder {
 public:
  ModularConnectionSettingsPresModelBuilder() = default;
  ModularConnectionSettingsPresModelBuilder(const ModularConnectionSettingsPresModelBuilder&) = default;
  ModularConnectionSettingsPresModelBuilder& operator=(const ModularConnectionSettingsPresModelBuilder&) = default;
  virtual ~ModularConnectionSettingsPresModelBuilder();

  /// The record of `config`: empty JSON for a null or non-relational configuration, one without
  /// a modular dialog, or one whose description is not valid JSON (a warning is logged). A null
  /// `initialSql` with a valid description raises "Null pointer dereferenced".
  RefCntPtr<const ModularConnectionSettingsPresModel> Build(RefCntPtr<const DSConnectionConfig> config,
                                                            RefCntPtr<const InitialSQLPresModel> initialSql) const;
};
