#include "host/parameters/ParametersRegistry.h"

#include "host/Exceptions.h"
#include "host/parameters/JsonText.h"
#include "host/parameters/ParameterBag.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <utility>

namespace {

QString Hex(unsigned int id) { return QStringLiteral("0x%1").arg(id, 8, 16, QLatin1Char('0')); }

std::string MakeJsonName(const TString& name) {
  std::string json;
  AppendJsonString(json, name);
  json.push_back(':');
  return json;
}

}  // namespace

ParameterInfo::ParameterInfo(unsigned int id, const wchar_t* name, ParameterKind kind,
                             const ParameterNamespaceName& ns, RefCntPtr<IParameterSerializer> valueSerializer,
                             RefCntPtr<IStructureSerializer> structureSerializer)
    : m_id(id),
      m_kind(kind),
      m_replayedValueType(kind == ParameterKind::kStructure && structureSerializer
                              ? structureSerializer->GetReplayedValueType()
                              : nullptr),
      m_valueSerializer(std::move(valueSerializer)),
      m_structureSerializer(std::move(structureSerializer)),
      m_jsonName(MakeJsonName(TStringFromWide(name))),
      m_wideName(name),
      m_name(TStringFromWide(name)),
      m_utf8Name(ToUtf8(m_name)),
      m_namespace(ns) {}

AbstractParamAdder::~AbstractParamAdder() = default;

struct ParametersRegistry::Namespace {
  ParameterNamespaceName name;
  unsigned int low;
  unsigned int high;
  std::vector<std::unique_ptr<ParameterInfo>> parameters;  // registration order
  std::unordered_map<TString, const ParameterInfo*> byName;
};

class ParametersRegistry::NamespaceAdder final : public AbstractParamAdder {
 public:
  NamespaceAdder(ParametersRegistry& registry, Namespace& ns) : m_registry(registry), m_ns(ns) {}

  void AddSimple(unsigned int id, const wchar_t* name, IParameterSerializer* serializer) override {
    m_registry.Add(m_ns, id, name, ParameterKind::kSimple, serializer, nullptr);
  }
  void AddList(unsigned int id, const wchar_t* name, IParameterSerializer* serializer) override {
    m_registry.Add(m_ns, id, name, ParameterKind::kList, serializer, nullptr);
  }
  void AddMap(unsigned int id, const wchar_t* name, IParameterSerializer* serializer) override {
    m_registry.Add(m_ns, id, name, ParameterKind::kMap, serializer, nullptr);
  }
  void AddStructure(unsigned int id, const wchar_t* name, IStructureSerializer* serializer) override {
    m_registry.Add(m_ns, id, name, ParameterKind::kStructure, nullptr, serializer);
  }
  void AddStructureList(unsigned int id, const wchar_t* name, IStructureSerializer* serializer) override {
    m_registry.Add(m_ns, id, name, ParameterKind::kStructureList, nullptr, serializer);
  }

 private:
  ParametersRegistry& m_registry;
  Namespace& m_ns;
};

namespace {

// Generations are drawn from one counter, so that no two registries, nor two states of one,
// share a number.
std::uint64_t NextGeneration() noexcept {
  static std::atomic<std::uint64_t> last{0};
  return ++last;
}

}  // namespace

ParametersRegistry::ParametersRegistry() : m_generation(NextGeneration()) {}
ParametersRegistry::~ParametersRegistry() = default;

ParametersRegistry& ParametersRegistry::Get() {
  static ParametersRegistry registry;
  return registry;
}

void ParametersRegistry::RegisterNamespace(const ParameterNamespaceName& ns, unsigned int low, unsigned int high) {
  if (ns.GetValue().isEmpty()) HLV_THROW_LOGIC(QStringLiteral("A parameter namespace needs a name"));
  if (low > high) HLV_THROW_LOGIC(QStringLiteral("Namespace \"%1\" has an empty id range").arg(ns.GetValue()));
  for (const auto& existing : m_namespaces) {
    if (existing->name == ns)
      HLV_THROW_LOGIC(QStringLiteral("Namespace \"%1\" is already registered").arg(ns.GetValue()));
    if (low <= existing->high && existing->low <= high)
      HLV_THROW_LOGIC(QStringLiteral("The ids of namespace \"%1\" overlap those of \"%2\"")
                          .arg(ns.GetValue(), existing->name.GetValue()));
  }
  m_namespaces.push_back(std::make_unique<Namespace>(Namespace{ns, low, high, {}, {}}));
}

ParametersRegistry::Namespace& ParametersRegistry::FindNamespace(const ParameterNamespaceName& ns) const {
  for (const auto& existing : m_namespaces)
    if (existing->name == ns) return *existing;
  HLV_THROW_LOGIC(QStringLiteral("Namespace \"%1\" is not registered").arg(ns.GetValue()));
}

void ParametersRegistry::AddParametersToNamespace(const ParameterNamespaceName& ns,
                                                  const std::function<void(AbstractParamAdder&)>& addParameters) {
  NamespaceAdder adder(*this, FindNamespace(ns));
  addParameters(adder);
}

