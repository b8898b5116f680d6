#include "host/connectors/SqlPreview.h"

#include "host/connect/DataSourceException.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QTime>

#include <libpq-fe.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace SqlPreview {

namespace {

using Clock = std::chrono::steady_clock;
using Preview::Cell;
using Preview::Column;
using Reason = DataSourceException::Reason;

// What a cell of any kind counts against kMaxTotalBytes besides its text, so that many small
// cells are bounded as well as a few long texts.
constexpr std::size_t kCellBytes = 8;

std::size_t Utf8Size(const QString& text) {
  std::size_t bytes = 0;
  for (int i = 0; i < text.size(); ++i) {
    const ushort c = text.at(i).unicode();
    if (c < 0x80) {
      bytes += 1;
    } else if (c < 0x800) {
      bytes += 2;
    } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      bytes += 4;
      ++i;
    } else {
      bytes += 3;
    }
  }
  return bytes;
}

// The row being read: its cells, the cells cut and the bytes it counts.
struct RowReader {
  std::vector<Cell> cells;
  int cuts = 0;
  std::size_t bytes = 0;

  void Null() {
    bytes += kCellBytes;
    cells.emplace_back(std::monostate());
  }
  template <typename T>
  void Value(T value) {
    bytes += kCellBytes;
    cells.emplace_back(value);
  }
  void Text(QString text) {
    Preview::Result cut;
    TString capped = Preview::CapCell(std::move(text), cut);
    cuts += cut.cutCells;
    bytes += kCellBytes + Utf8Size(capped);
    cells.emplace_back(std::move(capped));
  }
  // A text already cut to at most kMaxCellBytes UTF-8 bytes (`wasCut` when it was).
  void CutText(QString text, std::size_t utf8Bytes, bool wasCut) {
    cuts += wasCut ? 1 : 0;
    bytes += kCellBytes + utf8Bytes;
    cells.emplace_back(std::move(text));
  }
  // An exact decimal as a double when the double reads back as the same decimal: at most 15
  // significant digits (trailing zeros do not count). A longer one, or one that is not a
  // finite number (PostgreSQL's NaN), stays text, so that no digit is lost.
  void Decimal(const QString& text) {
    int digits = 0;
    int zeros = 0;
    bool leading = true;
    for (const QChar c : text) {
      if (c == QLatin1Char('e') || c == QLatin1Char('E')) break;
      if (!c.isDigit()) continue;
      if (c == QLatin1Char('0')) {
        if (!leading) ++zeros;
        continue;
      }
      leading = false;
      digits += zeros + 1;
      zeros = 0;
    }
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (ok && std::isfinite(value) && digits <= 15)
      Value(value);
    else
      Text(text);
  }
  // A real number; one that is not finite is text ("NaN", "Infinity"), which JSON can hold.
  void Real(double value, const QString& text) {
    if (std::isfinite(value))
      Value(value);
    else
      Text(text);
  }
};

// The rows of the answer, up to the count asked for and kMaxTotalBytes.
class Collector {
 public:
  Collector(const Preview::Request& request, Preview::Result& result) : m_limit(request.rows), m_result(result) {}

  // Whether another row is wanted. When the rows asked for are there, a further row only
  // says that there are more.
  bool Wants() {
    if (static_cast<int>(m_result.rows.size()) < m_limit) return true;
    m_result.moreRows = true;
    return false;
  }
  // Adds the row; false (and moreRows) when it would pass kMaxTotalBytes.
  bool Add(RowReader&& row) {
    if (m_bytes + row.bytes > Preview::kMaxTotalBytes) {
      m_result.moreRows = true;
      return false;
    }
    m_bytes += row.bytes;
    m_result.cutCells += row.cuts;
    m_result.rows.push_back(std::move(row.cells));
    return true;
  }
  // Whether reading stopped before the source ran out.
  bool Stopped() const { return m_result.moreRows; }

 private:
  const int m_limit;
  Preview::Result& m_result;
  std::size_t m_bytes = 0;
};

TString Subject(const Preview::Request& request) {
  if (!request.sql.trimmed().isEmpty()) return QStringLiteral("the query");
  QStringList parts;
  for (const TString& part : request.table.GetComponents()) parts << part;
  return QStringLiteral("the table \"%1\"").arg(parts.join(QLatin1Char('.')));
}

[[noreturn]] void Fail(const Preview::Request& request, Reason reason, const TString& text) {
  const TString subject = Subject(request);
  TString why;
  switch (reason) {
    case Reason::kRefusedWrite:
      why = QStringLiteral("it would change the database, and a preview only reads");
      break;
    case Reason::kTimedOut:
      why = QStringLiteral("it took longer than its time limit of %1 ms and was stopped").arg(request.timeout.count());
      break;
    case Reason::kCancelled:
      why = QStringLiteral("it was cancelled");
      break;
    default:
      why = text.isEmpty() ? QStringLiteral("the database refused it") : text;
      break;
  }
  throw DataSourceException(QStringLiteral("Previewing %1 failed: %2").arg(subject, why), reason, text);
}

