// ConnectionSettingsPresModelBuilder: what a connection dialog shows for one connection class.
#pragma once

#include "host/RefCntPtr.h"
#include "host/connect/ConnectionSettingsCache.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/connect/DataSource.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/ConnectionParamsPresModel.h"
#include "presentation-model/ConnectionSettingsPresModel.h"
#include "presentation-model/InitialSQLPresModel.h"

/// Builds ConnectionSettingsPresModel records: the dialog's widget kind, its prompts, check
/// boxes and optional fields, the connection, DSN and transport options the connector offers,
/// whether its drivers are installed, the cube connection specification of a cube connection,
/// the authentication settings, the modular dialog and the field values.
class HLVPRES_API ConnectionSettingsPresModelBuilder {
 public:
  ConnectionSettingsPresModelBuilder() = default;
  virtual ~ConnectionSettingsPresModelBuilder();

  /// The record of the connection `config`. The field values are built from `config` when
  /// `connectionParams` is null (a fresh dialog); an edited `connectionParams` is taken as it
  /// is, or, for a class with a modular dialog, passed through a connector parameter set and
  /// back.
  ///
  /// A null `config` gives a record with only the modular settings and empty field values (and
  /// an edited record of a modular dialog then raises "Null pointer dereferenced"). A relational
  /// configuration of a cube class, or a hierarchical one of another class, raises
  /// LogicException, as does a cube connection whose options select none.
  RefCntPtr<const ConnectionSettingsPresModel> Build(const IConnectionSettingsCacheAccessor& cache,
                                                     RefCntPtr<const DSConnectionConfig> config,
                                                     RefCntPtr<const InitialSQLPresModel> initialSQL,
                                                     RefCntPtr<const ConnectionParamsPresModel> connectionParams) const;

  /// Build for a configuration made for the connection of `dataSource` (an existing connection).
  /// A null `dataSource` raises "Null pointer dereferenced"; a class the configuration factory
  /// does not know raises HalvaneException.
  RefCntPtr<const ConnectionSettingsPresModel> BuildWithDataSource(
      const IConnectionSettingsCacheAccessor& cache, RefCntPtr<const IDataSource> dataSource,
      RefCntPtr<const InitialSQLPresModel> initialSQL,
      RefCntPtr<const ConnectionParamsPresModel> connectionParams) const;

 private:
  /// The layout of a relational dialog, its options and its driver state.
  static void AddRelationalSettings(RefCntPtr<ConnectionSettingsPresModel> presModel,
                                    RefCntPtr<const RelationalDSConnectionConfig> rel);
  /// The cube connection specification of a hierarchical connection and its driver state.
  static void AddHierarchialSettings(const IConnectionSettingsCacheAccessor& cache,
                                     RefCntPtr<ConnectionSettingsPresModel> presModel,
                                     RefCntPtr<const HierarchicalDSConnectionConfig> hier);
};
