// Live relational connections of the described configurations: a real SQLite file, a real
// PostgreSQL server with TLS required (tests/support/PostgresServer.h), a real MariaDB server
// (tests/support/MariaDbServer.h), and ODBC through unixODBC's SQLite3 and PostgreSQL drivers.
// Each list must hold exactly what the database holds, in the catalogue's order, and no failure
// may quote a secret.
#include "host/connect/CredentialsService.h"
#include "host/connect/DataSourceException.h"
#include "host/connectors/InMemoryCredentialsService.h"

#include "tests/QStringPrinter.h"
#include "tests/support/BuiltinConfigs.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/PostgresServer.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestCrypto.h"
#include "tests/support/TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <thread>

#include <gtest/gtest.h>

namespace {

using Attributes = DSConnectionConfig::Attributes;
using builtin::Config;
using builtin::ScopedRegistry;
using ScopedCredentials = fake::ScopedInstall<CredentialsService, ICredentialsService>;

// A password no message may ever quote.
const QString kSentinel = QStringLiteral("Sentinel-Wrong-Secret-4411");

DescribedConfigState& State(const RefCntPtr<DSConnectionConfig>& config) {
  DescribedConfigState* state = DescribedConfigState::Of(*config);
  if (state == nullptr) throw std::runtime_error("not a described configuration");
  return *state;
}

// The tables as "name|tooltip|icon|sort key" lines, the name as its full value.
std::vector<QString> Describe(const std::vector<RelationalDSConnectionConfigTableInfo>& tables) {
  std::vector<QString> lines;
  for (const RelationalDSConnectionConfigTableInfo& table : tables) {
    EXPECT_TRUE(table.IsEnabled());
    EXPECT_EQ(table.GetCaption(), table.GetQualifiedName().GetComponents().back());
    lines.push_back(QStringLiteral("%1|%2|%3|%4")
                        .arg(table.GetQualifiedName().GetFullValue(), table.GetTooltip(),
                             table.GetIconEnum() == TablePillIcon::Sheet        ? QStringLiteral("sheet")
                             : table.GetIconEnum() == TablePillIcon::FoundTable ? QStringLiteral("found-table")
                                                                                : QStringLiteral("other"),
                             table.GetSortKey()));
  }
  return lines;
}

std::vector<QString> Names(const std::vector<QualifiedName>& names) {
  std::vector<QString> full;
  for (const QualifiedName& name : names) full.push_back(name.GetFullValue());
  return full;
}

// Which lists apply, as "Databases Schemas ..." in the order of the Can queries.
QString Applies(const RelationalDSConnectionConfig& config) {
  QStringList lists;
  if (config.CanEnumerateDatabases()) lists << QStringLiteral("Databases");
  if (config.CanEnumerateSchemas()) lists << QStringLiteral("Schemas");
  if (config.CanEnumerateTables()) lists << QStringLiteral("Tables");
  if (config.CanEnumerateStoredProcedures()) lists << QStringLiteral("StoredProcedures");
  if (config.CanEnumerateWarehouses()) lists << QStringLiteral("Warehouses");
  if (config.CanEnumerateStandardConnections()) lists << QStringLiteral("StandardConnections");
  return lists.join(QLatin1Char(' '));
}

// The DataSourceException `connect` raises, checked for the absence of every secret.
template <typename Connect>
DataSourceException Failed(Connect connect, std::initializer_list<QString> secrets = {kSentinel}) {
  try {
    connect();
  } catch (const DataSourceException& failure) {
    for (const QString& secret : secrets)
      EXPECT_FALSE(failure.GetMessage().contains(secret) || failure.GetDetails().contains(secret)) << failure.what();
    return failure;
  }
  ADD_FAILURE() << "no DataSourceException";
  return DataSourceException(QString());
}

template <typename Connect>
QString FailureOf(Connect connect, std::initializer_list<QString> secrets = {kSentinel}) {
  return Failed(connect, secrets).GetMessage();
}

using Reason = DataSourceException::Reason;

// A connection that must fail: `changes` to working attributes (an empty value removes one),
// the reason, the plain words ending the message, and a phrase of the driver's own text, which
// the details hold.
struct FailureCase {
  const char* what;
  std::vector<std::pair<const char*, QString>> changes;
  Reason reason;
  const char* words;
  const char* details;
};

void ExpectFailures(const char* connectionClass, const Attributes& working, const std::vector<FailureCase>& cases,
                    std::initializer_list<QString> secrets) {
  for (const FailureCase& failure : cases) {
    SCOPED_TRACE(failure.what);
    Attributes attributes = working;
    for (const auto& [name, value] : failure.changes) {
      if (value.isEmpty())
        attributes.erase(QLatin1String(name));
      else
        attributes[QLatin1String(name)] = value;
    }
    const DataSourceException raised =
        Failed([&] { State(Config(connectionClass, attributes)).Connect(); }, secrets);
    EXPECT_STREQ(DataSourceException::ReasonName(raised.GetReason()), DataSourceException::ReasonName(failure.reason));
    EXPECT_TRUE(raised.GetMessage().startsWith(QLatin1String("Connecting to the ")) &&
                raised.GetMessage().endsWith(QLatin1String(" failed: ") + QLatin1String(failure.words)))
        << raised.what();
    EXPECT_TRUE(raised.GetDetails().contains(QLatin1String(failure.details), Qt::CaseInsensitive))
        << raised.GetDetails().toStdString();
  }
}

QByteArray Digest(const QString& path) {
  QFile file(path);
  file.open(QIODevice::ReadOnly);
  return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

class LiveConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_folder.isValid());
    m_sqlite = QDir(m_folder.path()).filePath(QStringLiteral("shop.db"));
    // Mixed letter case and SQLite's own table (sqlite_sequence, from AUTOINCREMENT) show that
    // the list is the database's, sorted the way it sorts (code points: upper case first).
    Execute(m_sqlite, {"CREATE TABLE orders (id INTEGER PRIMARY KEY AUTOINCREMENT, amount REAL)",
                       "CREATE TABLE Customers (id INTEGER PRIMARY KEY, name TEXT)",
                       "CREATE VIEW big_orders AS SELECT * FROM orders WHERE amount > 100",
                       "CREATE INDEX orders_by_amount ON orders (amount)", "INSERT INTO orders (amount) VALUES (150)"});
  }

  static void Execute(const QString& file, std::initializer_list<const char*> statements) {
    const QString name = QStringLiteral("test-setup");
    {
      QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
      db.setDatabaseName(file);
      ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
      for (const char* statement : statements) {
        QSqlQuery query(db);
        EXPECT_TRUE(query.exec(QLatin1String(statement))) << query.lastError().text().toStdString();
      }
      db.close();
    }
    QSqlDatabase::removeDatabase(name);
  }

  QTemporaryDir m_folder;
  QString m_sqlite;
  ScopedRegistry m_registry{builtin::RegistryWith()};
  ScopedCredentials m_credentials{std::make_shared<InMemoryCredentialsService>()};
};