void Check(const Preview::Request& request) {
  const bool hasTable = !request.table.IsEmpty();
  const bool hasSql = !request.sql.trimmed().isEmpty();
  if (hasTable == hasSql)
    throw DataSourceException(hasTable ? QStringLiteral("A preview reads a table or runs a query, not both")
                                       : QStringLiteral("A preview needs a table or a query"));
  for (const TString& part : request.table.GetComponents())
    if (part.isEmpty()) throw DataSourceException(QStringLiteral("A preview's table name has an empty part"));
  if (request.rows < 1 || request.rows > Preview::kMaxRows)
    throw DataSourceException(
        QStringLiteral("A preview gives 1 to %1 rows, not %2").arg(Preview::kMaxRows).arg(request.rows));
  if (request.timeout.count() <= 0)
    throw DataSourceException(
        QStringLiteral("A preview's time limit must be above 0 ms, not %1 ms").arg(request.timeout.count()));
  if (request.cancel != nullptr && request.cancel->load()) Fail(request, Reason::kCancelled, TString());
}

// What stopped a query from outside.
enum class Stop { kNone, kCancelled, kTimedOut };

// Watches a running query from a thread of its own: when the caller's flag is set or the time
// limit passes, calls `interrupt` (a function the database lets another thread call), and
// again every quarter second until stopped, in case the first call came between statements.
class Watcher {
 public:
  Watcher(const Preview::Request& request, std::function<void()> interrupt)
      : m_cancel(request.cancel), m_deadline(Clock::now() + request.timeout), m_interrupt(std::move(interrupt)) {
    m_thread = std::thread([this] { Watch(); });
  }
  ~Watcher() { Finish(); }
  Watcher(const Watcher&) = delete;
  Watcher& operator=(const Watcher&) = delete;

  // Stops watching; what stopped the query, if anything.
  Stop Finish() {
    {
      const std::lock_guard<std::mutex> lock(m_mutex);
      m_done = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
    return m_stop.load();
  }

 private:
  void Watch() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_done) {
      Stop stop = m_stop.load();
      if (stop == Stop::kNone) {
        if (m_cancel != nullptr && m_cancel->load())
          stop = Stop::kCancelled;
        else if (Clock::now() >= m_deadline)
          stop = Stop::kTimedOut;
      }
      if (stop != Stop::kNone) {
        m_stop = stop;
        lock.unlock();
        m_interrupt();
        lock.lock();
        m_wake.wait_for(lock, std::chrono::milliseconds(250), [this] { return m_done; });
        continue;
      }
      m_wake.wait_until(lock, std::min(Clock::now() + std::chrono::milliseconds(10), m_deadline),
                        [this] { return m_done; });
    }
  }

  const std::atomic<bool>* const m_cancel;
  const Clock::time_point m_deadline;
  const std::function<void()> m_interrupt;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_done = false;
  std::atomic<Stop> m_stop{Stop::kNone};
  std::thread m_thread;
};

[[noreturn]] void FailStopped(const Preview::Request& request, Stop stop, const TString& text) {
  Fail(request, stop == Stop::kCancelled ? Reason::kCancelled : Reason::kTimedOut, text);
}

TString ErrorText(const QSqlError& error) {
  const TString database = error.databaseText().trimmed();
  return database.isEmpty() ? error.text().trimmed() : database;
}

// Runs statements of the read-only frame around the query; a failure is the database's.
void Exec(const QSqlDatabase& database, const Preview::Request& request, const QString& sql) {
  QSqlQuery query(database);
  if (!query.exec(sql)) Fail(request, Reason::kOther, ErrorText(query.lastError()));
}

// Runs `sql` when it goes, whether the preview succeeded or not, and ignores its outcome: the
// rollback that ends a preview, the resetting of a session setting. A connection that cannot
// run it is broken, which its next use says.
class Finally {
 public:
  explicit Finally(std::function<void()> action) : m_action(std::move(action)) {}
  ~Finally() {
    if (m_action) m_action();
  }
  Finally(const Finally&) = delete;
  Finally& operator=(const Finally&) = delete;

 private:
  std::function<void()> m_action;
};

template <typename Handle>
Handle HandleOf(const QVariant& handle, const char* typeName) {
  if (!handle.isValid() || qstrcmp(handle.typeName(), typeName) != 0) return nullptr;
  return *static_cast<const Handle*>(handle.constData());
}

