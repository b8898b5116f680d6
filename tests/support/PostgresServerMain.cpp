// hlvpgserver: the PostgreSQL test server of the live connection tests, for test runners that
// are not GoogleTest programs (tests/cli/run_connection_commands.py and the browser test).
//
// Reads the superuser's password as the first line of standard input, starts the server and
// prints "port N" (the database and the user are PostgresServer::kDatabase and kUser), then
// keeps it running until standard input closes, and stops it. When the server cannot be had
// it prints "unavailable: " and the reason, and exits with 3.

#include "tests/support/PostgresServer.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
  // Qt's SQL drivers are plugins, found through the application object.
  QCoreApplication application(argc, argv);
  return testserver::ServeUntilInputCloses<testpg::PostgresServer>("hlvpgserver");
}
