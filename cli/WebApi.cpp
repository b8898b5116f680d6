#include "cli/WebApi.h"

#include "cli/ConnectionCommands.h"
#include "cli/GalleryCommands.h"
#include "cli/VariableCommands.h"

#include "host/Exceptions.h"
#include "host/connect/ConnectionAttributes.h"
#include "host/connect/DataSourceException.h"
#include "host/detail/HardenedJson.h"
#include "host/parameters/JsonText.h"

#include <QFileInfo>

#include <exception>
#include <functional>
#include <optional>

namespace hlvpres {
namespace {

constexpr char kMask[] = "********";

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

std::string Gallery(const ApiRequest& request, const ApiSettings&) {
  GalleryOptions options;
  options.group = ParseGalleryGroup(TStringFromUtf8(RequiredQuery(request, "group")));
  options.restricted = QueryFlag(request, "restricted");
  return GalleryGroupJson(options);
}

std::string Dialog(const ApiRequest& request, const ApiSettings&) {
  return DialogJson(KnownConnectionClass(RequiredQuery(request, "class")), std::nullopt);
}

std::string Convert(const ApiRequest& request, const ApiSettings&) {
  return ConvertJson(KnownConnectionClass(RequiredQuery(request, "class")), request.body, "the request body");
}

std::string Describe(const ApiRequest& request, const ApiSettings&) {
  ConnectionAttributeMap attributes = ParseAttributes(request.body);
  const auto connectionClass = attributes.find(DataConnectionAttrs::attrClass);
  if (connectionClass == attributes.end())
    throw InputError(QStringLiteral("the attributes name no \"class\""));
  const TString name = connectionClass->second;
  // A secret the page got back masked is no value to connect with: the credential service holds
  // the real one under "credential-id".
  for (auto it = attributes.begin(); it != attributes.end();)
    it = it->second == QLatin1String(kMask) ? attributes.erase(it) : std::next(it);
  return DescribeJson(KnownConnectionClass(ToUtf8(name)), attributes, QueryFlag(request, "olap"),
                      QueryFlag(request, "simple"));
}

int ParseIndex(const std::string& text) {
  bool ok = false;
  const int index = TStringFromUtf8(text).toInt(&ok);
  if (!ok) throw InputError(QStringLiteral("index takes a whole number, not \"%1\"").arg(TStringFromUtf8(text)));
  return index;
}

std::string Variables(const ApiRequest& request, const ApiSettings&) {
  const std::optional<std::string> index = Query(request, "index");
  return VariablePromptJson(TStringFromUtf8(RequiredQuery(request, "file")),
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

struct Route {
  const char* method;
  const char* path;
  std::string (*answer)(const ApiRequest&, const ApiSettings&);
};

const Route kRoutes[] = {
    {"GET", "/api/gallery", Gallery},   {"GET", "/api/dialog", Dialog},       {"POST", "/api/convert", Convert},
    {"POST", "/api/describe", Describe}, {"GET", "/api/variables", Variables},
    {"GET", "/api/variable-files", VariableFiles},
};

ApiResponse Failure(int status, const std::string& message) { return {status, ErrorJson(message)}; }

}  // namespace

std::string ErrorJson(const std::string& message) {
  std::string json = "{\"error\":";
  AppendJsonString(json, TStringFromUtf8(message));
  return json + '}';
}

ApiResponse AnswerApi(const ApiRequest& request, const ApiSettings& settings) {
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
  } catch (const InputError& e) {  // the request asked for something wrong
    return Failure(400, e.what());
  } catch (const HardenedJson::JsonTextException& e) {  // the body is not JSON
    return Failure(400, e.what());
  } catch (const ParameterParseException& e) {  // the body is not a bag of parameters
    return Failure(400, e.what());
  } catch (const DataSourceException& e) {  // the database refused the connection
    return Failure(422, e.what());
  } catch (const std::exception& e) {  // any other failure of the library is the request's answer
    return Failure(422, e.what());
  }
}

}  // namespace hlvpres
