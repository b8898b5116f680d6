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

#include <dlfcn.h>
#include <libpq-fe.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace SqlPreview {

namespace {

// libpq is opened when a PostgreSQL preview first needs it, not linked: by then Qt's PostgreSQL
// driver has loaded it, so opening it costs nothing, and a process that never previews
// PostgreSQL does not load libpq and the twenty libraries it brings (Kerberos, LDAP, GnuTLS...)
// at start-up. Every call goes through the pointers of Pq().
#define HLV_LIBPQ_FUNCTIONS(X) \
  X(PQcancel) X(PQclear) X(PQerrorMessage) X(PQexec) X(PQfmod) X(PQfname) X(PQfreeCancel) X(PQfreemem) \
  X(PQftable) X(PQftablecol) X(PQftype) X(PQgetCancel) X(PQgetResult) X(PQgetisnull) X(PQgetlength) \
  X(PQgetvalue) X(PQnfields) X(PQntuples) X(PQresultErrorField) X(PQresultErrorMessage) X(PQresultStatus) \
  X(PQsendQuery) X(PQsendQueryParams) X(PQsetSingleRowMode) X(PQstatus) X(PQtransactionStatus) X(PQunescapeBytea)

struct LibPq {
#define HLV_LIBPQ_POINTER(name) decltype(&::name) name = nullptr;
  HLV_LIBPQ_FUNCTIONS(HLV_LIBPQ_POINTER)
#undef HLV_LIBPQ_POINTER
};

// The libpq of this process, opened once; raises DataSourceException when it cannot be.
const LibPq& Pq() {
  static const LibPq* const loaded = []() -> const LibPq* {
    void* const library = ::dlopen("libpq.so.5", RTLD_NOW);
    if (library == nullptr) return nullptr;
    static LibPq functions;
    bool complete = true;
#define HLV_LIBPQ_RESOLVE(name)                                                  \
  functions.name = reinterpret_cast<decltype(&::name)>(::dlsym(library, #name)); \
  complete = complete && functions.name != nullptr;
    HLV_LIBPQ_FUNCTIONS(HLV_LIBPQ_RESOLVE)
#undef HLV_LIBPQ_RESOLVE
    return complete ? &functions : nullptr;
  }();
  if (loaded == nullptr)
    throw DataSourceException(QStringLiteral("Previewing through PostgreSQL failed: its client library libpq.so.5 "
                                             "cannot be loaded (install the Debian package libpq5)"),
                              DataSourceException::Reason::kDriverMissing);
  return *loaded;
}


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

// Watches the running queries of every preview from one thread they share, so that a preview
// starts no thread of its own: when a query's cancel flag is set or its time limit passes, calls
// its `interrupt` (a function the database lets another thread call), and again every quarter
// second until the query is done, in case the first call came between statements.
class Watchdog {
 public:
  struct Query {
    const std::atomic<bool>* cancel = nullptr;
    Clock::time_point deadline;
    std::function<void()> interrupt;
    Stop stop = Stop::kNone;
    Clock::time_point nextInterrupt;
    bool interrupting = false;
  };

  static Watchdog& Get() {
    static Watchdog watchdog;
    return watchdog;
  }

  void Add(Query& query) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_thread.joinable()) m_thread = std::thread([this] { Watch(); });
    m_queries.push_back(&query);
    m_wake.notify_one();
  }

  // Stops watching `query`, once any interrupt of it has returned; what stopped it, if anything.
  Stop Remove(Query& query) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_interrupted.wait(lock, [&query] { return !query.interrupting; });
    m_queries.erase(std::find(m_queries.begin(), m_queries.end(), &query));
    return query.stop;
  }

  ~Watchdog() {
    {
      const std::lock_guard<std::mutex> lock(m_mutex);
      m_quit = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable()) m_thread.join();
  }

 private:
  Watchdog() = default;

  void Watch() {
    std::unique_lock<std::mutex> lock(m_mutex);
    std::vector<Query*> due;
    while (!m_quit) {
      const Clock::time_point now = Clock::now();
      Clock::time_point wake = Clock::time_point::max();
      for (Query* query : m_queries) {
        if (query->stop == Stop::kNone) {
          if (query->cancel != nullptr && query->cancel->load())
            query->stop = Stop::kCancelled;
          else if (now >= query->deadline)
            query->stop = Stop::kTimedOut;
        }
        if (query->stop != Stop::kNone && now >= query->nextInterrupt) {
          query->interrupting = true;
          query->nextInterrupt = now + std::chrono::milliseconds(250);
          due.push_back(query);
        }
        wake = std::min(wake, query->stop != Stop::kNone ? query->nextInterrupt : query->deadline);
        // A flag is looked at every 10 ms.
        if (query->stop == Stop::kNone && query->cancel != nullptr)
          wake = std::min(wake, now + std::chrono::milliseconds(10));
      }
      if (!due.empty()) {
        // Interrupting may take a while (a second connection, a round trip): it is done
        // unlocked, and the queries it concerns stay watched until it returns.
        lock.unlock();
        for (Query* query : due) query->interrupt();
        lock.lock();
        for (Query* query : due) query->interrupting = false;
        due.clear();
        m_interrupted.notify_all();
        continue;
      }
      if (wake == Clock::time_point::max())
        m_wake.wait(lock);
      else
        m_wake.wait_until(lock, wake);
    }
  }

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_interrupted;
  std::vector<Query*> m_queries;
  bool m_quit = false;
  std::thread m_thread;
};

