#include "cli/ServeCommand.h"

#include "cli/WebApi.h"

#include "host/app/Log.h"
#include "host/connect/CredentialsService.h"
#include "host/connectors/InMemoryCredentialsService.h"
#include "host/store/Store.h"
#include "services/InputError.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <boost/asio/bind_executor.hpp>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace hlvpres {

const char kServeHelp[] =
    "usage: hlvpres serve [--port N] [--connectors DIR] [--web DIR] [--variables FILE]...\n"
    "                     [--allow-files DIR]...\n\n"
    "Serves the connection dialogs to a browser on this machine: the web front end and a JSON\n"
    "API over the library, on 127.0.0.1 only. Prints one line,\n"
    "  hlvpres serve: http://127.0.0.1:PORT/?token=TOKEN\n"
    "with a random session token that every request must carry (as the query parameter token\n"
    "or the header X-Hlv-Token); a request without it is refused before its body is read. Open\n"
    "that address in a browser. Runs until it is stopped; logs one line per request on standard\n"
    "error, its control characters escaped.\n\n"
    "--port listens on port N (default 0: a free port). --connectors adds the connector\n"
    "descriptions of DIR to those of HLV_CONNECTORS_PATH. --web serves the front end from DIR\n"
    "instead of the installed one. --variables offers the variables description FILE\n"
    "(docs/variables.md) on the variable prompt page, before the examples of the source tree;\n"
    "it may be given more than once. The server opens no file a request names by its path:\n"
    "the page sends a certificate or key file's content. --allow-files DIR lets requests name\n"
    "the regular files inside DIR (such as SQLite databases) by path; it may be given more\n"
    "than once.\n";

namespace {

using Services::InputError;

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

/// The longest request body read, however it is sent; a longer one is refused with 413.
constexpr std::uint64_t kMaxBodyBytes = std::uint64_t{1} << 20;
/// The longest request header (request line and fields) and the most fields it may have; a
/// request past either is refused with 431.
constexpr std::uint32_t kMaxHeaderBytes = 16 * 1024;
constexpr std::size_t kMaxHeaderFields = 64;
/// How long a connection may take to send a whole request header, counted from when the
/// server starts waiting for it (an idle kept-alive connection is closed after as long), then
/// its body, and to take an answer.
constexpr auto kHeaderDeadline = std::chrono::seconds(5);
constexpr auto kBodyDeadline = std::chrono::seconds(10);
constexpr auto kWriteDeadline = std::chrono::seconds(10);
/// After a refusal, how much of the body the client goes on sending is read and dropped, and
/// for how long, so that the client reads the refusal instead of a reset connection.
constexpr std::size_t kMaxDrainBytes = std::size_t{4} << 20;
constexpr auto kDrainDeadline = std::chrono::seconds(2);
/// Connections open at once beyond which a new one is closed at once.
constexpr int kMaxConnections = 512;
/// Threads that read and write connections (none of them ever waits for the library), and
/// threads that run API calls (a slow connection attempt holds one of them).
constexpr int kNetworkThreads = 2;
constexpr int kApiThreads = 8;
/// The largest file of the front end served.
constexpr off_t kMaxPageFileBytes = off_t{8} << 20;
/// The secrets the credential service keeps for the page to connect with after a convert: the
/// newest this many, of at most this many bytes together; older ones are forgotten.
constexpr std::size_t kKeptCredentials = 32;
constexpr std::size_t kKeptCredentialBytes = std::size_t{16} << 20;

constexpr char kTokenHeader[] = "X-Hlv-Token";
constexpr char kJson[] = "application/json";

struct ServeOptions {
  int port = 0;
  QString connectors;
  QString web;
  std::vector<QString> variables;
  std::vector<QString> allowedFolders;
};

ServeOptions ParseServeOptions(const Arguments& arguments) {
  ServeOptions options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument != "--port" && argument != "--connectors" && argument != "--web" && argument != "--variables" &&
        argument != "--allow-files")
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
    } else if (argument == "--allow-files") {
      const QString folder = QFileInfo(value).canonicalFilePath();
      if (folder.isEmpty() || !QFileInfo(folder).isDir())
        throw InputError(QStringLiteral("--allow-files: %1 is not a folder").arg(value));
      options.allowedFolders.push_back(folder);
    } else {
      options.web = value;
    }
  }
  return options;
}

