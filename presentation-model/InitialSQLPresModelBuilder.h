// InitialSQLPresModelBuilder: builds the initial SQL record of a connection class.
#pragma once

#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connect/DSConnectionConfig.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/InitialSQLPresModel.h"

#include <unordered_map>
#include <vector>

/// Builds InitialSQLPresModel records: whether a connection class supports initial SQL, the
/// statement it holds and the parameters the user may insert into it.
class HLVPRES_API InitialSQLPresModelBuilder {
 public:
  InitialSQLPresModelBuilder() = default;
  InitialSQLPresModelBuilder(const InitialSQLPresModelBuilder&) = default;
  InitialSQLPresModelBuilder& operator=(const InitialSQLPresModelBuilder&) = default;
  virtual ~InitialSQLPresModelBuilder();

  /// The record of `connectionClass`, looked up in the connector registry. A class the registry
  /// does not know, or one that does not support initial SQL, gives a record at its defaults.
  RefCntPtr<const InitialSQLPresModel> Build(const TString& connectionClass, bool isVisible) const;

  /// The record of the connection `config`, whose initial SQL is read from `attributes` (the
  /// configuration's own attributes when those have none). A null `config` raises "Null
  /// pointer dereferenced".
  RefCntPtr<const InitialSQLPresModel> Build(RefCntPtr<const DSConnectionConfig> config,
                                             const std::unordered_map<TString, TString>& attributes,
                                             bool isVisible) const;

 private:
  /// The names of the parameters a user may insert into initial SQL in the running application.
  static std::vector<TString> GetInitialSQLParameters();
};
