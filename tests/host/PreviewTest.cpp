// Previews through Qt SQL connections opened as live connections open them: a SQLite file made
// here (read-only), and the PostgreSQL and MariaDB test servers. Values must keep their kinds, the caps must hold, and a query that writes, runs
// endless or is cancelled must fail with its reason and leave the connection usable.
#include "host/connect/DataSourceException.h"
#include "host/connectors/SqlPreview.h"

#include "tests/QStringPrinter.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/PostgresServer.h"
#include "tests/support/PreviewText.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <thread>

#include <gtest/gtest.h>

namespace {

using Reason = DataSourceException::Reason;
using Clock = std::chrono::steady_clock;

using SqlPreview::Dialect;
using previewtext::Render;
using previewtext::Table;

// An open connection of Qt's `driver`, prepared by `setUp`.
class Connection {
 public:
  template <typename SetUp>
  Connection(const char* driver, Dialect dialect, SetUp setUp)
      : m_name(QStringLiteral("preview-%1").arg(++s_count)), m_dialect(dialect) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(driver), m_name);
    setUp(db);
    if (!db.open()) throw std::runtime_error(db.lastError().text().toStdString());
  }
  ~Connection() {
    QSqlDatabase::database(m_name, false).close();
    QSqlDatabase::removeDatabase(m_name);
  }

  void Write(std::initializer_list<const char*> statements) const {
    for (const char* statement : statements) {
      QSqlQuery query(QSqlDatabase::database(m_name, false));
      EXPECT_TRUE(query.exec(QString::fromUtf8(statement))) << statement << ": " << query.lastError().text().toStdString();
    }
  }
  Preview::Result Preview(const Preview::Request& request) const {
    Preview::Result result;
    SqlPreview::Run(QSqlDatabase::database(m_name, false), m_dialect, request, result);
    return result;
  }

 private:
  static inline int s_count = 0;
  const QString m_name;
  const Dialect m_dialect;
};

Preview::Request Sql(const char* sql, int rows = Preview::kDefaultRows,
                     std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
  Preview::Request request;
  request.sql = QString::fromUtf8(sql);
  request.rows = rows;
  request.timeout = timeout;
  return request;
}

struct Case {
  const char* what;
  Preview::Request request;
  const char* expected;  // as Render writes it, with the columns' nullability
  int cutCells;
};

void ExpectPreviews(const Connection& connection, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Preview::Result result = connection.Preview(c.request);
    EXPECT_EQ(Render(result, true), QString::fromUtf8(c.expected));
    EXPECT_EQ(result.cutCells, c.cutCells);
  }
}

struct Failure {
  const char* what;
  Preview::Request request;
  Reason reason;
  const char* details;  // a part of the database's own text
};

void ExpectFailures(const Connection& connection, const std::vector<Failure>& failures) {
  for (const Failure& failure : failures) {
    SCOPED_TRACE(failure.what);
    const Clock::time_point start = Clock::now();
    try {
      connection.Preview(failure.request);
      ADD_FAILURE() << "no DataSourceException";
    } catch (const DataSourceException& error) {
      EXPECT_EQ(error.GetReason(), failure.reason) << error.what();
      EXPECT_TRUE(error.GetDetails().contains(QString::fromUtf8(failure.details), Qt::CaseInsensitive))
          << error.GetDetails().toStdString();
      EXPECT_TRUE(error.GetMessage().startsWith(QLatin1String("Previewing ")) ||
                  error.GetMessage().startsWith(QLatin1String("A preview")))
          << error.what();
    }
    // Nothing waits for a query past its time limit, and the connection still answers.
    EXPECT_LT(Clock::now() - start, failure.request.timeout + std::chrono::seconds(3));
    EXPECT_TRUE(Render(connection.Preview(Sql("SELECT 1"))).endsWith(QLatin1String(" | 1")));
  }
}

// A query that is cancelled from another thread while it runs.
void ExpectCancelled(const Connection& connection, const char* endless) {
  std::atomic<bool> cancel{false};
  Preview::Request request = Sql(endless);
  request.cancel = &cancel;
  std::thread canceller([&cancel] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    cancel = true;
  });
  const Clock::time_point start = Clock::now();
  Reason reason = Reason::kOther;
  try {
    connection.Preview(request);
  } catch (const DataSourceException& error) {
    reason = error.GetReason();
  }
  canceller.join();
  EXPECT_EQ(reason, Reason::kCancelled);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(Render(connection.Preview(Sql("SELECT 2"))).endsWith(QLatin1String(" | 2")));
}

const QString kLong = QString(5000, QLatin1Char('x'));