std::string_view View(beast::string_view text) { return {text.data(), text.size()}; }

/// The session token: 128 random bits, in hex.
std::string NewToken() {
  unsigned char bytes[16];
  if (RAND_bytes(bytes, sizeof bytes) != 1) throw HalvaneException(QStringLiteral("no random bytes for the session token"));
  return QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes).toHex().toStdString();
}

/// Whether `given` is `token`, compared in a time that does not depend on where they differ.
bool SameToken(std::string_view given, const std::string& token) {
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

/// `text` as it may reach a log or a terminal: every control character, every byte outside
/// ASCII and the backslash written as \xNN, so that a request cannot forge a line or send
/// the terminal an escape sequence.
std::string Printable(std::string_view text) {
  std::string printable;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f && byte != '\\') {
      printable += c;
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      printable += escaped;
    }
  }
  return printable;
}

/// Where the server's lines go: one per request and what the host logs, each one line with its
/// control characters escaped.
class ServerLog final : public ILogSink {
 public:
  explicit ServerLog(std::ostream& err) : m_err(err) {}

  void Request(std::string_view method, std::string_view path, int status) {
    Line(Printable(method) + ' ' + Printable(path) + ' ' + std::to_string(status));
  }
  void Write(TLog severity, const TString& message) override {
    if (severity != TLog::Warn && severity != TLog::Error) return;
    Line((severity == TLog::Warn ? "warning: " : "error: ") + Printable(ToUtf8(message)));
  }

 private:
  void Line(const std::string& text) {
    const std::lock_guard<std::mutex> lock(m_lock);
    m_err << "hlvpres serve: " << text << std::endl;
  }

  std::ostream& m_err;
  std::mutex m_lock;
};

/// The server's credential service. A convert hands the page a credential id to connect with
/// next, so the secrets a convert saved are kept, but only the newest kKeptCredentials of them
/// within kKeptCredentialBytes; what any other call saved is forgotten when it answers (see
/// Scope). Forgotten secrets are overwritten.
class ServerCredentials final : public ICredentialsService {
 public:
  /// Collects the ids saved on this thread while it lives, and forgets them when it ends
  /// unless `keep`.
  class Scope {
   public:
    Scope(ServerCredentials& service, bool keep) : m_service(service), m_keep(keep) { t_saved = &m_saved; }
    ~Scope() {
      t_saved = nullptr;
      if (!m_keep)
        for (const TString& id : m_saved) m_service.RemoveCredentials(id);
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    ServerCredentials& m_service;
    bool m_keep;
    std::vector<TString> m_saved;
  };

