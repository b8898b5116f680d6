// CustomSQLInfoPresModelBuilder: the custom SQL dialog of a connection.
#pragma once

#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/connect/DataSource.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/CustomSQLInfoPresModel.h"

/// Builds CustomSQLInfoPresModel records. For a new custom SQL table the caller's text is shown
/// as it is; for an existing one the SQL stored with the relation of the table's alias is shown,
/// its parameter tokens in the form users read.
class HLVPRES_API CustomSQLInfoPresModelBuilder {
 public:
  /// A builder for the connection `config` and its data source `dataSource`; either may be null.
  CustomSQLInfoPresModelBuilder(RefCntPtr<const DSConnectionConfig> config, RefCntPtr<IDataSource> dataSource);
  CustomSQLInfoPresModelBuilder(const CustomSQLInfoPresModelBuilder&) = default;
  CustomSQLInfoPresModelBuilder& operator=(const CustomSQLInfoPresModelBuilder&) = default;
  virtual ~CustomSQLInfoPresModelBuilder();

  /// The dialog's record for the table `tableAlias`. Without a configuration the record is at its
  /// defaults. Otherwise it is a new custom SQL exactly when `sqlText` is empty and no relation
  /// goes by `tableAlias`; a custom SQL relation of that alias shows its own SQL instead of
  /// `sqlText`, its parameter tokens prepared for display when the builder has a data source.
  /// A configuration that is not relational raises "Null pointer dereferenced"; exceptions of
  /// the relation lookup and of the token preparation are passed on.
  RefCntPtr<const CustomSQLInfoPresModel> Build(const TString& connectionName, const TString& tableAlias,
                                                const TString& tableToReplace, const TString& sqlText,
                                                bool isReplacingObject) const;

 private:
  RefCntPtr<const DSConnectionConfig> m_config;
  RefCntPtr<IDataSource> m_dataSource;
};
