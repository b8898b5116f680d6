#include "cli/ServeCommand.h"

#include "cli/WebApi.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <httplib.h>
#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace hlvpres {

const char kServeHelp[] =
    "usage: hlvpres serve [--port N] [--connectors DIR] [--web DIR] [--variables FILE]...\n\n"
    "Serves the connection dialogs to a browser on this machine: the web front end and a JSON\n"
    "API over the library, on 127.0.0.1 only. Prints one line,\n"
    "  hlvpres serve: http://127.0.0.1:PORT/?token=TOKEN\n"
    "with a random session token that every request must carry (as the query parameter token\n"
    "or the header X-Hlv-Token); a request without it is refused. Open that address in a\n"
    "browser. Runs until it is stopped; logs one line per request on standard error.\n\n"
    "--port listens on port N (default 0: a free port). --connectors adds the connector\n"
    "descriptions of DIR to those of HLV_CONNECTORS_PATH. --web serves the front end from DIR\n"
    "instead of the installed one. --variables offers the variables description FILE\n"
    "(docs/variables.md) on the variable prompt page, before the examples of the source tree;\n"
    "it may be given more than once.\n";

namespace {

/// The longest request body read; a longer one is refused with 413.
constexpr std::size_t kMaxBodyBytes = std::size_t{1} << 20;
/// How many requests are served at once. The library is asked by one at a time (the API
/// lock); the others serve files or wait, so that a browser's parallel connections do not
/// wait for an idle one to time out.
constexpr std::size_t kServerThreads = 4;
constexpr char kTokenHeader[] = "X-Hlv-Token";
constexpr char kJson[] = "application/json";

struct ServeOptions {
  int port = 0;
  QString connectors;
  QString web;
  std::vector<QString> variables;
};

ServeOptions ParseServeOptions(const Arguments& arguments) {
  ServeOptions options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument != "--port" && argument != "--connectors" && argument != "--web" && argument != "--variables")
      throw InputError(QStringLiteral("unknown argument %1").arg(TStringFromUtf8(argument)));
    if (i + 1 == arguments.size()) throw InputError(QStringLiteral("%1 needs a value").arg(TStringFromUtf8(argument)));
    const QString value = QString::fromStdString(arguments[++i]);
    if (argument == "--port") {
      bool ok = false;
      options.port = value.toInt(&ok);
      if (!ok || options.port < 0 || options.port > 65535)
        throw InputError(QStringLiteral("--port takes a port number from 0 to 65535, not \"%1\"").arg(value));
    } else if (argument == "--connectors") {
      if (!QFileInfo(value).isDir()) throw InputError(QStringLiteral("--connectors: %1 is not a folder").arg(value));
      options.connectors = value;
    } else if (argument == "--variables") {
      if (!QFileInfo(value).isFile()) throw InputError(QStringLiteral("--variables: %1 is not a file").arg(value));
      options.variables.push_back(QFileInfo(value).absoluteFilePath());
    } else {
      options.web = value;
    }
  }
  return options;
}

/// The session token: 128 random bits, in hex.
std::string NewToken() {
  unsigned char bytes[16];
  if (RAND_bytes(bytes, sizeof bytes) != 1) throw HalvaneException(QStringLiteral("no random bytes for the session token"));
  return QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes).toHex().toStdString();
}

/// Whether `given` is `token`, compared in a time that does not depend on where they differ.
bool SameToken(const std::string& given, const std::string& token) {
  return given.size() == token.size() && CRYPTO_memcmp(given.data(), token.data(), token.size()) == 0;
}

/// The folder of the web front end: `given`, else the one installed beside the executable,
/// else the one of the source tree this program was built from.
QString WebFolder(const QString& given) {
  const auto hasPage = [](const QString& folder) { return QFileInfo(QDir(folder).filePath(QStringLiteral("index.html"))).isFile(); };
  if (!given.isEmpty()) {
    if (!hasPage(given)) throw InputError(QStringLiteral("--web: %1 holds no index.html").arg(given));
    return given;
  }
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const QString installed = QDir(QString::fromStdString(executable.parent_path().string()))
                                  .filePath(QStringLiteral("../share/hlvpreslayerdata/web"));
    if (hasPage(installed)) return QDir::cleanPath(installed);
  }
  const QString source = QStringLiteral(HLV_SOURCE_WEB_DIR);
  if (hasPage(source)) return source;
  throw HalvaneException(QStringLiteral("the web front end is not installed; name its folder with --web"));
}

/// The variables description files the variable prompt page offers: those of the command line,
/// then the examples of the source tree this program was built from, each once.
std::vector<std::string> VariableFiles(const std::vector<QString>& given) {
  QStringList files(given.begin(), given.end());
  const QDir examples(QStringLiteral(HLV_SOURCE_VARIABLES_DIR));
  for (const QString& name : examples.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name))
    files.append(examples.absoluteFilePath(name));
  files.removeDuplicates();
  std::vector<std::string> result;
  for (const QString& file : files) result.push_back(file.toStdString());
  return result;
}