  TString SaveCredentials(const ConnectionAttributeMap& attributes, const SecretMap& secrets) override {
    std::size_t bytes = 0;
    for (const auto& [name, value] : secrets) bytes += static_cast<std::size_t>(name.size() + value.size()) * sizeof(QChar);
    const TString id = m_kept.SaveCredentials(attributes, secrets);
    if (t_saved != nullptr) t_saved->push_back(id);
    std::vector<TString> forgotten;
    {
      const std::lock_guard<std::mutex> lock(m_lock);
      m_order.push_back({id, bytes});
      m_bytes += bytes;
      // The newest entry always stays: the body cap keeps it far below the byte bound.
      while (m_order.size() > 1 && (m_order.size() > kKeptCredentials || m_bytes > kKeptCredentialBytes)) {
        forgotten.push_back(m_order.front().id);
        m_bytes -= m_order.front().bytes;
        m_order.pop_front();
      }
    }
    for (const TString& old : forgotten) m_kept.RemoveCredentials(old);
    return id;
  }
  /// The secrets of an id this service gave, else those of a saved connection in the store.
  SecretMap GetCredentials(const TString& credentialId) const override {
    bool given = false;
    {
      const std::lock_guard<std::mutex> lock(m_lock);
      given = std::any_of(m_order.begin(), m_order.end(), [&](const Entry& e) { return e.id == credentialId; });
    }
    if (!given)
      if (std::optional<SecretMap> saved = Store::Instance().Secrets(credentialId)) return std::move(*saved);
    return m_kept.GetCredentials(credentialId);
  }
  bool RemoveCredentials(const TString& credentialId) override {
    {
      const std::lock_guard<std::mutex> lock(m_lock);
      const auto found = std::find_if(m_order.begin(), m_order.end(), [&](const Entry& e) { return e.id == credentialId; });
      if (found != m_order.end()) {
        m_bytes -= found->bytes;
        m_order.erase(found);
      }
    }
    return m_kept.RemoveCredentials(credentialId);
  }

 private:
  struct Entry {
    TString id;
    std::size_t bytes;
  };
  static thread_local std::vector<TString>* t_saved;

  InMemoryCredentialsService m_kept;
  mutable std::mutex m_lock;  // guards m_order and m_bytes
  std::deque<Entry> m_order;
  std::size_t m_bytes = 0;
};

thread_local std::vector<TString>* ServerCredentials::t_saved = nullptr;

/// The content type of a file of the front end, by its extension; nullptr for a file that is
/// not one the front end is made of.
const char* ContentType(const std::string& name) {
  const auto endsWith = [&name](const char* suffix) {
    const std::size_t length = std::char_traits<char>::length(suffix);
    return name.size() > length && name.compare(name.size() - length, length, suffix) == 0;
  };
  if (endsWith(".html")) return "text/html; charset=utf-8";
  if (endsWith(".css")) return "text/css; charset=utf-8";
  if (endsWith(".js")) return "text/javascript; charset=utf-8";
  if (endsWith(".svg")) return "image/svg+xml";
  if (endsWith(".png")) return "image/png";
  return nullptr;
}

/// Whether `name` is a plain name a file of the front end may have: letters, digits, '-', '_'
/// and '.', not starting with '.'. No separator, NUL or other byte that could lead elsewhere.
bool PlainName(const std::string& name) {
  if (name.empty() || name.front() == '.') return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.';
  });
}

/// The content of the regular file `name` of `folder`; nullopt when there is no such regular
/// file (a symbolic link, FIFO or device is none) or it is larger than a page file may be.
std::optional<std::string> PageFile(const QString& folder, const std::string& name) {
  const QByteArray path = QFile::encodeName(QDir(folder).filePath(QString::fromStdString(name)));
  // O_NOFOLLOW: a link is not followed out of the folder; O_NONBLOCK: a FIFO does not block the
  // open, and is refused as not regular.
  const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct Close {
    int fd;
    ~Close() { ::close(fd); }
  } closer{fd};
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > kMaxPageFileBytes) return std::nullopt;
  std::string content(static_cast<std::size_t>(status.st_size), '\0');
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t read = ::read(fd, content.data() + done, content.size() - done);
    if (read < 0 && errno == EINTR) continue;
    if (read <= 0) return std::nullopt;
    done += static_cast<std::size_t>(read);
  }
  return content;
}

using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;

Response JsonResponse(int status, std::string body) {
  Response response;
  response.result(static_cast<unsigned>(status));
  response.set(http::field::content_type, kJson);
  response.body() = std::move(body);
  return response;
}

Response ErrorResponse(int status, const std::string& message) { return JsonResponse(status, ErrorJson(message)); }

