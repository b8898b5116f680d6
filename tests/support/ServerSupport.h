// What the throwaway database servers of the tests share: a free port, private files for the
// server's user, the one server of a test program run, and the main program of a server that
// runs until its standard input closes.
#pragma once

#include <QByteArray>
#include <QString>

#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

struct passwd;

namespace testserver {

/// Raises std::runtime_error saying `what`.
[[noreturn]] void Fail(const QString& what);

/// A port of 127.0.0.1 that nothing listens on now.
int FreePort();

/// Writes `text` to `path`, readable by its owner alone, and gives it to `owner`.
void WritePrivate(const QString& path, const QByteArray& text, const passwd& owner);

/// Why the tests of a server are skipped (`variable`=1 set), or nullopt when they run.
std::optional<QString> SkipReason(const char* variable, const char* server);

/// The one `Server` of a test program run, started with `password` by the first test that asks
/// for it and stopped when the program's tests end. Raises std::runtime_error (every time it is
/// asked) when it cannot be started.
template <typename Server>
const Server& Shared(const QString& password) {
  struct StopAtEnd final : ::testing::Environment {
    void TearDown() override { Held().reset(); }
    static std::unique_ptr<Server>& Held() {
      static std::unique_ptr<Server> server;
      return server;
    }
  };
  static std::optional<std::string> failure;
  if (failure) throw std::runtime_error(*failure);
  if (!StopAtEnd::Held()) {
    try {
      StopAtEnd::Held() = Server::Start(password);
    } catch (const std::exception& failed) {
      failure = failed.what();
      throw;
    }
    ::testing::AddGlobalTestEnvironment(new StopAtEnd);
  }
  return *StopAtEnd::Held();
}

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

/// In a test: skips it when NAMESPACE::SkipReason() asks for that, else makes `server` the
/// shared server NAMESPACE::SharedServer(), failing the test with what is missing when it cannot
/// be started.
#define HLV_REQUIRE_SERVER(server, NAMESPACE, Server, kind, skipVariable)                               \
  if (const std::optional<QString> skip = NAMESPACE::SkipReason()) GTEST_SKIP() << skip->toStdString(); \
  const NAMESPACE::Server* server##Pointer = nullptr;                                                   \
  try {                                                                                                 \
    server##Pointer = &NAMESPACE::SharedServer();                                                       \
  } catch (const std::exception& missing) {                                                             \
    FAIL() << "The " kind " test server is not available: " << missing.what()                          \
           << " (set " skipVariable "=1 to skip the " kind " tests)";                                   \
  }                                                                                                     \
  const NAMESPACE::Server& server = *server##Pointer