// One query watched by the Watchdog while it runs.
class Watcher {
 public:
  Watcher(const Preview::Request& request, std::function<void()> interrupt) {
    m_query.cancel = request.cancel;
    m_query.deadline = Clock::now() + request.timeout;
    m_query.interrupt = std::move(interrupt);
    Watchdog::Get().Add(m_query);
  }
  ~Watcher() { Finish(); }
  Watcher(const Watcher&) = delete;
  Watcher& operator=(const Watcher&) = delete;

  // Stops watching; what stopped the query, if anything.
  Stop Finish() {
    if (m_watched) {
      m_watched = false;
      m_stop = Watchdog::Get().Remove(m_query);
    }
    return m_stop;
  }

 private:
  Watchdog::Query m_query;
  bool m_watched = true;
  Stop m_stop = Stop::kNone;
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

struct PgClear {
  void operator()(PGresult* result) const { Pq().PQclear(result); }
};
using PgResult = std::unique_ptr<PGresult, PgClear>;

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

  // A table's preview is the one SELECT the host writes, limited by the watcher's cancel; a
  // custom query runs in a read-only transaction with the server's own time limit besides.
  void Run() {
    if (m_request.sql.trimmed().isEmpty()) {
      Query();
    } else {
      Command(QByteArrayLiteral("BEGIN READ ONLY"));
      const Finally rollback([this] { Rollback(); });
      Command(QStringLiteral("SET LOCAL statement_timeout = %1").arg(m_request.timeout.count()).toUtf8());
      Query();
    }
    NameTypes();
  }

 private:
  // Ends the transaction. A cancel that stopped the query early may reach the server only as
  // the rollback starts, and so cancel it: the rollback is then sent again.
  void Rollback() const {
    for (int attempt = 0; attempt < 2 && Pq().PQtransactionStatus(m_connection) != PQTRANS_IDLE; ++attempt)
      PgResult(Pq().PQexec(m_connection, "ROLLBACK"));
  }

