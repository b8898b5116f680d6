// The pickers of a relational connection's data source page: databases, schemas, tables,
// warehouses, stored procedures and standard connections.
//
// Each builder asks its configuration whether the connection may be finished and whether its
// list applies, fetches the list and copies it, in the host's order and unchanged (nothing is
// sorted, filtered or de-duplicated), into a new record. A null configuration, a connection not
// to be finished yet or a list that does not apply gives the record at its defaults, never a
// null one. Build is const and may run any number of times; the builder keeps no reference to
// what it built.
#pragma once

#include "host/RefCntPtr.h"
#include "host/connect/DSConnectionConfig.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/DatabaseEnumerationPresModel.h"
#include "presentation-model/SchemaEnumerationPresModel.h"
#include "presentation-model/StandardConnectionEnumerationPresModel.h"
#include "presentation-model/StoredProcedureEnumerationPresModel.h"
#include "presentation-model/TableEnumerationPresModel.h"
#include "presentation-model/WarehouseEnumerationPresModel.h"

/// Builds the database picker: the names of EnumerateDatabases.
class HLVPRES_API DatabaseEnumerationPresModelBuilder {
 public:
  /// Takes over `config`, which may be null.
  explicit DatabaseEnumerationPresModelBuilder(RefCntPtr<const RelationalDSConnectionConfig> config);
  virtual ~DatabaseEnumerationPresModelBuilder();

  /// A new record; never null. Exceptions of the configuration propagate.
  RefCntPtr<const DatabaseEnumerationPresModel> Build() const;

 private:
  RefCntPtr<const RelationalDSConnectionConfig> m_config;
};

/// Builds the schema picker: the names of EnumerateSchemas.
class HLVPRES_API SchemaEnumerationPresModelBuilder {
 public:
  /// Takes over `config`, which may be null.
  explicit SchemaEnumerationPresModelBuilder(RefCntPtr<const RelationalDSConnectionConfig> config);
  virtual ~SchemaEnumerationPresModelBuilder();

  /// A new record; never null. Exceptions of the configuration propagate.
  RefCntPtr<const SchemaEnumerationPresModel> Build() const;

 private:
  RefCntPtr<const RelationalDSConnectionConfig> m_config;
};

/// Builds the table picker: one ConnectionTableInfoPresModel per table of EnumerateTables, and
/// whether the tables' data may be previewed.
class HLVPRES_API TableEnumerationPresModelBuilder {
 public:
  /// The capability that forbids previewing a connection's data.
  static constexpr int kNoDataPreviewCapability = 412;

  /// Takes over `config`, which may be null.
  explicit TableEnumerationPresModelBuilder(RefCntPtr<const RelationalDSConnectionConfig> config);
  virtual ~TableEnumerationPresModelBuilder();

  /// A new record; never null. Data preview is allowed unless the connection has capability
  /// 412 or is of a semi-structured class (or one derived from it).
  ///
  /// A DataSourceException of the table fetch is swallowed, and the record lists the tables
  /// read before the failure: a partly readable catalogue still offers what it could read. It
  /// propagates unchanged, though, in the data preparation product and for the
  /// "nimbara-zeltra" class. Other exceptions propagate.
  RefCntPtr<const TableEnumerationPresModel> Build() const;

 private:
  RefCntPtr<const RelationalDSConnectionConfig> m_config;
};

/// Builds the warehouse picker: one WarehouseNamesPresModel per pair of EnumerateWarehouses
/// (the API name, then the display name). The plain warehouse name list stays empty.
class HLVPRES_API WarehouseEnumerationPresModelBuilder {
 public:
  /// Takes over `config`, which may be null.
  explicit WarehouseEnumerationPresModelBuilder(RefCntPtr<const RelationalDSConnectionConfig> config);
  virtual ~WarehouseEnumerationPresModelBuilder();

  /// A new record; never null. Exceptions of the configuration propagate.
  RefCntPtr<const WarehouseEnumerationPresModel> Build() const;

 private:
  RefCntPtr<const RelationalDSConnectionConfig> m_config;
};

/// Builds the stored procedure picker: the qualified names of EnumerateStoredProcedures.
class HLVPRES_API StoredProcedureEnumerationPresModelBuilder {
 public:
  /// Takes over `config`, which may be null.
  explicit StoredProcedureEnumerationPresModelBuilder(RefCntPtr<const RelationalDSConnectionConfig> config);
  virtual ~StoredProcedureEnumerationPresModelBuilder();

  /// A new record; never null. Exceptions of the configuration propagate.
  RefCntPtr<const StoredProcedureEnumerationPresModel> Build() const;

 private:
  RefCntPtr<const RelationalDSConnectionConfig> m_config;
};

/// Builds the standard connection picker: the names of EnumerateStandardConnections and, for
/// each name, its tooltip (GetStandardConnectionTooltip; a name listed twice has one entry).
class HLVPRES_API StandardConnectionEnumerationPresModelBuilder {
 public:
  /// Takes over `config`, which may be null.
  explicit StandardConnectionEnumerationPresModelBuilder(RefCntPtr<const RelationalDSConnectionConfig> config);
  virtual ~StandardConnectionEnumerationPresModelBuilder();

  /// A new record; never null. Exceptions of the configuration propagate.
  RefCntPtr<const StandardConnectionEnumerationPresModel> Build() const;

 private:
  RefCntPtr<const RelationalDSConnectionConfig> m_config;
};
