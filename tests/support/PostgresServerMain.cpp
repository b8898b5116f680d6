// hlvpgserver: the PostgreSQL test server of the live connection tests, for test runners that
// are not GoogleTest programs (tests/cli/run_connection_commands.py and the browser test).
//
// Reads the superuser's password as the first line of standard input, starts the server and
// prints "port N" (the database and the user are PostgresServer::kDatabase and kUser), then
// keeps it running until standard input closes, and stops it. When the server cannot be had
// it prints "unavailable: " and the reason, and exits with 3.

#include "tests/support/PostgresServer.h"

#include <exception>
#include <iostream>
#include <memory>
#include <string>

int main() {
  std::string password;
  if (!std::getline(std::cin, password) || password.empty()) {
    std::cerr << "hlvpgserver: give the password as the first line of standard input\n";
    return 2;
  }
  std::unique_ptr<testpg::PostgresServer> server;
  try {
    server = testpg::PostgresServer::Start(QString::fromStdString(password));
  } catch (const std::exception& missing) {
    std::cout << "unavailable: " << missing.what() << std::endl;
    return 3;
  }
  std::cout << "port " << server->Port() << std::endl;
  for (std::string line; std::getline(std::cin, line);) {
  }
  return 0;
}
