#include "tests/support/MariaDbServer.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <stdexcept>

#include "tests/support/TestCrypto.h"

namespace testmariadb {

namespace {

const QLatin1String kServerProgram{"/usr/sbin/mariadbd"};
const QLatin1String kInstallProgram{"/usr/bin/mariadb-install-db"};

using testserver::Fail;
using testserver::FreePort;
using testserver::WritePrivate;

// A string literal of MariaDB's SQL.
QString Quoted(QString text) {
  text.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
  return QLatin1Char('\'') + text + QLatin1Char('\'');
}

const char* const kContent[] = {
    "CREATE DATABASE hlvsales CHARACTER SET utf8mb4",
    "CREATE DATABASE hlvstock CHARACTER SET utf8mb4",
    "CREATE TABLE hlvsales.orders (id INT PRIMARY KEY, customer VARCHAR(100) NOT NULL, amount DECIMAL(10,2) NOT "
    "NULL, placed DATE NOT NULL, note TEXT NULL, photo BLOB NULL)",
    "INSERT INTO hlvsales.orders VALUES (1, 'Ada', 150.50, '2024-01-15', 'first order', NULL), "
    "(2, 'Brendan', 42.00, '2024-02-01', NULL, NULL), (3, 'Chiara', 999.99, '2024-03-10', 'rush', "
    "X'89504E470D0A1A0A'), (4, 'Dmitri', 100.00, '2024-03-11', '', NULL)",
    "CREATE TABLE hlvsales.customers (id INT PRIMARY KEY, name VARCHAR(100) NOT NULL)",
    "INSERT INTO hlvsales.customers VALUES (1, 'Ada'), (2, 'Brendan')",
    "CREATE VIEW hlvsales.big_orders AS SELECT id, customer, amount FROM hlvsales.orders WHERE amount > 100",
    "CREATE TABLE hlvstock.items (id INT PRIMARY KEY, name VARCHAR(100) NOT NULL, quantity INT NOT NULL)",
    "CREATE PROCEDURE hlvsales.archive_orders() DELETE FROM hlvsales.orders WHERE note IS NULL",
    "INSERT INTO hlvstock.items VALUES (1, 'bolt', 500), (2, 'nut', 750)",
};

// Opens the Qt connection `name` to the server's socket as the operating system's user, whom
// mariadb-install-db lets in through unix_socket authentication.
bool OpenAdministration(const QString& name, const QString& socket, QString& error) {
  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name);
  const passwd* me = ::getpwuid(::geteuid());
  db.setUserName(me == nullptr ? QStringLiteral("root") : QString::fromLocal8Bit(me->pw_name));
  db.setConnectOptions(QStringLiteral("UNIX_SOCKET=%1;MYSQL_OPT_CONNECT_TIMEOUT=5").arg(socket));
  if (db.open()) return true;
  error = db.lastError().text();
  return false;
}

}  // namespace

std::unique_ptr<MariaDbServer> MariaDbServer::Start(const QString& password) {
  std::unique_ptr<MariaDbServer> server(new MariaDbServer);
  if (!QFile::exists(kServerProgram) || !QFile::exists(kInstallProgram))
    Fail(
        QStringLiteral("the MariaDB server programs (mariadbd, mariadb-install-db) are missing: install the "
                       "Debian package mariadb-server"));
  if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QMYSQL")))
    Fail(QStringLiteral("Qt's MySQL driver is missing: install the Debian package libqt5sql5-mysql"));
  const passwd* mysql = ::getpwnam("mysql");
  if (mysql == nullptr) Fail(QStringLiteral("there is no mysql user: install the Debian package mariadb-server"));
  const uid_t user = ::geteuid();
  server->m_asRoot = user == 0;
  if (user != 0 && user != mysql->pw_uid)
    Fail(QStringLiteral("the tests run neither as root nor as mysql, and the server runs as the mysql user only"));
  const passwd owner = *mysql;

  server->m_folder = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("hlv-mariadb-XXXXXX")));
  if (!server->m_folder->isValid()) Fail(QStringLiteral("no temporary folder for the server"));
  const QDir folder(server->m_folder->path());
  if (::chown(QFile::encodeName(folder.path()).constData(), owner.pw_uid, owner.pw_gid) != 0)
    Fail(QStringLiteral("cannot give the server's folder to the mysql user"));
  const QString data = folder.filePath(QStringLiteral("data"));

  QProcess install;
  install.setProcessChannelMode(QProcess::MergedChannels);
  const QStringList installCommand =
      server->AsServerUser(kInstallProgram, {QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + data,
                                             QStringLiteral("--auth-root-authentication-method=socket"),
                                             QStringLiteral("--skip-test-db"), QStringLiteral("--skip-name-resolve")});
  install.start(installCommand.front(), installCommand.mid(1));
  if (!install.waitForFinished(60000) || install.exitStatus() != QProcess::NormalExit || install.exitCode() != 0)
    Fail(QStringLiteral("mariadb-install-db failed: %1").arg(QString::fromLocal8Bit(install.readAll()).trimmed()));

  const testcrypto::TestKey key;
  server->m_certificatePem = QString::fromStdString(key.SelfSignedCertificate());
  const QString certificate = folder.filePath(QStringLiteral("server.crt"));
  const QString privateKey = folder.filePath(QStringLiteral("server.key"));
  WritePrivate(certificate, server->m_certificatePem.toUtf8(), owner);
  WritePrivate(privateKey, QByteArray::fromStdString(key.Pkcs8()), owner);

  server->m_port = FreePort();
  // Small and unsafe on a crash, which a throwaway server may be: it starts in well under a second.
  const QStringList serverCommand = server->AsServerUser(
      kServerProgram,
      {QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + data,
       QStringLiteral("--socket=") + folder.filePath(QStringLiteral("mariadb.sock")),
       QStringLiteral("--pid-file=") + folder.filePath(QStringLiteral("mariadb.pid")),
       QStringLiteral("--log-error=") + folder.filePath(QStringLiteral("error.log")),
       QStringLiteral("--tmpdir=") + folder.path(), QStringLiteral("--port=%1").arg(server->m_port),
       QStringLiteral("--bind-address=127.0.0.1"), QStringLiteral("--skip-networking=0"),
       QStringLiteral("--skip-name-resolve"), QStringLiteral("--skip-log-bin"),
       QStringLiteral("--character-set-server=utf8mb4"), QStringLiteral("--innodb-buffer-pool-size=64M"),
       QStringLiteral("--innodb-flush-log-at-trx-commit=0"), QStringLiteral("--ssl-cert=") + certificate,
       QStringLiteral("--ssl-key=") + privateKey});
  server->m_server = std::make_unique<QProcess>();
  server->m_server->setProcessChannelMode(QProcess::MergedChannels);
  server->m_server->setStandardOutputFile(folder.filePath(QStringLiteral("output.log")));
  server->m_server->start(serverCommand.front(), serverCommand.mid(1));
  if (!server->m_server->waitForStarted(10000)) Fail(QStringLiteral("mariadbd could not be started"));
  server->WaitUntilReady();
  server->Fill(password);
  return server;
}

