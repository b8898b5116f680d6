// What the throwaway database servers of the tests share: a free port, private files for the
// server's user, and the main program of a server that runs until its standard input closes.
#pragma once

#include <QByteArray>
#include <QString>

#include <exception>
#include <iostream>
#include <memory>
#include <string>

struct passwd;

namespace testserver {

/// Raises std::runtime_error saying `what`.
[[noreturn]] void Fail(const QString& what);

/// A port of 127.0.0.1 that nothing listens on now.
int FreePort();

/// Writes `text` to `path`, readable by its owner alone, and gives it to `owner`.
void WritePrivate(const QString& path, const QByteArray& text, const passwd& owner);

/// The main program of a test server for runners that are not GoogleTest programs: reads the
/// password as the first line of standard input, starts `Server` and prints "port N", keeps
/// it running until standard input closes, then stops it. When the server cannot be had it
/// prints "unavailable: " and the reason, and returns 3.
template <typename Server>
int ServeUntilInputCloses(const char* program) {
  std::string password;
  if (!std::getline(std::cin, password) || password.empty()) {
    std::cerr << program << ": give the password as the first line of standard input\n";
    return 2;
  }
  std::unique_ptr<Server> server;
  try {
    server = Server::Start(QString::fromStdString(password));
  } catch (const std::exception& missing) {
    std::cout << "unavailable: " << missing.what() << std::endl;
    return 3;
  }
  std::cout << "port " << server->Port() << std::endl;
  for (std::string line; std::getline(std::cin, line);) {
  }
  return 0;
}

}  // namespace testserver
