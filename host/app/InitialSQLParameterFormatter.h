// InitialSQLParameterFormatter: the parameters a user may insert into initial SQL.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

/// The values that the host replaces in initial SQL before it runs the statement.
enum class ParameterEnum {
  kConnectionClass = 1,   ///< "[ConnectionClass]": the connection class
  kDataSourceName = 2,    ///< "[DataSourceName]": the data source's caption
  kServerUser = 3,        ///< "[ServerUser]": the user signed in to the server
  kServerUserFull = 4,    ///< "[ServerUserFull]": that user's full name
  kHalvaneApp = 9,        ///< "[HalvaneApp]": the running application
  kHalvaneVersion = 10,   ///< "[HalvaneVersion]": the product version
  kWorkbookName = 11,     ///< "[WorkbookName]": the workbook that holds the connection
  kFlowName = 12,         ///< "[FlowName]": the flow that holds the connection
};

/// Names the parameters of initial SQL as the user types them.
class HLVHOST_API InitialSQLParameterFormatter {
 public:
  static const InitialSQLParameterFormatter& Instance();

  /// The name of `parameter`, brackets included; empty for a value that is not a parameter.
  TString GetName(ParameterEnum parameter) const;
};