MariaDbServer::~MariaDbServer() {
  if (!m_server || m_server->state() == QProcess::NotRunning) return;
  // The server runs as another user under runuser: it is asked to stop by its own process id.
  QFile pidFile(QDir(m_folder->path()).filePath(QStringLiteral("mariadb.pid")));
  const pid_t pid = pidFile.open(QIODevice::ReadOnly) ? pidFile.readAll().trimmed().toInt() : 0;
  if (pid > 0)
    ::kill(pid, SIGTERM);
  else
    m_server->terminate();
  if (!m_server->waitForFinished(30000)) {
    ADD_FAILURE() << "The MariaDB test server did not stop in 30 s: it is killed";
    if (pid > 0) ::kill(pid, SIGKILL);
    m_server->kill();
    m_server->waitForFinished(5000);
  }
}

QStringList MariaDbServer::AsServerUser(const QString& program, const QStringList& arguments) const {
  if (!m_asRoot) return QStringList{program} + arguments;
  return QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("mysql"), QStringLiteral("--"),
                     program} +
         arguments;
}

QString MariaDbServer::Log() const {
  QFile file(QDir(m_folder->path()).filePath(QStringLiteral("error.log")));
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

void MariaDbServer::WaitUntilReady() const {
  const QString socket = QDir(m_folder->path()).filePath(QStringLiteral("mariadb.sock"));
  const QString name = QStringLiteral("hlv-mariadb-ready");
  QElapsedTimer clock;
  clock.start();
  QString error;
  bool ready = false;
  while (!ready && clock.elapsed() < 60000) {
    if (m_server->state() == QProcess::NotRunning) break;
    if (QFile::exists(socket) && OpenAdministration(name, socket, error)) ready = true;
    QSqlDatabase::removeDatabase(name);
    if (!ready) QThread::msleep(30);
  }
  if (!ready) Fail(QStringLiteral("mariadbd did not start: %1\n%2").arg(error, Log()));
}

void MariaDbServer::Fill(const QString& password) const {
  const QString name = QStringLiteral("hlv-mariadb-setup");
  QString error;
  {
    QString failed;
    if (OpenAdministration(name, QDir(m_folder->path()).filePath(QStringLiteral("mariadb.sock")), error)) {
      QSqlDatabase db = QSqlDatabase::database(name, false);
      QStringList statements;
      for (const char* statement : kContent) statements << QLatin1String(statement);
      statements
          << QStringLiteral("CREATE USER '%1'@'%' IDENTIFIED BY %2").arg(QLatin1String(kUser), Quoted(password))
          << QStringLiteral("GRANT ALL PRIVILEGES ON *.* TO '%1'@'%' WITH GRANT OPTION").arg(QLatin1String(kUser));
      for (const QString& statement : statements) {
        QSqlQuery query(db);
        if (!query.exec(statement)) {
          // The statement holding the password is not repeated.
          failed = QStringLiteral("setting up the test databases failed at \"%1\": %2")
                       .arg(statement.contains(QLatin1String("IDENTIFIED")) ? QStringLiteral("CREATE USER") : statement,
                            query.lastError().text());
          break;
        }
      }
      db.close();
    } else {
      failed = QStringLiteral("connecting to the new server failed: %1").arg(error);
    }
    error = failed;
  }
  QSqlDatabase::removeDatabase(name);
  if (!error.isEmpty()) Fail(error);
}

const MariaDbServer& SharedServer() { return testserver::Shared<MariaDbServer>(SharedPassword()); }

QString SharedPassword() { return QStringLiteral("Sentinel-MariaDB-Secret-5927"); }

std::optional<QString> SkipReason() { return testserver::SkipReason("HLV_SKIP_MARIADB", "MariaDB"); }

}  // namespace testmariadb