QString Iso(const QTime& time) {
  return time.toString(time.msec() == 0 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm:ss.zzz"));
}

// ---------------------------------------------------------------------------------------------
// PostgreSQL, through libpq on the connection Qt opened.

using PgResult = std::unique_ptr<PGresult, decltype(&PQclear)>;

// PostgreSQL's type numbers (pg_type.oid) the values are read by.
enum PgType : Oid {
  kBool = 16,
  kBytea = 17,
  kInt8 = 20,
  kInt2 = 21,
  kInt4 = 23,
  kOid = 26,
  kFloat4 = 700,
  kFloat8 = 701,
  kTimestamp = 1114,
  kTimestampTz = 1184,
  kNumeric = 1700,
};

class PostgresPreview {
 public:
  PostgresPreview(PGconn* connection, const Preview::Request& request, Preview::Result& result)
      : m_connection(connection), m_request(request), m_result(result) {}

  void Run() {
    {
      Command(QByteArrayLiteral("BEGIN READ ONLY"));
      const Finally rollback([this] { Rollback(); });
      Query();
    }
    NameTypes();
  }

 private:
  // Ends the transaction. A cancel that stopped the query early may reach the server only as
  // the rollback starts, and so cancel it: the rollback is then sent again.
  void Rollback() const {
    for (int attempt = 0; attempt < 2 && PQtransactionStatus(m_connection) != PQTRANS_IDLE; ++attempt)
      PgResult(PQexec(m_connection, "ROLLBACK"), &PQclear);
  }

  void Query() {
    Command(QStringLiteral("SET LOCAL statement_timeout = %1").arg(m_request.timeout.count()).toUtf8());

    PGcancel* const cancel = PQgetCancel(m_connection);
    if (cancel == nullptr) Fail(m_request, Reason::kOther, QString::fromUtf8(PQerrorMessage(m_connection)));
    const std::unique_ptr<PGcancel, decltype(&PQfreeCancel)> cancelHolder(cancel, &PQfreeCancel);
    const auto interrupt = [cancel] {
      char error[256];
      PQcancel(cancel, error, sizeof(error));
    };

    const QByteArray sql = Sql();
    Collector rows(m_request, m_result);
    QString error;
    QByteArray state;
    Stop stop = Stop::kNone;
    {
      Watcher watcher(m_request, interrupt);
      // The extended protocol takes one statement only: a query cannot end the read-only
      // transaction and write after it.
      if (PQsendQueryParams(m_connection, sql.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0) == 0)
        Fail(m_request, Reason::kOther, QString::fromUtf8(PQerrorMessage(m_connection)).trimmed());
      PQsetSingleRowMode(m_connection);
      bool reading = true;
      while (PGresult* const raw = PQgetResult(m_connection)) {
        const PgResult part(raw, &PQclear);
        const ExecStatusType status = PQresultStatus(raw);
        if (status == PGRES_SINGLE_TUPLE || status == PGRES_TUPLES_OK) {
          if (m_types.empty()) Describe(raw);
          if (status == PGRES_SINGLE_TUPLE && reading && !(rows.Wants() && rows.Add(ReadRow(raw)))) {
            // Enough: the server is told to stop, and what it sent meanwhile is dropped.
            reading = false;
            interrupt();
          }
        } else if (status != PGRES_COMMAND_OK && status != PGRES_EMPTY_QUERY && reading && error.isEmpty()) {
          error = QString::fromUtf8(PQresultErrorField(raw, PG_DIAG_MESSAGE_PRIMARY)).trimmed();
          state = QByteArray(PQresultErrorField(raw, PG_DIAG_SQLSTATE));
          if (error.isEmpty()) error = QString::fromUtf8(PQresultErrorMessage(raw)).trimmed();
        }
      }
      stop = watcher.Finish();
    }
    if (!error.isEmpty()) {
      if (stop != Stop::kNone) FailStopped(m_request, stop, error);
      if (state == "25006") Fail(m_request, Reason::kRefusedWrite, error);
      if (state == "57014") Fail(m_request, Reason::kTimedOut, error);
      Fail(m_request, Reason::kOther, error);
    }
    // Past the time limit (or cancelled) the answer does not count, even if it came.
    if (stop != Stop::kNone && !rows.Stopped()) FailStopped(m_request, stop, TString());
  }

  QByteArray Sql() const {
    if (!m_request.sql.trimmed().isEmpty()) return m_request.sql.toUtf8();
    QStringList parts;
    for (const TString& part : m_request.table.GetComponents()) parts << QuoteIdentifier(part, QLatin1Char('"'));
    return QStringLiteral("SELECT * FROM %1 LIMIT %2").arg(parts.join(QLatin1Char('.'))).arg(m_request.rows + 1).toUtf8();
  }

  void Command(const QByteArray& sql) const {
    const PgResult done(PQexec(m_connection, sql.constData()), &PQclear);
    if (PQresultStatus(done.get()) != PGRES_COMMAND_OK)
      Fail(m_request, Reason::kOther, QString::fromUtf8(PQerrorMessage(m_connection)).trimmed());
  }

  void Describe(const PGresult* part) {
    const int count = PQnfields(part);
    for (int i = 0; i < count; ++i) {
      Column column;
      column.name = QString::fromUtf8(PQfname(part, i));
      m_result.columns.push_back(std::move(column));
      m_types.push_back(PQftype(part, i));
      m_modifiers.push_back(PQfmod(part, i));
      m_tables.push_back(PQftable(part, i));
      m_tableColumns.push_back(PQftablecol(part, i));
    }
  }

  RowReader ReadRow(const PGresult* part) const {
    RowReader row;
    for (int i = 0; i < static_cast<int>(m_types.size()); ++i) {
      if (PQgetisnull(part, 0, i)) {
        row.Null();
        continue;
      }
      const char* const value = PQgetvalue(part, 0, i);
      const int length = PQgetlength(part, 0, i);
      switch (m_types[i]) {
        case kBool:
          row.Value(value[0] == 't');
          break;
        case kInt2:
        case kInt4:
        case kInt8:
        case kOid:
          row.Value(static_cast<std::int64_t>(std::strtoll(value, nullptr, 10)));
          break;
        case kFloat4:
        case kFloat8:
        {
          bool ok = false;
          const double number = QByteArray::fromRawData(value, length).toDouble(&ok);
          if (ok)
            row.Real(number, QString::fromLatin1(value, length));
          else
            row.Text(QString::fromLatin1(value, length));  // NaN, Infinity
          break;
        }
        case kNumeric:
          row.Decimal(QString::fromLatin1(value, length));
          break;
        case kBytea:
          // The hex form the server sends: "\x" and two digits a byte.
          if (length >= 2 && value[0] == '\\' && value[1] == 'x') {
            row.Value(Preview::Binary{(length - 2) / 2});
          } else {
            std::size_t size = 0;
            unsigned char* const bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(value), &size);
            PQfreemem(bytes);
            row.Value(Preview::Binary{static_cast<std::int64_t>(size)});
          }
          break;
        case kTimestamp:
        case kTimestampTz: {
          // The ISO form with a "T" between the date and the time.
          QString text = QString::fromLatin1(value, length);
          if (text.size() > 10 && text.at(10) == QLatin1Char(' ')) text[10] = QLatin1Char('T');
          row.Text(std::move(text));
          break;
        }
        default: {
          // Only the bytes the cell keeps are decoded, cut at a character's start.
          std::size_t kept = std::min<std::size_t>(length, Preview::kMaxCellBytes);
          while (kept < static_cast<std::size_t>(length) && kept > 0 && (value[kept] & 0xC0) == 0x80) --kept;
          row.CutText(QString::fromUtf8(value, static_cast<int>(kept)), kept, kept < static_cast<std::size_t>(length));
          break;
        }
      }
    }
    return row;
  }

  // The columns' type names as the database writes them, and for a table whether each column
  // may hold NULL (a view's columns may), in one query after the preview's transaction.
  void NameTypes() {
    if (m_types.empty()) return;
    QStringList types, modifiers, tables, columns;
    for (std::size_t i = 0; i < m_types.size(); ++i) {
      types << QString::number(m_types[i]);
      modifiers << QString::number(m_modifiers[i]);
      tables << QString::number(m_tables[i]);
      columns << QString::number(m_tableColumns[i]);
    }
    const QByteArray sql =
        QStringLiteral(
            "SELECT pg_catalog.format_type(t, NULLIF(m, -1)), (SELECT a.attnotnull FROM pg_catalog.pg_attribute a "
            "WHERE a.attrelid = r AND a.attnum = c AND c > 0) FROM unnest('{%1}'::oid[], '{%2}'::int4[], "
            "'{%3}'::oid[], '{%4}'::int2[]) WITH ORDINALITY AS x(t, m, r, c, o) ORDER BY o")
            .arg(types.join(QLatin1Char(',')), modifiers.join(QLatin1Char(',')), tables.join(QLatin1Char(',')),
                 columns.join(QLatin1Char(',')))
            .toUtf8();
    PgResult named(PQexec(m_connection, sql.constData()), &PQclear);
    // Once more if a late cancel stopped it (see Rollback).
    if (PQresultStatus(named.get()) != PGRES_TUPLES_OK) named.reset(PQexec(m_connection, sql.constData()));
    if (PQresultStatus(named.get()) != PGRES_TUPLES_OK || PQntuples(named.get()) != static_cast<int>(m_types.size()))
      Fail(m_request, Reason::kOther, QString::fromUtf8(PQerrorMessage(m_connection)).trimmed());
    const bool table = m_request.sql.trimmed().isEmpty();
    for (int i = 0; i < static_cast<int>(m_types.size()); ++i) {
      m_result.columns[i].type = QString::fromUtf8(PQgetvalue(named.get(), i, 0));
      if (table && !PQgetisnull(named.get(), i, 1))
        m_result.columns[i].nullable =
            PQgetvalue(named.get(), i, 1)[0] == 't' ? Column::Nullable::kNo : Column::Nullable::kYes;
    }
  }

  PGconn* const m_connection;
  const Preview::Request& m_request;
  Preview::Result& m_result;
  std::vector<Oid> m_types;
  std::vector<int> m_modifiers;
  std::vector<Oid> m_tables;
  std::vector<int> m_tableColumns;
};

