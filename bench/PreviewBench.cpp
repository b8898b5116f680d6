// The preview of a live table side by side with the same query read through the same Qt SQL
// driver alone, in one run, on SQLite, PostgreSQL and MariaDB.
//
//   hlvpreviewbench [benchmark flags]      HLV_BENCH_ROWS=N sets the table's rows (1,000,000)
//
// Each database gets a table `bench_rows` (id, name, amount, day, note: one NULL note in seven)
// of N rows. For the first 100 and the first 1,000 rows:
//   Preview/DB/ROWS      LiveConnection::Preview: a read-only transaction with a time limit,
//                        typed cells, every text capped, one row past ROWS fetched to say
//                        whether there are more;
//   DriverAlone/DB/ROWS  QSqlQuery, forward only, "SELECT * FROM bench_rows LIMIT ROWS", every
//                        value read into a QString: the least a reader through the driver does.
// Both use one connection opened before the timing. The PostgreSQL and MariaDB servers are the
// tests' throwaway servers (HLV_SKIP_POSTGRES=1 / HLV_SKIP_MARIADB=1 leave one out).

#include "host/connect/ConnectionAttributes.h"
#include "host/connectors/DescriptionRegistry.h"
#include "host/connectors/LiveConnection.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/PostgresServer.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const QString kPassword = QStringLiteral("bench-Password-7");

void Exec(QSqlDatabase& database, const QString& sql) {
  QSqlQuery query(database);
  if (!query.exec(sql))
    throw std::runtime_error("filling the bench table failed: " + query.lastError().text().toStdString());
}

// Fills `bench_rows` through a writable connection of Qt's `driver`, closed again afterwards.
void Fill(const QString& driver, const std::function<void(QSqlDatabase&)>& open, const QString& createAndInsert) {
  const QString name = QStringLiteral("hlv-bench-fill");
  {
    QSqlDatabase database = QSqlDatabase::addDatabase(driver, name);
    open(database);
    if (!database.open()) throw std::runtime_error("opening for the fill failed: " + database.lastError().text().toStdString());
    for (const QString& statement : createAndInsert.split(QLatin1Char(';'), Qt::SkipEmptyParts)) Exec(database, statement);
  }
  QSqlDatabase::removeDatabase(name);
}

// One database of the run: its class, the attributes a user gives, and how the driver alone
// opens it.
struct Source {
  std::string label;
  TString connectionClass;
  ConnectionAttributeMap attributes;
  QString qtDriver;
  std::function<void(QSqlDatabase&)> open;
};

