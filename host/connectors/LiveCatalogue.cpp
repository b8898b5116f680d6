#include "host/connectors/LiveCatalogue.h"

#include "host/connect/DataSourceException.h"
#include "host/connectors/SqlPreview.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <functional>
#include <set>

LiveCatalogue::~LiveCatalogue() = default;

void LiveCatalogue::Preview(const Preview::Request&, Preview::Result&) const {
  throw DataSourceException(QStringLiteral("Previewing is not possible on this connection"));
}

namespace {

// `name` case-folded, then `suffix`.
TString FoldedKey(const TString& name, const TString& suffix) {
  // One block, made at its size. Most names are ASCII, whose case folding is lower-casing A to Z;
  // any other name takes Qt's full folding, which may change its length.
  TString key(name.size() + suffix.size(), Qt::Uninitialized);
  QChar* out = key.data();
  for (const QChar c : name) {
    const char16_t unit = c.unicode();
    if (unit >= 0x80) return name.toCaseFolded() + suffix;
    *out++ = QChar(unit >= u'A' && unit <= u'Z' ? unit + (u'a' - u'A') : unit);
  }
  std::copy(suffix.begin(), suffix.end(), out);
  return key;
}

}  // namespace

RelationalDSConnectionConfigTableInfo MakeTableInfo(const TString& schema, const TString& name, bool isView) {
  return TableInfoMaker().Make(schema, name, isView);
}

RelationalDSConnectionConfigTableInfo TableInfoMaker::Make(const TString& schema, const TString& name, bool isView) {
  if (schema != m_schema || m_tooltips[0].isEmpty()) {
    // A new schema: its own text is shared by the tables after it, which come in schema order.
    m_schema = schema;
    m_foldedSchema = schema.isEmpty() ? TString() : QLatin1Char('\t') + schema.toCaseFolded();
    const TString kinds[] = {QStringLiteral("Table"), QStringLiteral("View")};
    for (int view = 0; view < 2; ++view)
      m_tooltips[view] = schema.isEmpty() ? kinds[view] : QStringLiteral("%1 in schema %2").arg(kinds[view], schema);
  }
  std::vector<TString> components;
  components.reserve(schema.isEmpty() ? 1 : 2);
  if (!schema.isEmpty()) components.push_back(m_schema);
  components.push_back(name);
  return RelationalDSConnectionConfigTableInfo(QualifiedName(std::move(components)), name, m_tooltips[isView ? 1 : 0],
                                               FoldedKey(name, m_foldedSchema),
                                               isView ? TablePillIcon::FoundTable : TablePillIcon::Sheet, true);
}

namespace {

using Row = std::function<void(const QSqlQuery&)>;

// Room for a whole result in `list` at its first row, when the driver knows how many rows come.
template <typename T>
void ReserveAtFirstRow(std::vector<T>& list, const QSqlQuery& query) {
  if (query.at() == 0 && query.size() > 0) list.reserve(list.size() + static_cast<size_t>(query.size()));
}

// A catalogue read with SQL queries through Qt.
class SqlCatalogue : public LiveCatalogue {
 public:
  using LiveCatalogue::LiveCatalogue;

 protected:
  // Runs `sql` with the positional `values` and hands each row to `row`. A query the database
  // refuses raises DataSourceException saying what was being read (`what`).
  // A query without values is sent as it is: preparing it would cost a server a round trip of
  // its own, and another to drop the statement again.
  void Run(const QString& what, const QString& sql, const QVariantList& values, const Row& row) const {
    QSqlQuery query(Database());
    query.setForwardOnly(ForwardOnly());
    bool done = false;
    if (values.isEmpty()) {
      done = query.exec(sql);
    } else {
      done = query.prepare(sql);
      for (const QVariant& value : values) query.addBindValue(value);
      done = done && query.exec();
    }
    if (!done) Fail(what, query.lastError());
    while (query.next()) row(query);
    if (query.lastError().isValid()) Fail(what, query.lastError());
  }

