#include "host/connectors/DescriptionRegistry.h"

#include "host/app/Log.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <set>
#include <tuple>
#include <utility>

namespace Connect {

namespace {

// The "*.json" files of `folder`, by name. Null when the folder cannot be listed.
std::optional<std::vector<TString>> DescriptionFiles(const TString& folder) {
  const QDir dir(folder);
  if (!dir.exists() || !dir.isReadable()) return std::nullopt;
  std::vector<TString> paths;
  for (const QFileInfo& entry :
       dir.entryInfoList({QStringLiteral("*.json")}, QDir::Files | QDir::Readable | QDir::Hidden, QDir::Name))
    paths.push_back(entry.filePath());
  return paths;
}

void LogEach(const std::vector<DescriptionFileException>& faults) {
  for (const DescriptionFileException& fault : faults) LogMessage(TLog::Warn, fault.GetMessage());
}

}  // namespace

DescriptionRegistry::DescriptionRegistry() = default;
DescriptionRegistry::~DescriptionRegistry() = default;

std::shared_ptr<DescriptionRegistry> DescriptionRegistry::MakeDefault() {
  auto registry = std::make_shared<DescriptionRegistry>();
  registry->LoadBuiltins();
  const QString path = qEnvironmentVariable("HLV_CONNECTORS_PATH");
  for (const QString& folder : path.split(QLatin1Char(':'), Qt::SkipEmptyParts)) registry->LoadFolder(folder);
  return registry;
}

void DescriptionRegistry::LoadBuiltins() {
  const std::optional<std::vector<TString>> paths = DescriptionFiles(QLatin1String(kBuiltinConnectorsResource));
  // The built-ins are part of the host itself: without them the build is broken.
  HLV_ASSERT(paths.has_value());
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const TString& path : *paths) {
    const TString connectionClass = QFileInfo(path).completeBaseName();
    m_descriptions.erase(connectionClass);  // replaced, as by any later description
    m_unread.insert_or_assign(connectionClass, path);
  }
}

void DescriptionRegistry::ReadBuiltin(const TString& connectionClass) const {
  const auto unread = m_unread.find(connectionClass);
  if (unread == m_unread.end()) return;
  const TString path = unread->second;
  m_unread.erase(unread);
  RefCntPtr<const ConnectorDescription> description;
  try {
    description = LoadConnectorDescription(path);
  } catch (const DescriptionFileException& fault) {
    return LogEach({fault});
  }
  if (description->GetClassName() != connectionClass)
    return LogEach({DescriptionFileException(DescriptionFileKind::ConnectorDescription, path, QStringLiteral("/class"),
                                             QStringLiteral("is not the class the built-in file is named after"))});
  m_descriptions.emplace(connectionClass, std::move(description));
}

void DescriptionRegistry::ReadBuiltins() const {
  while (!m_unread.empty()) {
    const TString next = m_unread.begin()->first;  // a copy: reading it drops the entry
    ReadBuiltin(next);
  }
}

std::vector<DescriptionFileException> DescriptionRegistry::LoadFolder(const TString& folder) {
  std::vector<DescriptionFileException> faults;
  if (const std::optional<std::vector<TString>> paths = DescriptionFiles(folder))
    faults = LoadFiles(*paths);
  else
    faults.emplace_back(DescriptionFileKind::ConnectorDescription, folder, TString(), QStringLiteral("is not a folder that can be read"));
  LogEach(faults);
  return faults;
}

std::vector<DescriptionFileException> DescriptionRegistry::LoadFiles(const std::vector<TString>& paths) {
  std::vector<DescriptionFileException> faults;
  for (const TString& path : paths) {
    try {
      Add(LoadConnectorDescription(path));
    } catch (const DescriptionFileException& fault) {
      // One faulty description must not keep the others out.
      faults.push_back(fault);
    }
  }
  return faults;
}

void DescriptionRegistry::Add(RefCntPtr<const ConnectorDescription> description) {
  HLV_ASSERT(description);
  std::lock_guard<std::mutex> lock(m_mutex);
  const TString className = description->GetClassName();
  m_unread.erase(className);
  m_descriptions.insert_or_assign(className, std::move(description));
}

RefCntPtr<const ConnectorDescription> DescriptionRegistry::Find(const TString& connectionClass) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  ReadBuiltin(connectionClass);
  const auto found = m_descriptions.find(connectionClass);
  return found == m_descriptions.end() ? nullptr : found->second;
}

template <typename Answer>
bool DescriptionRegistry::Ask(const TString& connectionClass, Answer answer) const {
  const RefCntPtr<const ConnectorDescription> description = Find(connectionClass);
  return description && answer(description->Facts());
}

RefCntPtr<const IConnector> DescriptionRegistry::LookupConnector(const TString& connectionClass) const {
  return Find(connectionClass);
}

RefCntPtr<const IConnector> DescriptionRegistry::CreateConnector(const TString& connectionClass, int) const {
  return Find(connectionClass);
}

RefCntPtr<const IConnectorPlugin> DescriptionRegistry::GetConnectorPlugin(const TString& connectionClass) const {
  const RefCntPtr<const ConnectorDescription> description = Find(connectionClass);
  return description ? description->Plugin() : nullptr;
}

