// LiveCatalogue: how a live connection reads its database's catalogue, one kind per Qt driver.
// Internal to LiveConnection.
#pragma once

#include "host/connectors/LiveConnection.h"
#include "host/connectors/Preview.h"

#include <QSqlDatabase>

#include <memory>

class LiveCatalogue {
 public:
  /// The catalogue of the open connection `connectionName` through the Qt driver `driver`
  /// ("QSQLITE", "QPSQL", "QMYSQL" or "QODBC"); null for another driver.
  static std::unique_ptr<LiveCatalogue> For(const TString& driver, const TString& connectionName);

  explicit LiveCatalogue(TString connectionName) : m_connectionName(std::move(connectionName)) {}
  virtual ~LiveCatalogue();
  LiveCatalogue(const LiveCatalogue&) = delete;
  LiveCatalogue& operator=(const LiveCatalogue&) = delete;

  virtual bool Lists(LiveConnection::List list) const = 0;
  virtual void Databases(std::vector<TString>& databases) const = 0;
  virtual void Schemas(std::vector<TString>& schemas) const = 0;
  virtual void Tables(const TString& schema, std::vector<RelationalDSConnectionConfigTableInfo>& tables) const = 0;
  virtual void StoredProcedures(const TString& schema, std::vector<QualifiedName>& procedures) const = 0;
  virtual TString CurrentDatabase() const = 0;
  virtual TString CurrentSchema() const = 0;
  /// The columns and first rows `request` asks for, read-only, into `result`.
  virtual void Preview(const Preview::Request& request, Preview::Result& result) const;

 protected:
  /// The open connection, as Qt knows it.
  QSqlDatabase Database() const { return QSqlDatabase::database(m_connectionName, false); }

 private:
  const TString m_connectionName;
};

/// One table or view as the data source page offers it: named by its schema and name (just the
/// name without a schema), captioned with the name, a tooltip saying what it is and where,
/// sorted by name whatever the letter case, then by schema.
RelationalDSConnectionConfigTableInfo MakeTableInfo(const TString& schema, const TString& name, bool isView);

/// MakeTableInfo for the rows of one list: the tables of a schema share its tooltips and the
/// schema's part of their sort keys instead of each making its own.
class TableInfoMaker {
 public:
  RelationalDSConnectionConfigTableInfo Make(const TString& schema, const TString& name, bool isView);

 private:
  TString m_schema;
  TString m_foldedSchema;
  TString m_tooltips[2];  // a table's, a view's
};
