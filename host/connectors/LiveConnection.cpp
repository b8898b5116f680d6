#include "host/connectors/LiveConnection.h"

#include "host/Exceptions.h"
#include "host/connect/CredentialsService.h"
#include "host/connect/DataSourceException.h"
#include "host/connectors/ConnectorDescription.h"
#include "host/connectors/LiveCatalogue.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QThread>

#include <algorithm>
#include <atomic>

namespace {

using Connect::DriverRequirement;

const QLatin1String kSQLite{"QSQLITE"};
const QLatin1String kPostgres{"QPSQL"};
const QLatin1String kOdbc{"QODBC"};

// How long a server may take to answer before connecting fails, in seconds.
constexpr int kConnectTimeoutSeconds = 15;

// The six modes libpq knows; any other "sslmode" is refused before libpq sees it.
const QLatin1String kSslModes[] = {QLatin1String("disable"), QLatin1String("allow"),     QLatin1String("prefer"),
                                   QLatin1String("require"), QLatin1String("verify-ca"), QLatin1String("verify-full")};

TString Value(const ConnectionAttributeMap& attributes, const QString& name) {
  const auto found = attributes.find(name);
  return found == attributes.end() ? TString() : found->second;
}

// The secret attribute `name`: the one kept in the credential service under the connection's
// "credential-id", else the attribute itself.
TString SecretOf(const ConnectionAttributeMap& attributes, const QString& name) {
  const TString credentialId = Value(attributes, DataConnectionAttrs::attrCredentialId);
  if (!credentialId.isEmpty()) {
    const SecretMap secrets = CredentialsService::Instance().GetCredentials(credentialId);
    if (const auto found = secrets.find(name); found != secrets.end()) return found->second;
  }
  return Value(attributes, name);
}

TString ErrorText(const QSqlError& error) {
  const TString database = error.databaseText().trimmed();
  const TString driver = error.driverText().trimmed();
  if (database.isEmpty()) return driver;
  if (driver.isEmpty()) return database;
  return QStringLiteral("%1 (%2)").arg(database, driver);
}

// Why opening failed. The database's own text is quoted where the driver cannot have put a
// secret into it: SQLite has none, and libpq never repeats the password it was given. An ODBC
// driver may repeat the connection string, password and extras included, so only Qt's own
// words are kept and the failure is said plainly. Nothing is ever cut out of a text: masking a
// password inside a message would show where it occurs, and so the password.
TString OpenFailure(const QSqlError& error, bool driverMayQuoteSecrets) {
  if (!driverMayQuoteSecrets) return ErrorText(error);
  const TString qt = error.driverText().trimmed();
  return QStringLiteral("the driver refused the connection%1; its own message is not shown, since it may quote "
                        "the connection string and the password in it")
      .arg(qt.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(qt));
}

// A value of an ODBC connection string, in braces when it holds a character that would end it.
TString OdbcValue(const TString& value) {
  static const QString kSpecial = QStringLiteral(";{}=");
  const bool plain = std::none_of(value.begin(), value.end(), [](QChar c) { return kSpecial.contains(c); }) &&
                     value.trimmed() == value;
  if (plain) return value;
  TString braced = value;
  return QLatin1Char('{') + braced.replace(QLatin1Char('}'), QLatin1String("}}")) + QLatin1Char('}');
}

// What a driver's preparation leaves for the opening.
struct Prepared {
  // What is being opened, for messages, such as: the PostgreSQL database "sales" on db:5432.
  TString target;
  // Whether the driver's messages may repeat a secret it was given.
  bool driverMayQuoteSecrets = false;
  // The server's certificate as a file, for as long as the connection lives.
  std::unique_ptr<QTemporaryFile> certificate;
};

// SQLite: the file "filename", read-only, so that opening never creates or changes it.
void PrepareSqlite(QSqlDatabase& database, const ConnectionAttributeMap& attributes, Prepared& prepared) {
  const TString filename = Value(attributes, DataConnectionAttrs::attrFilename);
  prepared.target = QStringLiteral("the SQLite database \"%1\"").arg(filename);
  const QFileInfo file(filename);
  if (filename.isEmpty() || !file.exists())
    throw DataSourceException(QStringLiteral("Opening %1 failed: the file does not exist").arg(prepared.target));
  if (!file.isFile())
    throw DataSourceException(QStringLiteral("Opening %1 failed: it is not a file").arg(prepared.target));
  database.setDatabaseName(file.absoluteFilePath());
  database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
}

void PreparePostgres(QSqlDatabase& database, const ConnectionAttributeMap& attributes, Prepared& prepared) {
  const TString server = Value(attributes, QStringLiteral("server"));
  const TString port = Value(attributes, QStringLiteral("port"));
  const TString dbname = Value(attributes, QStringLiteral("dbname"));
  prepared.target = QStringLiteral("the PostgreSQL database \"%1\" on %2%3")
                        .arg(dbname, server, port.isEmpty() ? QString() : QLatin1Char(':') + port);
  TString sslMode = Value(attributes, QStringLiteral("sslmode"));
  if (!sslMode.isEmpty() && std::find(std::begin(kSslModes), std::end(kSslModes), sslMode) == std::end(kSslModes))
    throw DataSourceException(
        QStringLiteral("Connecting to %1 failed: unknown SSL mode \"%2\"").arg(prepared.target, sslMode));
  QStringList options{QStringLiteral("connect_timeout=%1").arg(kConnectTimeoutSeconds)};
  const TString pem = Value(attributes, DataConnectionAttrs::attrSSLCert);
  if (!pem.isEmpty()) {
    // libpq reads the server's certificate authority from a file. QTemporaryFile makes it
    // readable by the user alone (0600) and removes it with the connection.
    prepared.certificate =
        std::make_unique<QTemporaryFile>(QDir::temp().filePath(QStringLiteral("hlv-sslcert-XXXXXX.pem")));
    const QByteArray bytes = pem.toUtf8();
    if (!prepared.certificate->open() || prepared.certificate->write(bytes) != bytes.size() ||
        !prepared.certificate->flush())
      throw DataSourceException(
          QStringLiteral("Connecting to %1 failed: the certificate could not be written to a temporary file: %2")
              .arg(prepared.target, prepared.certificate->errorString()));
    options << QStringLiteral("sslrootcert=%1").arg(prepared.certificate->fileName());
    // A certificate the user gave is there to be checked: with it, libpq's "require" checks
    // that the server's certificate is signed by it.
    if (sslMode.isEmpty()) sslMode = QStringLiteral("require");
  }
  if (!sslMode.isEmpty()) options << QStringLiteral("sslmode=%1").arg(sslMode);
  if (!port.isEmpty()) {
    bool isNumber = false;
    const int number = port.toInt(&isNumber);
    if (!isNumber || number <= 0 || number > 65535)
      throw DataSourceException(
          QStringLiteral("Connecting to %1 failed: \"%2\" is not a port").arg(prepared.target, port));
    database.setPort(number);
  }
  database.setHostName(server);
  database.setDatabaseName(dbname);
  database.setUserName(Value(attributes, QStringLiteral("username")));
  database.setPassword(SecretOf(attributes, DataConnectionAttrs::attrPassword));
  database.setConnectOptions(options.join(QLatin1Char(';')));
}

// ODBC: a connection string naming the data source "odbc-dsn", else the driver "odbc-driver"
// (or the description's ODBC driver), with the server, port, database, user and password, then
// "odbc-connect-string-extras" as it stands.
void PrepareOdbc(QSqlDatabase& database, const ConnectionAttributeMap& attributes, const DriverRequirement& driver,
                 Prepared& prepared) {
  const TString dsn = Value(attributes, QStringLiteral("odbc-dsn"));
  TString odbcDriver = Value(attributes, QStringLiteral("odbc-driver"));
  if (odbcDriver.isEmpty() && driver.kind == DriverRequirement::Kind::kOdbc) odbcDriver = driver.name;
  if (dsn.isEmpty() && odbcDriver.isEmpty())
    throw DataSourceException(QStringLiteral("Connecting through ODBC failed: give a data source name or a driver"));
  prepared.target = dsn.isEmpty() ? QStringLiteral("the ODBC driver \"%1\"").arg(odbcDriver)
                                  : QStringLiteral("the ODBC data source \"%1\"").arg(dsn);
  prepared.driverMayQuoteSecrets = true;
  const TString password = SecretOf(attributes, DataConnectionAttrs::attrPassword);
  QStringList parts;
  // A driver name is often written in braces already, "{PostgreSQL Unicode}".
  const bool braced = odbcDriver.startsWith(QLatin1Char('{')) && odbcDriver.endsWith(QLatin1Char('}'));
  parts << (dsn.isEmpty() ? QStringLiteral("DRIVER=%1").arg(braced ? odbcDriver : OdbcValue(odbcDriver))
                          : QStringLiteral("DSN=%1").arg(OdbcValue(dsn)));
  const std::pair<const char*, const char*> named[] = {
      {"server", "SERVER"}, {"port", "PORT"}, {"dbname", "DATABASE"}, {"username", "UID"}};
  for (const auto& [attribute, keyword] : named) {
    const TString value = Value(attributes, QLatin1String(attribute));
    if (!value.isEmpty()) parts << QStringLiteral("%1=%2").arg(QLatin1String(keyword), OdbcValue(value));
  }
  if (!password.isEmpty()) parts << QStringLiteral("PWD=%1").arg(OdbcValue(password));
  const TString extras = SecretOf(attributes, QStringLiteral("odbc-connect-string-extras")).trimmed();
  if (!extras.isEmpty()) parts << extras;
  TString connectString = parts.join(QLatin1Char(';'));
  // Qt takes a string naming a driver or a server as it is, and puts "DSN=" before any other:
  // such a string is handed over without its own "DSN=".
  const bool takenAsItIs = connectString.contains(QLatin1String("DRIVER="), Qt::CaseInsensitive) ||
                           connectString.contains(QLatin1String("SERVER="), Qt::CaseInsensitive);
  if (!takenAsItIs) connectString.remove(0, QLatin1String("DSN=").size());
  database.setDatabaseName(connectString);
  database.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(kConnectTimeoutSeconds));
}