TEST(PreviewTest, SqliteKeepsEachValuesKindAndHoldsTheCaps) {
  QTemporaryDir folder;
  const QString file = QDir(folder.path()).filePath(QStringLiteral("preview.db"));
  Connection("QSQLITE", Dialect::kSqlite, [&file](QSqlDatabase& db) { db.setDatabaseName(file); })
      .Write({"CREATE TABLE kinds (id INTEGER PRIMARY KEY, r REAL NOT NULL, t TEXT, b BLOB, n NUMERIC)",
       "INSERT INTO kinds VALUES (1, 1.5, 'Zürich', x'000102', NULL), (2, -0.25, '', NULL, 12), "
       "(3, 2, replace(hex(zeroblob(2500)), '0', 'x'), zeroblob(10), 0.1)",
       "CREATE VIEW small AS SELECT id, t FROM kinds WHERE id < 3", "CREATE TABLE \"odd\"\"name\" (x)",
       "INSERT INTO \"odd\"\"name\" VALUES ('quoted')", "CREATE TABLE many (i INTEGER)",
       "INSERT INTO many WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 1500) SELECT i FROM c",
       "CREATE TABLE wide (a TEXT, b TEXT, c TEXT)",
       "INSERT INTO wide SELECT t, t, t FROM (SELECT replace(hex(zeroblob(2048)), '0', 'y') AS t) JOIN many"});
  const auto connection = std::make_unique<Connection>("QSQLITE", Dialect::kSqlite, [&file](QSqlDatabase& db) {
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
  });

  ExpectPreviews(
      *connection,
      {{"a table: every kind, a text past 4 KiB cut", Table(QStringLiteral("kinds")),
        "id:INTEGER? r:REAL! t:TEXT? b:BLOB? n:NUMERIC? | 1 1.5d 'Zürich' bin:3 null | 2 -0.25d '' null 12 | "
        "3 2d 'x...'(4096) bin:10 0.1d", 1},
       {"a view, named with its schema", Table({QStringLiteral("main"), QStringLiteral("small")}),
        "id:INTEGER? t:TEXT? | 1 'Zürich' | 2 ''", 0},
       {"a name that needs quoting", Table(QStringLiteral("odd\"name")), "x:? | 'quoted'", 0},
       {"a query: expressions have no declared type", Sql("SELECT count(*) AS c, 1.0 / 4 AS q, NULL AS z FROM many"),
        "c: q: z: | 1500 0.25d null", 0},
       {"exactly the rows there are", Sql("SELECT i FROM many WHERE i <= 3", 3), "i:INTEGER | 1 | 2 | 3", 0}});

  // The most rows, and more there; the whole answer stops before its cap, the row that would
  // pass it left out.
  const Preview::Result many = connection->Preview(Table(QStringLiteral("many"), Preview::kMaxRows));
  EXPECT_EQ(many.rows.size(), std::size_t(Preview::kMaxRows));
  EXPECT_TRUE(many.moreRows);
  const Preview::Result wide = connection->Preview(Table(QStringLiteral("wide"), Preview::kMaxRows));
  EXPECT_TRUE(wide.moreRows);
  const std::size_t bytes = wide.rows.size() * 3 * 4096;
  EXPECT_LE(bytes, Preview::kMaxTotalBytes);
  EXPECT_GT(bytes + 2 * 3 * 4096, Preview::kMaxTotalBytes);

  const char* const endless = "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c";
  Preview::Request both = Table(QStringLiteral("kinds"));
  both.sql = QStringLiteral("SELECT 1");
  ExpectFailures(*connection,
                 {{"a delete", Sql("DELETE FROM many"), Reason::kRefusedWrite, "readonly"},
                  {"a new table", Sql("CREATE TABLE more (i)"), Reason::kRefusedWrite, "readonly"},
                  {"endless", Sql(endless, 10, std::chrono::milliseconds(300)), Reason::kTimedOut, ""},
                  {"no such table", Table(QStringLiteral("missing")), Reason::kOther, "no such table"},
                  {"a syntax error", Sql("SELEKT 1"), Reason::kOther, "syntax error"},
                  {"no rows asked for", Sql("SELECT 1", 0), Reason::kOther, ""},
                  {"too many rows asked for", Sql("SELECT 1", Preview::kMaxRows + 1), Reason::kOther, ""},
                  {"a table and a query", both, Reason::kOther, ""},
                  {"neither", Sql("  "), Reason::kOther, ""}});
  ExpectCancelled(*connection, endless);
  EXPECT_TRUE(Render(connection->Preview(Sql("SELECT count(*) FROM many"))).endsWith(QLatin1String(" | 1500")));
}