std::vector<TString> DescriptionRegistry::GetRegisteredClasses() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  ReadBuiltins();
  std::vector<TString> classes;
  classes.reserve(m_descriptions.size());
  for (const auto& entry : m_descriptions) classes.push_back(entry.first);
  return classes;
}

std::vector<TString> DescriptionRegistry::GetConnectionClasses(ConnectionClassKind kind) const {
  const ConnectionClassType wanted =
      kind == ConnectionClassKind::kFile ? ConnectionClassType::kFile : ConnectionClassType::kServer;
  std::vector<RefCntPtr<const ConnectorDescription>> listed;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    ReadBuiltins();
    for (const auto& entry : m_descriptions)
      if (entry.second->Facts().type == wanted) listed.push_back(entry.second);
  }
  // A class without a gallery order comes after every class with one.
  const auto key = [](const RefCntPtr<const ConnectorDescription>& description) {
    const ConnectorFacts& facts = description->Facts();
    return std::make_tuple(!facts.galleryOrder.has_value(), facts.galleryOrder.value_or(0.0), description->GetCaption(),
                           facts.className);
  };
  std::sort(listed.begin(), listed.end(), [&key](const auto& a, const auto& b) { return key(a) < key(b); });
  std::vector<TString> classes;
  classes.reserve(listed.size());
  for (const auto& description : listed) classes.push_back(description->GetClassName());
  return classes;
}

TString DescriptionRegistry::GetClassCaption(const TString& connectionClass, const TString& locale) const {
  const RefCntPtr<const ConnectorDescription> description = Find(connectionClass);
  return description ? description->Caption(locale) : connectionClass;
}

TString DescriptionRegistry::GetAuthenticationValue(const TString& connectionClass,
                                                    AuthenticationEnums::AuthOption option) const {
  const RefCntPtr<const ConnectorDescription> description = Find(connectionClass);
  return description ? description->AuthenticationValue(option) : TString();
}

AuthenticationEnums::AuthOption DescriptionRegistry::GetAuthOption(const TString& connectionClass,
                                                                   const TString& value) const {
  const RefCntPtr<const ConnectorDescription> description = Find(connectionClass);
  return description ? description->AuthOptionOf(value) : AuthenticationEnums::AuthOption::AuthOptionInvalid;
}

bool DescriptionRegistry::IsConnectionTypeVisible(const TString& c) const {
  return Ask(c, [](const ConnectorFacts& facts) { return facts.visible; });
}
bool DescriptionRegistry::IsUsableWhenRestricted(const TString& c) const {
  return Ask(c, [](const ConnectorFacts& facts) { return facts.usableWhenRestricted; });
}
bool DescriptionRegistry::IsCloudFileClass(const TString& c) const {
  return Ask(c, [](const ConnectorFacts& facts) { return facts.cloudFile.has_value(); });
}
bool DescriptionRegistry::ExcludesGenericAuth(const TString& c) const {
  return Ask(c, [](const ConnectorFacts& facts) { return facts.oauth && facts.oauth->excludesGenericAuth; });
}
bool DescriptionRegistry::IsLegacyOAuthClass(const TString& c) const {
  return Ask(c, [](const ConnectorFacts& facts) { return facts.legacyOAuth; });
}
bool DescriptionRegistry::IsWebDataConnectorClass(const TString& c) const {
  return Ask(c, [](const ConnectorFacts& facts) { return facts.webDataConnector.has_value(); });
}
bool DescriptionRegistry::IsServerConnectionClass(const TString& c) const {
  return Ask(c, [](const ConnectorFacts& facts) { return facts.serverConnection; });
}
bool DescriptionRegistry::CanRecommendTablesFor(const TString& c) const {
  return Ask(c, [](const ConnectorFacts& facts) { return facts.recommendsTables; });
}
bool DescriptionRegistry::CanRecommendDataSourcesFor(const TString& c) const {
  return Ask(c, [](const ConnectorFacts& facts) { return facts.recommendsDataSources; });
}
bool DescriptionRegistry::MayNeedAuth(const TString& c) const {
  return Ask(c, [](const ConnectorFacts& facts) { return facts.authentication.mayNeedAuth; });
}
bool DescriptionRegistry::UsesInMemoryCredentials(const TString& c) const {
  return Ask(c, [](const ConnectorFacts& facts) { return facts.authentication.inMemoryCredentials; });
}

bool DescriptionRegistry::IsSemiStructuredClass(const TString& connectionClass) const {
  // Base classes may be missing or (through replaced descriptions) form a cycle: each class is
  // looked at once.
  std::set<TString> seen;
  TString current = connectionClass;
  while (!current.isEmpty() && seen.insert(current).second) {
    const RefCntPtr<const ConnectorDescription> description = Find(current);
    if (!description) return false;
    if (description->Facts().semiStructured) return true;
    current = description->Facts().derivedFrom;
  }
  return false;
}

RefCntPtr<const ConnectorDescription> DescriptionOf(const TString& connectionClass) {
  return DynamicPointerCast<const ConnectorDescription>(Registry::Instance().LookupConnector(connectionClass));
}

}  // namespace Connect
