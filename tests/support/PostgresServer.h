// A real PostgreSQL server for the tests: Debian's server programs run in a temporary folder,
// on a free port of 127.0.0.1, with password (scram-sha-256) authentication and TLS required,
// its certificate made by OpenSSL in the test.
//
// The server programs refuse to run as root, so as root they run as the `postgres` user
// (`runuser -u postgres --`), in a folder that user owns; running as `postgres` itself works
// too. Any other user, or missing programs, and the server cannot be had: Start says what is
// missing.
#pragma once

#include "tests/support/ServerSupport.h"

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace testpg {

class PostgresServer {
 public:
  /// What the server holds once started.
  static constexpr const char* kDatabase = "hlvsales";
  static constexpr const char* kUser = "hlvadmin";

  /// Makes a cluster, starts it and fills kDatabase (see PostgresServer.cpp); the superuser
  /// kUser signs in with `password`. Throws std::runtime_error saying what is missing or
  /// what failed.
  static std::unique_ptr<PostgresServer> Start(const QString& password);

  /// Stops the server and removes its folder.
  ~PostgresServer();
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  int Port() const { return m_port; }
  /// The server's certificate, as PEM text.
  const QString& CertificatePem() const { return m_certificatePem; }
  /// Points the QPSQL connection `db` at `database` here, as kUser with `password`, over TLS.
  void Address(QSqlDatabase& db, const QString& password, const QString& database = QLatin1String(kDatabase)) const;

 private:
  PostgresServer() = default;

  // Runs a server program as the user the server runs as; throws when it fails.
  void Run(const QString& program, const QStringList& arguments) const;
  void Fill(const QString& password) const;

  std::unique_ptr<QTemporaryDir> m_folder;
  QString m_bin;
  bool m_asRoot = false;
  bool m_started = false;
  int m_port = 0;
  QString m_certificatePem;
};

/// The one server of a test program run, started by the first test that asks for it and
/// stopped when the program's tests end. Raises std::runtime_error (every time it is asked)
/// when it cannot be started.
const PostgresServer& SharedServer();
/// The password of the shared server's superuser.
QString SharedPassword();

/// Why PostgreSQL tests are skipped (HLV_SKIP_POSTGRES=1 set), or nullopt when they run.
std::optional<QString> SkipReason();

}  // namespace testpg

/// In a test: skips it when HLV_SKIP_POSTGRES=1 asks for that, else makes `server` the shared server.
#define HLV_REQUIRE_POSTGRES(server) HLV_REQUIRE_SERVER(server, testpg, PostgresServer, "PostgreSQL", "HLV_SKIP_POSTGRES")