  // Whether Qt may drop each row once read rather than keep the whole result.
  virtual bool ForwardOnly() const { return true; }

  TString Single(const QString& what, const QString& sql) const {
    TString value;
    Run(what, sql, {}, [&value](const QSqlQuery& query) { value = query.value(0).toString(); });
    return value;
  }

 private:
  [[noreturn]] static void Fail(const QString& what, const QSqlError& error) {
    const QString text = error.databaseText().trimmed().isEmpty() ? error.text() : error.databaseText().trimmed();
    throw DataSourceException(QStringLiteral("Reading %1 from the database failed: %2").arg(what, text));
  }
};

// SQLite: the attached databases, and the tables and views of the main one. SQLite has no
// schemas and no stored procedures.
class SqliteCatalogue final : public SqlCatalogue {
 public:
  using SqlCatalogue::SqlCatalogue;

  bool Lists(LiveConnection::List list) const override {
    return list == LiveConnection::List::kDatabases || list == LiveConnection::List::kTables;
  }

  // In the order SQLite attached them: "main" first.
  void Databases(std::vector<TString>& databases) const override {
    Run(QStringLiteral("the attached databases"), QStringLiteral("PRAGMA database_list"), {},
        [&databases](const QSqlQuery& query) { databases.push_back(query.value(1).toString()); });
  }
  void Schemas(std::vector<TString>&) const override {}

  // By name, in SQLite's binary (code point) order; SQLite's own tables are left out.
  void Tables(const TString&, std::vector<RelationalDSConnectionConfigTableInfo>& tables) const override {
    Run(QStringLiteral("the tables"),
        QStringLiteral("SELECT name, type FROM main.sqlite_master WHERE type IN ('table', 'view') "
                       "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"),
        {}, [&tables, maker = TableInfoMaker()](const QSqlQuery& query) mutable {
          ReserveAtFirstRow(tables, query);
          tables.push_back(
              maker.Make(TString(), query.value(0).toString(), query.value(1).toString() == QLatin1String("view")));
        });
  }
  void StoredProcedures(const TString&, std::vector<QualifiedName>&) const override {}

  TString CurrentDatabase() const override { return QStringLiteral("main"); }
  TString CurrentSchema() const override { return TString(); }

  void Preview(const Preview::Request& request, Preview::Result& result) const override {
    SqlPreview::Run(Database(), SqlPreview::Dialect::kSqlite, request, result);
  }
};

// The schemas of PostgreSQL's own catalogue, which no user picks from.
const char* const kPostgresUserSchema = "n.nspname NOT LIKE 'pg\\_%' AND n.nspname <> 'information_schema'";

// PostgreSQL: every list from pg_catalog, sorted with ORDER BY in the database's collation.
class PostgresCatalogue final : public SqlCatalogue {
 public:
  using SqlCatalogue::SqlCatalogue;

  bool Lists(LiveConnection::List) const override { return true; }

  // Qt reads a forward-only PostgreSQL query a row at a time, each row a result of its own:
  // the whole result at once is far cheaper for a list of many thousands of tables.
  bool ForwardOnly() const override { return false; }

  void Databases(std::vector<TString>& databases) const override {
    Run(QStringLiteral("the databases"),
        QStringLiteral("SELECT datname FROM pg_catalog.pg_database WHERE datallowconn AND NOT datistemplate "
                       "ORDER BY datname"),
        {}, [&databases](const QSqlQuery& query) { databases.push_back(query.value(0).toString()); });
  }

  // The schemas the user may use.
  void Schemas(std::vector<TString>& schemas) const override {
    Run(QStringLiteral("the schemas"),
        QStringLiteral("SELECT n.nspname FROM pg_catalog.pg_namespace n WHERE %1 "
                       "AND has_schema_privilege(n.oid, 'USAGE') ORDER BY n.nspname")
            .arg(QLatin1String(kPostgresUserSchema)),
        {}, [&schemas](const QSqlQuery& query) { schemas.push_back(query.value(0).toString()); });
  }