std::atomic<unsigned> g_connectionCounter{0};

}  // namespace

LiveConnection::LiveConnection(TString connectionName, std::unique_ptr<QTemporaryFile> certificate)
    : m_connectionName(std::move(connectionName)),
      m_thread(QThread::currentThread()),
      m_certificate(std::move(certificate)) {}

LiveConnection::~LiveConnection() {
  m_catalogue.reset();
  {
    QSqlDatabase database = QSqlDatabase::database(m_connectionName, false);
    database.close();
  }
  QSqlDatabase::removeDatabase(m_connectionName);
}

void LiveConnection::CheckThread() const {
  if (QThread::currentThread() != m_thread)
    HLV_THROW_LOGIC("a live connection is used from the thread that opened it");
}

std::unique_ptr<LiveConnection> LiveConnection::Open(const Connect::ConnectorDescription& description,
                                                     const ConnectionAttributeMap& attributes) {
  const Connect::ConnectorFacts& facts = description.Facts();
  const DriverRequirement* driver = description.DriverFor(Value(attributes, DataConnectionAttrs::attrConnectionType));
  if (driver == nullptr)
    throw DataSourceException(
        QStringLiteral("Connecting to a database of class \"%1\" failed: its connector names no driver")
            .arg(facts.className));
  if (driver->kind == DriverRequirement::Kind::kJdbc)
    throw DataSourceException(
        QStringLiteral(
            "Connecting to a database of class \"%1\" failed: the host opens no connection through a JDBC driver")
            .arg(facts.className));
  const TString qtDriver = driver->kind == DriverRequirement::Kind::kOdbc ? TString(kOdbc) : driver->name;
  if (qtDriver != kSQLite && qtDriver != kPostgres && qtDriver != kOdbc)
    throw DataSourceException(
        QStringLiteral(
            "Connecting to a database of class \"%1\" failed: the host opens no connection through the driver %2")
            .arg(facts.className, qtDriver));
  if (!QSqlDatabase::isDriverAvailable(qtDriver))
    throw DataSourceException(
        QStringLiteral("Connecting to a database of class \"%1\" failed: the Qt SQL driver %2 is not installed")
            .arg(facts.className, qtDriver));

  const TString connectionName =
      QStringLiteral("hlv-live-%1").arg(g_connectionCounter.fetch_add(1, std::memory_order_relaxed));
  Prepared prepared;
  // Made first, so that any failure below removes the connection from Qt's list again, after
  // the last handle to it is gone.
  std::unique_ptr<LiveConnection> connection(new LiveConnection(connectionName, nullptr));
  {
    QSqlDatabase database = QSqlDatabase::addDatabase(qtDriver, connectionName);
    if (qtDriver == kSQLite)
      PrepareSqlite(database, attributes, prepared);
    else if (qtDriver == kPostgres)
      PreparePostgres(database, attributes, prepared);
    else
      PrepareOdbc(database, attributes, *driver, prepared);

    if (!database.open())
      throw DataSourceException(QStringLiteral("Connecting to %1 failed: %2")
                                    .arg(prepared.target,
                                         OpenFailure(database.lastError(), prepared.driverMayQuoteSecrets)));
    if (qtDriver == kSQLite) {
      // SQLite opens any file; only reading it shows whether it is a database.
      QSqlQuery probe(database);
      if (!probe.exec(QStringLiteral("PRAGMA schema_version")))
        throw DataSourceException(
            QStringLiteral("Opening %1 failed: %2").arg(prepared.target, ErrorText(probe.lastError())));
    }
  }
  connection->m_certificate = std::move(prepared.certificate);
  connection->m_catalogue = LiveCatalogue::For(qtDriver, connectionName);
  HLV_ASSERT(connection->m_catalogue != nullptr);
  return connection;
}

bool LiveConnection::Lists(List list) const {
  CheckThread();
  return m_catalogue->Lists(list);
}

void LiveConnection::Databases(std::vector<TString>& databases) const {
  CheckThread();
  m_catalogue->Databases(databases);
}

void LiveConnection::Schemas(std::vector<TString>& schemas) const {
  CheckThread();
  m_catalogue->Schemas(schemas);
}

void LiveConnection::Tables(const TString& schema, std::vector<RelationalDSConnectionConfigTableInfo>& tables) const {
  CheckThread();
  m_catalogue->Tables(schema, tables);
}

void LiveConnection::StoredProcedures(const TString& schema, std::vector<QualifiedName>& procedures) const {
  CheckThread();
  m_catalogue->StoredProcedures(schema, procedures);
}

TString LiveConnection::CurrentDatabase() const {
  CheckThread();
  return m_catalogue->CurrentDatabase();
}

TString LiveConnection::CurrentSchema() const {
  CheckThread();
  return m_catalogue->CurrentSchema();
}

Preview::Result LiveConnection::Preview(const Preview::Request& request) const {
  CheckThread();
  Preview::Result result;
  m_catalogue->Preview(request, result);
  return result;
}
