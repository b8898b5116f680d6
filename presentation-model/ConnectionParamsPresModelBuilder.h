// ConnectionParamsPresModelBuilder: the starting values of a connection dialog's fields.
#pragma once

#include "connect/DSConnectorParams.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connect/ConnectionSettingsCache.h"
#include "host/connect/DSConnectionConfig.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/ConnectionParamsPresModel.h"

/// Builds ConnectionParamsPresModel records: the values a connection dialog starts with, taken
/// from a connection configuration through a connector parameter set. The inverse of
/// ConnectDataUtils::DSParamsFromPresModel.
class HLVPRES_API ConnectionParamsPresModelBuilder {
 public:
  ConnectionParamsPresModelBuilder() = default;
  virtual ~ConnectionParamsPresModelBuilder();

  /// The record of the connection `config`: a new connection starts from the attributes last
  /// kept in `cache` for its class (none when the cache is not available), an existing one from
  /// its own attributes. A null `config` or a server data source gives a record at its defaults.
  RefCntPtr<const ConnectionParamsPresModel> Build(const IConnectionSettingsCacheAccessor& cache,
                                                   RefCntPtr<const DSConnectionConfig> config) const;

  /// The record of the parameter set `params` of `connectionClass`, read through a configuration
  /// made for the class. A class the configuration factory does not know raises HalvaneException.
  RefCntPtr<const ConnectionParamsPresModel> Build(const TString& connectionClass,
                                                   const DSConnectorParams& params) const;

 private:
  /// The parameter set the dialog of `config` starts from.
  static DSConnectorParams CreateDSConnectorParams(const IConnectionSettingsCacheAccessor& cache,
                                                   RefCntPtr<const DSConnectionConfig> config);
  /// Writes the values of `params` into `presModel`: the attributes the connector's connection
  /// fields name, when the connection-fields feature flag is on and the configuration lists
  /// fields, and otherwise every field of the record that the set has an attribute for.
  static void ApplyDSParams(RefCntPtr<const DSConnectionConfig> config, const DSConnectorParams& params,
                            RefCntPtr<ConnectionParamsPresModel> presModel);
};