  // Tables (plain, partitioned and foreign) and views (plain and materialized), by schema,
  // then name. A partition is left out: its partitioned table stands for it.
  void Tables(const TString& schema, std::vector<RelationalDSConnectionConfigTableInfo>& tables) const override {
    Run(QStringLiteral("the tables"),
        QStringLiteral("SELECT n.nspname, c.relname, c.relkind IN ('v', 'm') FROM pg_catalog.pg_class c "
                       "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
                       "WHERE c.relkind IN ('r', 'p', 'f', 'v', 'm') AND NOT c.relispartition AND %1%2 "
                       "ORDER BY n.nspname, c.relname")
            .arg(QLatin1String(kPostgresUserSchema), SchemaCondition(schema)),
        SchemaValues(schema), [&tables, maker = TableInfoMaker()](const QSqlQuery& query) mutable {
          ReserveAtFirstRow(tables, query);
          tables.push_back(maker.Make(query.value(0).toString(), query.value(1).toString(), query.value(2).toBool()));
        });
  }

  // Functions and procedures that can be called: not aggregates, window or trigger functions.
  // Overloads share their name, so each name is listed once.
  void StoredProcedures(const TString& schema, std::vector<QualifiedName>& procedures) const override {
    Run(QStringLiteral("the stored procedures"),
        QStringLiteral("SELECT DISTINCT n.nspname, p.proname FROM pg_catalog.pg_proc p "
                       "JOIN pg_catalog.pg_namespace n ON n.oid = p.pronamespace "
                       "WHERE p.prokind IN ('f', 'p') AND p.prorettype <> 'pg_catalog.trigger'::pg_catalog.regtype "
                       "AND %1%2 ORDER BY n.nspname, p.proname")
            .arg(QLatin1String(kPostgresUserSchema), SchemaCondition(schema)),
        SchemaValues(schema), [&procedures](const QSqlQuery& query) {
          procedures.emplace_back(std::vector<TString>{query.value(0).toString(), query.value(1).toString()});
        });
  }

  TString CurrentDatabase() const override {
    return Single(QStringLiteral("the current database"), QStringLiteral("SELECT current_database()"));
  }
  TString CurrentSchema() const override {
    return Single(QStringLiteral("the current schema"), QStringLiteral("SELECT current_schema()"));
  }

  void Preview(const Preview::Request& request, Preview::Result& result) const override {
    SqlPreview::Run(Database(), SqlPreview::Dialect::kPostgres, request, result);
  }

 private:
  static QString SchemaCondition(const TString& schema) {
    return schema.isEmpty() ? QString() : QStringLiteral(" AND n.nspname = ?");
  }
  static QVariantList SchemaValues(const TString& schema) {
    return schema.isEmpty() ? QVariantList() : QVariantList{schema};
  }
};

// MySQL and MariaDB: a database is what the others call a schema, so there is no schema list;
// the tables and procedures are those of the current database. Every list is one query on
// information_schema, whatever the number of tables.
class MysqlCatalogue final : public SqlCatalogue {
 public:
  using SqlCatalogue::SqlCatalogue;

  bool Lists(LiveConnection::List list) const override { return list != LiveConnection::List::kSchemas; }

  // The databases but the server's own.
  void Databases(std::vector<TString>& databases) const override {
    Run(QStringLiteral("the databases"),
        QStringLiteral("SELECT SCHEMA_NAME FROM information_schema.SCHEMATA WHERE SCHEMA_NAME NOT IN "
                       "('information_schema', 'mysql', 'performance_schema', 'sys') ORDER BY SCHEMA_NAME"),
        {}, [&databases](const QSqlQuery& query) { databases.push_back(query.value(0).toString()); });
  }
  void Schemas(std::vector<TString>&) const override {}