// ---------------------------------------------------------------------------------------------
// SQLite, MySQL and ODBC, through Qt's drivers.

// Stops a running SQLite statement past the time limit or when cancelled, from SQLite's
// progress handler, which it calls every thousand steps of its virtual machine.
class SqliteGuard {
 public:
  SqliteGuard(sqlite3* database, const Preview::Request& request)
      : m_database(database), m_cancel(request.cancel), m_deadline(Clock::now() + request.timeout) {
    if (m_database != nullptr) sqlite3_progress_handler(m_database, 1000, &SqliteGuard::Progress, this);
  }
  ~SqliteGuard() {
    if (m_database != nullptr) sqlite3_progress_handler(m_database, 0, nullptr, nullptr);
  }
  SqliteGuard(const SqliteGuard&) = delete;
  SqliteGuard& operator=(const SqliteGuard&) = delete;

  Stop Stopped() const { return m_stop; }

 private:
  static int Progress(void* self) {
    auto* const guard = static_cast<SqliteGuard*>(self);
    if (guard->m_cancel != nullptr && guard->m_cancel->load())
      guard->m_stop = Stop::kCancelled;
    else if (Clock::now() >= guard->m_deadline)
      guard->m_stop = Stop::kTimedOut;
    return guard->m_stop == Stop::kNone ? 0 : 1;
  }

