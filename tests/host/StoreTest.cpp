// The store on both backends: a SQLite file in a temporary folder and the PostgreSQL test server.
#include "host/connectors/MruFile.h"
#include "host/store/Store.h"
#include "host/store/StoreCredentialsService.h"

#include "tests/support/PostgresServer.h"
#include "tests/support/ScopedEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariant>

#include <csignal>
#include <functional>
#include <sys/stat.h>

namespace {

const QString kSentinel = QStringLiteral("Sentinel-Store-Secret-5521");
const QString kRawConnection = QStringLiteral("store-test-raw");

class StoreTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_folder.isValid());
    if (GetParam()) {
      HLV_REQUIRE_POSTGRES(server);
      QUrl url;
      url.setScheme(QStringLiteral("postgresql"));
      url.setHost(QStringLiteral("127.0.0.1"));
      url.setPort(server.Port());
      url.setPath(QStringLiteral("/") + QLatin1String(testpg::PostgresServer::kDatabase));
      url.setUserName(QLatin1String(testpg::PostgresServer::kUser));
      url.setPassword(testpg::SharedPassword());
      url.setQuery(QStringLiteral("sslmode=require"));
      m_location = url.toString();
      QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kRawConnection);
      server.Address(db, testpg::SharedPassword());
      Raw(QStringLiteral("DROP SCHEMA IF EXISTS hlvpres CASCADE"));
    } else {
      m_location = m_folder.filePath(QStringLiteral("data/store.sqlite"));
      QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kRawConnection).setDatabaseName(m_location);
    }
    m_store = Store::Open(m_location);
  }

  void TearDown() override {
    m_store.reset();
    if (QSqlDatabase::contains(kRawConnection)) QSqlDatabase::removeDatabase(kRawConnection);
  }

  // Runs `sql` on a connection of the test's own; returns the first column of every row.
  QStringList Raw(const QString& sql) {
    QSqlDatabase db = QSqlDatabase::database(kRawConnection);
    QSqlQuery query(db);
    EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
    QStringList rows;
    while (query.next()) {
      QStringList row;
      for (int column = 0; column < query.record().count(); ++column) row << query.value(column).toString();
      rows << row.join(QLatin1Char('|'));
    }
    return rows;
  }
  QStringList Raw(const char* sql) { return Raw(QString::fromLatin1(sql).arg(Prefix())); }
  QString Prefix() const { return GetParam() ? QStringLiteral("hlvpres.") : QString(); }

  // Everything the store holds, as it is held: the SQLite file and its journal, or every row of
  // the PostgreSQL tables as text.
  QByteArray Stored() {
    if (!GetParam()) {
      QByteArray bytes;
      for (const char* suffix : {"", "-wal"}) {
        QFile file(m_location + QLatin1String(suffix));
        if (file.open(QIODevice::ReadOnly)) bytes += file.readAll();
      }
      return bytes;
    }
    QStringList rows;
    for (const char* table : {"meta", "connections", "secrets", "last_attributes"})
      rows << Raw(QStringLiteral("SELECT t::text FROM hlvpres.%1 t ORDER BY 1").arg(QLatin1String(table)));
    return rows.join(QLatin1Char('\n')).toUtf8();
  }

  Store::SavedConnection Save(const QString& name, const QString& server, const SecretMap& secrets) {
    return m_store->SaveConnection({name, QStringLiteral("postgres"), {{QStringLiteral("server"), server}}}, secrets);
  }
  static SecretMap Password(const QString& password) { return {{QStringLiteral("password"), password}}; }
  static QString CredentialId(const Store::SavedConnection& saved) { return saved.attributes.at(QStringLiteral("credential-id")); }

  void Reopen() {
    m_store.reset();
    m_store = Store::Open(m_location);
  }

  QProcess* Saver(const QString& prefix, int count) {
    auto* process = new QProcess();
    m_processes.emplace_back(process);
    process->start(QStringLiteral(HLV_STORE_SAVER), {m_location, prefix, QString::number(count)});
    EXPECT_TRUE(process->waitForStarted());
    return process;
  }

  QTemporaryDir m_folder;
  QString m_location;
  // No keyring in tests: the key is in a key file of the test's folder.
  testenv::ScopedEnvironment m_noBus{"DBUS_SESSION_BUS_ADDRESS", nullptr};
  testenv::ScopedEnvironment m_noKey{"HLV_STORE_KEY", nullptr};
  testenv::ScopedEnvironment m_keyFile{"HLV_STORE_KEY_FILE", QFile::encodeName(m_folder.filePath("key/store.key")).constData()};
  std::unique_ptr<Store::IStore> m_store;
  std::vector<std::unique_ptr<QProcess>> m_processes;
};

