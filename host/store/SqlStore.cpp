// The store on Qt SQL: one implementation for a SQLite file (QSQLITE) and a PostgreSQL database
// (QPSQL). The SQL is shared; the dialects differ in three places only, all in Dialect below:
// where the tables are (PostgreSQL: the schema "hlvpres"), how a writing transaction begins
// and how writers are kept apart (SQLite: BEGIN IMMEDIATE takes the file's write lock;
// PostgreSQL: a transaction-level advisory lock, so that writers of every process take turns
// and each statement, at READ COMMITTED, sees what the previous writer committed).
#include "host/store/Store.h"

#include "host/Secrets.h"
#include "host/connectors/MruFile.h"
#include "host/crypto/SecretBox.h"
#include "host/store/StoreKey.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>
#include <QUuid>
#include <QVariant>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace Store {
namespace {

// The schema, one step per version; a store at version N has had the first N steps applied.
// Steps are only ever appended.
const std::vector<std::vector<const char*>> kMigrations = {
    {"CREATE TABLE %1connections (id TEXT PRIMARY KEY, name TEXT NOT NULL UNIQUE, class TEXT NOT NULL, "
     "attributes TEXT NOT NULL, credential_id TEXT UNIQUE)",
     "CREATE TABLE %1secrets (credential_id TEXT PRIMARY KEY, connection_id TEXT NOT NULL, sealed TEXT NOT NULL)",
     "CREATE TABLE %1last_attributes (class TEXT PRIMARY KEY, attributes TEXT NOT NULL)"},
    // The recent connection classes, position 0 the most recent. The meta key "recent_list"
    // tells a list ever saved (perhaps emptied since) from none.
    {"CREATE TABLE %1recent_classes (position INTEGER PRIMARY KEY, class TEXT NOT NULL UNIQUE)"},
};
const int kSchemaVersion = static_cast<int>(kMigrations.size());

const QByteArray kKeyCheckText = QByteArrayLiteral("hlvpres store key check");
const QByteArray kKeyCheckData = QByteArrayLiteral("key-check");
constexpr int kBusyTimeoutMs = 15000;
constexpr qint64 kWriterLock = 0x686c767073746f72;  // "hlvpstor"

TString KeyId(const QByteArray& key) {
  return QString::fromLatin1(QCryptographicHash::hash("hlvpres key id" + key, QCryptographicHash::Sha256).toHex().left(16));
}

QByteArray Serialize(const SecretMap& secrets) {
  QJsonObject object;
  for (const auto& [name, value] : secrets) object.insert(name, value);
  return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString AttributesJson(const ConnectionAttributeMap& attributes) {
  QJsonObject object;
  for (const auto& [name, value] : attributes) object.insert(name, value);
  return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

std::unordered_map<TString, TString> ParseMap(const QByteArray& json, const TString& what, const TString& location) {
  const QJsonDocument document = QJsonDocument::fromJson(json);
  if (!document.isObject())
    throw StoreException(QStringLiteral("The store at %1 holds %2 that is not a JSON object").arg(location, what));
  std::unordered_map<TString, TString> map;
  const QJsonObject object = document.object();
  for (auto it = object.begin(); it != object.end(); ++it) map.emplace(it.key(), it.value().toString());
  return map;
}

// The attributes a store keeps: neither a credential id nor a secret.
ConnectionAttributeMap WithoutSecrets(const ConnectionAttributeMap& attributes) {
  ConnectionAttributeMap kept;
  for (const auto& [name, value] : attributes)
    if (name != DataConnectionAttrs::attrCredentialId && !Secrets::IsSecretAttribute(name)) kept.emplace(name, value);
  return kept;
}

// Where the store is and how to reach it.
struct Target {
  bool postgres = false;
  TString sqlitePath;
  QUrl url;  // PostgreSQL, without its password
  TString password;
  TString options;
  TString location;
  TString defaultKeyFile;
};

TString DataFolder() {
  TString base = qEnvironmentVariable("XDG_DATA_HOME");
  if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/share");
  return base + QStringLiteral("/hlvpres");
}

Target ParseTarget(const TString& location) {
  Target target;
  if (location.startsWith(QLatin1String("postgresql://")) || location.startsWith(QLatin1String("postgres://"))) {
    QUrl url(location, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || url.path().size() < 2)
      throw StoreException(QStringLiteral("The store's address is not a PostgreSQL URL of the form "
                                          "postgresql://user@host:port/database"));
    target.postgres = true;
    target.password = url.password(QUrl::FullyDecoded);
    if (target.password.isEmpty()) target.password = qEnvironmentVariable("PGPASSWORD");
    url.setPassword(QString());
    QStringList options;
    for (const auto& [name, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
      if (name.contains(QLatin1Char('=')) || name.contains(QLatin1Char(';')) || value.contains(QLatin1Char(';')))
        throw StoreException(QStringLiteral("The store's URL has an option that cannot be passed on: %1").arg(name));
      options << name + QLatin1Char('=') + value;
    }
    target.options = options.join(QLatin1Char(';'));
    target.url = url;
    target.location = url.toString();
    const TString database = url.path().mid(1);
    target.defaultKeyFile = DataFolder() + QStringLiteral("/postgres-%1-%2-%3.key")
                                               .arg(url.host())
                                               .arg(url.port(5432))
                                               .arg(QString::fromLatin1(QUrl::toPercentEncoding(database)));
    return target;
  }
  target.sqlitePath = QFileInfo(location.isEmpty() ? DataFolder() + QStringLiteral("/store.sqlite") : location).absoluteFilePath();
  target.location = target.sqlitePath;
  const QFileInfo file(target.sqlitePath);
  target.defaultKeyFile = file.absolutePath() + QLatin1Char('/') + file.completeBaseName() + QStringLiteral(".key");
  return target;
}

// Makes the SQLite file, empty, private to its owner, in folders made private too; an existing
// file is left as it is.
void MakeSqliteFile(const TString& path) {
  MakePrivateFolders(QFileInfo(path).absolutePath());
  const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0) {
    ::close(fd);
  } else if (errno != EEXIST) {
    throw StoreException(QStringLiteral("The store file %1 cannot be made: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
  }
}

// The connections each thread opened, closed when the thread ends: a Qt SQL connection belongs
// to the thread that made it.
struct ThreadConnections {
  std::vector<QString> names;
  ~ThreadConnections() {
    for (const QString& name : names)
      if (QSqlDatabase::contains(name)) QSqlDatabase::removeDatabase(name);
  }
};

// The connections a store opened, in every thread, closed with the store.
class StoreConnections {
 public:
  StoreConnections() = default;
  StoreConnections(const StoreConnections&) = delete;
  StoreConnections& operator=(const StoreConnections&) = delete;
  ~StoreConnections() {
    for (const QString& name : m_names)
      if (QSqlDatabase::contains(name)) QSqlDatabase::removeDatabase(name);
  }
  void Add(const QString& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_names.insert(name);
  }

 private:
  std::mutex m_mutex;
  std::set<QString> m_names;
};

std::atomic<quint64> g_storeSerial{0};
std::atomic<quint64> g_threadSerial{0};

class SqlStore final : public IStore {
 public:
  explicit SqlStore(Target target) : m_target(std::move(target)), m_serial(++g_storeSerial) {
    m_prefix = m_target.postgres ? QStringLiteral("hlvpres.") : QString();
    if (!m_target.postgres) MakeSqliteFile(m_target.sqlitePath);
    Migrate();
    UnlockKey();
  }

  ~SqlStore() override { SecretBox::Erase(m_key); }

  TString Location() const override { return m_target.location; }

  std::vector<SavedConnection> Connections() const override {
    std::vector<SavedConnection> connections;
    QSqlDatabase db = Db();
    QSqlQuery query = Exec(db, Sql("SELECT name, class, attributes, credential_id FROM %1connections ORDER BY name"));
    while (query.next()) connections.push_back(FromRow(query));
    std::sort(connections.begin(), connections.end(),
              [](const SavedConnection& a, const SavedConnection& b) { return a.name < b.name; });
    return connections;
  }

  std::optional<SavedConnection> FindConnection(const TString& name) const override {
    QSqlDatabase db = Db();
    QSqlQuery query =
        Exec(db, Sql("SELECT name, class, attributes, credential_id FROM %1connections WHERE name = ?"), {name});
    if (!query.next()) return std::nullopt;
    return FromRow(query);
  }

  SavedConnection SaveConnection(const SavedConnection& connection, const SecretMap& secrets) override {
    if (connection.name.trimmed().isEmpty()) throw StoreException(QStringLiteral("A saved connection needs a name"));
    if (connection.connectionClass.isEmpty())
      throw StoreException(QStringLiteral("The connection \"%1\" needs a class to be saved").arg(connection.name));
    SavedConnection saved{connection.name, connection.connectionClass, WithoutSecrets(connection.attributes)};
    const TString credentialId = secrets.empty() ? TString() : QString::fromLatin1(SecretBox::RandomBytes(16).toHex());
    Write([&](QSqlDatabase& db) {
      QSqlQuery existing = Exec(db, Sql("SELECT id FROM %1connections WHERE name = ?"), {saved.name});
      const QVariant credential = credentialId.isEmpty() ? QVariant(QString()) : QVariant(credentialId);
      TString id;
      if (existing.next()) {
        id = existing.value(0).toString();
        Exec(db, Sql("DELETE FROM %1secrets WHERE connection_id = ?"), {id});
        Exec(db, Sql("UPDATE %1connections SET class = ?, attributes = ?, credential_id = ? WHERE id = ?"),
             {saved.connectionClass, AttributesJson(saved.attributes), credential, id});
      } else {
        id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        Exec(db, Sql("INSERT INTO %1connections (id, name, class, attributes, credential_id) VALUES (?, ?, ?, ?, ?)"),
             {id, saved.name, saved.connectionClass, AttributesJson(saved.attributes), credential});
      }
      if (!credentialId.isEmpty()) {
        QByteArray plain = Serialize(secrets);
        const QByteArray sealed = SecretBox::Seal(Key(), plain, id.toUtf8());
        SecretBox::Erase(plain);
        Exec(db, Sql("INSERT INTO %1secrets (credential_id, connection_id, sealed) VALUES (?, ?, ?)"),
             {credentialId, id, QString::fromLatin1(sealed.toBase64())});
      }
    });
    if (!credentialId.isEmpty()) saved.attributes[DataConnectionAttrs::attrCredentialId] = credentialId;
    return saved;
  }

  void RenameConnection(const TString& from, const TString& to) override {
    if (to.trimmed().isEmpty()) throw StoreException(QStringLiteral("A saved connection needs a name"));
    Write([&](QSqlDatabase& db) {
      if (!Exec(db, Sql("SELECT 1 FROM %1connections WHERE name = ?"), {from}).next())
        throw StoreException(QStringLiteral("No connection is saved as \"%1\"").arg(from));
      if (from == to) return;
      if (Exec(db, Sql("SELECT 1 FROM %1connections WHERE name = ?"), {to}).next())
        throw StoreException(QStringLiteral("A connection is saved as \"%1\" already").arg(to));
      Exec(db, Sql("UPDATE %1connections SET name = ? WHERE name = ?"), {to, from});
    });
  }

  bool DeleteConnection(const TString& name) override {
    bool deleted = false;
    Write([&](QSqlDatabase& db) {
      QSqlQuery existing = Exec(db, Sql("SELECT id FROM %1connections WHERE name = ?"), {name});
      if (!existing.next()) return;
      const QString id = existing.value(0).toString();
      Exec(db, Sql("DELETE FROM %1secrets WHERE connection_id = ?"), {id});
      Exec(db, Sql("DELETE FROM %1connections WHERE id = ?"), {id});
      deleted = true;
    });
    return deleted;
  }

  std::optional<SecretMap> Secrets(const TString& credentialId) const override {
    if (credentialId.isEmpty()) return std::nullopt;
    QSqlDatabase db = Db();
    // The secret is its connection's only when both rows name each other.
    QSqlQuery query = Exec(db,
                           Sql("SELECT s.sealed, s.connection_id FROM %1secrets s JOIN %1connections c "
                               "ON c.id = s.connection_id AND c.credential_id = s.credential_id WHERE s.credential_id = ?"),
                           {credentialId});
    if (!query.next()) return std::nullopt;
    QByteArray plain = Unseal(Key(), query.value(0).toString(), query.value(1).toString());
    SecretMap secrets = ParseMap(plain, QStringLiteral("a secret"), Location());
    SecretBox::Erase(plain);
    return secrets;
  }

  ConnectionAttributeMap LastAttributes(const TString& connectionClass) const override {
    QSqlDatabase db = Db();
    QSqlQuery query = Exec(db, Sql("SELECT attributes FROM %1last_attributes WHERE class = ?"), {connectionClass});
    if (!query.next()) return {};
    return ParseMap(query.value(0).toString().toUtf8(), QStringLiteral("last attributes"), Location());
  }

  void RememberAttributes(const TString& connectionClass, const ConnectionAttributeMap& attributes) override {
    const QString json = AttributesJson(WithoutSecrets(attributes));
    // A class described again with the attributes it was last described with, the common case,
    // changes nothing: no write transaction, no sync to disk.
    {
      QSqlDatabase db = Db();
      QSqlQuery query = Exec(db, Sql("SELECT attributes FROM %1last_attributes WHERE class = ?"), {connectionClass});
      if (query.next() && query.value(0).toString() == json) return;
    }
    Write([&](QSqlDatabase& db) {
      Exec(db, Sql("DELETE FROM %1last_attributes WHERE class = ?"), {connectionClass});
      Exec(db, Sql("INSERT INTO %1last_attributes (class, attributes) VALUES (?, ?)"), {connectionClass, json});
    });
  }

  std::list<TString> RecentClasses() const override {
    QSqlDatabase db = Db();
    return RecentClasses(db);
  }

  bool HasRecentList() const override {
    QSqlDatabase db = Db();
    return Meta(db, "recent_list").has_value();
  }

  void RecordRecent(const TString& connectionClass) override {
    if (!MruFile::IsRecordable(connectionClass)) return;
    Write([&](QSqlDatabase& db) {
      std::list<TString> classes = RecentClasses(db);
      classes.remove(connectionClass);
      classes.push_front(connectionClass);
      WriteRecent(db, classes);
    });
  }

  bool SeedRecent(const std::list<TString>& classes) override {
    bool seeded = false;
    Write([&](QSqlDatabase& db) {
      if (Meta(db, "recent_list")) return;  // another process may have saved one since it was read
      WriteRecent(db, classes);
      seeded = true;
    });
    return seeded;
  }

  void RotateKey() override {
    QByteArray newKey = SecretBox::RandomBytes(SecretBox::kKeyBytes);
    bool staged = false;
    try {
      Write([&](QSqlDatabase& db) {
        const QByteArray oldKey = Key();
        CheckKey(db, oldKey);  // another process may have rotated it meanwhile
        QSqlQuery rows = Exec(db, Sql("SELECT credential_id, connection_id, sealed FROM %1secrets"));
        std::vector<QVariantList> updates;
        while (rows.next()) {
          QByteArray plain = Unseal(oldKey, rows.value(2).toString(), rows.value(1).toString());
          const QByteArray sealed = SecretBox::Seal(newKey, plain, rows.value(1).toString().toUtf8());
          SecretBox::Erase(plain);
          updates.push_back({QString::fromLatin1(sealed.toBase64()), rows.value(0)});
        }
        for (const QVariantList& update : updates)
          Exec(db, Sql("UPDATE %1secrets SET sealed = ? WHERE credential_id = ?"), update);
        WriteKeyCheck(db, newKey);
        m_keySource->StageNext(newKey);
        staged = true;
      });
    } catch (...) {
      if (staged) m_keySource->DiscardNext();
      SecretBox::Erase(newKey);
      throw;
    }
    m_keySource->PromoteNext(newKey);
    std::lock_guard<std::mutex> lock(m_mutex);
    SecretBox::Erase(m_key);
    m_key = newKey;
  }

 private:
  QString Sql(const char* text) const { return QString::fromLatin1(text).arg(m_prefix); }

  QByteArray Key() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_key;
  }

  QByteArray Unseal(const QByteArray& key, const QString& sealed, const QString& connectionId) const {
    const QByteArray bytes = QByteArray::fromBase64(sealed.toLatin1());
    std::optional<QByteArray> plain = SecretBox::Open(key, bytes, connectionId.toUtf8());
    if (!plain)
      throw StoreException(QStringLiteral("A secret of the store at %1 does not decrypt: the store's key is not the "
                                          "one it was written with, or the value was changed")
                               .arg(Location()));
    return *plain;
  }

  SavedConnection FromRow(const QSqlQuery& row) const {
    SavedConnection connection{row.value(0).toString(), row.value(1).toString(),
                               ParseMap(row.value(2).toString().toUtf8(), QStringLiteral("attributes"), Location())};
    if (!row.value(3).isNull()) connection.attributes[DataConnectionAttrs::attrCredentialId] = row.value(3).toString();
    return connection;
  }

  // This thread's connection to the database, opened on first use.
  QSqlDatabase Db() const {
    thread_local const quint64 threadSerial = ++g_threadSerial;
    thread_local ThreadConnections threadConnections;
    const QString name = QStringLiteral("hlvstore-%1-%2").arg(m_serial).arg(threadSerial);
    if (QSqlDatabase::contains(name)) return QSqlDatabase::database(name, false);
    QSqlDatabase db = QSqlDatabase::addDatabase(m_target.postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), name);
    if (m_target.postgres) {
      db.setHostName(m_target.url.host());
      db.setPort(m_target.url.port(5432));
      db.setDatabaseName(m_target.url.path(QUrl::FullyDecoded).mid(1));
      db.setUserName(m_target.url.userName(QUrl::FullyDecoded));
      db.setPassword(m_target.password);
      db.setConnectOptions(m_target.options);
    } else {
      db.setDatabaseName(m_target.sqlitePath);
      db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    }
    m_connections.Add(name);
    threadConnections.names.push_back(name);
    if (!db.open()) {
      const QString error = db.lastError().text();
      db = QSqlDatabase();
      QSqlDatabase::removeDatabase(name);
      throw StoreException(QStringLiteral("The store at %1 cannot be opened: %2").arg(Location(), error));
    }
    if (!m_target.postgres) {
      // WAL: readers and the writer do not block each other. FULL: a commit is on disk when it
      // returns, a saved connection survives a power cut too (writes are few and small).
      for (const char* pragma : {"PRAGMA journal_mode = WAL", "PRAGMA synchronous = FULL"})
        Exec(db, QString::fromLatin1(pragma));
    }
    return db;
  }

  std::list<TString> RecentClasses(QSqlDatabase& db) const {
    std::list<TString> classes;
    QSqlQuery query = Exec(db, Sql("SELECT class FROM %1recent_classes ORDER BY position"));
    while (query.next()) classes.push_back(query.value(0).toString());
    return MruFile::Normalized(classes);  // a row written by hand may be no class name
  }

  // Replaces the list with `classes`, normalized, in the caller's transaction.
  void WriteRecent(QSqlDatabase& db, const std::list<TString>& classes) const {
    Exec(db, Sql("DELETE FROM %1recent_classes"));
    int position = 0;
    for (const TString& connectionClass : MruFile::Normalized(classes))
      Exec(db, Sql("INSERT INTO %1recent_classes (position, class) VALUES (?, ?)"), {position++, connectionClass});
    SetMeta(db, "recent_list", QStringLiteral("saved"));
  }

  QSqlQuery Exec(QSqlDatabase& db, const QString& sql, const QVariantList& values = {}) const {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const bool ok = values.isEmpty() ? query.exec(sql) : [&] {
      if (!query.prepare(sql)) return false;
      for (const QVariant& value : values) query.addBindValue(value);
      return query.exec();
    }();
    if (!ok)
      throw StoreException(QStringLiteral("The store at %1 failed: %2").arg(Location(), query.lastError().text()));
    return query;
  }

  // Runs `change` in one writing transaction, writers of every process taking turns.
  void Write(const std::function<void(QSqlDatabase&)>& change) const {
    QSqlDatabase db = Db();
    Exec(db, m_target.postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
    try {
      if (m_target.postgres) Exec(db, QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kWriterLock));
      change(db);
      Exec(db, QStringLiteral("COMMIT"));
    } catch (...) {
      QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));  // the failure being raised says what went wrong
      throw;
    }
  }

  std::optional<QString> Meta(QSqlDatabase& db, const char* key) const {
    QSqlQuery query = Exec(db, Sql("SELECT value FROM %1meta WHERE key = ?"), {QString::fromLatin1(key)});
    if (!query.next()) return std::nullopt;
    return query.value(0).toString();
  }

  void SetMeta(QSqlDatabase& db, const char* key, const QString& value) const {
    Exec(db, Sql("DELETE FROM %1meta WHERE key = ?"), {QString::fromLatin1(key)});
    Exec(db, Sql("INSERT INTO %1meta (key, value) VALUES (?, ?)"), {QString::fromLatin1(key), value});
  }

  int SchemaVersion(QSqlDatabase& db) const {
    const QString table = m_target.postgres ? QStringLiteral("hlvpres.meta") : QStringLiteral("meta");
    const QString exists = m_target.postgres ? QStringLiteral("SELECT to_regclass('hlvpres.meta') IS NOT NULL")
                                             : QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'meta'");
    QSqlQuery query = Exec(db, exists);
    if (!query.next() || !query.value(0).toBool()) return 0;
    const std::optional<QString> version = Meta(db, "schema_version");
    bool ok = false;
    const int number = version ? version->toInt(&ok) : 0;
    if (version && (!ok || number < 0))
      throw StoreException(QStringLiteral("The store at %1 has a damaged schema version").arg(Location()));
    if (number > kSchemaVersion)
      throw StoreException(QStringLiteral("The store at %1 has schema version %2, newer than this program knows (%3): "
                                          "use a newer hlvpres with it")
                               .arg(Location())
                               .arg(number)
                               .arg(kSchemaVersion));
    return number;
  }

  // Brings the schema to kSchemaVersion. Only a store that needs it is written to; a newer one
  // is refused untouched.
  void Migrate() {
    QSqlDatabase db = Db();
    if (SchemaVersion(db) == kSchemaVersion) return;
    Write([&](QSqlDatabase& tx) {
      if (m_target.postgres) Exec(tx, QStringLiteral("CREATE SCHEMA IF NOT EXISTS hlvpres"));
      Exec(tx, Sql("CREATE TABLE IF NOT EXISTS %1meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)"));
      for (int version = SchemaVersion(tx); version < kSchemaVersion; ++version) {
        for (const char* statement : kMigrations[static_cast<std::size_t>(version)]) Exec(tx, Sql(statement));
        SetMeta(tx, "schema_version", QString::number(version + 1));
      }
    });
  }

  bool KeyMatches(const QString& check, const QByteArray& key) const {
    return SecretBox::Open(key, QByteArray::fromBase64(check.toLatin1()), kKeyCheckData) == kKeyCheckText;
  }

  void WriteKeyCheck(QSqlDatabase& db, const QByteArray& key) const {
    SetMeta(db, "key_check", QString::fromLatin1(SecretBox::Seal(key, kKeyCheckText, kKeyCheckData).toBase64()));
    SetMeta(db, "key_id", KeyId(key));
  }

  void CheckKey(QSqlDatabase& db, const QByteArray& key) const {
    const std::optional<QString> check = Meta(db, "key_check");
    if (check && !KeyMatches(*check, key))
      throw StoreException(QStringLiteral("The store at %1 was written with another key than the one in %2")
                               .arg(Location(), m_keySource->Describe()));
  }

  // Whether `key` is the store's. Its id, a hash written with the check value, tells without a
  // cipher (whose set-up would cost a command that touches no secret milliseconds); a secret
  // sealed with another key would not open all the same. A store without an id opens its check.
  bool KeyFits(QSqlDatabase& db, const QString& check, const QByteArray& key) const {
    if (const std::optional<QString> id = Meta(db, "key_id")) return *id == KeyId(key);
    return KeyMatches(check, key);
  }

  // Finds the store's key and checks that it is the store's (KeyFits); a store without one yet
  // gets its first key.
  void UnlockKey() {
    m_keySource = KeySource::For(Location(), m_target.defaultKeyFile);
    QSqlDatabase db = Db();
    std::optional<QString> check = Meta(db, "key_check");
    if (!check) {
      std::optional<QByteArray> key = m_keySource->Current();
      m_key = key ? *key : m_keySource->Create(SecretBox::RandomBytes(SecretBox::kKeyBytes));
      Write([&](QSqlDatabase& tx) {
        if (Meta(tx, "key_check")) return CheckKey(tx, m_key);  // another process was first
        WriteKeyCheck(tx, m_key);
      });
      return;
    }
    if (std::optional<QByteArray> current = m_keySource->Current(); current && KeyFits(db, *check, *current)) {
      m_key = *current;
      return;
    }
    if (std::optional<QByteArray> next = m_keySource->Next(); next && KeyFits(db, *check, *next)) {
      m_keySource->PromoteNext(*next);  // a rotation committed, and its key was not moved in place
      m_key = *next;
      return;
    }
    if (!m_keySource->Current())
      throw StoreException(QStringLiteral("The key of the store at %1 is not in %2").arg(Location(), m_keySource->Describe()));
    throw StoreException(QStringLiteral("The store at %1 was written with another key than the one in %2")
                             .arg(Location(), m_keySource->Describe()));
  }

  Target m_target;
  quint64 m_serial;
  QString m_prefix;
  std::unique_ptr<KeySource> m_keySource;
  mutable std::mutex m_mutex;  // guards m_key
  QByteArray m_key;
  mutable StoreConnections m_connections;  // first to go: closed even when the constructor fails
};

}  // namespace

std::unique_ptr<IStore> Open(const TString& location) { return std::make_unique<SqlStore>(ParseTarget(location)); }

}  // namespace Store
