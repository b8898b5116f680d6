// LiveConnection: an open connection to a relational database, made from a configuration's
// attributes through Qt SQL, and the lists of the database's own catalogue.
//
// Four drivers are opened: Qt's SQLite driver (QSQLITE), its PostgreSQL driver (QPSQL), its
// MySQL driver (QMYSQL, for MySQL and MariaDB) and its ODBC driver (QODBC, through unixODBC). Which one comes from the class's connector
// description ("driver"): a Qt driver by its name, an ODBC driver through QODBC.
//
// Threads: Qt lets a QSqlDatabase be used only from the thread that opened it. A live
// connection keeps that rule: it belongs to the thread that opened it, every query from another
// thread raises LogicException, and it should be destroyed on that thread too.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/connect/ConnectionAttributes.h"
#include "host/connect/EnumerationInfo.h"
#include "host/connectors/Preview.h"
#include "host/values/QualifiedName.h"

#include <memory>
#include <vector>

namespace Connect {
class ConnectorDescription;
}

class LiveCatalogue;
class QTemporaryFile;
class QThread;

/// One open connection. Made by Open, closed when destroyed.
class HLVHOST_API LiveConnection {
 public:
  /// The lists a catalogue may be able to give.
  enum class List { kDatabases, kSchemas, kTables, kStoredProcedures };

  /// Opens a connection of `description`'s class with `attributes` (see docs/connection-model.md,
  /// "Live connections"). Raises DataSourceException when the class's driver is not one the
  /// host opens, when the driver is not installed, and when the database refuses the
  /// connection: the message says what the host was doing and, in plain words, what failed;
  /// the exception's reason says the same for a program. Its details hold the database's own
  /// message where the driver cannot have put a secret into it (SQLite, PostgreSQL, MySQL); an
  /// ODBC driver's message, which may repeat the connection string, is left out. The password and
  /// "odbc-connect-string-extras" are read from the credential service under "credential-id"
  /// when it holds them. An unknown "credential-id" raises the credential service's
  /// HalvaneException.
  static std::unique_ptr<LiveConnection> Open(const Connect::ConnectorDescription& description,
                                              const ConnectionAttributeMap& attributes);

  /// Whether the host reads files of the kind a `{"host": driver}` description names itself:
  /// "text" (a folder of text files) and "excel" (an .xlsx workbook).
  static bool HostReads(const TString& driver);

  ~LiveConnection();
  LiveConnection(const LiveConnection&) = delete;
  LiveConnection& operator=(const LiveConnection&) = delete;

  /// Whether the database's catalogue gives `list` at all.
  bool Lists(List list) const;

  // Each appends, in the catalogue's order, to the list it is given; a catalogue query that
  // fails raises DataSourceException with the database's message, after the entries read
  // before the failure.

  /// The databases (PostgreSQL: those that allow connections and are not templates; MySQL:
  /// all but the server's own; SQLite: the attached databases; ODBC: the driver's catalogs).
  void Databases(std::vector<TString>& databases) const;
  /// The user schemas (PostgreSQL: not pg_* nor information_schema; ODBC: the driver's).
  void Schemas(std::vector<TString>& schemas) const;
  /// The tables and views, of `schema` only when it is not empty.
  void Tables(const TString& schema, std::vector<RelationalDSConnectionConfigTableInfo>& tables) const;
  /// The stored procedures (PostgreSQL: functions and procedures) of the user schemas, of
  /// `schema` only when it is not empty, as QualifiedName(schema, name).
  void StoredProcedures(const TString& schema, std::vector<QualifiedName>& procedures) const;
  /// The database the connection is in; empty when the database does not say.
  TString CurrentDatabase() const;
  /// The schema names resolve in first; empty when the database has none or does not say.
  TString CurrentSchema() const;
  /// The columns and first rows of the table or query `request` names, read-only, bounded by
  /// its row count, its timeout and the caps of Preview.h. Raises DataSourceException (with its
  /// reason) when the database refuses the query, the time runs out or it is cancelled.
  Preview::Result Preview(const Preview::Request& request) const;

 private:
  LiveConnection(TString connectionName, std::unique_ptr<QTemporaryFile> certificate);

  // Raises LogicException unless called on the thread that opened the connection.
  void CheckThread() const;

  const TString m_connectionName;
  QThread* const m_thread;
  // The server certificate handed to the driver as a file, removed when the connection goes.
  std::unique_ptr<QTemporaryFile> m_certificate;
  std::unique_ptr<LiveCatalogue> m_catalogue;
};
