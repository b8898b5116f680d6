#include "host/connect/ConnectorRegistry.h"

#include "host/Exceptions.h"
#include "host/detail/RapidJson.h"

#include <utility>

extern const char kBuiltinConnectorsJson[];  // connectors.json, embedded by the build

namespace Connect {

namespace {

class DataConnector final : public IConnector {
 public:
  DataConnector(TString className, TString caption, bool supportsInitialSQL)
      : m_className(std::move(className)), m_caption(std::move(caption)), m_supportsInitialSQL(supportsInitialSQL) {}

  const TString& GetClassName() const override { return m_className; }
  const TString& GetCaption() const override { return m_caption; }
  bool SupportsInitialSQL() const override { return m_supportsInitialSQL; }

 private:
  ~DataConnector() override = default;

  TString m_className;
  TString m_caption;
  bool m_supportsInitialSQL;
};

[[noreturn]] void Fail(const QString& detail) {
  throw HalvaneException(QStringLiteral("Invalid connector description: ") + detail);
}

TString StringMember(const rapidjson::Value& object, const char* name, bool required) {
  const auto member = object.FindMember(name);
  if (member == object.MemberEnd()) {
    if (required) Fail(QStringLiteral("a connector has no \"%1\"").arg(QLatin1String(name)));
    return TString();
  }
  if (!member->value.IsString()) Fail(QStringLiteral("\"%1\" is not a string").arg(QLatin1String(name)));
  return TStringFromUtf8(std::string_view(member->value.GetString(), member->value.GetStringLength()));
}

bool BoolMember(const rapidjson::Value& object, const char* name) {
  const auto member = object.FindMember(name);
  if (member == object.MemberEnd()) return false;
  if (!member->value.IsBool()) Fail(QStringLiteral("\"%1\" is not true or false").arg(QLatin1String(name)));
  return member->value.GetBool();
}

}  // namespace

IConnector::~IConnector() = default;
IRegistry::~IRegistry() = default;

Registry::Registry() = default;
Registry::~Registry() = default;

Registry& Registry::Instance() {
  static Registry* registry = [] {
    auto* builtin = new Registry();  // lives for the whole process
    builtin->Load(kBuiltinConnectorsJson);
    return builtin;
  }();
  return *registry;
}

RefCntPtr<const IConnector> Registry::LookupConnector(const TString& connectionClass) const {
  const auto found = m_connectors.find(connectionClass);
  return found == m_connectors.end() ? RefCntPtr<const IConnector>() : found->second;
}

std::vector<TString> Registry::GetConnectionClasses() const {
  std::vector<TString> classes;
  classes.reserve(m_connectors.size());
  for (const auto& entry : m_connectors) classes.push_back(entry.first);
  return classes;
}

void Registry::Load(std::string_view json) {
  rapidjson::Document document;
  document.Parse(json.data(), json.size());
  if (document.HasParseError())
    Fail(QStringLiteral("invalid JSON at offset %1: %2")
             .arg(static_cast<qulonglong>(document.GetErrorOffset()))
             .arg(QString::fromUtf8(rapidjson::GetParseError_En(document.GetParseError()))));
  if (!document.IsObject()) Fail(QStringLiteral("the text is not an object"));
  const auto list = document.FindMember("connectors");
  if (list == document.MemberEnd() || !list->value.IsArray()) Fail(QStringLiteral("no \"connectors\" array"));

  std::map<TString, RefCntPtr<const IConnector>> loaded;
  for (const rapidjson::Value& entry : list->value.GetArray()) {
    if (!entry.IsObject()) Fail(QStringLiteral("a connector is not an object"));
    TString className = StringMember(entry, "class", true);
    if (className.isEmpty()) Fail(QStringLiteral("a connector has an empty \"class\""));
    auto connector = MakeRefCnt<DataConnector>(className, StringMember(entry, "caption", false),
                                               BoolMember(entry, "supports-initial-sql"));
    loaded.insert_or_assign(std::move(className), std::move(connector));
  }
  for (auto& entry : loaded) m_connectors.insert_or_assign(entry.first, std::move(entry.second));
}

}  // namespace Connect