/// The refusal of a request without the session token, as a page a browser shows.
Response TokenPage() {
  Response response;
  response.result(http::status::forbidden);
  response.set(http::field::content_type, "text/html; charset=utf-8");
  response.body() =
      "<!doctype html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
      "<link rel=\"icon\" href=\"data:,\"><title>Open the address hlvpres serve printed</title></head>"
      "<body style=\"font: 16px/1.45 system-ui, sans-serif; max-width: 40rem; margin: 3rem auto; padding: 0 1rem\">"
      "<h1 style=\"font-size: 1.3rem\">Open the address hlvpres serve printed</h1>"
      "<p>This address lacks the session token. <code>hlvpres serve</code> printed the address to open when it "
      "started, such as <code>http://127.0.0.1:PORT/?token=TOKEN</code>; a new start prints a new token.</p>"
      "</body></html>\n";
  return response;
}

/// What every connection shares.
struct ServerState {
  QString web;
  ApiSettings settings;
  std::string token;
  std::shared_ptr<ServerLog> log;
  std::shared_ptr<ServerCredentials> credentials;
  std::atomic<int> connections{0};
  asio::thread_pool api{kApiThreads};
};

/// A request's target split: its path, decoded, and its query parameters.
struct Target {
  std::string path;
  std::map<std::string, std::string> query;
};

Target SplitTarget(std::string_view target) {
  Target split;
  const std::size_t mark = target.find('?');
  split.path = QByteArray::fromPercentEncoding(QByteArray::fromRawData(target.data(), static_cast<int>(target.substr(0, mark).size())))
                   .toStdString();
  if (mark != std::string_view::npos) {
    // A form's query: '+' stands for a space.
    QByteArray query(target.data() + mark + 1, static_cast<int>(target.size() - mark - 1));
    query.replace('+', "%20");
    for (const auto& [name, value] : QUrlQuery(QString::fromUtf8(query)).queryItems(QUrl::FullyDecoded))
      split.query.emplace(name.toStdString(), value.toStdString());
  }
  return split;
}

