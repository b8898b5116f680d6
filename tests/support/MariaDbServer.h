// A real MariaDB server for the tests: Debian's mariadbd, its data made by mariadb-install-db in
// a temporary folder, listening on a free port of 127.0.0.1 (and on its own socket in the
// folder), with TLS offered through a certificate made by OpenSSL in the test.
//
// What it holds once started: the user kUser (password authentication, every privilege), and
// two databases. kDatabase ("hlvsales") has the tables `orders` (id INT primary key, customer
// VARCHAR, amount DECIMAL, placed DATE, note TEXT NULL, photo BLOB NULL; four rows, one with a
// NULL note and one with a photo) and `customers` (id, name; two rows), the view `big_orders`
// (the orders above 100) and the procedure `archive_orders`. kOtherDatabase ("hlvstock") has
// the table `items`.
//
// The server refuses to run as root, so as root it runs as the `mysql` user
// (`runuser -u mysql --`), in a folder that user owns; running as `mysql` itself works too.
// It is stopped and its folder removed when the object goes.
#pragma once

#include "tests/support/ServerSupport.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace testmariadb {

class MariaDbServer {
 public:
  static constexpr const char* kDatabase = "hlvsales";
  static constexpr const char* kOtherDatabase = "hlvstock";
  static constexpr const char* kUser = "hlvadmin";

  /// Makes the data folder, starts the server and fills it; kUser signs in with `password`.
  /// Throws std::runtime_error saying what is missing or what failed.
  static std::unique_ptr<MariaDbServer> Start(const QString& password);

  /// Stops the server and removes its folder.
  ~MariaDbServer();
  MariaDbServer(const MariaDbServer&) = delete;
  MariaDbServer& operator=(const MariaDbServer&) = delete;

  int Port() const { return m_port; }
  /// The server's certificate, as PEM text.
  const QString& CertificatePem() const { return m_certificatePem; }

 private:
  MariaDbServer() = default;

  QStringList AsServerUser(const QString& program, const QStringList& arguments) const;
  void WaitUntilReady() const;
  void Fill(const QString& password) const;
  QString Log() const;

  std::unique_ptr<QTemporaryDir> m_folder;
  std::unique_ptr<QProcess> m_server;
  bool m_asRoot = false;
  int m_port = 0;
  QString m_certificatePem;
};

/// The one server of a test program run, started by the first test that asks for it and
/// stopped when the program's tests end. Raises std::runtime_error (every time it is asked)
/// when it cannot be started.
const MariaDbServer& SharedServer();
/// The password of the shared server's kUser.
QString SharedPassword();

/// Why MariaDB tests are skipped (HLV_SKIP_MARIADB=1 set), or nullopt when they run.
std::optional<QString> SkipReason();

}  // namespace testmariadb

/// In a test: skips it when HLV_SKIP_MARIADB=1 asks for that, else makes `server` the shared server.
#define HLV_REQUIRE_MARIADB(server) HLV_REQUIRE_SERVER(server, testmariadb, MariaDbServer, "MariaDB", "HLV_SKIP_MARIADB")