TEST(PreviewTest, PostgresReadsInAReadOnlyTransactionAndCancelsOnTime) {
  HLV_REQUIRE_POSTGRES(server);
  const auto setUp = [&server](QSqlDatabase& db) { server.Address(db, testpg::SharedPassword()); };
  // A schema of this test alone, gone afterwards, so that the other tests' catalogue holds.
  const Connection writer("QPSQL", Dialect::kPostgres, setUp);
  writer.Write({"CREATE SCHEMA preview", "CREATE TABLE preview.kinds (id int PRIMARY KEY, big bigint, exact numeric(40, 20), "
         "small numeric(6, 2), f float8, ok boolean NOT NULL, t text, raw bytea, at timestamp, d date)",
         "INSERT INTO preview.kinds VALUES (1, 9007199254740993, 12345678901234567890.5, 1234.50, 0.1, true, 'Zürich', "
         "'\\x000102', '2024-02-29 13:45:00', '2024-02-29'), (2, NULL, NULL, NULL, 'NaN', false, NULL, NULL, NULL, NULL)"});
  struct Drop {
    const Connection& writer;
    ~Drop() { writer.Write({"DROP SCHEMA preview CASCADE"}); }
  } const drop{writer};
  const auto connection = std::make_unique<Connection>("QPSQL", Dialect::kPostgres, setUp);
  ExpectPreviews(
      *connection,
      {{"a table: every kind, the long decimal as text", Table({QStringLiteral("preview"), QStringLiteral("kinds")}),
        "id:integer! big:bigint? exact:numeric(40,20)? small:numeric(6,2)? f:double precision? ok:boolean! t:text? "
        "raw:bytea? at:timestamp without time zone? d:date? | 1 9007199254740993 '12345678901234567890.50000000000000000000' "
        "1234.5d 0.1d true 'Zürich' bin:3 '2024-02-29T13:45:00' '2024-02-29' | 2 null null null 'NaN' false null null null null",
        0},
       {"a view", Table({QStringLiteral("sales"), QStringLiteral("big_orders")}), "id:integer? amount:numeric?", 0},
       {"a query stopped after the rows asked for", Sql("SELECT g, repeat('é', 3000) FROM generate_series(1, 5000000) g", 2),
        "g:integer repeat:text | 1 'é...'(4096) | 2 'é...'(4096) +", 2}});

  const char* const endless = "SELECT pg_sleep(600)";
  ExpectFailures(*connection,
                 {{"a delete", Sql("DELETE FROM preview.kinds"), Reason::kRefusedWrite, "read-only"},
                  {"a new table", Sql("CREATE TABLE sales.more (i int)"), Reason::kRefusedWrite, "read-only"},
                  {"a second statement", Sql("COMMIT; DELETE FROM preview.kinds"), Reason::kOther, "multiple commands"},
                  {"endless", Sql(endless, 10, std::chrono::milliseconds(300)), Reason::kTimedOut, "cancel"},
                  {"no such table", Table(QStringLiteral("missing")), Reason::kOther, "does not exist"}});
  ExpectCancelled(*connection, endless);
  EXPECT_TRUE(Render(connection->Preview(Sql("SELECT count(*) FROM preview.kinds"))).endsWith(QLatin1String(" | 2")));
}

TEST(PreviewTest, MariaDbReadsInAReadOnlyTransactionAndCancelsOnTime) {
  HLV_REQUIRE_MARIADB(server);
  const auto connection = std::make_unique<Connection>("QMYSQL", Dialect::kMysql, [&server](QSqlDatabase& db) {
    db.setHostName(QStringLiteral("127.0.0.1"));
    db.setPort(server.Port());
    db.setDatabaseName(QLatin1String(testmariadb::MariaDbServer::kDatabase));
    db.setUserName(QLatin1String(testmariadb::MariaDbServer::kUser));
    db.setPassword(testmariadb::SharedPassword());
  });
  ExpectPreviews(*connection,
                 {{"a table", Table(QStringLiteral("orders"), 2),
                   "id:int! customer:varchar! amount:decimal! placed:date! note:text? photo:blob? | "
                   "1 'Ada' 150.5d '2024-01-15' 'first order' null | 2 'Brendan' 42d '2024-02-01' null null +", 0},
                  {"a query", Sql("SELECT 1.5 AS d, 'a' AS t, NULL AS n"), "d:decimal! t:varchar! n:null? | 1.5d 'a' null", 0}});

  const char* const endless = "SELECT SLEEP(600)";
  ExpectFailures(*connection,
                 {{"a delete", Sql("DELETE FROM orders"), Reason::kRefusedWrite, "READ ONLY"},
                  {"a second statement", Sql("COMMIT; DELETE FROM orders"), Reason::kOther, "syntax"},
                  {"endless", Sql(endless, 10, std::chrono::milliseconds(300)), Reason::kTimedOut, ""},
                  {"no such table", Table(QStringLiteral("missing")), Reason::kOther, "doesn't exist"}});
  ExpectCancelled(*connection, endless);
  EXPECT_TRUE(Render(connection->Preview(Sql("SELECT count(*) FROM orders"))).endsWith(QLatin1String(" | 4")));
}

}  // namespace