  // Tables and views (not sequences) by name, in information_schema's collation; none without
  // a current database.
  void Tables(const TString&, std::vector<RelationalDSConnectionConfigTableInfo>& tables) const override {
    Run(QStringLiteral("the tables"),
        QStringLiteral("SELECT TABLE_NAME, TABLE_TYPE = 'VIEW' FROM information_schema.TABLES "
                       "WHERE TABLE_SCHEMA = DATABASE() AND TABLE_TYPE <> 'SEQUENCE' ORDER BY TABLE_NAME"),
        {}, [&tables, maker = TableInfoMaker()](const QSqlQuery& query) mutable {
          ReserveAtFirstRow(tables, query);
          tables.push_back(maker.Make(TString(), query.value(0).toString(), query.value(1).toBool()));
        });
  }

  void StoredProcedures(const TString&, std::vector<QualifiedName>& procedures) const override {
    Run(QStringLiteral("the stored procedures"),
        QStringLiteral("SELECT ROUTINE_NAME FROM information_schema.ROUTINES WHERE ROUTINE_SCHEMA = DATABASE() "
                       "AND ROUTINE_TYPE = 'PROCEDURE' ORDER BY ROUTINE_NAME"),
        {}, [&procedures](const QSqlQuery& query) {
          procedures.emplace_back(std::vector<TString>{query.value(0).toString()});
        });
  }

  TString CurrentDatabase() const override {
    return Single(QStringLiteral("the current database"), QStringLiteral("SELECT DATABASE()"));
  }
  TString CurrentSchema() const override { return TString(); }

  void Preview(const Preview::Request& request, Preview::Result& result) const override {
    SqlPreview::Run(Database(), SqlPreview::Dialect::kMysql, request, result);
  }
};

// unixODBC's wide characters are UTF-16 code units, as QString's are.
static_assert(sizeof(SQLWCHAR) == sizeof(ushort), "SQLWCHAR must be a UTF-16 code unit");

const SQLWCHAR* Wide(const QString& text) { return reinterpret_cast<const SQLWCHAR*>(text.utf16()); }
SQLSMALLINT WideLength(const QString& text) { return static_cast<SQLSMALLINT>(text.size()); }

// An ODBC statement on the connection Qt opened, freed when it goes.
class Statement {
 public:
  explicit Statement(SQLHDBC connection) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection, &m_handle))) m_handle = SQL_NULL_HSTMT;
  }
  ~Statement() {
    if (m_handle != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, m_handle);
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  SQLHSTMT Get() const { return m_handle; }

  // Column `column` (from 1) of the current row as text; empty for NULL.
  TString Text(SQLUSMALLINT column) const {
    QString text;
    SQLWCHAR buffer[512];
    for (;;) {
      SQLLEN length = 0;
      const SQLRETURN result = SQLGetData(m_handle, column, SQL_C_WCHAR, buffer, sizeof(buffer), &length);
      if (result == SQL_NO_DATA || !SQL_SUCCEEDED(result) || length == SQL_NULL_DATA) break;
      // A longer value comes in pieces, each filling the buffer but for its terminating NUL.
      const SQLLEN capacity = static_cast<SQLLEN>(sizeof(buffer) / sizeof(SQLWCHAR)) - 1;
      const SQLLEN units = length == SQL_NO_TOTAL ? capacity : std::min(capacity, length / SQLLEN(sizeof(SQLWCHAR)));
      text += QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer), static_cast<int>(units));
      if (result == SQL_SUCCESS) break;
    }
    return text;
  }

  // The driver's diagnostics of the statement, as "[SQLSTATE] message" lines.
  TString Diagnostics() const { return DiagnosticsOf(SQL_HANDLE_STMT, m_handle); }

  static TString DiagnosticsOf(SQLSMALLINT type, SQLHANDLE handle) {
    QStringList lines;
    SQLWCHAR state[6];
    SQLWCHAR message[1024];
    SQLINTEGER nativeError = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT record = 1; SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, record, state, &nativeError, message,
                                                              static_cast<SQLSMALLINT>(std::size(message)), &length));
         ++record) {
      const int units = std::min<int>(length, static_cast<int>(std::size(message)) - 1);
      lines << QStringLiteral("[%1] %2").arg(QString::fromUtf16(reinterpret_cast<const char16_t*>(state), 5),
                                             QString::fromUtf16(reinterpret_cast<const char16_t*>(message), units));
    }
    return lines.join(QLatin1Char('\n'));
  }

 private:
  SQLHSTMT m_handle = SQL_NULL_HSTMT;
};