void ParametersRegistry::Add(Namespace& ns, unsigned int id, const wchar_t* name, ParameterKind kind,
                             IParameterSerializer* valueSerializer, IStructureSerializer* structureSerializer) {
  if (name == nullptr || *name == L'\0') HLV_THROW_LOGIC(QStringLiteral("Parameter %1 has no name").arg(Hex(id)));
  auto info = std::make_unique<ParameterInfo>(id, name, kind, ns.name, RefCntPtr<IParameterSerializer>(valueSerializer),
                                              RefCntPtr<IStructureSerializer>(structureSerializer));
  if (id < ns.low || id > ns.high)
    HLV_THROW_LOGIC(QStringLiteral("Parameter \"%1\" %2 lies outside the ids of namespace \"%3\"")
                        .arg(info->GetName(), Hex(id), ns.name.GetValue()));
  if (FindParameter(id) != nullptr) HLV_THROW_LOGIC(QStringLiteral("Parameter id %1 is registered twice").arg(Hex(id)));
  if (ns.byName.count(info->GetName()) != 0)
    HLV_THROW_LOGIC(QStringLiteral("Parameter name \"%1\" is registered twice in \"%2\"")
                        .arg(info->GetName(), ns.name.GetValue()));

  ParameterInfo* added = info.get();
  ns.parameters.push_back(std::move(info));
  Index(added);
  ns.byName.emplace(added->GetName(), added);
  m_byUtf8Name.emplace(added->GetUtf8Name(), added);  // keeps the first namespace's parameter
}

std::size_t ParametersRegistry::SlotOf(unsigned int id) const noexcept {
  const std::size_t mask = m_byId.size() - 1;
  std::size_t slot = static_cast<std::size_t>((static_cast<std::uint64_t>(id) * 0x9E3779B97F4A7C15ull) >> 32) & mask;
  while (m_byId[slot].info != nullptr && m_byId[slot].id != id) slot = (slot + 1) & mask;
  return slot;
}

void ParametersRegistry::Index(ParameterInfo* info) {
  if (2 * (m_count + 1) > m_byId.size()) {
    std::vector<IdSlot> old(std::max<std::size_t>(64, 2 * m_byId.size()));
    old.swap(m_byId);
    for (const IdSlot& entry : old)
      if (entry.info != nullptr) m_byId[SlotOf(entry.id)] = entry;
  }
  m_byId[SlotOf(info->GetId())] = IdSlot{info->GetId(), info};
  ++m_count;
}

ParameterInfo& ParametersRegistry::FlagTarget(unsigned int id, const char* flagName) {
  ParameterInfo* info = m_byId.empty() ? nullptr : m_byId[SlotOf(id)].info;
  if (info == nullptr)
    HLV_THROW_LOGIC(QStringLiteral("Cannot flag %1: parameter %2 is not registered").arg(QLatin1String(flagName), Hex(id)));
  m_generation = NextGeneration();
  return *info;
}

void ParametersRegistry::AddUnserializable(unsigned int id) {
  FlagTarget(id, "unserializable").m_flags |= kParameterUnserializable;
}

void ParametersRegistry::AddSecuritySensitive(unsigned int id) {
  ParameterInfo& info = FlagTarget(id, "security-sensitive");
  info.m_flags |= kParameterSecuritySensitive;
}

void ParametersRegistry::AddNeverAdulterateMapKeys(unsigned int id) {
  ParameterInfo& info = FlagTarget(id, "never-adulterate-map-keys");
  if (info.GetKind() != ParameterKind::kMap)
    HLV_THROW_LOGIC(QStringLiteral("Parameter \"%1\" is not a map, so its keys cannot be flagged").arg(info.GetName()));
  info.m_flags |= kParameterNeverAdulterateMapKeys;
}

RefCntPtr<IParameters> ParametersRegistry::CreateParameters() const { return MakeRefCnt<ParameterBag>(); }

const ParameterInfo* ParametersRegistry::FindParameter(unsigned int id) const {
  return m_byId.empty() ? nullptr : m_byId[SlotOf(id)].info;
}

const ParameterInfo* ParametersRegistry::FindParameter(const ParameterNamespaceName& ns, const TString& name) const {
  for (const auto& existing : m_namespaces) {
    if (existing->name != ns) continue;
    auto found = existing->byName.find(name);
    return found == existing->byName.end() ? nullptr : found->second;
  }
  return nullptr;
}

const ParameterInfo* ParametersRegistry::FindParameterByUtf8Name(std::string_view utf8Name) const {
  auto found = m_byUtf8Name.find(utf8Name);
  return found == m_byUtf8Name.end() ? nullptr : found->second;
}

LegacyParameterName ParametersRegistry::FindParameterName(unsigned int id) const {
  const ParameterInfo* info = FindParameter(id);
  return info ? LegacyParameterName(info->GetName()) : LegacyParameterName();
}

unsigned int ParametersRegistry::FindParameterId(const ParameterNamespaceName& ns,
                                                 const LegacyParameterName& name) const {
  const ParameterInfo* info = FindParameter(ns, name.GetValue());
  return info ? info->GetId() : 0;
}

std::vector<ParameterNamespaceName> ParametersRegistry::GetNamespaces() const {
  std::vector<ParameterNamespaceName> names;
  names.reserve(m_namespaces.size());
  for (const auto& ns : m_namespaces) names.push_back(ns->name);
  return names;
}

std::vector<const ParameterInfo*> ParametersRegistry::GetParameters(const ParameterNamespaceName& ns) const {
  std::vector<const ParameterInfo*> parameters;
  for (const auto& existing : m_namespaces) {
    if (existing->name != ns) continue;
    parameters.reserve(existing->parameters.size());
    for (const auto& info : existing->parameters) parameters.push_back(info.get());
  }
  return parameters;
}
