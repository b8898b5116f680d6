// ModularConnectionSettingsPresModelBuilder: the modular connection dialog of a connection.
#pragma once

#include "host/RefCntPtr.h"
#include "host/connect/DSConnectionConfig.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/InitialSQLPresModel.h"
#include "presentation-model/ModularConnectionSettingsPresModel.h"

#include <cstddef>

/// The longest modular dialog description the builder reads, in bytes of UTF-8: 1 MiB, as much
/// as a whole connector description may hold.
inline constexpr std::size_t kMaxModularDialogJsonBytes = std::size_t{1} << 20;

/// Builds ModularConnectionSettingsPresModel records: the JSON description of a class's modular
/// connection dialog, re-written compactly with the initial SQL settings appended as its last
/// member, "initialSql" (appended even when the description already has a member of that name).
class HLVPRES_API ModularConnectionSettingsPresModelBuilder {
 public:
  ModularConnectionSettingsPresModelBuilder() = default;
  ModularConnectionSettingsPresModelBuilder(const ModularConnectionSettingsPresModelBuilder&) = default;
  ModularConnectionSettingsPresModelBuilder& operator=(const ModularConnectionSettingsPresModelBuilder&) = default;
  virtual ~ModularConnectionSettingsPresModelBuilder();

  /// The record of `config`: empty JSON for a null or non-relational configuration, one without
  /// a modular dialog, or one whose description is not valid JSON (a warning naming the
  /// configuration is logged). Nesting deeper than kMaxJsonNesting levels, a description longer
  /// than kMaxModularDialogJsonBytes, or text after a NUL character, counts as invalid JSON.
  ///
  /// A description whose root is valid JSON but not an object (an array, a string, ...) is
  /// treated like invalid JSON too: the same warning is logged and the JSON stays empty, since
  /// the initial SQL settings can only be added as a member of an object and the dialog reads
  /// nothing else.
  ///
  /// A null `initialSql` with a valid description raises "Null pointer dereferenced".
  RefCntPtr<const ModularConnectionSettingsPresModel> Build(RefCntPtr<const DSConnectionConfig> config,
                                                            RefCntPtr<const InitialSQLPresModel> initialSql) const;
};