  sqlite3* const m_database;
  const std::atomic<bool>* const m_cancel;
  const Clock::time_point m_deadline;
  Stop m_stop = Stop::kNone;
};

// MySQL's type numbers (enum_field_types), which Qt gives as a field's type id.
const std::map<int, const char*>& MysqlTypeNames() {
  static const std::map<int, const char*> names = {
      {0, "decimal"},    {1, "tinyint"},  {2, "smallint"}, {3, "int"},          {4, "float"},
      {5, "double"},     {6, "null"},     {7, "timestamp"}, {8, "bigint"},      {9, "mediumint"},
      {10, "date"},      {11, "time"},    {12, "datetime"}, {13, "year"},       {14, "date"},
      {15, "varchar"},   {16, "bit"},     {245, "json"},    {246, "decimal"},   {247, "enum"},
      {248, "set"},      {249, "tinyblob"}, {250, "mediumblob"}, {251, "longblob"}, {252, "blob"},
      {253, "varchar"},  {254, "char"},   {255, "geometry"}};
  return names;
}

// Qt's ODBC driver hands out its handles as a SQLHANDLE, which is a void*.
SQLHANDLE OdbcHandle(const QVariant& handle) {
  if (SQLHANDLE found = HandleOf<SQLHANDLE>(handle, "SQLHANDLE")) return found;
  return HandleOf<SQLHANDLE>(handle, "void*");
}

QString OdbcText(SQLHANDLE handle, bool statement, SQLUSMALLINT what, SQLUSMALLINT column = 0) {
  SQLWCHAR buffer[256];
  SQLSMALLINT length = 0;
  const SQLRETURN done = statement
                             ? SQLColAttributeW(handle, column, what, buffer, sizeof(buffer), &length, nullptr)
                             : SQLGetInfoW(handle, what, buffer, sizeof(buffer), &length);
  if (!SQL_SUCCEEDED(done)) return QString();
  const int units = std::min<int>(length / static_cast<int>(sizeof(SQLWCHAR)), static_cast<int>(std::size(buffer)) - 1);
  return QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer), std::max(units, 0));
}

class QtPreview {
 public:
  QtPreview(const QSqlDatabase& database, Dialect dialect, const Preview::Request& request, Preview::Result& result)
      : m_database(database), m_dialect(dialect), m_request(request), m_result(result) {}

  void Run() {
    const bool custom = !m_request.sql.trimmed().isEmpty();
    switch (m_dialect) {
      case Dialect::kSqlite:
        RunSqlite(custom);
        break;
      case Dialect::kMysql:
        RunMysql(custom);
        break;
      default:
        RunOdbc(custom);
        break;
    }
  }

 private:
  QString TableSql(QChar quote, bool limit) const {
    QStringList parts;
    for (const TString& part : m_request.table.GetComponents()) parts << QuoteIdentifier(part, quote);
    QString sql = QStringLiteral("SELECT * FROM %1").arg(parts.join(QLatin1Char('.')));
    if (limit) sql += QStringLiteral(" LIMIT %1").arg(m_request.rows + 1);
    return sql;
  }