void BM_Preview(benchmark::State& state, const Source& source) {
  const auto registry = Connect::DescriptionRegistry::MakeDefault();
  const std::unique_ptr<LiveConnection> connection =
      LiveConnection::Open(*registry->Find(source.connectionClass), source.attributes);
  Preview::Request request;
  request.table.Push(QStringLiteral("bench_rows"));
  request.rows = static_cast<int>(state.range(0));
  for (auto _ : state) {
    Preview::Result result = connection->Preview(request);
    if (static_cast<int>(result.rows.size()) != request.rows) state.SkipWithError("the preview gave too few rows");
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_DriverAlone(benchmark::State& state, const Source& source) {
  const QString name = QStringLiteral("hlv-bench-driver");
  {
    QSqlDatabase database = QSqlDatabase::addDatabase(source.qtDriver, name);
    source.open(database);
    if (!database.open()) {
      state.SkipWithError("the driver alone could not connect");
    } else {
      const QString sql = QStringLiteral("SELECT * FROM bench_rows LIMIT %1").arg(state.range(0));
      for (auto _ : state) {
        QSqlQuery query(database);
        query.setForwardOnly(true);
        if (!query.exec(sql)) state.SkipWithError("the query failed");
        std::vector<QString> cells;
        cells.reserve(static_cast<std::size_t>(state.range(0)) * 5);
        while (query.next())
          for (int column = 0; column < 5; ++column) cells.push_back(query.value(column).toString());
        benchmark::DoNotOptimize(cells);
      }
      state.SetItemsProcessed(state.iterations() * state.range(0));
    }
  }
  QSqlDatabase::removeDatabase(name);
}

void Register(const Source& source) {
  for (const char* kind : {"Preview", "DriverAlone"}) {
    const std::string name = std::string(kind) + "/" + source.label;
    auto* benchmark = kind[0] == 'P' ? benchmark::RegisterBenchmark(name.c_str(), BM_Preview, source)
                                     : benchmark::RegisterBenchmark(name.c_str(), BM_DriverAlone, source);
    benchmark->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  const long long rows = qEnvironmentVariableIsSet("HLV_BENCH_ROWS") ? qgetenv("HLV_BENCH_ROWS").toLongLong() : 1000000;
  if (rows < 1000) {
    std::fprintf(stderr, "hlvpreviewbench: HLV_BENCH_ROWS must be at least 1000\n");
    return 2;
  }
  try {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("bench.sqlite"));
    const auto openSqlite = [file](QSqlDatabase& database) { database.setDatabaseName(file); };
    Fill(QStringLiteral("QSQLITE"), openSqlite,
         QStringLiteral("CREATE TABLE bench_rows (id INTEGER PRIMARY KEY, name TEXT, amount REAL, day TEXT, note TEXT);"
                        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                        "INSERT INTO bench_rows SELECT i, 'customer ' || i, i * 0.25, "
                        "date('2020-01-01', '+' || (i % 3650) || ' days'), "
                        "CASE WHEN i % 7 = 0 THEN NULL ELSE 'note ' || i END FROM n")
             .arg(rows));
    std::vector<Source> sources;
    sources.push_back({"sqlite", QStringLiteral("sqlite"), {{QStringLiteral("filename"), file}}, QStringLiteral("QSQLITE"),
                       openSqlite});

    std::unique_ptr<testpg::PostgresServer> postgres;
    if (!testpg::SkipReason()) {
      postgres = testpg::PostgresServer::Start(kPassword);
      const int port = postgres->Port();
      const auto open = [&postgres](QSqlDatabase& database) { postgres->Address(database, kPassword); };
      Fill(QStringLiteral("QPSQL"), open,
           QStringLiteral("CREATE TABLE bench_rows (id bigint PRIMARY KEY, name text, amount double precision, "
                          "day date, note text);"
                          "INSERT INTO bench_rows SELECT i, 'customer ' || i, i * 0.25, date '2020-01-01' + (i % 3650), "
                          "CASE WHEN i % 7 = 0 THEN NULL ELSE 'note ' || i END FROM generate_series(1, %1) AS i")
               .arg(rows));
      sources.push_back({"postgres",
                         QStringLiteral("postgres"),
                         {{QStringLiteral("server"), QStringLiteral("127.0.0.1")},
                          {QStringLiteral("port"), QString::number(port)},
                          {QStringLiteral("dbname"), QString::fromLatin1(testpg::PostgresServer::kDatabase)},
                          {QStringLiteral("username"), QString::fromLatin1(testpg::PostgresServer::kUser)},
                          {QStringLiteral("password"), kPassword},
                          {QStringLiteral("sslmode"), QStringLiteral("require")}},
                         QStringLiteral("QPSQL"),
                         open});
    }

    std::unique_ptr<testmariadb::MariaDbServer> mariadb;
    if (!testmariadb::SkipReason()) {
      mariadb = testmariadb::MariaDbServer::Start(kPassword);
      const int port = mariadb->Port();
      const auto open = [port](QSqlDatabase& database) {
        database.setHostName(QStringLiteral("127.0.0.1"));
        database.setPort(port);
        database.setDatabaseName(QString::fromLatin1(testmariadb::MariaDbServer::kDatabase));
        database.setUserName(QString::fromLatin1(testmariadb::MariaDbServer::kUser));
        database.setPassword(kPassword);
      };
      Fill(QStringLiteral("QMYSQL"), open,
           QStringLiteral("CREATE TABLE bench_rows (id BIGINT PRIMARY KEY, name TEXT, amount DOUBLE, day DATE, note TEXT);"
                          "INSERT INTO bench_rows SELECT seq, CONCAT('customer ', seq), seq * 0.25, "
                          "DATE_ADD('2020-01-01', INTERVAL seq % 3650 DAY), IF(seq % 7 = 0, NULL, CONCAT('note ', seq)) "
                          "FROM seq_1_to_%1")
               .arg(rows));
      sources.push_back({"mysql",
                         QStringLiteral("mysql"),
                         {{QStringLiteral("server"), QStringLiteral("127.0.0.1")},
                          {QStringLiteral("port"), QString::number(port)},
                          {QStringLiteral("dbname"), QString::fromLatin1(testmariadb::MariaDbServer::kDatabase)},
                          {QStringLiteral("username"), QString::fromLatin1(testmariadb::MariaDbServer::kUser)},
                          {QStringLiteral("password"), kPassword}},
                         QStringLiteral("QMYSQL"),
                         open});
    }

    for (const Source& source : sources) Register(source);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "hlvpreviewbench: %s\n", failure.what());
    return 1;
  }
  return 0;
}