// Which of the page's boolean answers hold, by query name.
QString PageFlags(const RelationalDSConnectionConfig& config) {
  const std::pair<const char*, bool> flags[] = {
      {"FastMetadata", config.HasFastMetadata(TString())},
      {"JoinAcrossSchemas", config.HasJoinAcrossSchemas()},
      {"CustomSQLWithOLAPOff", config.AllowCustomSQLWithOLAPOff()},
      {"NoLeftJoin", config.AllowCustomSQLOrUnionWithNoLeftJoinSupported()},
      {"NoLODCalcs", config.AllowCustomSQLOrUnionWithNoLODCalcsSupported(true)},
      {"CustomSQL", config.AllowCustomSQL()},
      {"CustomSQLWithoutSchema", config.AllowCustomSQLWithoutSchema()},
      {"CustomDatabase", config.AllowCustomDatabase()},
      {"CustomSchema", config.AllowCustomSchema()},
      {"StoredProc", config.AllowStoredProc()},
      {"Union", config.AllowUnion(config.GetConfigName())},
      {"Warehouse", config.HasWarehouse()},
      {"LegacySQLCheck", config.HasBigQueryLegacySQLCheck()},
      {"LegacySQLChecked", config.GetBigQueryLegacySQLCheckState()},
      {"Database", config.HasDatabase()},
      {"SchemaOptional", config.IsSchemaOptional()},
      {"IgnoreSchema", config.ShouldIgnoreSchema()},
      {"Schema", config.HasSchema()},
      {"Tables", config.HasTables()},
      {"JoinArea", config.UsesJoinArea()},
      {"NoPreview", config.HasCapability(412)}};
  QStringList holding;
  for (const auto& [name, holds] : flags)
    if (holds) holding << QLatin1String(name);
  return holding.join(QLatin1Char(' '));
}