  void Query() {
    PGcancel* const cancel = Pq().PQgetCancel(m_connection);
    if (cancel == nullptr) Fail(m_request, Reason::kOther, QString::fromUtf8(Pq().PQerrorMessage(m_connection)));
    struct FreeCancel {
      void operator()(PGcancel* cancel) const { Pq().PQfreeCancel(cancel); }
    };
    const std::unique_ptr<PGcancel, FreeCancel> cancelHolder(cancel);
    const auto interrupt = [cancel] {
      char error[256];
      Pq().PQcancel(cancel, error, sizeof(error));
    };

    const QByteArray sql = Sql();
    const bool custom = !m_request.sql.trimmed().isEmpty();
    Collector rows(m_request, m_result);
    QString error;
    QByteArray state;
    Stop stop = Stop::kNone;
    {
      Watcher watcher(m_request, interrupt);
      if (custom) {
        // The extended protocol takes one statement only: a query cannot end the read-only
        // transaction and write after it. Its rows are streamed one by one.
        if (Pq().PQsendQueryParams(m_connection, sql.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0) == 0)
          Fail(m_request, Reason::kOther, QString::fromUtf8(Pq().PQerrorMessage(m_connection)).trimmed());
        Pq().PQsetSingleRowMode(m_connection);
      } else if (Pq().PQsendQuery(m_connection, (TableTypesSql() + "; " + sql).constData()) == 0) {
        // A table's column types and its rows (at most its LIMIT), in one round trip: both
        // statements are the host's own.
        Fail(m_request, Reason::kOther, QString::fromUtf8(Pq().PQerrorMessage(m_connection)).trimmed());
      }
      bool reading = true;
      bool typesRead = custom;
      while (PGresult* const raw = Pq().PQgetResult(m_connection)) {
        PgResult part(raw);
        const ExecStatusType status = Pq().PQresultStatus(raw);
        if (!typesRead && status == PGRES_TUPLES_OK) {
          typesRead = true;
          m_named = std::move(part);
          continue;
        }
        if (status == PGRES_TUPLES_OK && !custom) {
          if (m_types.empty()) Describe(raw);
          const int count = Pq().PQntuples(raw);
          for (int r = 0; r < count && reading; ++r) reading = rows.Wants() && rows.Add(ReadRow(raw, r));
          reading = false;
        } else if (status == PGRES_SINGLE_TUPLE || status == PGRES_TUPLES_OK) {
          if (m_types.empty()) Describe(raw);
          if (status == PGRES_SINGLE_TUPLE && reading && !(rows.Wants() && rows.Add(ReadRow(raw)))) {
            // Enough. A table's query ends by its LIMIT one row later; a custom query may run on,
            // so the server is told to stop it (a cancel costs the server a new process), and
            // what it sent meanwhile is dropped.
            reading = false;
            if (custom) interrupt();
          }
        } else if (status != PGRES_COMMAND_OK && status != PGRES_EMPTY_QUERY && reading && error.isEmpty()) {
          error = QString::fromUtf8(Pq().PQresultErrorField(raw, PG_DIAG_MESSAGE_PRIMARY)).trimmed();
          state = QByteArray(Pq().PQresultErrorField(raw, PG_DIAG_SQLSTATE));
          if (error.isEmpty()) error = QString::fromUtf8(Pq().PQresultErrorMessage(raw)).trimmed();
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

  // The types of a table's columns, in their order, and whether each may hold NULL: a query
  // that names the table by its quoted name as a text. It gives no rows for a view, whose
  // columns are then named after the preview from the tables they come from.
  QByteArray TableTypesSql() const {
    QStringList parts;
    for (const TString& part : m_request.table.GetComponents()) parts << QuoteIdentifier(part, QLatin1Char('"'));
    QString name = parts.join(QLatin1Char('.'));
    name.replace(QLatin1Char('\''), QLatin1String("''"));
    return QStringLiteral(
               "SELECT pg_catalog.format_type(a.atttypid, a.atttypmod), a.attnotnull FROM pg_catalog.pg_attribute a "
               "JOIN pg_catalog.pg_class c ON c.oid = a.attrelid WHERE a.attrelid = '%1'::pg_catalog.regclass "
               "AND c.relkind IN ('r', 'p', 'f') AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum")
        .arg(name)
        .toUtf8();
  }

  void Command(const QByteArray& sql) const {
    const PgResult done(Pq().PQexec(m_connection, sql.constData()));
    if (Pq().PQresultStatus(done.get()) != PGRES_COMMAND_OK)
      Fail(m_request, Reason::kOther, QString::fromUtf8(Pq().PQerrorMessage(m_connection)).trimmed());
  }

  void Describe(const PGresult* part) {
    const int count = Pq().PQnfields(part);
    for (int i = 0; i < count; ++i) {
      Column column;
      column.name = QString::fromUtf8(Pq().PQfname(part, i));
      m_result.columns.push_back(std::move(column));
      m_types.push_back(Pq().PQftype(part, i));
      m_modifiers.push_back(Pq().PQfmod(part, i));
      m_tables.push_back(Pq().PQftable(part, i));
      m_tableColumns.push_back(Pq().PQftablecol(part, i));
    }
  }

  RowReader ReadRow(const PGresult* part, int r = 0) const {
    RowReader row;
    for (int i = 0; i < static_cast<int>(m_types.size()); ++i) {
      if (Pq().PQgetisnull(part, r, i)) {
        row.Null();
        continue;
      }
      const char* const value = Pq().PQgetvalue(part, r, i);
      const int length = Pq().PQgetlength(part, r, i);
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
            unsigned char* const bytes = Pq().PQunescapeBytea(reinterpret_cast<const unsigned char*>(value), &size);
            Pq().PQfreemem(bytes);
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
    // A table's were read with its rows.
    if (m_named && Pq().PQntuples(m_named.get()) == static_cast<int>(m_types.size())) {
      for (int i = 0; i < static_cast<int>(m_types.size()); ++i) {
        m_result.columns[i].type = QString::fromUtf8(Pq().PQgetvalue(m_named.get(), i, 0));
        if (!Pq().PQgetisnull(m_named.get(), i, 1))
          m_result.columns[i].nullable =
              Pq().PQgetvalue(m_named.get(), i, 1)[0] == 't' ? Column::Nullable::kNo : Column::Nullable::kYes;
      }
      return;
    }
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
    PgResult named(Pq().PQexec(m_connection, sql.constData()));
    // Once more if a late cancel stopped it (see Rollback).
    if (Pq().PQresultStatus(named.get()) != PGRES_TUPLES_OK) named.reset(Pq().PQexec(m_connection, sql.constData()));
    if (Pq().PQresultStatus(named.get()) != PGRES_TUPLES_OK || Pq().PQntuples(named.get()) != static_cast<int>(m_types.size()))
      Fail(m_request, Reason::kOther, QString::fromUtf8(Pq().PQerrorMessage(m_connection)).trimmed());
    const bool table = m_request.sql.trimmed().isEmpty();
    for (int i = 0; i < static_cast<int>(m_types.size()); ++i) {
      m_result.columns[i].type = QString::fromUtf8(Pq().PQgetvalue(named.get(), i, 0));
      if (table && !Pq().PQgetisnull(named.get(), i, 1))
        m_result.columns[i].nullable =
            Pq().PQgetvalue(named.get(), i, 1)[0] == 't' ? Column::Nullable::kNo : Column::Nullable::kYes;
    }
  }

  PGconn* const m_connection;
  const Preview::Request& m_request;
  Preview::Result& m_result;
  // A table's column types, read with its rows.
  PgResult m_named;
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

  // The file is open read-only already; a custom query also runs with "query_only" set, in a
  // transaction rolled back at the end.
  void RunSqlite(bool custom) {
    std::optional<Finally> rollback;
    if (custom) {
      Exec(m_database, m_request, QStringLiteral("PRAGMA query_only = 1"));
      Exec(m_database, m_request, QStringLiteral("BEGIN"));
      rollback.emplace([this] { QSqlQuery(m_database).exec(QStringLiteral("ROLLBACK")); });
    }
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

  // The server's id of the connection (for KILL QUERY) and whether the server is MariaDB, asked
  // once per connection and kept on Qt's driver object, which lives as long as the connection.
  void MysqlSession(QString& connectionId, bool& mariaDb) const {
    QSqlDriver* const driver = m_database.driver();
    if (!driver->property("hlvConnectionId").isValid()) {
      QSqlQuery session(m_database);
      if (!session.exec(QStringLiteral("SELECT CONNECTION_ID(), VERSION()")) || !session.next())
        Fail(m_request, Reason::kOther, ErrorText(session.lastError()));
      driver->setProperty("hlvMariaDb", session.value(1).toString().contains(QLatin1String("MariaDB"), Qt::CaseInsensitive));
      driver->setProperty("hlvConnectionId", session.value(0).toString());
    }
    connectionId = driver->property("hlvConnectionId").toString();
    mariaDb = driver->property("hlvMariaDb").toBool();
  }

  // A table's preview is the one SELECT the host writes, with the server's time limit on that
  // statement alone. A custom query runs in a read-only transaction, with the session's time
  // limit and row limit (Qt's driver reads a whole result) put back afterwards.
  void RunMysql(bool custom) {
    QString connectionId;
    bool mariaDb = false;
    MysqlSession(connectionId, mariaDb);
    const qint64 ms = m_request.timeout.count();
    const QString seconds = QString::number(ms / 1000.0, 'f', 3);
    std::optional<Finally> reset;
    std::optional<Finally> rollback;
    if (custom) {
      Exec(m_database, m_request,
           QStringLiteral("SET SESSION %1, sql_select_limit = %2")
               .arg(mariaDb ? QStringLiteral("max_statement_time = %1").arg(seconds)
                            : QStringLiteral("max_execution_time = %1").arg(ms))
               .arg(m_request.rows + 1));
      reset.emplace([this, mariaDb] {
        QSqlQuery(m_database).exec(QStringLiteral("SET SESSION %1 = DEFAULT, sql_select_limit = DEFAULT")
                                       .arg(mariaDb ? QLatin1String("max_statement_time")
                                                    : QLatin1String("max_execution_time")));
      });
      Exec(m_database, m_request, QStringLiteral("START TRANSACTION READ ONLY"));
      rollback.emplace([this] { QSqlQuery(m_database).exec(QStringLiteral("ROLLBACK")); });
    }

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
    // transaction and write after it. The host's own SELECT goes as text, in one round trip.
    const QString select = TableSql(QLatin1Char('`'), true);
    const bool done =
        custom ? query.prepare(m_request.sql) && query.exec()
               : query.exec(mariaDb ? QStringLiteral("SET STATEMENT max_statement_time = %1 FOR %2").arg(seconds, select)
                                    : QStringLiteral("SELECT /*+ MAX_EXECUTION_TIME(%1) */ %2")
                                          .arg(ms)
                                          .arg(select.mid(QLatin1String("SELECT ").size())));
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
    if (connection == nullptr || Pq().PQstatus(connection) != CONNECTION_OK)
      Fail(request, Reason::kOther, QStringLiteral("the connection to the server is closed"));
    PostgresPreview(connection, request, result).Run();
  } else {
    QtPreview(database, dialect, request, result).Run();
  }
}

}  // namespace SqlPreview