TEST_P(StoreTest, SavesListsRenamesAndDeletesConnectionsWithTheirSecrets) {
  Save(QStringLiteral("b"), QStringLiteral("one"), {});
  const auto first = m_store->SaveConnection(
      {QStringLiteral("a"), QStringLiteral("postgres"),
       {{QStringLiteral("server"), QStringLiteral("h")}, {QStringLiteral("password"), QStringLiteral("ignored")}}},
      Password(kSentinel));
  EXPECT_EQ(first.attributes.count(QStringLiteral("password")), 0U);
  EXPECT_EQ(m_store->Secrets(CredentialId(first)), Password(kSentinel));

  // A save replaces the secrets: the old id is gone with them.
  const auto second = Save(QStringLiteral("a"), QStringLiteral("h2"), Password(QStringLiteral("new")));
  EXPECT_EQ(m_store->Secrets(CredentialId(first)), std::nullopt);
  EXPECT_EQ(m_store->Secrets(CredentialId(second)), Password(QStringLiteral("new")));
  EXPECT_EQ(m_store->FindConnection(QStringLiteral("a"))->attributes, second.attributes);
  EXPECT_EQ(m_store->FindConnection(QStringLiteral("b"))->attributes.count(QStringLiteral("credential-id")), 0U);

  m_store->RenameConnection(QStringLiteral("a"), QStringLiteral("c"));
  EXPECT_THROW(m_store->RenameConnection(QStringLiteral("c"), QStringLiteral("b")), Store::StoreException);
  EXPECT_THROW(m_store->RenameConnection(QStringLiteral("a"), QStringLiteral("d")), Store::StoreException);
  QStringList names;
  for (const auto& saved : m_store->Connections()) names << saved.name;
  EXPECT_EQ(names, QStringList({QStringLiteral("b"), QStringLiteral("c")}));
  EXPECT_EQ(m_store->Secrets(CredentialId(second)), Password(QStringLiteral("new")));  // renamed, still its own

  EXPECT_TRUE(m_store->DeleteConnection(QStringLiteral("c")));
  EXPECT_FALSE(m_store->DeleteConnection(QStringLiteral("c")));
  EXPECT_EQ(m_store->Secrets(CredentialId(second)), std::nullopt);
  EXPECT_EQ(Raw("SELECT count(*) FROM %1secrets"), QStringList(QStringLiteral("0")));

  m_store->RememberAttributes(QStringLiteral("postgres"),
                              {{QStringLiteral("server"), QStringLiteral("x")}, {QStringLiteral("password"), kSentinel}});
  Reopen();
  EXPECT_EQ(m_store->LastAttributes(QStringLiteral("postgres")),
            ConnectionAttributeMap({{QStringLiteral("server"), QStringLiteral("x")}}));
}