  void RunSqlite(bool custom) {
    Exec(m_database, m_request, QStringLiteral("PRAGMA query_only = 1"));
    Exec(m_database, m_request, QStringLiteral("BEGIN"));
    const Finally rollback([this] { QSqlQuery(m_database).exec(QStringLiteral("ROLLBACK")); });
    // A table's columns may hold NULL as its declaration says.
    std::map<QString, bool> notNull;
    if (!custom) {
      const auto& parts = m_request.table.GetComponents();
      const QString schema = parts.size() > 1 ? QuoteIdentifier(parts[parts.size() - 2], QLatin1Char('"')) + QLatin1Char('.') : QString();
      QSqlQuery info(m_database);
      if (info.exec(QStringLiteral("PRAGMA %1table_info(%2)").arg(schema, QuoteIdentifier(parts.back(), QLatin1Char('"')))))
        while (info.next()) notNull[info.value(1).toString()] = info.value(3).toInt() != 0;
    }
    const SqliteGuard guard(HandleOf<sqlite3*>(m_database.driver()->handle(), "sqlite3*"), m_request);
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    const bool done = query.exec(custom ? m_request.sql : TableSql(QLatin1Char('"'), true));
    const auto fail = [&](const QSqlError& error) {
      if (guard.Stopped() != Stop::kNone) FailStopped(m_request, guard.Stopped(), ErrorText(error));
      // SQLITE_READONLY, and its extended codes.
      if ((error.nativeErrorCode().toInt() & 0xff) == SQLITE_READONLY)
        Fail(m_request, Reason::kRefusedWrite, ErrorText(error));
      Fail(m_request, Reason::kOther, ErrorText(error));
    };
    if (!done) fail(query.lastError());
    sqlite3_stmt* const statement = HandleOf<sqlite3_stmt*>(query.result()->handle(), "sqlite3_stmt*");
    DescribeColumns(query.record(), [&](int i, Column& column) {
      const char* declared = statement != nullptr ? sqlite3_column_decltype(statement, i) : nullptr;
      column.type = declared != nullptr ? QString::fromUtf8(declared) : QString();
      const auto found = notNull.find(column.name);
      if (found != notNull.end()) column.nullable = found->second ? Column::Nullable::kNo : Column::Nullable::kYes;
    });
    ReadRows(query, [](const QSqlField&) { return false; });
    if (query.lastError().isValid()) fail(query.lastError());
  }

  void RunMysql(bool custom) {
    QSqlQuery session(m_database);
    if (!session.exec(QStringLiteral("SELECT CONNECTION_ID(), VERSION()")) || !session.next())
      Fail(m_request, Reason::kOther, ErrorText(session.lastError()));
    const QString connectionId = session.value(0).toString();
    const bool mariaDb = session.value(1).toString().contains(QLatin1String("MariaDB"), Qt::CaseInsensitive);
    session.finish();
    const qint64 ms = m_request.timeout.count();
    // The limit on rows applies to a custom query too: the driver reads a whole result.
    Exec(m_database, m_request,
         QStringLiteral("SET SESSION %1, sql_select_limit = %2")
             .arg(mariaDb ? QStringLiteral("max_statement_time = %1").arg(ms / 1000.0, 0, 'f', 3)
                          : QStringLiteral("max_execution_time = %1").arg(ms))
             .arg(m_request.rows + 1));
    const Finally reset([this, mariaDb] {
      QSqlQuery(m_database).exec(QStringLiteral("SET SESSION %1 = DEFAULT, sql_select_limit = DEFAULT")
                                     .arg(mariaDb ? QLatin1String("max_statement_time")
                                                  : QLatin1String("max_execution_time")));
    });
    Exec(m_database, m_request, QStringLiteral("START TRANSACTION READ ONLY"));
    const Finally rollback([this] { QSqlQuery(m_database).exec(QStringLiteral("ROLLBACK")); });

    const QString connectionName = m_database.connectionName();
    Watcher watcher(m_request, [connectionName, connectionId] {
      // A second connection, as the first, stops the query.
      static std::atomic<unsigned> counter{0};
      const QString name = QStringLiteral("%1-kill-%2").arg(connectionName).arg(counter.fetch_add(1));
      {
        QSqlDatabase killer = QSqlDatabase::cloneDatabase(connectionName, name);
        if (killer.open()) QSqlQuery(killer).exec(QStringLiteral("KILL QUERY %1").arg(connectionId));
        killer.close();
      }
      QSqlDatabase::removeDatabase(name);
    });
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    // A prepared statement is one statement only: a query cannot end the read-only
    // transaction and write after it.
    const bool done = query.prepare(custom ? m_request.sql : TableSql(QLatin1Char('`'), true)) && query.exec();
    const auto fail = [&](const QSqlError& error) {
      const Stop stop = watcher.Finish();
      if (stop != Stop::kNone) FailStopped(m_request, stop, ErrorText(error));
      const int code = error.nativeErrorCode().toInt();
      // ER_CANT_EXECUTE_IN_READ_ONLY_TRANSACTION; MariaDB's and MySQL's statement time-outs.
      if (code == 1792) Fail(m_request, Reason::kRefusedWrite, ErrorText(error));
      if (code == 1969 || code == 3024) Fail(m_request, Reason::kTimedOut, ErrorText(error));
      Fail(m_request, Reason::kOther, ErrorText(error));
    };
    if (!done) fail(query.lastError());
    const QSqlRecord record = query.record();
    DescribeColumns(record, [&record](int i, Column& column) {
      const auto found = MysqlTypeNames().find(record.field(i).typeID());
      column.type = found == MysqlTypeNames().end() ? QString() : QLatin1String(found->second);
      // Text columns come as blobs of a character set.
      if (column.type.endsWith(QLatin1String("blob")) && record.field(i).type() == QVariant::String)
        column.type.replace(QLatin1String("blob"), QLatin1String("text"));
    });
    ReadRows(query, [](const QSqlField& field) { return field.typeID() == 0 || field.typeID() == 246; });
    if (query.lastError().isValid()) fail(query.lastError());
    // MySQL's SLEEP() stopped by KILL QUERY just returns: past the time limit it does not count.
    if (const Stop stop = watcher.Finish(); stop != Stop::kNone && !m_result.moreRows)
      FailStopped(m_request, stop, TString());
  }