TEST(DataSourcePageTest, WithoutALiveConnectionNothingIsListedAndThePageAnswersFromTheDescription) {
  const ScopedRegistry installed(builtin::RegistryWith({R"({"class": "bare", "caption": {"en": "Bare"}})",
                                                        R"({"class": "bq", "caption": {"en": "BQ"},
      "data-source-page": {"lists": {"schemas": false, "warehouses": true}, "schema": "ignored",
        "custom-sql": {"allowed": false, "with-olap-off": false}, "capabilities": [7, 412],
        "legacy-sql-check": {"attribute": "legacy", "default": true},
        "placeholders": {"table": "Find a table"}, "labels": {"SchemaHeaderLabel": "Dataset"}}})"}));

  // The defaults: every picker but the warehouse, custom SQL and union, no capability.
  const RefCntPtr<DSConnectionConfig> bare = Config("bare", {{QStringLiteral("dbname"), QStringLiteral("sales")}});
  EXPECT_EQ(PageFlags(*bare->AsRelational()),
            QStringLiteral("FastMetadata JoinAcrossSchemas CustomSQLWithOLAPOff NoLeftJoin NoLODCalcs CustomSQL "
                           "StoredProc Union Database Schema Tables JoinArea"));
  EXPECT_EQ(bare->AsRelational()->GetDatabaseName(), QStringLiteral("sales"));
  // Marked connected by the host's own means, it still has no catalogue to list from.
  State(bare).SetConnected(true);
  EXPECT_EQ(Applies(*bare->AsRelational()), QString());

  // A picker follows its list unless told otherwise; an ignored schema has none.
  const RefCntPtr<DSConnectionConfig> bq = Config("bq", {{QStringLiteral("legacy"), QStringLiteral("FALSE")}});
  const RefCntPtr<const RelationalDSConnectionConfig> rel = bq->AsRelational();
  EXPECT_EQ(PageFlags(*rel),
            QStringLiteral("FastMetadata JoinAcrossSchemas NoLeftJoin NoLODCalcs StoredProc Union "
                           "Warehouse LegacySQLCheck Database IgnoreSchema Tables JoinArea NoPreview"));
  EXPECT_TRUE(Config("bq", {})->AsRelational()->GetBigQueryLegacySQLCheckState());
  EXPECT_EQ(rel->GetTablePlaceholderText(), QStringLiteral("Find a table"));
  std::map<TString, TString> labels{{QStringLiteral("SchemaHeaderLabel"), QStringLiteral("Schema")}};
  rel->GetJoinDescriptionGlobalProperties(labels);
  EXPECT_EQ(labels, (std::map<TString, TString>{{QStringLiteral("SchemaHeaderLabel"), QStringLiteral("Dataset")}}));

  // What the built-in SQLite class answers is pinned by the CLI (describe-sqlite.expected).
}

TEST_F(LiveConnectionTest, SqliteListsTheFilesTablesAndViewsInItsOrderAndNeverWritesTheFile) {
  // A name beyond ASCII sorts case-folded too (the statements are read as Latin-1).
  Execute(m_sqlite, {"CREATE TABLE \"STRA\xdf" "E\" (id INTEGER)"});
  const QByteArray before = Digest(m_sqlite);
  const RefCntPtr<DSConnectionConfig> config =
      Config("sqlite", {{QStringLiteral("filename"), m_sqlite}, {QStringLiteral("schema"), QStringLiteral("x")}});
  const RefCntPtr<const RelationalDSConnectionConfig> rel = config->AsRelational();
  EXPECT_EQ(Applies(*rel), QString());

  State(config).Connect();
  EXPECT_TRUE(config->IsConnected());
  EXPECT_TRUE(config->ShouldFinishConnection());
  EXPECT_EQ(Applies(*rel), QStringLiteral("Databases Tables"));
  std::vector<TString> databases;
  rel->EnumerateDatabases(databases);
  EXPECT_EQ(databases, std::vector<TString>{QStringLiteral("main")});
  std::vector<RelationalDSConnectionConfigTableInfo> tables;
  rel->EnumerateTables(tables);
  EXPECT_EQ(Describe(tables), (std::vector<QString>{QStringLiteral("[Customers]|Table|sheet|customers"),
                                                    QStringLiteral("[STRA\u00dfE]|Table|sheet|stra\u00dfe"),
                                                    QStringLiteral("[big_orders]|View|found-table|big_orders"),
                                                    QStringLiteral("[orders]|Table|sheet|orders")}));
  EXPECT_EQ(rel->GetDatabaseName(), QStringLiteral("main"));

  State(config).Disconnect();
  EXPECT_FALSE(config->IsConnected());
  EXPECT_EQ(Applies(*rel), QString());
  tables.clear();
  rel->EnumerateTables(tables);
  EXPECT_TRUE(tables.empty());
  EXPECT_EQ(Digest(m_sqlite), before);
}

TEST_F(LiveConnectionTest, ReadingAListOnAnotherThreadThanTheConnectingOneIsRefused) {
  const RefCntPtr<DSConnectionConfig> config = Config("sqlite", {{QStringLiteral("filename"), m_sqlite}});
  State(config).Connect();
  bool refused = false;
  std::thread other([&] {
    try {
      std::vector<TString> databases;
      config->AsRelational()->EnumerateDatabases(databases);
    } catch (const LogicException&) {
      refused = true;
    }
  });
  other.join();
  EXPECT_TRUE(refused);
}

TEST_F(LiveConnectionTest, FailuresToOpenSayWhatTheHostWasDoingAndLeaveTheConfigurationNotConnected) {
  const QString missing = QDir(m_folder.path()).filePath(QStringLiteral("missing.db"));
  const RefCntPtr<DSConnectionConfig> absent =
      Config("sqlite", {{QStringLiteral("filename"), missing}, {QStringLiteral("password"), kSentinel}});
  const DataSourceException raised = Failed([&] { State(absent).Connect(); });
  EXPECT_EQ(raised.GetMessage(),
            QStringLiteral("Opening the SQLite database \"%1\" failed: the file does not exist").arg(missing));
  EXPECT_EQ(raised.GetReason(), Reason::kDatabaseMissing);
  EXPECT_FALSE(QFile::exists(missing)) << "opening must never create the database";
  EXPECT_FALSE(absent->IsConnected());

  const QString text = testfiles::WriteFile(m_folder, QStringLiteral("notes.db"), std::string(4096, 'x'));
  EXPECT_TRUE(
      FailureOf([&] {
        State(Config("sqlite", {{QStringLiteral("filename"), text}})).Connect();
      }).startsWith(QStringLiteral("Opening the SQLite database \"%1\" failed: file is not a database").arg(text)));

  // A connected configuration whose reconnection fails is no longer connected.
  const RefCntPtr<DSConnectionConfig> config = Config("sqlite", {{QStringLiteral("filename"), m_sqlite}});
  State(config).Connect();
  QFile::remove(m_sqlite);
  FailureOf([&] { State(config).Connect(); });
  EXPECT_FALSE(config->IsConnected());
  EXPECT_EQ(Applies(*config->AsRelational()), QString());

  EXPECT_EQ(FailureOf([&] { State(Config("bigquery", {})).Connect(); }),
            QStringLiteral("Connecting to a database of class \"bigquery\" failed: its connector names no driver"));
  const ScopedRegistry installed(
      builtin::RegistryWith({R"({"class": "db2", "caption": {"en": "Db2"}, "driver": {"qt": "QDB2"}})"}));
  EXPECT_EQ(FailureOf([&] { State(Config("db2", {})).Connect(); }),
            QStringLiteral("Connecting to a database of class \"db2\" failed: the host opens no connection "
                           "through the driver QDB2"));
  EXPECT_EQ(FailureOf([&] { State(Config("essbase", {})).Connect(); }),
            QStringLiteral("Connecting to a data source of class \"essbase\" failed: the host opens live connections "
                           "of relational classes only"));
}

TEST_F(LiveConnectionTest, OdbcListsThroughTheDriversCatalogueFunctions) {
  const RefCntPtr<DSConnectionConfig> config =
      Config("genericodbc", {{QStringLiteral("odbc-driver"), QStringLiteral("SQLite3")},
                             {QStringLiteral("dbname"), m_sqlite},
                             {QStringLiteral("odbc-connect-string-extras"), QStringLiteral("NoCreat=1")}});
  State(config).Connect();
  const RefCntPtr<const RelationalDSConnectionConfig> rel = config->AsRelational();
  std::vector<RelationalDSConnectionConfigTableInfo> tables;
  rel->EnumerateTables(tables);
  // As the driver lists them: in creation order, with SQLite's own sqlite_sequence, which this
  // driver counts among the tables.
  EXPECT_EQ(Describe(tables), (std::vector<QString>{QStringLiteral("[orders]|Table|sheet|orders"),
                                                    QStringLiteral("[sqlite_sequence]|Table|sheet|sqlite_sequence"),
                                                    QStringLiteral("[Customers]|Table|sheet|customers"),
                                                    QStringLiteral("[big_orders]|View|found-table|big_orders")}));
  // The driver has neither catalogs, schemas nor procedures.
  EXPECT_EQ(Applies(*rel), QStringLiteral("Tables"));
  std::vector<QualifiedName> procedures;
  rel->EnumerateStoredProcedures(procedures);
  EXPECT_TRUE(procedures.empty());

  // The extras are a secret too, read from the credential service: without them the driver
  // would make the missing file.
  const QString missing = QDir(m_folder.path()).filePath(QStringLiteral("missing.db"));
  const QString secrets = CredentialsService::Instance().SaveCredentials(
      {}, {{QStringLiteral("password"), QStringLiteral("o")},
           {QStringLiteral("odbc-connect-string-extras"), QStringLiteral("NoCreat=1")}});
  const QString message = FailureOf([&] {
    State(Config("genericodbc", {{QStringLiteral("odbc-driver"), QStringLiteral("SQLite3")},
                                 {QStringLiteral("dbname"), missing},
                                 {QStringLiteral("credential-id"), secrets}}))
        .Connect();
  });
  // The driver may repeat the connection string, so its message is left out, and nothing in
  // Qt's own words is masked: a password "o" changes no letter.
  EXPECT_EQ(message, QStringLiteral("Connecting to the ODBC driver \"SQLite3\" failed: the driver refused the connection "
                                    "(QODBC3: Unable to connect); its own message is not shown, since it may quote the "
                                    "connection string and the password in it"));
}

// --- PostgreSQL -------------------------------------------------------------------------------

Attributes PostgresAttributes(const testpg::PostgresServer& server, const QString& credentialId) {
  return {{QStringLiteral("server"), QStringLiteral("127.0.0.1")},
          {QStringLiteral("port"), QString::number(server.Port())},
          {QStringLiteral("dbname"), QLatin1String(testpg::PostgresServer::kDatabase)},
          {QStringLiteral("username"), QLatin1String(testpg::PostgresServer::kUser)},
          {QStringLiteral("sslmode"), QStringLiteral("require")},
          {QStringLiteral("sslcert"), server.CertificatePem()},
          {QStringLiteral("credential-id"), credentialId}};
}

QString SaveSecret(const QString& password) {
  return CredentialsService::Instance().SaveCredentials({}, {{QStringLiteral("password"), password}});
}

// The certificate files a connection left in `folder`.
QStringList CertificateFiles(const QTemporaryDir& folder) {
  return QDir(folder.path()).entryList({QStringLiteral("hlv-sslcert-*")}, QDir::Files);
}

// Ends every session of the test database but the one this opens for it.
void EndOtherSessions(const testpg::PostgresServer& server) {
  const QString name = QStringLiteral("test-terminate");
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    server.Address(db, testpg::SharedPassword(), QStringLiteral("postgres"));
    ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
    QSqlQuery query(db);
    EXPECT_TRUE(query.exec(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                          "WHERE datname = 'hlvsales' AND pid <> pg_backend_pid()")))
        << query.lastError().text().toStdString();
    query = QSqlQuery();
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
}

