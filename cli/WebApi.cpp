#include "cli/WebApi.h"

#include "host/Exceptions.h"
#include "host/app/StringIds.h"
#include "host/app/StringTable.h"
#include "host/Secrets.h"
#include "host/connect/ConnectionAttributes.h"
#include "host/connect/CredentialsService.h"
#include "host/connect/DataSourceException.h"
#include "host/detail/HardenedJson.h"
#include "host/parameters/JsonText.h"
#include "services/ConnectionServices.h"
#include "services/GalleryServices.h"
#include "services/InputError.h"
#include "services/LiveServices.h"
#include "services/OAuthServices.h"
#include "services/OdbcServices.h"
#include "services/SavedConnections.h"
#include "services/VariableServices.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QTemporaryFile>

#include <algorithm>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

namespace hlvpres {
namespace {

using Services::InputError;

std::optional<std::string> Query(const ApiRequest& request, const char* name) {
  const auto found = request.query.find(name);
  return found == request.query.end() ? std::nullopt : std::optional<std::string>(found->second);
}

std::string RequiredQuery(const ApiRequest& request, const char* name) {
  const std::optional<std::string> value = Query(request, name);
  if (!value || value->empty())
    throw InputError(QStringLiteral("the request needs the query parameter \"%1\"").arg(QLatin1String(name)));
  return *value;
}

/// Whether the query parameter `name` is set to 1 or true.
bool QueryFlag(const ApiRequest& request, const char* name) {
  const std::optional<std::string> value = Query(request, name);
  return value && (*value == "1" || *value == "true");
}

/// Files the page sent whose content is kept in the upload folder, oldest first; past
/// kMaxUploads, the oldest is removed.
constexpr std::size_t kMaxUploads = 64;
std::mutex g_uploadsLock;
std::deque<QString> g_uploads;

/// Whether the field or attribute `name` of a dialog's record names a file on this machine.
bool NamesFile(std::string_view name) {
  constexpr std::string_view kWidget = "widget-attr-";
  if (name.substr(0, kWidget.size()) == kWidget) {
    name.remove_prefix(kWidget.size());
    if (name == "ssl-cert" || name == "mdw-path") return true;
  }
  static const std::string_view kFileAttributes[] = {"filename",         "sslfile",         "ssl-client-cert-file",
                                                     "ssl-client-key-file", "priv-key-file", "local-cube-file",
                                                     "model-file",       "mdwpath"};
  return std::find(std::begin(kFileAttributes), std::end(kFileAttributes), name) != std::end(kFileAttributes);
}

/// The one refusal of a file named by path, whether it exists or not.
InputError FileRefused() {
  return InputError(QStringLiteral(
      "the server opens no file named by its path outside the folders it was set up to allow: "
      "choose the file in the page to send its content"));
}

/// A file named by path in an allowed folder that is not there, and the field that names it.
class MissingFile : public InputError {
 public:
  MissingFile(const std::string& path, std::string field)
      : InputError(QStringLiteral("the file %1 does not exist: check its folder and name").arg(TStringFromUtf8(path))),
        m_field(std::move(field)) {}
  const std::string& Field() const { return m_field; }

