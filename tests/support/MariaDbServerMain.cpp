// hlvmariadbserver: the MariaDB test server of the live connection tests, for test runners that
// are not GoogleTest programs.
//
// Reads kUser's password as the first line of standard input, starts the server and prints
// "port N" (the databases and the user are those of MariaDbServer.h), then keeps it running
// until standard input closes, and stops it. When the server cannot be had it prints
// "unavailable: " and the reason, and exits with 3.

#include "tests/support/MariaDbServer.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
  // Qt's SQL drivers are plugins, found through the application object.
  QCoreApplication application(argc, argv);
  return testserver::ServeUntilInputCloses<testmariadb::MariaDbServer>("hlvmariadbserver");
}