/// The content type of a file of the front end, by its extension; nullptr for a file that is
/// not one the front end is made of.
const char* ContentType(const QString& name) {
  if (name.endsWith(QLatin1String(".html"))) return "text/html; charset=utf-8";
  if (name.endsWith(QLatin1String(".css"))) return "text/css; charset=utf-8";
  if (name.endsWith(QLatin1String(".js"))) return "text/javascript; charset=utf-8";
  if (name.endsWith(QLatin1String(".svg"))) return "image/svg+xml";
  if (name.endsWith(QLatin1String(".png"))) return "image/png";
  return nullptr;
}

void SetError(httplib::Response& response, int status, const std::string& message) {
  response.status = status;
  response.set_content(ErrorJson(message), kJson);
}

/// Serves the file `name` (a plain file name, no folder) of the front end in `folder`.
void ServeFile(const QString& folder, const std::string& name, httplib::Response& response) {
  const QString file = QString::fromStdString(name);
  const char* type = ContentType(file);
  // Only plain names of the folder itself: no way out of it.
  const bool plain = !file.isEmpty() && !file.startsWith(QLatin1Char('.')) && !file.contains(QLatin1Char('/')) &&
                     !file.contains(QLatin1Char('\\'));
  QFile content(QDir(folder).filePath(file));
  if (type == nullptr || !plain || !content.open(QIODevice::ReadOnly)) {
    SetError(response, 404, "no such file: /" + name);
    return;
  }
  const QByteArray bytes = content.readAll();
  response.set_content(bytes.constData(), static_cast<size_t>(bytes.size()), type);
  // The page is the program's own: it is never cached across sessions.
  response.set_header("Cache-Control", "no-store");
  response.set_header("X-Content-Type-Options", "nosniff");
}

}  // namespace

int Serve(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  QString web;
  ApiSettings settings;
  ServeOptions options;
  std::string token;
  try {
    options = ParseServeOptions(arguments);
    if (!options.connectors.isEmpty()) {
      // The connector registry reads the folders when it is first asked, which is later.
      QByteArray path = QFile::encodeName(QFileInfo(options.connectors).absoluteFilePath());
      const QByteArray existing = qgetenv("HLV_CONNECTORS_PATH");
      if (!existing.isEmpty()) path += ':' + existing;
      qputenv("HLV_CONNECTORS_PATH", path);
    }
    web = WebFolder(options.web);
    settings.variableFiles = VariableFiles(options.variables);
    token = NewToken();
  } catch (const std::exception& e) {  // a wrong argument is reported, never fatal
    err << "error: " << e.what() << '\n';
    return 1;
  }

  httplib::Server server;
  server.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
  server.set_payload_max_length(kMaxBodyBytes);
  server.set_keep_alive_timeout(2);

  // Every request carries the token, or is refused before its body is read.
  server.set_pre_routing_handler([&token](const httplib::Request& request, httplib::Response& response) {
    const std::string given =
        request.has_header(kTokenHeader) ? request.get_header_value(kTokenHeader) : request.get_param_value("token");
    if (SameToken(given, token)) return httplib::Server::HandlerResponse::Unhandled;
    SetError(response, 403, "this request does not carry the session token that hlvpres serve printed");
    return httplib::Server::HandlerResponse::Handled;
  });

  std::mutex library;
  const auto api = [&library, &settings](const httplib::Request& request, httplib::Response& response) {
    ApiRequest call{request.method, request.path, {}, request.body};
    for (const auto& [name, value] : request.params)
      if (name != "token") call.query[name] = value;
    ApiResponse answer;
    {
      const std::lock_guard<std::mutex> lock(library);
      answer = AnswerApi(call, settings);
    }
    response.status = answer.status;
    response.set_content(answer.body, kJson);
    response.set_header("Cache-Control", "no-store");
  };
  server.Get(R"(/api/.*)", api);
  server.Post(R"(/api/.*)", api);
  server.Get("/", [&web](const httplib::Request&, httplib::Response& response) {
    ServeFile(web, "index.html", response);
  });
  server.Get(R"(/([^/]+))", [&web](const httplib::Request& request, httplib::Response& response) {
    ServeFile(web, request.matches[1], response);
  });

  // Statuses the handlers did not answer themselves (413 for a long body, 404 for an unknown
  // path, 400 for a request httplib could not read) get a JSON body too.
  server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
    if (!response.body.empty()) return;
    const char* message = response.status == 413   ? "the request body is longer than 1 MiB"
                          : response.status == 404 ? "no such path"
                          : response.status == 405 ? "this path does not take that method"
                                                   : "the request cannot be read";
    SetError(response, response.status, message);
  });
  server.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
    SetError(response, 500, "the server failed to answer the request");
  });
  // One line per request, without the query string (it holds the token) or the body.
  server.set_logger([&err](const httplib::Request& request, const httplib::Response& response) {
    static std::mutex logLock;
    const std::lock_guard<std::mutex> lock(logLock);
    err << "hlvpres serve: " << request.method << ' ' << request.path << ' ' << response.status << std::endl;
  });

  const int port = options.port == 0 ? server.bind_to_any_port("127.0.0.1")
                                     : (server.bind_to_port("127.0.0.1", options.port) ? options.port : -1);
  if (port <= 0) {
    err << "error: cannot listen on 127.0.0.1:" << options.port << '\n';
    return 1;
  }
  out << "hlvpres serve: http://127.0.0.1:" << port << "/?token=" << token << std::endl;
  if (!server.listen_after_bind()) {
    err << "error: the server stopped listening\n";
    return 1;
  }
  return 0;
}

}  // namespace hlvpres