// Any ODBC driver: Qt has no catalogue functions beyond plain table names, so the lists come
// from the ODBC catalogue functions (SQLTables, SQLProcedures) on the connection handle Qt
// opened, with what the driver returns in the order it returns it. (ODBC asks for tables by
// type, catalog, schema and name, and procedures by catalog, schema and name, but not every
// driver keeps to it: SQLite's lists in creation order, PostgreSQL's by schema and name.)
class OdbcCatalogue final : public LiveCatalogue {
 public:
  using LiveCatalogue::LiveCatalogue;

  // What the driver says it supports.
  bool Lists(LiveConnection::List list) const override {
    switch (list) {
      case LiveConnection::List::kDatabases:
        return InfoText(SQL_CATALOG_NAME) == QLatin1String("Y");
      case LiveConnection::List::kSchemas:
        return InfoNumber(SQL_SCHEMA_USAGE) != 0;
      case LiveConnection::List::kTables:
        return true;
      case LiveConnection::List::kStoredProcedures:
        return InfoText(SQL_PROCEDURES) == QLatin1String("Y");
    }
    return false;
  }

  // SQLTables with every catalog and empty schema and table names lists the catalogs.
  void Databases(std::vector<TString>& databases) const override {
    const QString all = QStringLiteral(SQL_ALL_CATALOGS);
    const QString none;
    Fetch(
        QStringLiteral("the databases"),
        [&](SQLHSTMT statement) {
          return SQLTablesW(statement, const_cast<SQLWCHAR*>(Wide(all)), WideLength(all),
                            const_cast<SQLWCHAR*>(Wide(none)), 0, const_cast<SQLWCHAR*>(Wide(none)), 0,
                            const_cast<SQLWCHAR*>(Wide(none)), 0);
        },
        [&databases](const Statement& statement) { AddDistinct(databases, statement.Text(1)); });
  }

  // Every schema with empty catalog and table names lists the schemas.
  void Schemas(std::vector<TString>& schemas) const override {
    const QString all = QStringLiteral(SQL_ALL_SCHEMAS);
    const QString none;
    Fetch(
        QStringLiteral("the schemas"),
        [&](SQLHSTMT statement) {
          return SQLTablesW(statement, const_cast<SQLWCHAR*>(Wide(none)), 0, const_cast<SQLWCHAR*>(Wide(all)),
                            WideLength(all), const_cast<SQLWCHAR*>(Wide(none)), 0, const_cast<SQLWCHAR*>(Wide(none)),
                            0);
        },
        [&schemas](const Statement& statement) { AddDistinct(schemas, statement.Text(2)); });
  }

  // A schema argument is a search pattern to ODBC ("_" matches any character), so the schema is
  // compared exactly here instead.
  void Tables(const TString& schema, std::vector<RelationalDSConnectionConfigTableInfo>& tables) const override {
    const QString types = QStringLiteral("TABLE,VIEW");
    Fetch(
        QStringLiteral("the tables"),
        [&](SQLHSTMT statement) {
          return SQLTablesW(statement, nullptr, 0, nullptr, 0, nullptr, 0, const_cast<SQLWCHAR*>(Wide(types)),
                            WideLength(types));
        },
        [&, maker = TableInfoMaker()](const Statement& statement) mutable {
          const TString tableSchema = statement.Text(2);
          if (!schema.isEmpty() && tableSchema != schema) return;
          tables.push_back(maker.Make(tableSchema, statement.Text(3),
                                      statement.Text(4).compare(QLatin1String("VIEW"), Qt::CaseInsensitive) == 0));
        });
  }