/// One connection: reads each request in its deadlines, checks the token as soon as the header
/// is in, answers the API from the API threads and the front end's files itself.
class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(tcp::socket socket, ServerState& state) : m_stream(std::move(socket)), m_state(state) {
    ++m_state.connections;
  }
  ~Session() { --m_state.connections; }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void Start() {
    asio::dispatch(m_stream.get_executor(), beast::bind_front_handler(&Session::ReadHeader, shared_from_this()));
  }

 private:
  void ReadHeader() {
    m_parser.emplace();
    m_parser->header_limit(kMaxHeaderBytes);
    m_parser->body_limit(kMaxBodyBytes);
    m_method.clear();
    m_path.clear();
    m_stream.expires_after(kHeaderDeadline);
    http::async_read_header(m_stream, m_buffer, *m_parser,
                            beast::bind_front_handler(&Session::OnHeader, shared_from_this()));
  }

  /// Whether the header read so far carries the session token.
  bool CarriesToken(const Target& target) const {
    const Request& request = m_parser->get();
    const auto header = request.find(kTokenHeader);
    if (header != request.end()) return SameToken(View(header->value()), m_state.token);
    const auto query = target.query.find("token");
    return query != target.query.end() && SameToken(query->second, m_state.token);
  }

  void OnHeader(beast::error_code error, std::size_t) {
    const Request& request = m_parser->get();
    m_method = std::string(request.method_string());
    const Target target = SplitTarget(View(request.target()));
    m_path = target.path;
    if (error == http::error::header_limit) return Refuse(431, "the request header is longer than 16 KiB");
    if (error == http::error::body_limit)  // told by Content-Length, before any of the body
      return CarriesToken(target) ? Refuse(413, "the request body is longer than 1 MiB") : RefuseToken();
    if (error) return Closed(error);
    std::size_t fields = 0;
    for (auto it = request.begin(); it != request.end() && fields <= kMaxHeaderFields; ++it) ++fields;
    if (fields > kMaxHeaderFields) return Refuse(431, "the request header has more than 64 fields");
    // Browsers ask for an icon without the token on their own; there is none, and nothing to hide.
    if (target.path == "/favicon.ico" && (request.method() == http::verb::get || request.method() == http::verb::head))
      return NoIcon();
    if (!CarriesToken(target)) return RefuseToken();
    if (m_parser->is_done()) return Answer(target);
    m_stream.expires_after(kBodyDeadline);
    http::async_read(m_stream, m_buffer, *m_parser,
                     [self = shared_from_this(), target](beast::error_code bodyError, std::size_t) {
                       if (bodyError == http::error::body_limit)
                         return self->Refuse(413, "the request body is longer than 1 MiB");
                       if (bodyError) return self->Closed(bodyError);
                       self->Answer(target);
                     });
  }

  /// Ends a connection whose request could not be read: quietly when the client went away or
  /// took too long, with 400 for a request that is not HTTP.
  void Closed(beast::error_code error) {
    if (error == http::error::end_of_stream || error == beast::error::timeout || error == asio::error::eof ||
        error == asio::error::operation_aborted || error == asio::error::connection_reset ||
        error == http::error::partial_message)
      return Shutdown();
    Refuse(400, "the request cannot be read");
  }

  /// A browser asking for a page gets a page that says what to open; any other client JSON.
  void RefuseToken() {
    const Request& request = m_parser->get();
    const auto accept = request.find(http::field::accept);
    if (accept != request.end() && View(accept->value()).find("text/html") != std::string_view::npos) {
      Response response = TokenPage();
      response.keep_alive(false);
      return Write(std::move(response), true);
    }
    Refuse(403, "this request does not carry the session token that hlvpres serve printed");
  }

  void NoIcon() {
    Response response;
    response.result(http::status::no_content);
    response.keep_alive(false);
    Write(std::move(response), true);
  }

  /// Answers `status` and closes the connection, the rest of the request unread.
  void Refuse(int status, const std::string& message) {
    Response response = ErrorResponse(status, message);
    response.keep_alive(false);
    Write(std::move(response), true);
  }

  void Answer(const Target& target) {
    Request request = m_parser->release();
    const bool keepAlive = request.keep_alive();
    if (target.path.rfind("/api/", 0) == 0) return CallApi(request, target, keepAlive);
    Response response = ServePage(request, target);
    response.keep_alive(keepAlive);
    Write(std::move(response), !keepAlive);
  }

  Response ServePage(const Request& request, const Target& target) const {
    const std::string name = target.path == "/" ? "index.html" : target.path.substr(1);
    const char* type = ContentType(name);
    std::optional<std::string> content;
    if (type != nullptr && target.path.front() == '/' && PlainName(name)) {
      if (request.method() != http::verb::get) return ErrorResponse(405, "this path does not take that method");
      content = PageFile(m_state.web, name);
    }
    if (!content) return ErrorResponse(404, "no such file: " + target.path);
    Response response;
    response.set(http::field::content_type, type);
    response.body() = std::move(*content);
    return response;
  }

  /// Runs the API call on an API thread, and meanwhile watches for the client going away: a
  /// call that has not started by then is dropped, and the answer of one that has is.
  void CallApi(Request& request, const Target& target, bool keepAlive) {
    ApiRequest call{std::string(request.method_string()), target.path, target.query, std::move(request.body())};
    call.query.erase("token");
    m_abandoned = std::make_shared<std::atomic<bool>>(false);
    // A preview still running when the client goes away is cancelled; the task holds the flag.
    call.cancel = m_abandoned.get();
    m_answered = false;
    m_stream.expires_never();
    asio::post(m_state.api, [self = shared_from_this(), call = std::move(call), abandoned = m_abandoned, keepAlive] {
      std::optional<ApiResponse> answer;
      if (!abandoned->load()) {
        const ServerCredentials::Scope scope(*self->m_state.credentials, call.path == "/api/convert");
        answer = AnswerApi(call, self->m_state.settings);
      }
      // Hands freed memory back: a large body's copies need not stay with the process.
      malloc_trim(0);
      asio::post(self->m_stream.get_executor(), [self, answer = std::move(answer), keepAlive]() mutable {
        self->OnApiAnswer(std::move(answer), keepAlive);
      });
    });
    WatchForHangUp();
  }

  void WatchForHangUp() {
    m_stream.socket().async_wait(tcp::socket::wait_read, [self = shared_from_this()](beast::error_code error) {
      if (error || self->m_answered) return;
      char byte;
      beast::error_code peek;
      // A readiness report may be stale: the peek must not wait.
      self->m_stream.socket().non_blocking(true, peek);
      const std::size_t read = self->m_stream.socket().receive(asio::buffer(&byte, 1), tcp::socket::message_peek, peek);
      if (peek == asio::error::would_block || peek == asio::error::try_again) return self->WatchForHangUp();
      // The next request of a pipelining client waits in the socket; an end or an error is a
      // client that went away.
      if (read == 0 || peek) self->m_abandoned->store(true);
    });
  }

  void OnApiAnswer(std::optional<ApiResponse> answer, bool keepAlive) {
    m_answered = true;
    beast::error_code ignored;
    m_stream.socket().cancel(ignored);
    if (!answer || m_abandoned->load()) {
      m_state.log->Request(m_method, m_path, 499);  // nobody is left to answer
      return Shutdown();
    }
    Response response = JsonResponse(answer->status, std::move(answer->body));
    response.keep_alive(keepAlive);
    Write(std::move(response), !keepAlive);
  }

  void Write(Response response, bool close) {
    m_state.log->Request(m_method.empty() ? "-" : m_method, m_path, static_cast<int>(response.result_int()));
    // Every answer is the program's own and is never cached across sessions.
    response.set(http::field::cache_control, "no-store");
    response.set("X-Content-Type-Options", "nosniff");
    response.prepare_payload();
    m_response = std::make_shared<Response>(std::move(response));
    m_stream.expires_after(kWriteDeadline);
    http::async_write(m_stream, *m_response,
                      [self = shared_from_this(), close](beast::error_code error, std::size_t) {
                        self->m_response.reset();
                        if (error) return self->Shutdown();
                        if (close) return self->Drain();
                        self->ReadHeader();
                      });
  }

  /// Stops sending, then reads and drops what the client still sends for a while, so that a
  /// client still sending the body of a refused request reads the refusal.
  void Drain() {
    beast::error_code ignored;
    m_stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
    m_drained = 0;
    m_stream.expires_after(kDrainDeadline);
    DrainSome();
  }

  void DrainSome() {
    m_drainSpace.resize(16 * 1024);
    m_stream.async_read_some(asio::buffer(m_drainSpace), [self = shared_from_this()](beast::error_code error, std::size_t read) {
      self->m_drained += read;
      if (error || self->m_drained > kMaxDrainBytes) return self->Shutdown();
      self->DrainSome();
    });
  }

  void Shutdown() {
    beast::error_code ignored;
    m_stream.socket().shutdown(tcp::socket::shutdown_both, ignored);
    m_stream.socket().close(ignored);
  }

  beast::tcp_stream m_stream;
  ServerState& m_state;
  beast::flat_buffer m_buffer;
  std::vector<char> m_drainSpace;
  std::optional<http::request_parser<http::string_body>> m_parser;
  std::shared_ptr<Response> m_response;
  std::string m_method;
  std::string m_path;
  std::shared_ptr<std::atomic<bool>> m_abandoned;
  bool m_answered = false;
  std::size_t m_drained = 0;
};

