// SqlPreview: the preview of a table, a view or a custom query through an open Qt SQL
// connection, shared by the SQL catalogues. Internal to the live connections.
//
// Each dialect reads inside a read-only transaction that is rolled back at the end, so nothing
// a query did is kept:
//   SQLite      the file is open read-only already; "PRAGMA query_only" is set besides. The
//               time limit and cancellation are checked by SQLite's progress handler.
//   PostgreSQL  BEGIN READ ONLY, SET LOCAL statement_timeout, the query through libpq's
//               extended protocol (one statement only, so a query cannot end the transaction
//               and go on writing), rows streamed one by one; cancelled with PQcancel.
//   MySQL       START TRANSACTION READ ONLY, the session's max_statement_time (MariaDB) or
//               max_execution_time (MySQL) and sql_select_limit, the query as a prepared
//               statement (one statement only); cancelled with KILL QUERY from a second
//               connection.
//   ODBC        SQL_ATTR_ACCESS_MODE read-only (a hint some drivers honour), autocommit off and
//               a rollback at the end, SQL_ATTR_QUERY_TIMEOUT and SQL_ATTR_MAX_ROWS; cancelled
//               with SQLCancel. A custom query is refused when the driver has no transactions.
// A table's own query is "SELECT * FROM" its quoted name (with a LIMIT one past the rows asked
// for, but through ODBC); a custom query is run as it is: its rows are limited by fetching.
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
