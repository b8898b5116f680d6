#include "tests/support/PostgresServer.h"

#include "tests/support/TestCrypto.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include <gtest/gtest.h>

namespace testpg {

namespace {

using testserver::Fail;
using testserver::FreePort;
using testserver::WritePrivate;

// The newest installed server's programs: /usr/lib/postgresql/VERSION/bin.
QString FindBinaries() {
  const QDir root(QStringLiteral("/usr/lib/postgresql"));
  QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  QCollator numeric;
  numeric.setNumericMode(true);
  std::sort(versions.begin(), versions.end(),
            [&numeric](const QString& a, const QString& b) { return numeric.compare(a, b) > 0; });
  for (const QString& version : versions) {
    const QString bin = root.filePath(version + QStringLiteral("/bin"));
    if (QFile::exists(bin + QStringLiteral("/initdb")) && QFile::exists(bin + QStringLiteral("/pg_ctl"))) return bin;
  }
  Fail(
      QStringLiteral("the PostgreSQL server programs (initdb, pg_ctl) are not under /usr/lib/postgresql/*/bin: "
                     "install the Debian package postgresql"));
}

void Append(const QString& path, const QString& text) {
  QFile file(path);
  if (!file.open(QIODevice::Append)) Fail(QStringLiteral("cannot write %1").arg(path));
  file.write(text.toUtf8());
}

void Replace(const QString& path, const QString& text) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) Fail(QStringLiteral("cannot write %1").arg(path));
  file.write(text.toUtf8());
}

// What kDatabase holds: two schemas with tables and views, functions, a procedure and a trigger
// function (which is no stored procedure to call).
const char* const kContent[] = {
    "CREATE SCHEMA sales",
    "CREATE SCHEMA hr",
    "CREATE TABLE sales.orders (id integer PRIMARY KEY, amount numeric)",
    "CREATE TABLE sales.\"Customers\" (id integer PRIMARY KEY, name text)",
    "CREATE VIEW sales.big_orders AS SELECT * FROM sales.orders WHERE amount > 100",
    "CREATE TABLE hr.staff (id integer PRIMARY KEY, name text)",
    "CREATE VIEW hr.staff_names AS SELECT name FROM hr.staff",
    "CREATE FUNCTION sales.order_total(integer) RETURNS numeric LANGUAGE sql AS 'SELECT amount FROM sales.orders WHERE "
    "id = $1'",
    "CREATE FUNCTION sales.order_total(integer, integer) RETURNS numeric LANGUAGE sql AS 'SELECT sum(amount) FROM "
    "sales.orders WHERE id BETWEEN $1 AND $2'",
    "CREATE PROCEDURE sales.archive_orders() LANGUAGE sql AS 'DELETE FROM sales.orders WHERE amount IS NULL'",
    "CREATE FUNCTION sales.touch() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN RETURN NEW; END'",
    "CREATE AGGREGATE sales.total(numeric) (SFUNC = numeric_add, STYPE = numeric)",
};

}  // namespace

