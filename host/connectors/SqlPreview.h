// SqlPreview: the preview of a table, a view or a custom query through an open Qt SQL
// connection, shared by the SQL catalogues. Internal to the live connections.
//
// A table's or view's preview runs the one SELECT the host writes ("SELECT * FROM" its quoted
// name, with a LIMIT one past the rows asked for, but through ODBC, which limits by
// SQL_ATTR_MAX_ROWS), in one round trip where the server allows it. A custom query is run as it
// is, inside a read-only transaction rolled back at the end, so nothing it did is kept; its rows
// are limited by fetching:
//   SQLite      the file is open read-only already; "PRAGMA query_only" is set besides. The
//               time limit and cancellation are checked by SQLite's progress handler.
//   PostgreSQL  BEGIN READ ONLY, SET LOCAL statement_timeout, the query through libpq's
//               extended protocol (one statement only, so a query cannot end the transaction
//               and go on writing), rows streamed one by one; cancelled with PQcancel, which
//               also keeps a table's preview to its time limit.
//   MySQL       START TRANSACTION READ ONLY, the session's max_statement_time (MariaDB) or
//               max_execution_time (MySQL) and sql_select_limit, the query as a prepared
//               statement (one statement only); cancelled with KILL QUERY from a second
//               connection. A table's SELECT carries its own time limit (SET STATEMENT ... FOR,
//               or the MAX_EXECUTION_TIME hint).
//   ODBC        SQL_ATTR_ACCESS_MODE read-only (a hint some drivers honour), autocommit off and
//               a rollback at the end, SQL_ATTR_QUERY_TIMEOUT and SQL_ATTR_MAX_ROWS; cancelled
//               with SQLCancel. A custom query is refused when the driver has no transactions,
//               and so is a statement that gives no result set (many drivers do not enforce a
//               read-only transaction: what it changed is rolled back).
#pragma once

#include "host/HostExport.h"
#include "host/connectors/Preview.h"

#include <QSqlDatabase>

namespace SqlPreview {

enum class Dialect { kSqlite, kPostgres, kMysql, kOdbc };

/// `name` as one quoted identifier: in `quote`, any `quote` inside doubled; as it is when
/// `quote` is a space or null (a database without quoted identifiers).
HLVHOST_API TString QuoteIdentifier(const TString& name, QChar quote);

/// Reads the preview `request` asks for through the open connection `database` into `result`.
/// Raises DataSourceException: kOther for a request out of bounds (no table and no query, or
/// both; rows outside 1..Preview::kMaxRows; a time limit not above zero) and for a query the
/// database refuses, kRefusedWrite for a query that would write, kTimedOut past the request's
/// time limit, kCancelled when its flag is set. The details hold the database's own text.
/// The connection stays usable after any of them.
HLVHOST_API void Run(const QSqlDatabase& database, Dialect dialect, const Preview::Request& request, Preview::Result& result);

}  // namespace SqlPreview