  void StoredProcedures(const TString& schema, std::vector<QualifiedName>& procedures) const override {
    std::set<QualifiedName> listed(procedures.begin(), procedures.end());
    Fetch(
        QStringLiteral("the stored procedures"),
        [](SQLHSTMT statement) { return SQLProceduresW(statement, nullptr, 0, nullptr, 0, nullptr, 0); },
        [&](const Statement& statement) {
          const TString procedureSchema = statement.Text(2);
          if (!schema.isEmpty() && procedureSchema != schema) return;
          QualifiedName name;
          if (!procedureSchema.isEmpty()) name.Push(procedureSchema);
          name.Push(statement.Text(3));
          // Overloads share their name: each name is listed once, where it first comes.
          if (listed.insert(name).second) procedures.push_back(std::move(name));
        });
  }

  TString CurrentDatabase() const override { return InfoText(SQL_DATABASE_NAME); }
  // ODBC has no notion of a current schema.
  TString CurrentSchema() const override { return TString(); }

  void Preview(const Preview::Request& request, Preview::Result& result) const override {
    SqlPreview::Run(Database(), SqlPreview::Dialect::kOdbc, request, result);
  }

 private:
  SQLHDBC Handle() const {
    // Qt's ODBC driver hands out its connection handle as a SQLHANDLE, which is a void*.
    const QVariant handle = Database().driver()->handle();
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "SQLHANDLE") != 0 && qstrcmp(handle.typeName(), "void*") != 0))
      return SQL_NULL_HDBC;
    return *static_cast<const SQLHANDLE*>(handle.constData());
  }

  TString InfoText(SQLUSMALLINT type) const {
    SQLWCHAR buffer[256];
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(Handle(), type, buffer, sizeof(buffer), &length))) return TString();
    const int units =
        std::min<int>(length / static_cast<int>(sizeof(SQLWCHAR)), static_cast<int>(std::size(buffer)) - 1);
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer), units);
  }

  SQLUINTEGER InfoNumber(SQLUSMALLINT type) const {
    SQLUINTEGER value = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(Handle(), type, &value, sizeof(value), nullptr))) return 0;
    return value;
  }

  static void AddDistinct(std::vector<TString>& names, const TString& name) {
    if (!name.isEmpty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }

  template <typename Call, typename OnRow>
  void Fetch(const QString& what, Call call, OnRow onRow) const {
    const Statement statement(Handle());
    if (statement.Get() == SQL_NULL_HSTMT)
      throw DataSourceException(QStringLiteral("Reading %1 from the database failed: %2")
                                    .arg(what, Statement::DiagnosticsOf(SQL_HANDLE_DBC, Handle())));
    if (!SQL_SUCCEEDED(call(statement.Get()))) Fail(what, statement);
    for (;;) {
      const SQLRETURN fetched = SQLFetch(statement.Get());
      if (fetched == SQL_NO_DATA) return;
      if (!SQL_SUCCEEDED(fetched)) Fail(what, statement);
      onRow(statement);
    }
  }

  [[noreturn]] static void Fail(const QString& what, const Statement& statement) {
    throw DataSourceException(
        QStringLiteral("Reading %1 from the database failed: %2").arg(what, statement.Diagnostics()));
  }
};

}  // namespace

std::unique_ptr<LiveCatalogue> LiveCatalogue::For(const TString& driver, const TString& connectionName) {
  if (driver == QLatin1String("QSQLITE")) return std::make_unique<SqliteCatalogue>(connectionName);
  if (driver == QLatin1String("QPSQL")) return std::make_unique<PostgresCatalogue>(connectionName);
  if (driver == QLatin1String("QMYSQL")) return std::make_unique<MysqlCatalogue>(connectionName);
  if (driver == QLatin1String("QODBC")) return std::make_unique<OdbcCatalogue>(connectionName);
  return nullptr;
}
