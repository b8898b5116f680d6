// What the ODBC driver manager offers a connection dialog beside its record: the installed
// drivers, for a connection made by a driver and its fields rather than a data source name.
#pragma once

#include "services/ServicesExport.h"

#include <string>

namespace Services {

/// The ODBC drivers the driver manager lists (its odbcinst.ini, placed by ODBCSYSINI and
/// ODBCINSTINI), in its order: {"drivers":["PostgreSQL Unicode","SQLite3",...]}. The list is
/// empty when there is no driver manager or it knows no driver.
HLVSERVICES_API std::string OdbcDriversJson();

}  // namespace Services
