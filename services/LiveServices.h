// A live connection's preview and connection test as services: the columns and first rows of a
// table, a view or a custom SQL query, and whether a connection opens and, when not, why. Each
// answer is one line of JSON; no answer holds a secret.
#pragma once

#include "host/TString.h"
#include "host/connect/ConnectionAttributes.h"
#include "host/connectors/Preview.h"
#include "services/ServicesExport.h"

#include <optional>
#include <string>

namespace Services {

/// The longest a preview's query may be given, in seconds.
constexpr double kMaxPreviewSeconds = 3600;

/// A preview request from its text form, as a command line or a query string gives it: `table`
/// a table's full name as the data source page writes it ("orders", "sales.orders", or with
/// brackets, "[sales].[my.orders]", for a name holding a dot), or `sql` a custom SQL query;
/// `rows` a whole number (default Preview::kDefaultRows); `timeoutSeconds` a number of seconds,
/// fractions allowed (default 30). Raises InputError for text that cannot be read; the ranges
/// are checked by PreviewJson.
HLVSERVICES_API Preview::Request PreviewRequest(const std::optional<std::string>& table,
                                                const std::optional<std::string>& sql,
                                                const std::optional<std::string>& rows,
                                                const std::optional<std::string>& timeoutSeconds);

/// Opens a live connection of `connectionClass` with `attributes` (its secrets moved to the
/// credential service first, as DescribeJson does), previews what `request` names and returns
///   {"columns":[{"name":N,"type":T,"nullable":B}...],"rows":[[cell...]...],"more-rows":B,"cut-cells":N}
/// where "nullable" is true, false or null (not known), and a cell is null (NULL), a number, true
/// or false, a string, or {"binary":BYTES}; a real number that is not finite is written as null.
/// Raises InputError when the request names both or neither of a table and a query, asks for
/// rows outside 1 to Preview::kMaxRows or a timeout outside (0, kMaxPreviewSeconds], or gives a
/// query to a class whose data source page allows no custom SQL, and for a class that is not
/// connected live; DataSourceException (with its reason) when the connection or the query fails,
/// runs out of time or is cancelled.
HLVSERVICES_API std::string PreviewJson(const TString& connectionClass, const ConnectionAttributeMap& attributes,
                                        const Preview::Request& request);

/// Opens a live connection of `connectionClass` with `attributes` and closes it again. Returns
/// {"connected":true}, or, when the connection fails,
///   {"connected":false,"reason":R,"message":M,"details":D}
/// with R a DataSourceException::ReasonName, M the failure in plain words and D the driver's
/// own text (left out when there is none). Raises InputError for a class that is not connected
/// live, and the other exceptions of the connection (such as an unknown "credential-id").
HLVSERVICES_API std::string TestJson(const TString& connectionClass, const ConnectionAttributeMap& attributes);

}  // namespace Services
