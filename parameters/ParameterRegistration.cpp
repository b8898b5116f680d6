#include "parameters/ParameterRegistration.h"

#include "parameters/ParameterCatalog.h"

#include <map>
#include <utility>

namespace {

// The serializers of one registration group: created on first use, one per value type, and
// released when the group ends (the registry keeps its own references).
class GroupSerializers {
 public:
  IParameterSerializer* Value(const ParameterFactory& factory) {
    RefCntPtr<IParameterSerializer>& serializer = m_values[factory.createValueSerializer];
    if (!serializer) serializer = factory.createValueSerializer();
    return serializer.Get();
  }
  IStructureSerializer* Structure(const ParameterFactory& factory) {
    RefCntPtr<IStructureSerializer>& serializer = m_structures[factory.createStructureSerializer];
    if (!serializer) serializer = factory.createStructureSerializer();
    return serializer.Get();
  }

 private:
  std::map<RefCntPtr<IParameterSerializer> (*)(), RefCntPtr<IParameterSerializer>> m_values;
  std::map<RefCntPtr<IStructureSerializer> (*)(), RefCntPtr<IStructureSerializer>> m_structures;
};

void AddParameters(AbstractParamAdder& adder, CatalogTable<ParameterDescriptor> catalog) {
  GroupSerializers serializers;
  int group = -1;
  for (const ParameterDescriptor& entry : catalog) {
    if (entry.group != group) {
      serializers = GroupSerializers();
      group = entry.group;
    }
    const ParameterFactory& factory = entry.factory;
    if (factory.createStructureSerializer != nullptr) {
      IStructureSerializer* serializer = serializers.Structure(factory);
      if (entry.kind == ParameterKind::kStructure)
        adder.AddStructure(entry.id, entry.name, serializer);
      else
        adder.AddStructureList(entry.id, entry.name, serializer);
      continue;
    }
    // The one parameter without a value type ("column-context") is added without a serializer.
    IParameterSerializer* serializer =
        factory.createValueSerializer != nullptr ? serializers.Value(factory) : nullptr;
    switch (entry.kind) {
      case ParameterKind::kList: adder.AddList(entry.id, entry.name, serializer); break;
      case ParameterKind::kMap: adder.AddMap(entry.id, entry.name, serializer); break;
      default: adder.AddSimple(entry.id, entry.name, serializer); break;
    }
  }
}

void SetFlags(ParametersRegistry& registry) {
  for (const FlagDescriptor& flag : DataNamespaceFlags()) {
    switch (flag.flag) {
      case kParameterUnserializable: registry.AddUnserializable(flag.id); break;
      case kParameterSecuritySensitive: registry.AddSecuritySensitive(flag.id); break;
      case kParameterNeverAdulterateMapKeys: registry.AddNeverAdulterateMapKeys(flag.id); break;
    }
  }
}

constexpr unsigned int kDataLow = 0xd9000001;
constexpr unsigned int kDataHigh = 0xd9ffffff;
constexpr unsigned int kPresModelLow = 0x02000000;
constexpr unsigned int kPresModelHigh = 0x02ffffff;

}  // namespace

const ParameterNamespaceName& GetDataNamespaceName() {
  static const ParameterNamespaceName name(kDataNamespaceName);
  return name;
}

const ParameterNamespaceName& GetDataPresModelParametersNamespaceName() {
  static const ParameterNamespaceName name(kPresModelNamespaceName);
  return name;
}

void RegisterDataNamespaceParameters(ParametersRegistry& registry, const ParameterNamespaceName& ns) {
  registry.RegisterNamespace(ns, kDataLow, kDataHigh);
  registry.AddParametersToNamespace(ns, [](AbstractParamAdder& adder) { AddParameters(adder, DataNamespaceCatalog()); });
  SetFlags(registry);
}

void RegisterDataNamespaceParameters(ParametersRegistry& registry) {
  RegisterDataNamespaceParameters(registry, GetDataNamespaceName());
}

void RegisterDataNamespaceParameters() { RegisterDataNamespaceParameters(ParametersRegistry::Get(), GetDataNamespaceName()); }

void RegisterDataPresModelParameters(ParametersRegistry& registry, const ParameterNamespaceName& ns) {
  registry.RegisterNamespace(ns, kPresModelLow, kPresModelHigh);
  registry.AddParametersToNamespace(
      ns, [](AbstractParamAdder& adder) { AddParameters(adder, PresModelNamespaceCatalog()); });
}

void RegisterDataPresModelParameters() {
  RegisterDataPresModelParameters(ParametersRegistry::Get(), GetDataPresModelParametersNamespaceName());
}

void RegisterPresModelParameters() { RegisterDataPresModelParameters(); }

const char* GetPresModelParametersNamespace() { return "hlvdata-presmodels"; }

std::uint32_t GetPresLayerCapabilities() { return 0; }