 private:
  std::string m_field;
};

bool InFolders(const std::string& file, const std::vector<std::string>& folders) {
  return std::any_of(folders.begin(), folders.end(), [&file](const std::string& folder) {
    return file.size() > folder.size() + 1 && file.compare(0, folder.size(), folder) == 0 && file[folder.size()] == '/';
  });
}

/// `path` when it names a regular file in one of `settings`' allowed folders or its upload
/// folder (no link out of them, no FIFO or device); InputError otherwise. A path into those
/// folders that names nothing (not even a dangling link) is said to be missing, as the field
/// `field`'s fault; any other refusal is the same, whatever exists outside.
std::string AllowedFile(const std::string& path, const std::string& field, const ApiSettings& settings) {
  std::error_code error;
  const std::filesystem::path given(path);
  if (!given.is_absolute()) throw FileRefused();
  std::vector<std::string> folders = settings.allowedFolders;
  if (!settings.uploadFolder.empty()) folders.push_back(settings.uploadFolder);
  const std::filesystem::path canonical = std::filesystem::canonical(given, error);
  if (error) {
    std::error_code unknown;
    const bool named = std::filesystem::exists(std::filesystem::symlink_status(given, unknown));
    const std::filesystem::path nearest = std::filesystem::weakly_canonical(given, unknown);
    if (!named && !unknown && InFolders(nearest.string(), folders)) throw MissingFile(path, field);
    throw FileRefused();
  }
  if (!std::filesystem::is_regular_file(canonical, error) || error) throw FileRefused();
  const std::string file = canonical.string();
  if (InFolders(file, folders)) return file;
  throw FileRefused();
}

/// Keeps the content of the data URL `url` in the upload folder and returns the file's path.
std::string KeptUpload(std::string_view url, const ApiSettings& settings) {
  const std::size_t comma = url.find(',');
  if (settings.uploadFolder.empty() || comma == std::string_view::npos ||
      url.substr(0, comma).find(";base64") == std::string_view::npos)
    throw InputError(QStringLiteral("a file's content is sent as a data URL in base64"));
  const QByteArray encoded(url.data() + comma + 1, static_cast<int>(url.size() - comma - 1));
  const QByteArray::FromBase64Result content =
      QByteArray::fromBase64Encoding(encoded, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
  if (!content) throw InputError(QStringLiteral("a file's content is not valid base64"));
  QTemporaryFile file(QDir(QString::fromStdString(settings.uploadFolder)).filePath(QStringLiteral("file-XXXXXX")));
  file.setAutoRemove(false);
  if (!file.open() || file.write(content.decoded) != content.decoded.size() || !file.flush())
    throw HalvaneException(QStringLiteral("the server could not keep the file's content"));
  const QString path = file.fileName();
  const std::lock_guard<std::mutex> lock(g_uploadsLock);
  g_uploads.push_back(path);
  while (g_uploads.size() > kMaxUploads) {
    QFile::remove(g_uploads.front());
    g_uploads.pop_front();
  }
  return path.toStdString();
}

/// The value the file field `field` holds, as the library is to read it: a data URL's content
/// kept as a file of its own, a path only when it is allowed.
std::string ResolvedFile(std::string_view value, std::string_view field, const ApiSettings& settings) {
  if (value.substr(0, 5) == "data:") return KeptUpload(value, settings);
  return AllowedFile(std::string(value), std::string(field), settings);
}

/// Resolves every file attribute among `attributes` (see ResolvedFile).
void ResolveFiles(ConnectionAttributeMap& attributes, const ApiSettings& settings) {
  for (auto& [name, value] : attributes)
    if (!value.isEmpty() && NamesFile(ToUtf8(name)))
      value = TStringFromUtf8(ResolvedFile(ToUtf8(value), ToUtf8(name), settings));
}

/// Resolves every file field among the members of `object` (see ResolvedFile).
void ResolveFiles(rapidjson::Value& object, rapidjson::Document::AllocatorType& allocator, const ApiSettings& settings,
                  const TString& keptLabel) {
  for (auto& member : object.GetObject()) {
    const std::string_view name(member.name.GetString(), member.name.GetStringLength());
    if (!NamesFile(name) || !member.value.IsString() || member.value.GetStringLength() == 0) continue;
    const std::string_view value(member.value.GetString(), member.value.GetStringLength());
    if (TStringFromUtf8(value) == keptLabel) continue;  // the certificate the record already holds
    const std::string resolved = ResolvedFile(value, name, settings);
    member.value.SetString(resolved.data(), static_cast<rapidjson::SizeType>(resolved.size()), allocator);
  }
}

/// The bag `body` with the file fields of its connection params record resolved.
std::string WithFilesResolved(const std::string& body, const ApiSettings& settings) {
  rapidjson::Document document;
  HardenedJson::Parse(body, document, {});
  if (!document.IsObject()) return body;
  const auto record = document.FindMember("gen-connection-params-pres-model");
  if (record == document.MemberEnd() || !record->value.IsObject()) return body;
  const TString keptLabel = LookupTStr(StringIds::kSSLCertificateAlreadyLoaded);
  ResolveFiles(record->value, document.GetAllocator(), settings, keptLabel);
  const auto attributes = record->value.FindMember("connector-attrs");
  if (attributes != record->value.MemberEnd() && attributes->value.IsObject())
    ResolveFiles(attributes->value, document.GetAllocator(), settings, keptLabel);
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  document.Accept(writer);
  return std::string(buffer.GetString(), buffer.GetSize());
}

std::string Gallery(const ApiRequest& request, const ApiSettings&) {
  Services::GalleryOptions options;
  options.group = Services::ParseGalleryGroup(TStringFromUtf8(RequiredQuery(request, "group")));
  options.restricted = QueryFlag(request, "restricted");
  return Services::GalleryGroupJson(options);
}

std::string Dialog(const ApiRequest& request, const ApiSettings&) {
  if (const std::optional<std::string> saved = Query(request, "saved"))
    return Services::SavedDialogJson(TStringFromUtf8(*saved));
  return Services::DialogJson(Services::KnownConnectionClass(RequiredQuery(request, "class")), std::nullopt);
}

std::string Convert(const ApiRequest& request, const ApiSettings& settings) {
  // The dialog of a saved connection: the edit is saved, a secret left at ******** kept.
  if (const std::optional<std::string> saved = Query(request, "saved"))
    return Services::ConvertSavedJson(TStringFromUtf8(*saved), WithFilesResolved(request.body, settings),
                                      "the request body");
  const TString connectionClass = Services::KnownConnectionClass(RequiredQuery(request, "class"));
  return Services::ConvertJson(connectionClass, WithFilesResolved(request.body, settings), "the request body");
}

/// The connection class and attributes of the body of a call that connects live: a JSON object
/// of strings, "class" among them.
std::pair<TString, ConnectionAttributeMap> LiveAttributes(const ApiRequest& request, const ApiSettings& settings) {
  // A saved connection, by its name, in place of a body.
  if (const std::optional<std::string> saved = Query(request, "saved")) {
    Services::OpenedConnection connection = Services::SavedConnection(TStringFromUtf8(*saved));
    return {connection.connectionClass, std::move(connection.attributes)};
  }
  ConnectionAttributeMap attributes = Services::ParseAttributes(request.body);
  // A file the connection reads is one the server allows; content sent as a data URL is kept.
  ResolveFiles(attributes, settings);
  // A driver named without a data source takes the database as its driver reads it: for a file
  // database's driver, a file. What reads as a path is held to the same rule.
  const auto value = [&attributes](const char* name) {
    const auto found = attributes.find(QLatin1String(name));
    return found == attributes.end() ? TString() : found->second;
  };
  const TString database = value("dbname");
  if (!value("odbc-driver").isEmpty() && value("odbc-dsn").isEmpty() &&
      (database.contains(QLatin1Char('/')) || database.startsWith(QLatin1String("data:"))))
    attributes[QStringLiteral("dbname")] = TStringFromUtf8(ResolvedFile(ToUtf8(database), "dbname", settings));
  const auto connectionClass = attributes.find(DataConnectionAttrs::attrClass);
  if (connectionClass == attributes.end())
    throw InputError(QStringLiteral("the attributes name no \"class\""));
  const TString name = connectionClass->second;
  // A secret the page got back masked is no value to connect with: the credential service holds
  // the real one under "credential-id".
  for (auto it = attributes.begin(); it != attributes.end();)
    it = it->second == Secrets::kMask ? attributes.erase(it) : std::next(it);
  return {Services::KnownConnectionClass(ToUtf8(name)), std::move(attributes)};
}

std::string Describe(const ApiRequest& request, const ApiSettings& settings) {
  const auto [connectionClass, attributes] = LiveAttributes(request, settings);
  return Services::DescribeJson(connectionClass, attributes, QueryFlag(request, "olap"), QueryFlag(request, "simple"));
}

std::string PreviewData(const ApiRequest& request, const ApiSettings& settings) {
  Preview::Request preview = Services::PreviewRequest(Query(request, "table"), Query(request, "sql"),
                                                      Query(request, "rows"), Query(request, "timeout"));
  preview.cancel = request.cancel;
  const auto [connectionClass, attributes] = LiveAttributes(request, settings);
  return Services::PreviewJson(connectionClass, attributes, preview);
}

std::string OdbcDrivers(const ApiRequest&, const ApiSettings&) { return Services::OdbcDriversJson(); }

std::string OAuthSettings(const ApiRequest&, const ApiSettings&) { return Services::OAuthSettingsJson(); }

std::string TestConnection(const ApiRequest& request, const ApiSettings& settings) {
  const auto [connectionClass, attributes] = LiveAttributes(request, settings);
  return Services::TestJson(connectionClass, attributes);
}

int ParseIndex(const std::string& text) {
  bool ok = false;
  const int index = TStringFromUtf8(text).toInt(&ok);
  if (!ok) throw InputError(QStringLiteral("index takes a whole number, not \"%1\"").arg(TStringFromUtf8(text)));
  return index;
}

std::string Variables(const ApiRequest& request, const ApiSettings& settings) {
  const std::optional<std::string> index = Query(request, "index");
  const std::string file = RequiredQuery(request, "file");
  // Only a file the server offers: no other path is opened, nor told to exist or not.
  if (std::find(settings.variableFiles.begin(), settings.variableFiles.end(), file) == settings.variableFiles.end())
    throw InputError(QStringLiteral("the server offers no such variables description file"));
  return Services::VariablePromptJson(TStringFromUtf8(file),
                            TStringFromUtf8(Query(request, "select").value_or("")), index ? ParseIndex(*index) : 0,
                            TStringFromUtf8(Query(request, "relation").value_or("")));
}

std::string VariableFiles(const ApiRequest&, const ApiSettings& settings) {
  std::string json = "{\"files\":[";
  for (const std::string& path : settings.variableFiles) {
    if (json.back() != '[') json += ',';
    json += "{\"name\":";
    AppendJsonString(json, QFileInfo(TStringFromUtf8(path)).completeBaseName());
    json += ",\"path\":";
    AppendJsonString(json, TStringFromUtf8(path));
    json += '}';
  }
  return json + "]}";
}

TString Name(const ApiRequest& request, const char* name = "name") {
  return TStringFromUtf8(RequiredQuery(request, name));
}

std::string Done() { return "{\"done\":true}"; }

/// The saved connections; with ?name=N, the one saved as N.
std::string ListConnections(const ApiRequest& request, const ApiSettings&) {
  if (Query(request, "name")) return Services::ShowConnectionJson(Name(request));
  return Services::ListConnectionsJson();
}

std::string SaveConnection(const ApiRequest& request, const ApiSettings& settings) {
  ConnectionAttributeMap attributes = Services::ParseAttributes(request.body);
  // A file the connection reads is one the server allows.
  ResolveFiles(attributes, settings);
  // The page holds no secret, only the id a convert kept them under: a connection saved after
  // signing in keeps the secrets it signed in with, unless the body gives its own.
  const auto id = attributes.find(DataConnectionAttrs::attrCredentialId);
  if (id != attributes.end() && !id->second.isEmpty())
    for (const auto& [secret, value] : CredentialsService::Instance().GetCredentials(id->second))
      attributes.emplace(secret, value);
  return Services::SaveConnection(Name(request), Services::KnownConnectionClass(RequiredQuery(request, "class")),
                                  attributes);
}

std::string RenameConnection(const ApiRequest& request, const ApiSettings&) {
  Services::RenameConnection(Name(request, "from"), Name(request, "to"));
  return Done();
}

std::string DeleteConnection(const ApiRequest& request, const ApiSettings&) {
  Services::DeleteConnection(Name(request));
  return Done();
}

std::string ExportUrl(const ApiRequest& request, const ApiSettings&) {
  std::string json = "{\"url\":";
  AppendJsonString(json, TStringFromUtf8(Services::ExportUrl(Name(request))));
  return json + '}';
}

/// The URL comes in the body: it may hold a password, which a query string would spread to logs.
std::string ImportUrl(const ApiRequest& request, const ApiSettings&) {
  return Services::ImportUrl(Name(request), request.body);
}

std::string ExportConnections(const ApiRequest&, const ApiSettings&) { return Services::ExportJson(); }

std::string ImportConnections(const ApiRequest& request, const ApiSettings&) {
  return "{\"imported\":" + std::to_string(Services::ImportJson(request.body)) + '}';
}

struct Route {
  const char* method;
  const char* path;
  std::string (*answer)(const ApiRequest&, const ApiSettings&);
};

const Route kRoutes[] = {
    {"GET", "/api/gallery", Gallery},   {"GET", "/api/dialog", Dialog},       {"POST", "/api/convert", Convert},
    {"POST", "/api/describe", Describe}, {"POST", "/api/preview", PreviewData},
    {"POST", "/api/test", TestConnection}, {"GET", "/api/odbc-drivers", OdbcDrivers},
    {"GET", "/api/oauth-settings", OAuthSettings},
    {"GET", "/api/variables", Variables},
    {"GET", "/api/variable-files", VariableFiles},
    {"GET", "/api/connections", ListConnections},
    {"DELETE", "/api/connections", DeleteConnection},
    {"POST", "/api/connections/save", SaveConnection},
    {"POST", "/api/connections/rename", RenameConnection},
    {"POST", "/api/connections/delete", DeleteConnection},
    {"GET", "/api/connections/export-url", ExportUrl},
    {"POST", "/api/connections/import-url", ImportUrl},
    {"GET", "/api/connections/export", ExportConnections},
    {"POST", "/api/connections/import", ImportConnections},
};

/// `request` with a saved connection named by its path (/api/connections/NAME, percent-encoded)
/// turned into /api/connections?name=NAME.
ApiRequest Routed(const ApiRequest& request) {
  constexpr std::string_view kPrefix = "/api/connections/";
  if (request.path.compare(0, kPrefix.size(), kPrefix) != 0 || request.path.size() == kPrefix.size()) return request;
  const std::string rest = request.path.substr(kPrefix.size());
  for (const Route& route : kRoutes)
    if (request.path == route.path) return request;
  ApiRequest routed = request;
  routed.path = std::string(kPrefix.substr(0, kPrefix.size() - 1));
  routed.query["name"] = QUrl::fromPercentEncoding(QByteArray::fromStdString(rest)).toStdString();
  return routed;
}

ApiResponse Failure(int status, const std::string& message) { return {status, ErrorJson(message)}; }

}  // namespace

std::string ErrorJson(const std::string& message) {
  std::string json = "{\"error\":";
  AppendJsonString(json, TStringFromUtf8(message));
  return json + '}';
}

ApiResponse AnswerApi(const ApiRequest& given, const ApiSettings& settings) {
  const ApiRequest request = Routed(given);
  const Route* route = nullptr;
  bool pathKnown = false;
  for (const Route& candidate : kRoutes) {
    if (request.path != candidate.path) continue;
    pathKnown = true;
    if (request.method == candidate.method) route = &candidate;
  }
  if (!pathKnown) return Failure(404, "no API call is called " + request.path);
  if (route == nullptr) return Failure(405, request.path + " does not take " + request.method);

  // Each kind of failure has its status; every message is one the library made secret-free.
  try {
    return {200, route->answer(request, settings)};
  } catch (const MissingFile& e) {  // a file field names no file: the page flags the field
    std::string json = ErrorJson(e.what());
    json.pop_back();
    json += ",\"reason\":\"file-missing\",\"field\":";
    AppendJsonString(json, TStringFromUtf8(e.Field()));
    return {400, json + '}'};
  } catch (const Services::InputError& e) {  // the request asked for something wrong
    return Failure(400, e.what());
  } catch (const HardenedJson::JsonTextException& e) {  // the body is not JSON
    return Failure(400, e.what());
  } catch (const ParameterParseException& e) {  // the body is not a bag of parameters
    return Failure(400, e.what());
  } catch (const DataSourceException& e) {  // the database refused the connection or the query
    std::string json = ErrorJson(e.what());
    json.pop_back();
    json += ",\"reason\":\"";
    json += DataSourceException::ReasonName(e.GetReason());
    json += '"';
    if (!e.GetDetails().isEmpty()) {
      json += ",\"details\":";
      AppendJsonString(json, e.GetDetails());
    }
    return {422, json + '}'};
  } catch (const std::exception& e) {  // any other failure of the library is the request's answer
    return Failure(422, e.what());
  }
}

}  // namespace hlvpres
