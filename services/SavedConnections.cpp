#include "services/SavedConnections.h"

#include "host/Secrets.h"
#include "host/detail/HardenedJson.h"
#include "host/parameters/JsonText.h"
#include "host/store/Store.h"
#include "services/ConnectionServices.h"
#include "services/InputError.h"

#include <QUrl>

#include <map>
#include <string_view>
#include <utility>

namespace Services {
namespace {

const QLatin1String kServer("server");
const QLatin1String kPort("port");
const QLatin1String kDatabase("dbname");
const QLatin1String kUser("username");

/// The longest export file read.
constexpr std::size_t kMaxExportBytes = std::size_t{16} << 20;

/// A connection class and the URL schemes that name it; the first is the one written.
struct UrlScheme {
  const char* connectionClass;
  const char* schemes[2];
};
const UrlScheme kSchemes[] = {
    {"postgres", {"postgresql", "postgres"}},
    {"mysql", {"mysql", "mariadb"}},
    {"sqlite", {"sqlite", nullptr}},
};

TString CheckedName(const TString& name) {
  if (name.isEmpty() || name.size() > 256 || name.contains(QLatin1Char('\t')) || name.contains(QLatin1Char('\n')) ||
      name.contains(QLatin1Char('\r')))
    throw InputError(QStringLiteral("a saved connection's name is 1 to 256 characters without a tab or line break"));
  return name;
}

InputError NotSaved(const TString& name) {
  return InputError(QStringLiteral("no connection is saved as \"%1\"").arg(name));
}

Store::SavedConnection Saved(const TString& name) {
  std::optional<Store::SavedConnection> saved = Store::Instance().FindConnection(name);
  if (!saved) throw NotSaved(name);
  return std::move(*saved);
}

TString Value(const ConnectionAttributeMap& attributes, const QString& name) {
  const auto found = attributes.find(name);
  return found == attributes.end() ? TString() : found->second;
}

/// The secrets of `saved`, decrypted; none when it names none.
SecretMap SecretsOf(const Store::SavedConnection& saved) {
  const TString id = Value(saved.attributes, DataConnectionAttrs::attrCredentialId);
  if (id.isEmpty()) return {};
  return Store::Instance().Secrets(id).value_or(SecretMap());
}

std::string ShowJson(const Store::SavedConnection& saved) {
  std::map<TString, TString> members(saved.attributes.begin(), saved.attributes.end());
  members[DataConnectionAttrs::attrClass] = saved.connectionClass;
  return JsonObjectOfStrings(members);
}

const UrlScheme& SchemeOfClass(const TString& connectionClass) {
  for (const UrlScheme& scheme : kSchemes)
    if (connectionClass == QLatin1String(scheme.connectionClass)) return scheme;
  throw InputError(QStringLiteral("a \"%1\" connection has no connection URL").arg(connectionClass));
}

QString Encoded(const TString& text, const QByteArray& keep = {}) {
  return QString::fromLatin1(QUrl::toPercentEncoding(text, keep));
}

TString Decoded(const QString& text) { return QUrl::fromPercentEncoding(text.toUtf8()); }

}  // namespace

std::string SaveConnection(const TString& name, const TString& connectionClass,
                           const ConnectionAttributeMap& attributes) {
  Store::IStore& store = Store::Instance();
  const std::optional<Store::SavedConnection> existing = store.FindConnection(CheckedName(name));
  SecretMap secrets = existing ? SecretsOf(*existing) : SecretMap();
  const std::function<bool(const TString&)> isSecret = SecretPredicate(connectionClass);
  Store::SavedConnection connection{name, connectionClass, {}};
  for (const auto& [attribute, value] : attributes) {
    if (attribute == DataConnectionAttrs::attrClass || attribute == DataConnectionAttrs::attrCredentialId) continue;
    if (!isSecret(attribute)) connection.attributes[attribute] = value;
    else if (value.isEmpty()) secrets.erase(attribute);
    else if (value != Secrets::kMask) secrets[attribute] = value;
  }
  return ShowJson(store.SaveConnection(connection, secrets));
}

std::string ListConnectionsText() {
  std::string text;
  for (const Store::SavedConnection& saved : Store::Instance().Connections())
    text += ToUtf8(saved.name) + '\t' + ToUtf8(saved.connectionClass) + '\n';
  return text;
}

std::string ListConnectionsJson() {
  std::string json = "[";
  for (const Store::SavedConnection& saved : Store::Instance().Connections()) {
    if (json.size() > 1) json += ',';
    json += JsonObjectOfStrings({{QStringLiteral("name"), saved.name}, {QStringLiteral("class"), saved.connectionClass}});
  }
  return json + ']';
}

std::string ShowConnectionJson(const TString& name) { return ShowJson(Saved(name)); }

void RenameConnection(const TString& from, const TString& to) {
  Saved(from);
  Store::Instance().RenameConnection(from, CheckedName(to));
}

void DeleteConnection(const TString& name) {
  if (!Store::Instance().DeleteConnection(name)) throw NotSaved(name);
}

std::string ExportUrl(const TString& name) {
  const Store::SavedConnection saved = Saved(name);
  const UrlScheme& scheme = SchemeOfClass(saved.connectionClass);
  const bool file = saved.connectionClass == QLatin1String("sqlite");
  const std::function<bool(const TString&)> isSecret = SecretPredicate(saved.connectionClass);
  QUrl url;
  url.setScheme(QLatin1String(scheme.schemes[0]));
  if (file) {
    url.setPath(Encoded(Value(saved.attributes, DataConnectionAttrs::attrFilename), "/"), QUrl::TolerantMode);
  } else {
    url.setUserName(Encoded(Value(saved.attributes, kUser)), QUrl::TolerantMode);
    url.setHost(Value(saved.attributes, kServer));
    const TString port = Value(saved.attributes, kPort);
    if (!port.isEmpty()) {
      bool ok = false;
      const int number = port.toInt(&ok);
      if (!ok || number < 1 || number > 65535)
        throw InputError(QStringLiteral("the port \"%1\" has no place in a URL").arg(port));
      url.setPort(number);
    }
    url.setPath(QLatin1Char('/') + Encoded(Value(saved.attributes, kDatabase)), QUrl::TolerantMode);
  }
  // What the URL's parts do not say, as query parameters: nothing is lost.
  QStringList query;
  const std::map<TString, TString> sorted(saved.attributes.begin(), saved.attributes.end());
  for (const auto& [attribute, value] : sorted) {
    const bool inParts = file ? attribute == DataConnectionAttrs::attrFilename
                              : attribute == kUser || attribute == kServer || attribute == kPort || attribute == kDatabase;
    if (inParts || attribute == DataConnectionAttrs::attrCredentialId || attribute == DataConnectionAttrs::attrClass ||
        isSecret(attribute))
      continue;
    query << Encoded(attribute) + QLatin1Char('=') + Encoded(value);
  }
  if (!query.isEmpty()) url.setQuery(query.join(QLatin1Char('&')), QUrl::TolerantMode);
  if (!url.isValid()) throw InputError(QStringLiteral("\"%1\" cannot be written as a connection URL").arg(name));
  // A file's URL keeps its empty authority: sqlite:///path, as other tools write it.
  const QString text = url.toString(QUrl::FullyEncoded);
  if (file && !text.startsWith(QLatin1String("sqlite://")))
    return "sqlite://" + text.mid(text.indexOf(QLatin1Char(':')) + 1).toStdString();
  return text.toStdString();
}

std::string ImportUrl(const TString& name, const std::string& text) {
  // The URL may hold a password: no message quotes it.
  const QUrl url(TStringFromUtf8(text), QUrl::StrictMode);
  if (!url.isValid() || url.scheme().isEmpty())
    throw InputError(QStringLiteral("the connection URL cannot be read"));
  const UrlScheme* found = nullptr;
  for (const UrlScheme& scheme : kSchemes)
    for (const char* candidate : scheme.schemes)
      if (candidate != nullptr && url.scheme() == QLatin1String(candidate)) found = &scheme;
  if (found == nullptr)
    throw InputError(QStringLiteral("a connection URL starts with postgresql:, postgres:, mysql:, mariadb: or "
                                    "sqlite:, not %1:")
                         .arg(url.scheme()));
  const TString connectionClass = QLatin1String(found->connectionClass);
  ConnectionAttributeMap attributes;
  const QString path = url.path(QUrl::FullyEncoded);
  if (connectionClass == QLatin1String("sqlite")) {
    if (!url.host().isEmpty() || !url.userInfo().isEmpty() || url.port() != -1 || path.isEmpty())
      throw InputError(QStringLiteral("a sqlite URL names a file only: sqlite:///PATH"));
    attributes[DataConnectionAttrs::attrFilename] = Decoded(path);
  } else {
    if (url.host().isEmpty()) throw InputError(QStringLiteral("the connection URL names no host"));
    attributes[kServer] = url.host(QUrl::FullyDecoded);
    if (url.port() != -1) attributes[kPort] = QString::number(url.port());
    if (!url.userName().isEmpty()) attributes[kUser] = Decoded(url.userName(QUrl::FullyEncoded));
    if (url.password(QUrl::FullyEncoded).size() > 0)
      attributes[DataConnectionAttrs::attrPassword] = Decoded(url.password(QUrl::FullyEncoded));
    if (path.size() > 1) attributes[kDatabase] = Decoded(path.mid(1));
  }
  if (url.hasQuery())
    for (const QString& item : url.query(QUrl::FullyEncoded).split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
      const int equals = item.indexOf(QLatin1Char('='));
      const TString attribute = Decoded(equals < 0 ? item : item.left(equals));
      if (attribute.isEmpty() || attribute == DataConnectionAttrs::attrClass ||
          attribute == DataConnectionAttrs::attrCredentialId)
        throw InputError(QStringLiteral("the connection URL's query names no attribute, \"class\" or "
                                        "\"credential-id\""));
      attributes[attribute] = equals < 0 ? TString() : Decoded(item.mid(equals + 1));
    }
  return SaveConnection(name, connectionClass, attributes);
}

std::string ExportJson() {
  std::string json = "{\"connections\":[";
  bool first = true;
  for (const Store::SavedConnection& saved : Store::Instance().Connections()) {
    std::map<TString, TString> attributes(saved.attributes.begin(), saved.attributes.end());
    attributes.erase(DataConnectionAttrs::attrCredentialId);
    json += first ? "" : ",";
    first = false;
    json += "{\"name\":";
    AppendJsonString(json, saved.name);
    json += ",\"class\":";
    AppendJsonString(json, saved.connectionClass);
    json += ",\"attributes\":" + JsonObjectOfStrings(attributes) + '}';
  }
  return json + "]}";
}

int ImportJson(const std::string& json) {
  rapidjson::Document document;
  HardenedJson::Limits limits;
  limits.maxBytes = kMaxExportBytes;
  HardenedJson::Parse(json, document, limits);
  const InputError wrong(QStringLiteral("an import file is {\"connections\":[{\"name\":N,\"class\":C,"
                                        "\"attributes\":{...}}...]}, as export writes it"));
  if (!document.IsObject() || !document.HasMember("connections") || !document["connections"].IsArray()) throw wrong;
  const auto text = [](const rapidjson::Value& value) {
    return TStringFromUtf8(std::string_view(value.GetString(), value.GetStringLength()));
  };
  // Everything is read before anything is saved: a bad entry saves nothing.
  std::vector<std::pair<std::pair<TString, TString>, ConnectionAttributeMap>> entries;
  for (const rapidjson::Value& entry : document["connections"].GetArray()) {
    if (!entry.IsObject() || !entry.HasMember("name") || !entry["name"].IsString() || !entry.HasMember("class") ||
        !entry["class"].IsString() || !entry.HasMember("attributes") || !entry["attributes"].IsObject())
      throw wrong;
    ConnectionAttributeMap attributes;
    for (const auto& member : entry["attributes"].GetObject()) {
      if (!member.value.IsString()) throw wrong;
      attributes[text(member.name)] = text(member.value);
    }
    entries.push_back({{CheckedName(text(entry["name"])), KnownConnectionClass(ToUtf8(text(entry["class"])))},
                       std::move(attributes)});
  }
  for (const auto& [key, attributes] : entries) SaveConnection(key.first, key.second, attributes);
  return static_cast<int>(entries.size());
}

OpenedConnection SavedConnection(const TString& name) {
  Store::SavedConnection saved = Saved(name);
  return {saved.connectionClass, std::move(saved.attributes)};
}

std::string SavedDialogJson(const TString& name) {
  const Store::SavedConnection saved = Saved(name);
  // The dialog holds the secrets themselves, so that each secret field shows a value is kept;
  // what is written masks them.
  ConnectionAttributeMap attributes = saved.attributes;
  attributes.erase(DataConnectionAttrs::attrCredentialId);
  for (const auto& [secret, value] : SecretsOf(saved)) attributes[secret] = value;
  const DialogRecords dialog = ExistingDialog(saved.connectionClass, attributes);
  return MaskedJson(*dialog.config, RecordJson(*dialog.settings));
}

std::string ConvertSavedJson(const TString& name, const std::string& bag, const char* source) {
  const Store::SavedConnection saved = Saved(name);
  const RefCntPtr<const ConnectionParamsPresModel> record = ReadFieldRecord(bag, source);
  ConnectionAttributeMap attributes = saved.attributes;
  attributes.erase(DataConnectionAttrs::attrCredentialId);
  const DialogRecords dialog = ExistingDialog(saved.connectionClass, attributes);
  return SaveConnection(name, saved.connectionClass, ConvertedAttributes(dialog.config, record));
}

std::optional<std::string> LastAttributesJson(const TString& connectionClass) {
  const ConnectionAttributeMap attributes = Store::Instance().LastAttributes(connectionClass);
  if (attributes.empty()) return std::nullopt;
  return JsonObjectOfStrings(std::map<TString, TString>(attributes.begin(), attributes.end()));
}

void RememberAttributes(const TString& connectionClass, const ConnectionAttributeMap& attributes) {
  const std::function<bool(const TString&)> isSecret = SecretPredicate(connectionClass);
  ConnectionAttributeMap kept;
  for (const auto& [attribute, value] : attributes)
    if (attribute != DataConnectionAttrs::attrCredentialId && !isSecret(attribute)) kept[attribute] = value;
  Store::Instance().RememberAttributes(connectionClass, kept);
}

}  // namespace Services