TEST_F(LiveConnectionTest, PostgresListsItsCatalogueOverACheckedTlsConnection) {
  HLV_REQUIRE_POSTGRES(server);
  QTemporaryDir temp;
  const testenv::ScopedEnvironment tmpdir("TMPDIR", QFile::encodeName(temp.path()).constData());

  const RefCntPtr<DSConnectionConfig> config =
      Config("postgres", PostgresAttributes(server, SaveSecret(testpg::SharedPassword())));
  const RefCntPtr<const RelationalDSConnectionConfig> rel = config->AsRelational();
  State(config).Connect();

  // While connected, the certificate is in a file only its owner may read.
  const QStringList files = CertificateFiles(temp);
  ASSERT_EQ(files.size(), 1);
  struct stat status {};
  ASSERT_EQ(::stat(QFile::encodeName(QDir(temp.path()).filePath(files.front())).constData(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);

  // The catalogue itself, whole and narrowed to a schema, is pinned through the CLI
  // (tests/cli/connections/describe-postgres*.expected), which lists it from the same server.
  EXPECT_EQ(Applies(*rel), QStringLiteral("Databases Schemas Tables StoredProcedures"));
  std::vector<RelationalDSConnectionConfigTableInfo> tables;
  rel->EnumerateTables(tables);
  EXPECT_EQ(tables.size(), 5u);
  State(config).Disconnect();
  EXPECT_TRUE(CertificateFiles(temp).isEmpty());
}

// The failures of every server, in plain words; nothing is masked inside the server's text: a
// password that is the user name, or one letter of it, would otherwise be told by where the mask
// stands.
std::vector<FailureCase> ServerFailures(const char* user, const char* authenticationText) {
  return {{"a wrong password", {{"password", kSentinel}, {"credential-id", {}}}, Reason::kAuthentication,
           "the user name or password is not accepted", authenticationText},
          {"the user name as the password", {{"password", QLatin1String(user)}, {"credential-id", {}}},
           Reason::kAuthentication, "the user name or password is not accepted", authenticationText},
          {"a password of one letter of it", {{"password", QStringLiteral("o")}, {"credential-id", {}}},
           Reason::kAuthentication, "the user name or password is not accepted", authenticationText},
          {"a port nothing listens on", {{"port", QStringLiteral("1")}}, Reason::kRefused,
           "nothing accepts connections at that server and port", "connect"},
          {"an unknown host", {{"server", QStringLiteral("nohost.invalid")}}, Reason::kHostNotFound,
           "no server of that name can be found", "nohost.invalid"},
          {"a missing database", {{"dbname", QStringLiteral("nosuch")}}, Reason::kDatabaseMissing,
           "the database does not exist", "nosuch"},
          {"a certificate that did not sign the server's",
           {{"sslcert", QString::fromStdString(testcrypto::TestKey().SelfSignedCertificate())}}, Reason::kTls,
           "the secure (TLS) connection could not be set up", "certificate"}};
}

TEST_F(LiveConnectionTest, PostgresFailuresAreSaidInPlainWordsWithTheServersTextButNoSecret) {
  HLV_REQUIRE_POSTGRES(server);
  const std::initializer_list<QString> secrets = {kSentinel, testpg::SharedPassword()};
  std::vector<FailureCase> cases =
      ServerFailures("hlvadmin", "password authentication failed for user \"hlvadmin\"");
  cases.push_back({"no TLS, which the server requires", {{"sslmode", QStringLiteral("disable")}, {"sslcert", {}}},
                   Reason::kTls, "the secure (TLS) connection could not be set up", "no encryption"});
  ExpectFailures("postgres", PostgresAttributes(server, SaveSecret(testpg::SharedPassword())), cases, secrets);

  // A connection the server ends: the next catalogue query says so.
  const RefCntPtr<DSConnectionConfig> ended =
      Config("postgres", PostgresAttributes(server, SaveSecret(testpg::SharedPassword())));
  State(ended).Connect();
  EndOtherSessions(server);
  std::vector<RelationalDSConnectionConfigTableInfo> tables;
  const QString message = FailureOf([&] { ended->AsRelational()->EnumerateTables(tables); }, secrets);
  EXPECT_TRUE(message.startsWith(QStringLiteral("Reading the tables from the database failed: "))) << message.toStdString();
  EXPECT_TRUE(message.contains(QStringLiteral("terminat"))) << message.toStdString();
  EXPECT_TRUE(tables.empty());
}

TEST_F(LiveConnectionTest, OdbcReachesPostgresThroughItsUnicodeDriver) {
  HLV_REQUIRE_POSTGRES(server);
  const RefCntPtr<DSConnectionConfig> config =
      Config("genericodbc", {{QStringLiteral("odbc-driver"), QStringLiteral("{PostgreSQL Unicode}")},
                             {QStringLiteral("server"), QStringLiteral("127.0.0.1")},
                             {QStringLiteral("port"), QString::number(server.Port())},
                             {QStringLiteral("dbname"), QLatin1String(testpg::PostgresServer::kDatabase)},
                             {QStringLiteral("username"), QLatin1String(testpg::PostgresServer::kUser)},
                             {QStringLiteral("credential-id"), SaveSecret(testpg::SharedPassword())},
                             {QStringLiteral("schema"), QStringLiteral("sales")},
                             {QStringLiteral("odbc-connect-string-extras"), QStringLiteral("SSLMode=require")}});
  State(config).Connect();
  const RefCntPtr<const RelationalDSConnectionConfig> rel = config->AsRelational();
  std::vector<RelationalDSConnectionConfigTableInfo> tables;
  rel->EnumerateTables(tables);
  // The driver's own lists and order: tables and views by name; every routine (an overload
  // once), the trigger function and the aggregate among them.
  EXPECT_EQ(
      Describe(tables),
      (std::vector<QString>{QStringLiteral("[sales].[Customers]|Table in schema sales|sheet|customers\tsales"),
                            QStringLiteral("[sales].[big_orders]|View in schema sales|found-table|big_orders\tsales"),
                            QStringLiteral("[sales].[orders]|Table in schema sales|sheet|orders\tsales")}));
  std::vector<QualifiedName> procedures;
  rel->EnumerateStoredProcedures(procedures);
  EXPECT_EQ(Names(procedures),
            (std::vector<QString>{QStringLiteral("[sales].[order_total]"), QStringLiteral("[sales].[archive_orders]"),
                                  QStringLiteral("[sales].[touch]"), QStringLiteral("[sales].[total]")}));
  EXPECT_EQ(Applies(*rel), QStringLiteral("Databases Schemas Tables StoredProcedures"));
  std::vector<TString> schemas;
  rel->EnumerateSchemas(schemas);
  EXPECT_TRUE(std::find(schemas.begin(), schemas.end(), QStringLiteral("hr")) != schemas.end());
  EXPECT_EQ(rel->GetDatabaseName(), QStringLiteral("hlvsales"));
}

// --- MariaDB ----------------------------------------------------------------------------------

Attributes MariaDbAttributes(const testmariadb::MariaDbServer& server) {
  return {{QStringLiteral("server"), QStringLiteral("127.0.0.1")},
          {QStringLiteral("port"), QString::number(server.Port())},
          {QStringLiteral("dbname"), QLatin1String(testmariadb::MariaDbServer::kDatabase)},
          {QStringLiteral("username"), QLatin1String(testmariadb::MariaDbServer::kUser)},
          {QStringLiteral("credential-id"), SaveSecret(testmariadb::SharedPassword())}};
}

TEST_F(LiveConnectionTest, MariaDbListsItsDatabasesAndTheCurrentOnesTablesViewsAndProcedures) {
  HLV_REQUIRE_MARIADB(server);
  // Over TLS, the server's certificate checked against the one given.
  Attributes attributes = MariaDbAttributes(server);
  attributes[QStringLiteral("sslmode")] = QStringLiteral("require");
  attributes[QStringLiteral("sslcert")] = server.CertificatePem();
  const RefCntPtr<DSConnectionConfig> config = Config("mysql", attributes);
  State(config).Connect();
  const RefCntPtr<const RelationalDSConnectionConfig> rel = config->AsRelational();
  EXPECT_EQ(Applies(*rel), QStringLiteral("Databases Tables StoredProcedures"));
  std::vector<TString> databases;
  rel->EnumerateDatabases(databases);
  EXPECT_EQ(databases, (std::vector<TString>{QStringLiteral("hlvsales"), QStringLiteral("hlvstock")}));
  std::vector<RelationalDSConnectionConfigTableInfo> tables;
  rel->EnumerateTables(tables);
  EXPECT_EQ(Describe(tables), (std::vector<QString>{QStringLiteral("[big_orders]|View|found-table|big_orders"),
                                                    QStringLiteral("[customers]|Table|sheet|customers"),
                                                    QStringLiteral("[orders]|Table|sheet|orders")}));
  std::vector<QualifiedName> procedures;
  rel->EnumerateStoredProcedures(procedures);
  EXPECT_EQ(Names(procedures), std::vector<QString>{QStringLiteral("[archive_orders]")});
  EXPECT_EQ(rel->GetDatabaseName(), QStringLiteral("hlvsales"));

  // Without a database: the server's databases, but no current one and so no tables.
  attributes.erase(QStringLiteral("dbname"));
  const RefCntPtr<DSConnectionConfig> bare = Config("mysql", attributes);
  State(bare).Connect();
  tables.clear();
  bare->AsRelational()->EnumerateTables(tables);
  EXPECT_TRUE(tables.empty());
  EXPECT_EQ(bare->AsRelational()->GetDatabaseName(), QString());
}

TEST_F(LiveConnectionTest, MariaDbFailuresAreSaidInPlainWordsWithTheServersTextButNoSecret) {
  HLV_REQUIRE_MARIADB(server);
  std::vector<FailureCase> cases = ServerFailures("hlvadmin", "Access denied for user 'hlvadmin'");
  cases.push_back({"a mode the driver does not know", {{"sslmode", QStringLiteral("verify-full")}}, Reason::kOther,
                   "unknown SSL mode \"verify-full\"", ""});
  ExpectFailures("mysql", MariaDbAttributes(server), cases, {kSentinel, testmariadb::SharedPassword()});
}

}  // namespace