/// Accepts connections, at most kMaxConnections open at once.
class Listener : public std::enable_shared_from_this<Listener> {
 public:
  Listener(asio::io_context& io, tcp::acceptor& acceptor, ServerState& state)
      : m_io(io), m_acceptor(acceptor), m_state(state) {}

  void Accept() {
    m_acceptor.async_accept(asio::make_strand(m_io), beast::bind_front_handler(&Listener::OnAccept, shared_from_this()));
  }

 private:
  void OnAccept(beast::error_code error, tcp::socket socket) {
    if (error == asio::error::operation_aborted) return;
    if (!error) {
      if (m_state.connections.load() >= kMaxConnections) {
        beast::error_code ignored;
        socket.close(ignored);
      } else {
        std::make_shared<Session>(std::move(socket), m_state)->Start();
      }
    }
    Accept();
  }

  asio::io_context& m_io;
  tcp::acceptor& m_acceptor;
  ServerState& m_state;
};

}  // namespace

int Serve(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  ServerState state;
  ServeOptions options;
  // The files whose content the page sends are kept here, readable by this user only, and
  // removed when the server stops.
  QTemporaryDir uploads(QDir::temp().filePath(QStringLiteral("hlvpres-serve-XXXXXX")));
  try {
    options = ParseServeOptions(arguments);
    if (!options.connectors.isEmpty()) {
      // The connector registry reads the folders when it is first asked, which is later.
      QByteArray path = QFile::encodeName(QFileInfo(options.connectors).absoluteFilePath());
      const QByteArray existing = qgetenv("HLV_CONNECTORS_PATH");
      if (!existing.isEmpty()) path += ':' + existing;
      qputenv("HLV_CONNECTORS_PATH", path);
    }
    state.web = WebFolder(options.web);
    state.settings.variableFiles = VariableFiles(options.variables);
    if (!uploads.isValid()) throw HalvaneException(QStringLiteral("no temporary folder for the files the page sends"));
    state.settings.uploadFolder = QFileInfo(uploads.path()).canonicalFilePath().toStdString();
    for (const QString& folder : options.allowedFolders) state.settings.allowedFolders.push_back(folder.toStdString());
    state.token = NewToken();
  } catch (const std::exception& e) {  // a wrong argument is reported, never fatal
    err << "error: " << e.what() << '\n';
    return 1;
  }

  state.log = std::make_shared<ServerLog>(err);
  const std::shared_ptr<ILogSink> previousLog = LogSink::Install(state.log);
  state.credentials = std::make_shared<ServerCredentials>();
  const std::shared_ptr<ICredentialsService> previousCredentials = CredentialsService::Install(state.credentials);
  struct Restore {
    std::shared_ptr<ILogSink> log;
    std::shared_ptr<ICredentialsService> credentials;
    ~Restore() {
      LogSink::Install(std::move(log));
      CredentialsService::Install(std::move(credentials));
    }
  } restore{previousLog, previousCredentials};

  asio::io_context io(kNetworkThreads);
  tcp::acceptor acceptor(io);
  beast::error_code error;
  const tcp::endpoint endpoint(asio::ip::make_address_v4("127.0.0.1"), static_cast<unsigned short>(options.port));
  acceptor.open(endpoint.protocol(), error);
  if (!error) acceptor.set_option(asio::socket_base::reuse_address(true), error);
  if (!error) acceptor.bind(endpoint, error);
  if (!error) acceptor.listen(asio::socket_base::max_listen_connections, error);
  if (error) {
    err << "error: cannot listen on 127.0.0.1:" << options.port << '\n';
    return 1;
  }
  out << "hlvpres serve: http://127.0.0.1:" << acceptor.local_endpoint().port() << "/?token=" << state.token
      << std::endl;

  asio::signal_set stop(io, SIGINT, SIGTERM);
  stop.async_wait([&io](beast::error_code, int) { io.stop(); });
  std::make_shared<Listener>(io, acceptor, state)->Accept();
  std::vector<std::thread> threads;
  for (int i = 1; i < kNetworkThreads; ++i) threads.emplace_back([&io] { io.run(); });
  io.run();
  for (std::thread& thread : threads) thread.join();
  // Calls still running finish before the server's state goes; none still waiting starts.
  state.api.stop();
  state.api.join();
  return 0;
}

}  // namespace hlvpres
