// What the ODBC driver manager (unixODBC) knows: its drivers and its data source names.
//
// A list is read from the driver manager at most once every five seconds; until then the list
// read last is given again. Lists are kept apart by the variables that place the driver
// manager's files (ODBCSYSINI, ODBCINSTINI, ODBCINI, HOME), so a list read under other values
// is never given. unixODBC itself fixes the folder of its system files (ODBCSYSINI) at its first
// call in a process; the user's data sources (ODBCINI) it looks up anew each time.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <vector>

namespace OdbcCatalog {

/// The names of the installed ODBC drivers, as the driver manager lists them (its
/// odbcinst.ini). Empty when the driver manager cannot be asked.
HLVHOST_API std::vector<TString> DriverNames();

struct DataSourceName {
  TString name;
  /// The description of the driver it uses.
  TString driver;
};

/// The data source names the driver manager knows: the system-wide ones only when
/// `systemOnly`, else the user's and the system-wide ones. Empty when it cannot be asked.
HLVHOST_API std::vector<DataSourceName> DataSourceNames(bool systemOnly);

}  // namespace OdbcCatalog