TEST_P(StoreTest, SecretsLastAcrossOpensAndKeyRotationAndNeverAppearInTheClear) {
  const auto saved = Save(QStringLiteral("shop"), QStringLiteral("db"), Password(kSentinel));
  EXPECT_FALSE(Stored().contains(kSentinel.toUtf8()));
  const QString keyFile = qEnvironmentVariable("HLV_STORE_KEY_FILE");
  struct stat status {};
  ASSERT_EQ(::stat(QFile::encodeName(keyFile).constData(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600U);

  QFile file(keyFile);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray oldKey = file.readAll();
  file.close();
  m_store->RotateKey();
  Reopen();
  EXPECT_EQ(m_store->Secrets(CredentialId(saved)), Password(kSentinel));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_NE(file.readAll(), oldKey);
  EXPECT_FALSE(QFile::exists(keyFile + QStringLiteral(".next")));

  // A rotation committed whose new key was left aside is finished at the next open.
  file.close();
  m_store.reset();
  ASSERT_TRUE(QFile::rename(keyFile, keyFile + QStringLiteral(".next")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(oldKey);
  file.close();
  ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
  Reopen();
  EXPECT_EQ(m_store->Secrets(CredentialId(saved)), Password(kSentinel));
  EXPECT_FALSE(QFile::exists(keyFile + QStringLiteral(".next")));
}

TEST_P(StoreTest, RefusesWhatItCannotTrustAndChangesNothing) {
  const auto a = Save(QStringLiteral("a"), QStringLiteral("h"), Password(kSentinel));
  const auto b = Save(QStringLiteral("b"), QStringLiteral("h"), Password(QStringLiteral("other")));
  const QString keyFile = qEnvironmentVariable("HLV_STORE_KEY_FILE");
  const QString otherKey = m_folder.filePath(QStringLiteral("other.key"));
  QFile other(otherKey);
  ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  other.write(QByteArray(32, 'x').toBase64());
  other.close();
  ASSERT_TRUE(other.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
  struct Case {
    const char* what;
    QString keyFile;
    const char* spoil;
    const char* said;
  };
  const std::vector<Case> atOpen = {
      {"another key", otherKey, "", "another key"},
      {"no key", otherKey + QStringLiteral(".missing"), "", "is not in"},
      {"a newer schema", keyFile, "UPDATE %1meta SET value = '99' WHERE key = 'schema_version'", "newer"},
      {"a key file others read", keyFile, "", "chmod 600"},
  };
  m_store.reset();
  const QString version = Raw("SELECT value FROM %1meta WHERE key = 'schema_version'").value(0);
  for (const Case& test : atOpen) {
    SCOPED_TRACE(test.what);
    if (*test.spoil != '\0') Raw(test.spoil);
    const bool shared = std::string(test.what) == "a key file others read";
    if (shared) QFile::setPermissions(keyFile, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    const QByteArray before = Stored();
    try {
      const testenv::ScopedEnvironment key("HLV_STORE_KEY_FILE", QFile::encodeName(test.keyFile).constData());
      Store::Open(m_location);
      ADD_FAILURE() << "opened";
    } catch (const Store::StoreException& refused) {
      EXPECT_TRUE(refused.GetMessage().contains(QLatin1String(test.said))) << refused.what();
    }
    EXPECT_EQ(Stored(), before);
    if (shared) QFile::setPermissions(keyFile, QFile::ReadOwner | QFile::WriteOwner);
    Raw(QStringLiteral("UPDATE %1meta SET value = '%2' WHERE key = 'schema_version'").arg(Prefix(), version));
  }

  // A changed value, and a secret moved to another connection's row, do not decrypt.
  Reopen();
  const std::vector<std::pair<const char*, QString>> afterOpen = {
      {"tampered", QStringLiteral("UPDATE %1secrets SET sealed = upper(sealed) WHERE credential_id = '%2'").arg(Prefix(), CredentialId(a))},
      {"moved", QStringLiteral("UPDATE %1secrets SET sealed = (SELECT sealed FROM %1secrets WHERE credential_id = '%2') "
                               "WHERE credential_id = '%3'").arg(Prefix(), CredentialId(a), CredentialId(b))},
  };
  for (const auto& [what, sql] : afterOpen) {
    SCOPED_TRACE(what);
    Raw(sql);
    const QString id = std::string(what) == "tampered" ? CredentialId(a) : CredentialId(b);
    try {
      m_store->Secrets(id);
      ADD_FAILURE() << "decrypted";
    } catch (const Store::StoreException& refused) {
      EXPECT_TRUE(refused.GetMessage().contains(QLatin1String("does not decrypt"))) << refused.what();
      EXPECT_FALSE(refused.GetMessage().contains(kSentinel));
    }
  }
}

TEST_P(StoreTest, ProcessesSavingAtOnceLoseNothingAndAKilledOneLeavesWholeConnections) {
  QProcess* one = Saver(QStringLiteral("p"), 100);
  QProcess* two = Saver(QStringLiteral("q"), 100);
  QProcess* victim = Saver(QStringLiteral("k"), 0);
  for (QProcess* saver : {one, two}) {
    ASSERT_TRUE(saver->waitForFinished(120000));
    EXPECT_EQ(saver->exitCode(), 0) << saver->readAllStandardError().toStdString();
  }
  while (victim->readAllStandardOutput().count('\n') < 5 && victim->waitForReadyRead(30000)) {}
  ::kill(static_cast<pid_t>(victim->processId()), SIGKILL);
  victim->waitForFinished();

  Reopen();
  int saved = 0;
  for (const auto& connection : m_store->Connections()) {
    SCOPED_TRACE(connection.name.toStdString());
    const QString prefix = connection.name.section(QLatin1Char('-'), 0, 0);
    const QString n = connection.attributes.at(QStringLiteral("n"));
    EXPECT_EQ(m_store->Secrets(CredentialId(connection)), Password(QStringLiteral("pw-%1-%2").arg(prefix, n)));
    saved += prefix != QLatin1String("k");
  }
  EXPECT_EQ(saved, 200);
}

TEST_P(StoreTest, TheCredentialServiceKeepsSessionSecretsBoundedAndReadsSavedOnes) {
  const auto saved = Save(QStringLiteral("a"), QStringLiteral("h"), Password(kSentinel));
  std::shared_ptr<Store::IStore> shared = std::move(m_store);
  const auto previous = Store::Install(shared);
  Store::StoreCredentialsService service(2);
  const QString first = service.SaveCredentials({}, Password(QStringLiteral("1")));
  service.SaveCredentials({}, Password(QStringLiteral("2")));
  service.SaveCredentials({}, Password(QStringLiteral("3")));
  EXPECT_THROW(service.GetCredentials(first), HalvaneException);  // the oldest was dropped
  EXPECT_EQ(service.GetCredentials(CredentialId(saved)), Password(kSentinel));
  EXPECT_FALSE(service.RemoveCredentials(CredentialId(saved)));
  EXPECT_EQ(Store::Install(previous), shared);
}

TEST_P(StoreTest, AVersionOneStoreGainsTheRecentListThatKeepsItsRules) {
  const auto saved = Save(QStringLiteral("shop"), QStringLiteral("db"), Password(kSentinel));
  m_store.reset();
  Raw("DROP TABLE %1recent_classes");
  Raw("UPDATE %1meta SET value = '1' WHERE key = 'schema_version'");
  Reopen();
  EXPECT_EQ(Raw("SELECT value FROM %1meta WHERE key = 'schema_version'"), QStringList(QStringLiteral("2")));
  EXPECT_EQ(m_store->Secrets(CredentialId(saved)), Password(kSentinel));

  using Classes = std::list<QString>;
  const auto names = [](const char* letters) {
    Classes classes;
    for (const char* c = letters; *c != '\0'; ++c) classes.push_back(QString(QLatin1Char(*c)));
    return classes;
  };
  EXPECT_FALSE(m_store->HasRecentList());
  EXPECT_TRUE(m_store->SeedRecent({}));  // an empty list is a list: never seeded again
  EXPECT_TRUE(m_store->HasRecentList());
  EXPECT_FALSE(m_store->SeedRecent(names("ab")));
  EXPECT_EQ(m_store->RecentClasses(), Classes());

  // Most recent first, no repeats, the oldest falling off; what is no class name is not recorded.
  for (const QString& used : names("abcdefghijc")) m_store->RecordRecent(used);
  m_store->RecordRecent(QString());
  m_store->RecordRecent(QString(MruFile::kMaxClassNameLength + 1, QLatin1Char('x')));
  ASSERT_EQ(MruFile::kMaxEntries, 8U);
  Reopen();
  EXPECT_EQ(m_store->RecentClasses(), names("cjihgfed"));
}

INSTANTIATE_TEST_SUITE_P(Sqlite, StoreTest, ::testing::Values(false));
INSTANTIATE_TEST_SUITE_P(Postgres, StoreTest, ::testing::Values(true));

}  // namespace
