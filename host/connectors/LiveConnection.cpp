#include "host/connectors/LiveConnection.h"

#include "host/Exceptions.h"
#include "host/connect/CredentialsService.h"
#include "host/connect/DataSourceException.h"
#include "host/connectors/ConnectorDescription.h"
#include "host/connectors/ExcelCatalogue.h"
#include "host/connectors/InstalledDriverDiagnostics.h"
#include "host/connectors/LiveCatalogue.h"
#include "host/connectors/TextFileCatalogue.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QThread>

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <set>
#include <string>

namespace {

using Connect::DriverRequirement;

const QLatin1String kSQLite{"QSQLITE"};
const QLatin1String kPostgres{"QPSQL"};
const QLatin1String kMysql{"QMYSQL"};
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

using Reason = DataSourceException::Reason;

// What a driver's message says failed. libpq, MariaDB's client library, unixODBC and the ODBC
// drivers write their messages in English only; the first pattern that matches wins.
Reason ReasonOfText(const QString& text) {
  using Pattern = std::pair<const char*, Reason>;
  static const Pattern kPatterns[] = {
      {"can't open lib|could not be loaded", Reason::kDriverMissing},
      {"could not translate host name|unknown (mysql )?server host|name or service not known|"
       "failure in name resolution|no address associated",
       Reason::kHostNotFound},
      {"timeout expired|timed out|system error: 110|\\(110\\)", Reason::kTimedOut},
      {"ssl error|tls/ssl|ssl (connection|negotiation)|ssl (is )?required|support ssl|ssl off|no encryption|"
       "certificate",
       Reason::kTls},
      {"connection refused|can't connect to|\\(111\\)|server is unavailable", Reason::kRefused},
      {"password authentication failed|access denied for user|no password supplied|login failed|"
       "authentication failed|no pg_hba.conf entry|role \".*\" does not exist",
       Reason::kAuthentication},
      {"database \".*\" does not exist|unknown database|cannot open database|data source name not found",
       Reason::kDatabaseMissing},
  };
  for (const auto& [pattern, reason] : kPatterns) {
    const QRegularExpression expression(QLatin1String(pattern), QRegularExpression::CaseInsensitiveOption);
    if (expression.match(text).hasMatch()) return reason;
  }
  return Reason::kOther;
}

// The MariaDB and MySQL client's error numbers that say what failed by themselves.
Reason ReasonOfMysqlCode(const QString& code) {
  switch (code.toInt()) {
    case 1045:  // access denied for the user
    case 1698:  // access denied, the user's authentication plugin refusing
      return Reason::kAuthentication;
    case 1044:  // access to the database denied
    case 1049:  // unknown database
      return Reason::kDatabaseMissing;
    case 2005:  // unknown server host
      return Reason::kHostNotFound;
    case 2026:  // TLS error
      return Reason::kTls;
    default:
      return Reason::kOther;
  }
}

TString Plainly(Reason reason) {
  switch (reason) {
    case Reason::kHostNotFound:
      return QStringLiteral("no server of that name can be found");
    case Reason::kRefused:
      return QStringLiteral("nothing accepts connections at that server and port");
    case Reason::kTimedOut:
      return QStringLiteral("the server did not answer in time");
    case Reason::kTls:
      return QStringLiteral("the secure (TLS) connection could not be set up");
    case Reason::kAuthentication:
      return QStringLiteral("the user name or password is not accepted");
    case Reason::kDatabaseMissing:
      return QStringLiteral("the database does not exist");
    case Reason::kDriverMissing:
      return QStringLiteral("the driver is not installed");
    default:
      return TString();
  }
}

// What a driver's preparation leaves for the opening.
struct Prepared {
  // What is being opened, for messages, such as: the PostgreSQL database "sales" on db:5432.
  TString target;
  // Whether the driver's messages may repeat a secret it was given.
  bool driverMayQuoteSecrets = false;
  // Whether an ODBC connection names a data source (else a driver).
  bool odbcDataSource = false;
  // The server's certificate as a file, for as long as the connection lives.
  std::unique_ptr<QTemporaryFile> certificate;
};

// Why opening failed, in plain words, with the driver's own text as the details where the driver
// cannot have put a secret into it: SQLite has none, and libpq and MariaDB's client never repeat
// the password they were given. An ODBC driver may repeat the connection string, password and
// extras included: its text is only read for the reason, and never shown. Nothing is ever cut out
// of a text: masking a password inside a message would show where it occurs, and so the password.
DataSourceException OpenFailure(const QSqlError& error, const QString& qtDriver, const Prepared& prepared) {
  Reason reason = qtDriver == kMysql ? ReasonOfMysqlCode(error.nativeErrorCode()) : Reason::kOther;
  if (reason == Reason::kOther) reason = ReasonOfText(error.databaseText());
  TString words = Plainly(reason);
  // unixODBC says "data source name not found" of an unknown driver name too.
  if (qtDriver == kOdbc && reason == Reason::kDatabaseMissing &&
      error.databaseText().contains(QLatin1String("Data source name not found"), Qt::CaseInsensitive)) {
    reason = prepared.odbcDataSource ? Reason::kDatabaseMissing : Reason::kDriverMissing;
    words = prepared.odbcDataSource ? QStringLiteral("no ODBC data source of that name is defined")
                                    : QStringLiteral("no ODBC driver of that name is installed");
  }
  const TString details = prepared.driverMayQuoteSecrets ? TString() : ErrorText(error);
  if (words.isEmpty()) {
    const TString qt = error.driverText().trimmed();
    words = prepared.driverMayQuoteSecrets
                ? QStringLiteral("the driver refused the connection%1; its own message is not shown, since it may "
                                 "quote the connection string and the password in it")
                      .arg(qt.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(qt))
                : details;
  }
  return DataSourceException(QStringLiteral("Connecting to %1 failed: %2").arg(prepared.target, words), reason,
                             details);
}

// Writes the PEM text `pem` to a temporary file readable by the user alone (mode 0600), which goes
// with the connection, and returns its name: the drivers read certificates from files.
TString WriteCertificate(const TString& pem, Prepared& prepared) {
  prepared.certificate =
      std::make_unique<QTemporaryFile>(QDir::temp().filePath(QStringLiteral("hlv-sslcert-XXXXXX.pem")));
  const QByteArray bytes = pem.toUtf8();
  if (!prepared.certificate->open() || prepared.certificate->write(bytes) != bytes.size() ||
      !prepared.certificate->flush())
    throw DataSourceException(
        QStringLiteral("Connecting to %1 failed: the certificate could not be written to a temporary file: %2")
            .arg(prepared.target, prepared.certificate->errorString()));
  return prepared.certificate->fileName();
}

// The port "port" names; empty leaves the driver's default.
void SetPort(QSqlDatabase& database, const TString& port, const Prepared& prepared) {
  if (port.isEmpty()) return;
  bool isNumber = false;
  const int number = port.toInt(&isNumber);
  if (!isNumber || number <= 0 || number > 65535)
    throw DataSourceException(
        QStringLiteral("Connecting to %1 failed: \"%2\" is not a port").arg(prepared.target, port));
  database.setPort(number);
}

// A database server's connection: "server", "port", "dbname", "username", the password and the
// driver's `options`.
void SetServer(QSqlDatabase& database, const ConnectionAttributeMap& attributes, const QStringList& options,
               const Prepared& prepared) {
  SetPort(database, Value(attributes, QStringLiteral("port")), prepared);
  database.setHostName(Value(attributes, QStringLiteral("server")));
  database.setDatabaseName(Value(attributes, QStringLiteral("dbname")));
  database.setUserName(Value(attributes, QStringLiteral("username")));
  database.setPassword(SecretOf(attributes, DataConnectionAttrs::attrPassword));
  database.setConnectOptions(options.join(QLatin1Char(';')));
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

// SQLite: the file "filename", read-only, so that opening never creates or changes it.
void PrepareSqlite(QSqlDatabase& database, const ConnectionAttributeMap& attributes, Prepared& prepared) {
  const TString filename = Value(attributes, DataConnectionAttrs::attrFilename);
  prepared.target = QStringLiteral("the SQLite database \"%1\"").arg(filename);
  const QFileInfo file(filename);
  if (filename.isEmpty() || !file.exists())
    throw DataSourceException(QStringLiteral("Opening %1 failed: the file does not exist").arg(prepared.target),
                              Reason::kDatabaseMissing);
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
    options << QStringLiteral("sslrootcert=%1").arg(WriteCertificate(pem, prepared));
    // A certificate the user gave is there to be checked: with it, libpq's "require" checks
    // that the server's certificate is signed by it.
    if (sslMode.isEmpty()) sslMode = QStringLiteral("require");
  }
  if (!sslMode.isEmpty()) options << QStringLiteral("sslmode=%1").arg(sslMode);
  SetServer(database, attributes, options, prepared);
}

// MySQL and MariaDB: "server", "port", "dbname" (none: no current database), "username" and the
// password. The dialog's SSL box sets "sslmode" to "require": then the connection is encrypted and
// the server's certificate checked, against the certificate in "sslcert" (PEM text) when there is
// one, else against the machine's certificate authorities. A certificate alone implies "require";
// "sslmode" empty or "disable" asks for no TLS.
void PrepareMysql(QSqlDatabase& database, const ConnectionAttributeMap& attributes, Prepared& prepared) {
  const TString server = Value(attributes, QStringLiteral("server"));
  const TString port = Value(attributes, QStringLiteral("port"));
  const TString dbname = Value(attributes, QStringLiteral("dbname"));
  const TString where = server + (port.isEmpty() ? QString() : QLatin1Char(':') + port);
  prepared.target = dbname.isEmpty() ? QStringLiteral("the MySQL server %1").arg(where)
                                     : QStringLiteral("the MySQL database \"%1\" on %2").arg(dbname, where);
  const TString sslMode = Value(attributes, QStringLiteral("sslmode"));
  if (!sslMode.isEmpty() && sslMode != QLatin1String("require") && sslMode != QLatin1String("disable"))
    throw DataSourceException(
        QStringLiteral("Connecting to %1 failed: unknown SSL mode \"%2\"").arg(prepared.target, sslMode));
  QStringList options{QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=%1").arg(kConnectTimeoutSeconds)};
  const TString pem = Value(attributes, DataConnectionAttrs::attrSSLCert);
  if (!pem.isEmpty() && sslMode != QLatin1String("disable"))
    options << QStringLiteral("SSL_CA=%1").arg(WriteCertificate(pem, prepared));
  else if (sslMode == QLatin1String("require"))
    options << QStringLiteral("SSL_CAPATH=/etc/ssl/certs");
  SetServer(database, attributes, options, prepared);
}

// ODBC: a connection string naming the data source "odbc-dsn", else the driver "odbc-driver"
// (or the first installed of the description's ODBC drivers), with the server, port, database,
// user and password, then "odbc-connect-string-extras" as it stands.
void PrepareOdbc(QSqlDatabase& database, const ConnectionAttributeMap& attributes, const DriverRequirement& driver,
                 Prepared& prepared) {
  const TString dsn = Value(attributes, QStringLiteral("odbc-dsn"));
  TString odbcDriver = Value(attributes, QStringLiteral("odbc-driver"));
  if (odbcDriver.isEmpty() && driver.kind == DriverRequirement::Kind::kOdbc) {
    // The first of the drivers that serve the class that is installed; none is, the one it names.
    odbcDriver = InstalledDriverDiagnostics::InstalledName(driver);
    if (odbcDriver.isEmpty()) odbcDriver = driver.name;
  }
  if (dsn.isEmpty() && odbcDriver.isEmpty())
    throw DataSourceException(QStringLiteral("Connecting through ODBC failed: give a data source name or a driver"));
  prepared.target = dsn.isEmpty() ? QStringLiteral("the ODBC driver \"%1\"").arg(odbcDriver)
                                  : QStringLiteral("the ODBC data source \"%1\"").arg(dsn);
  prepared.driverMayQuoteSecrets = true;
  prepared.odbcDataSource = !dsn.isEmpty();
  const TString password = SecretOf(attributes, DataConnectionAttrs::attrPassword);
  QStringList parts;
  // A driver name is often written in braces already, "{PostgreSQL Unicode}".
  const bool braced = odbcDriver.startsWith(QLatin1Char('{')) && odbcDriver.endsWith(QLatin1Char('}'));
  parts << (dsn.isEmpty() ? QStringLiteral("DRIVER=%1").arg(braced ? odbcDriver : OdbcValue(odbcDriver))
                          : QStringLiteral("DSN=%1").arg(OdbcValue(dsn)));
  TString server = Value(attributes, QStringLiteral("server"));
  TString port = Value(attributes, QStringLiteral("port"));
  const TString extras = SecretOf(attributes, QStringLiteral("odbc-connect-string-extras")).trimmed();
  // FreeTDS takes the host and the port apart, where SQL Server's own drivers take "host,port",
  // and speaks an old protocol version unless told another.
  const bool freeTds = dsn.isEmpty() && (odbcDriver.compare(QLatin1String("FreeTDS"), Qt::CaseInsensitive) == 0 ||
                                         odbcDriver.endsWith(QLatin1String("libtdsodbc.so")));
  if (freeTds && port.isEmpty() && server.count(QLatin1Char(',')) == 1) {
    port = server.section(QLatin1Char(','), 1).trimmed();
    server = server.section(QLatin1Char(','), 0, 0).trimmed();
  }
  const std::pair<const char*, TString> named[] = {{"SERVER", server},
                                                   {"PORT", port},
                                                   {"DATABASE", Value(attributes, QStringLiteral("dbname"))},
                                                   {"UID", Value(attributes, QStringLiteral("username"))}};
  for (const auto& [keyword, value] : named)
    if (!value.isEmpty()) parts << QStringLiteral("%1=%2").arg(QLatin1String(keyword), OdbcValue(value));
  if (freeTds && !extras.contains(QLatin1String("TDS_Version"), Qt::CaseInsensitive))
    parts << QStringLiteral("TDS_Version=7.4");
  if (!password.isEmpty()) parts << QStringLiteral("PWD=%1").arg(OdbcValue(password));
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

// The shared objects this process has loaded, by path.
std::set<std::string> LoadedObjects() {
  std::set<std::string> objects;
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* found) {
        if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0')
          static_cast<std::set<std::string>*>(found)->insert(info->dlpi_name);
        return 0;
      },
      &objects);
  return objects;
}

// The driver manager unloads an ODBC driver when its last connection closes, and a driver that
// keeps memory in its own globals loses it on every unloading (the SQLite driver does). Whatever
// a first connection loaded, the driver and the libraries it brought, stays loaded instead, as
// the driver manager's DontDLClose setting would keep it.
class OdbcDriverPin {
 public:
  OdbcDriverPin() : m_before(LoadedObjects()) {}
  void Pin() const {
    for (const std::string& object : LoadedObjects())
      if (m_before.count(object) == 0) ::dlopen(object.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  }

 private:
  const std::set<std::string> m_before;
};

std::atomic<unsigned> g_connectionCounter{0};

// The catalogue of a file the host reads itself, without Qt SQL.
std::unique_ptr<LiveCatalogue> OpenHostCatalogue(const TString& className, const TString& driver,
                                                 const ConnectionAttributeMap& attributes) {
  if (driver == QLatin1String("text")) return TextFileCatalogue::Open(attributes);
  if (driver == QLatin1String("excel")) return ExcelCatalogue::Open(attributes);
  throw DataSourceException(
      QStringLiteral("Connecting to a database of class \"%1\" failed: the host reads no files of kind \"%2\"")
          .arg(className, driver),
      DataSourceException::Reason::kDriverMissing);
}

}  // namespace

LiveConnection::LiveConnection(TString connectionName, std::unique_ptr<QTemporaryFile> certificate)
    : m_connectionName(std::move(connectionName)),
      m_thread(QThread::currentThread()),
      m_certificate(std::move(certificate)) {}

LiveConnection::~LiveConnection() {
  m_catalogue.reset();
  // A file the host reads itself has no Qt connection.
  if (m_connectionName.isEmpty()) return;
  {
    QSqlDatabase database = QSqlDatabase::database(m_connectionName, false);
    database.close();
  }
  QSqlDatabase::removeDatabase(m_connectionName);
}

bool LiveConnection::HostReads(const TString& driver) {
  return driver == QLatin1String("text") || driver == QLatin1String("excel");
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
  if (driver->kind == DriverRequirement::Kind::kHost) {
    std::unique_ptr<LiveConnection> connection(new LiveConnection(TString(), nullptr));
    connection->m_catalogue = OpenHostCatalogue(facts.className, driver->name, attributes);
    return connection;
  }
  if (driver->kind == DriverRequirement::Kind::kJdbc)
    throw DataSourceException(
        QStringLiteral(
            "Connecting to a database of class \"%1\" failed: the host opens no connection through a JDBC driver")
            .arg(facts.className));
  const TString qtDriver = driver->kind == DriverRequirement::Kind::kOdbc ? TString(kOdbc) : driver->name;
  if (qtDriver != kSQLite && qtDriver != kPostgres && qtDriver != kMysql && qtDriver != kOdbc)
    throw DataSourceException(
        QStringLiteral(
            "Connecting to a database of class \"%1\" failed: the host opens no connection through the driver %2")
            .arg(facts.className, qtDriver));
  if (!QSqlDatabase::isDriverAvailable(qtDriver))
    throw DataSourceException(
        QStringLiteral("Connecting to a database of class \"%1\" failed: the Qt SQL driver %2 is not installed")
            .arg(facts.className, qtDriver),
        Reason::kDriverMissing);

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
    else if (qtDriver == kMysql)
      PrepareMysql(database, attributes, prepared);
    else
      PrepareOdbc(database, attributes, *driver, prepared);

    std::optional<OdbcDriverPin> pin;
    if (qtDriver == kOdbc) pin.emplace();
    const bool opened = database.open();
    if (pin) pin->Pin();
    if (!opened) throw OpenFailure(database.lastError(), qtDriver, prepared);
    if (qtDriver == kSQLite) {
      // SQLite opens any file; only reading it shows whether it is a database.
      QSqlQuery probe(database);
      if (!probe.exec(QStringLiteral("PRAGMA schema_version")))
        throw DataSourceException(
            QStringLiteral("Opening %1 failed: %2").arg(prepared.target, ErrorText(probe.lastError())),
            Reason::kOther, ErrorText(probe.lastError()));
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