std::unique_ptr<PostgresServer> PostgresServer::Start(const QString& password) {
  std::unique_ptr<PostgresServer> server(new PostgresServer);
  server->m_bin = FindBinaries();
  const uid_t user = ::geteuid();
  const passwd* postgres = ::getpwnam("postgres");
  if (postgres == nullptr) Fail(QStringLiteral("there is no postgres user: install the Debian package postgresql"));
  server->m_asRoot = user == 0;
  if (user != 0 && user != postgres->pw_uid)
    Fail(
        QStringLiteral("the tests run neither as root nor as postgres, and the PostgreSQL server programs run as "
                       "the postgres user only"));
  const passwd owner = *postgres;

  server->m_folder = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("hlv-postgres-XXXXXX")));
  if (!server->m_folder->isValid()) Fail(QStringLiteral("no temporary folder for the server"));
  const QDir folder(server->m_folder->path());
  if (::chown(QFile::encodeName(folder.path()).constData(), owner.pw_uid, owner.pw_gid) != 0)
    Fail(QStringLiteral("cannot give the server's folder to the postgres user"));

  const QString passwordFile = folder.filePath(QStringLiteral("password"));
  WritePrivate(passwordFile, password.toUtf8(), owner);
  const QString data = folder.filePath(QStringLiteral("data"));
  server->Run(QStringLiteral("initdb"),
              {QStringLiteral("-D"), data, QStringLiteral("-U"), QLatin1String(kUser),
               QStringLiteral("--pwfile=") + passwordFile, QStringLiteral("--auth=scram-sha-256"),
               QStringLiteral("--encoding=UTF8"), QStringLiteral("--locale=C"), QStringLiteral("--no-sync")});
  QFile::remove(passwordFile);

  const testcrypto::TestKey key;
  server->m_certificatePem = QString::fromStdString(key.SelfSignedCertificate());
  WritePrivate(QDir(data).filePath(QStringLiteral("server.crt")), server->m_certificatePem.toUtf8(), owner);
  WritePrivate(QDir(data).filePath(QStringLiteral("server.key")), QByteArray::fromStdString(key.Pkcs8()), owner);

  server->m_port = FreePort();
  Append(QDir(data).filePath(QStringLiteral("postgresql.conf")),
         QStringLiteral("\nlisten_addresses = '127.0.0.1'\nport = %1\nunix_socket_directories = '%2'\n"
                        "ssl = on\nssl_cert_file = 'server.crt'\nssl_key_file = 'server.key'\n"
                        "password_encryption = 'scram-sha-256'\nfsync = off\n")
             .arg(server->m_port)
             .arg(folder.path()));
  // Over TCP only with TLS: a connection without it finds no rule and is refused.
  Replace(QDir(data).filePath(QStringLiteral("pg_hba.conf")),
          QStringLiteral("local all all scram-sha-256\nhostssl all all 127.0.0.1/32 scram-sha-256\n"));

  const QString log = folder.filePath(QStringLiteral("server.log"));
  try {
    server->Run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), data, QStringLiteral("-l"), log, QStringLiteral("-w"),
                                           QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("start")});
  } catch (const std::runtime_error& failed) {
    // pg_ctl says only that the server did not start; its log says why.
    QFile file(log);
    const QString why = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
    Fail(QStringLiteral("%1\n%2").arg(QString::fromStdString(failed.what()), why));
  }
  server->m_started = true;
  server->Fill(password);
  return server;
}

PostgresServer::~PostgresServer() {
  if (!m_started) return;
  try {
    Run(QStringLiteral("pg_ctl"),
        {QStringLiteral("-D"), QDir(m_folder->path()).filePath(QStringLiteral("data")), QStringLiteral("-m"),
         QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
  } catch (const std::exception& failed) {
    ADD_FAILURE() << "Stopping the PostgreSQL test server failed: " << failed.what();
  }
}

void PostgresServer::Run(const QString& program, const QStringList& arguments) const {
  QProcess process;
  process.setWorkingDirectory(m_folder->path());
  process.setProcessChannelMode(QProcess::MergedChannels);
  const QString path = QDir(m_bin).filePath(program);
  if (m_asRoot)
    process.start(
        QStringLiteral("runuser"),
        QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"), path} + arguments);
  else
    process.start(path, arguments);
  if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
    Fail(QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(process.readAll()).trimmed()));
}

void PostgresServer::Address(QSqlDatabase& db, const QString& password, const QString& database) const {
  db.setHostName(QStringLiteral("127.0.0.1"));
  db.setPort(m_port);
  db.setDatabaseName(database);
  db.setUserName(QLatin1String(kUser));
  db.setPassword(password);
  db.setConnectOptions(QStringLiteral("sslmode=require"));
}

void PostgresServer::Fill(const QString& password) const {
  const auto run = [&](const QString& database, const auto& statements) {
    const QString name = QStringLiteral("hlv-test-setup");
    {
      QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
      Address(db, password, database);
      if (!db.open()) {
        const QString error = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        Fail(QStringLiteral("setting up the test database failed: %1").arg(error));
      }
      for (const char* statement : statements) {
        QSqlQuery query(db);
        if (!query.exec(QLatin1String(statement))) {
          const QString error = query.lastError().text();
          query = QSqlQuery();
          db.close();
          db = QSqlDatabase();
          QSqlDatabase::removeDatabase(name);
          Fail(
              QStringLiteral("setting up the test database failed at \"%1\": %2").arg(QLatin1String(statement), error));
        }
      }
      db.close();
    }
    QSqlDatabase::removeDatabase(name);
  };
  const char* const create[] = {"CREATE DATABASE hlvsales"};
  run(QStringLiteral("postgres"), create);
  run(QLatin1String(kDatabase), kContent);
}

const PostgresServer& SharedServer() { return testserver::Shared<PostgresServer>(SharedPassword()); }

QString SharedPassword() { return QStringLiteral("Sentinel-PG-Secret-7315"); }

std::optional<QString> SkipReason() { return testserver::SkipReason("HLV_SKIP_POSTGRES", "PostgreSQL"); }

}  // namespace testpg