  void RunOdbc(bool custom) {
    SQLHDBC const connection = OdbcHandle(m_database.driver()->handle());
    if (connection == SQL_NULL_HDBC) Fail(m_request, Reason::kOther, QStringLiteral("the ODBC connection is closed"));
    SQLULEN accessMode = SQL_MODE_READ_WRITE;
    SQLGetConnectAttr(connection, SQL_ATTR_ACCESS_MODE, &accessMode, 0, nullptr);
    SQLSetConnectAttr(connection, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY), 0);
    const Finally restore([connection, accessMode] {
      SQLSetConnectAttr(connection, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(accessMode), 0);
    });
    QSqlDatabase database = m_database;
    const bool transaction = database.transaction();
    if (!transaction && custom)
      Fail(m_request, Reason::kOther,
           QStringLiteral("the driver has no transactions, which a custom query needs to leave the database as it was"));
    const Finally rollback([database, transaction]() mutable {
      if (transaction) database.rollback();
    });

    const QString quoteText = OdbcText(connection, false, SQL_IDENTIFIER_QUOTE_CHAR);
    const QChar quote = quoteText.size() == 1 ? quoteText.at(0) : QChar();
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!query.prepare(custom ? m_request.sql : TableSql(quote, false)))
      Fail(m_request, Reason::kOther, ErrorText(query.lastError()));
    SQLHSTMT const statement = OdbcHandle(query.result()->handle());
    if (statement != nullptr) {
      const auto seconds = static_cast<SQLULEN>((m_request.timeout.count() + 999) / 1000);
      SQLSetStmtAttr(statement, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(seconds), 0);
      SQLSetStmtAttr(statement, SQL_ATTR_MAX_ROWS, reinterpret_cast<SQLPOINTER>(SQLULEN(m_request.rows + 1)), 0);
    }
    Watcher watcher(m_request, [statement] {
      if (statement != nullptr) SQLCancel(statement);
    });
    const auto fail = [&](const QSqlError& error) {
      const Stop stop = watcher.Finish();
      if (stop != Stop::kNone) FailStopped(m_request, stop, ErrorText(error));
      const QString codes = error.nativeErrorCode() + QLatin1Char(' ') + error.databaseText();
      if (codes.contains(QLatin1String("25006")) || codes.contains(QLatin1String("read-only"), Qt::CaseInsensitive) ||
          codes.contains(QLatin1String("readonly"), Qt::CaseInsensitive))
        Fail(m_request, Reason::kRefusedWrite, ErrorText(error));
      if (codes.contains(QLatin1String("HYT00"))) Fail(m_request, Reason::kTimedOut, ErrorText(error));
      Fail(m_request, Reason::kOther, ErrorText(error));
    };
    if (!query.exec()) fail(query.lastError());
    // Many ODBC drivers do not enforce a read-only transaction. A statement that gives no
    // result set is no query: whatever it changed is rolled back, and the preview refuses it.
    if (!query.isSelect()) {
      watcher.Finish();
      Fail(m_request, Reason::kRefusedWrite, TString());
    }
    DescribeColumns(query.record(), [&](int i, Column& column) {
      if (statement != nullptr)
        column.type = OdbcText(statement, true, SQL_DESC_TYPE_NAME, static_cast<SQLUSMALLINT>(i + 1));
    });
    ReadRows(query, [](const QSqlField& field) { return field.typeID() == SQL_DECIMAL || field.typeID() == SQL_NUMERIC; });
    if (query.lastError().isValid()) fail(query.lastError());
    if (const Stop stop = watcher.Finish(); stop != Stop::kNone && !m_result.moreRows)
      FailStopped(m_request, stop, TString());
  }

  // The columns of `record`, nullable as the driver says; `more` adds what the dialect knows.
  template <typename More>
  void DescribeColumns(const QSqlRecord& record, More more) {
    for (int i = 0; i < record.count(); ++i) {
      const QSqlField field = record.field(i);
      Column column;
      column.name = field.name();
      column.nullable = field.requiredStatus() == QSqlField::Required   ? Column::Nullable::kNo
                        : field.requiredStatus() == QSqlField::Optional ? Column::Nullable::kYes
                                                                        : Column::Nullable::kUnknown;
      more(i, column);
      m_result.columns.push_back(std::move(column));
    }
  }

  template <typename IsExact>
  void ReadRows(QSqlQuery& query, IsExact isExact) {
    const QSqlRecord record = query.record();
    std::vector<bool> exact;
    std::vector<bool> real;
    for (int i = 0; i < record.count(); ++i) {
      exact.push_back(isExact(record.field(i)));
      real.push_back(record.field(i).type() == QVariant::Double);
    }
    Collector rows(m_request, m_result);
    while (query.next()) {
      if (!rows.Wants()) break;
      RowReader row;
      for (int i = 0; i < record.count(); ++i) ReadCell(query.value(i), exact[i], real[i], row);
      if (!rows.Add(std::move(row))) break;
    }
  }

  static void ReadCell(const QVariant& value, bool exact, bool real, RowReader& row) {
    if (value.isNull()) return row.Null();
    switch (value.userType()) {
      case QMetaType::Bool:
        return row.Value(value.toBool());
      case QMetaType::Int:
      case QMetaType::UInt:
      case QMetaType::LongLong:
      case QMetaType::Short:
      case QMetaType::UShort:
      case QMetaType::Char:
      case QMetaType::SChar:
      case QMetaType::UChar:
      case QMetaType::Long:
        return row.Value(static_cast<std::int64_t>(value.toLongLong()));
      case QMetaType::ULongLong:
      case QMetaType::ULong: {
        const qulonglong number = value.toULongLong();
        if (number <= static_cast<qulonglong>(std::numeric_limits<std::int64_t>::max()))
          return row.Value(static_cast<std::int64_t>(number));
        return row.Text(QString::number(number));
      }
      case QMetaType::Double:
      case QMetaType::Float:
        return row.Real(value.toDouble(), value.toString());
      case QMetaType::QByteArray:
        return row.Value(Preview::Binary{value.toByteArray().size()});
      case QMetaType::QDate:
        return row.Text(value.toDate().toString(Qt::ISODate));
      case QMetaType::QTime:
        return row.Text(Iso(value.toTime()));
      case QMetaType::QDateTime: {
        const QDateTime time = value.toDateTime();
        return row.Text(time.toString(time.time().msec() == 0 ? Qt::ISODate : Qt::ISODateWithMs));
      }
      case QMetaType::QString:
        if (exact) return row.Decimal(value.toString());
        if (real) {
          // A real number the driver gave as text, under the high precision asked for.
          bool ok = false;
          const double number = value.toString().toDouble(&ok);
          if (ok) return row.Real(number, value.toString());
        }
        return row.Text(value.toString());
      default:
        return row.Text(value.toString());
    }
  }

  const QSqlDatabase& m_database;
  const Dialect m_dialect;
  const Preview::Request& m_request;
  Preview::Result& m_result;
};

}  // namespace

TString QuoteIdentifier(const TString& name, QChar quote) {
  if (quote.isNull() || quote.isSpace()) return name;
  TString quoted = name;
  quoted.replace(quote, QString(2, quote));
  return quote + quoted + quote;
}

void Run(const QSqlDatabase& database, Dialect dialect, const Preview::Request& request, Preview::Result& result) {
  Check(request);
  result = Preview::Result();
  if (dialect == Dialect::kPostgres) {
    PGconn* const connection = HandleOf<PGconn*>(database.driver()->handle(), "PGconn*");
    if (connection == nullptr || PQstatus(connection) != CONNECTION_OK)
      Fail(request, Reason::kOther, QStringLiteral("the connection to the server is closed"));
    PostgresPreview(connection, request, result).Run();
  } else {
    QtPreview(database, dialect, request, result).Run();
  }
}

}  // namespace SqlPreview
