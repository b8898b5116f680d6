// What the ODBC driver manager (unixODBC) knows: its drivers and its data source names.
//
// A list is read from the driver manager at most once every five seconds; until then the list
// read last is given again.
#pragma once

#include "host/TString.h"

#include <vector>

namespace OdbcCatalog {

/// The names of the installed ODBC drivers, as the driver manager lists them (its
/// odbcinst.ini). Empty when the driver manager cannot be asked.
std::vector<TString> DriverNames();

struct DataSourceName {
  TString name;
  /// The description of the driver it uses.
  TString driver;
};

/// The data source names the driver manager knows: the system-wide ones only when
/// `systemOnly`, else the user's and the system-wide ones. Empty when it cannot be asked.
std::vector<DataSourceName> DataSourceNames(bool systemOnly);

}  // namespace OdbcCatalog
