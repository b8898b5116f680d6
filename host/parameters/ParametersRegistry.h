// ParametersRegistry: the process-wide catalogue of named, typed parameters.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/parameters/ParameterNames.h"
#include "host/parameters/ParameterSerializers.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

/// The five shapes a parameter's value can take.
enum class ParameterKind {
  kSimple,         ///< one value, through an IParameterSerializer
  kList,           ///< a std::vector of values, through the element's IParameterSerializer
  kMap,            ///< a std::map from TString keys to values, through the value's serializer
  kStructure,      ///< one record, through an IStructureSerializer
  kStructureList,  ///< a std::vector of records, through the record's IStructureSerializer
};

/// Flags the registry keeps per parameter.
enum ParameterFlag : unsigned int {
  kParameterUnserializable = 1u << 0,          ///< never written or read as text
  kParameterSecuritySensitive = 1u << 1,       ///< holds secrets; keep it out of logs
  kParameterNeverAdulterateMapKeys = 1u << 2,  ///< a map whose keys are written exactly as held
};

/// What the registry knows of one parameter.
class HLVHOST_API ParameterInfo {
 public:
  ParameterInfo(unsigned int id, const wchar_t* name, ParameterKind kind, const ParameterNamespaceName& ns,
                RefCntPtr<IParameterSerializer> valueSerializer,
                RefCntPtr<IStructureSerializer> structureSerializer);

  unsigned int GetId() const noexcept { return m_id; }
  const TString& GetName() const noexcept { return m_name; }
  /// The name as registered; it lives as long as the process.
  const wchar_t* GetWideName() const noexcept { return m_wideName; }
  const std::string& GetUtf8Name() const noexcept { return m_utf8Name; }
  /// The name as a member of the JSON text form, escaped and followed by its colon:
  /// `"name":`. Made once here, so that writers only copy it.
  const std::string& GetJsonName() const noexcept { return m_jsonName; }
  ParameterKind GetKind() const noexcept { return m_kind; }
  const ParameterNamespaceName& GetNamespace() const noexcept { return m_namespace; }

  /// The value serializer of simple, list and map parameters; null for the others, and for a
  /// parameter registered without one.
  IParameterSerializer* GetValueSerializer() const noexcept { return m_valueSerializer.Get(); }
  /// The structure serializer of structure and structure-list parameters; null otherwise.
  IStructureSerializer* GetStructureSerializer() const noexcept { return m_structureSerializer.Get(); }

  /// For a structure parameter whose serializer replays records' cached texts, the type of the
  /// values it replays (IStructureSerializer::GetReplayedValueType); null otherwise.
  const std::type_info* GetReplayedValueType() const noexcept { return m_replayedValueType; }

  unsigned int GetFlags() const noexcept { return m_flags; }
  bool HasFlag(ParameterFlag flag) const noexcept { return (m_flags & flag) != 0; }

 private:
  friend class ParametersRegistry;

  // What a write reads comes first, near the start of the object.
  unsigned int m_id;
  ParameterKind m_kind;
  unsigned int m_flags = 0;
  const std::type_info* m_replayedValueType = nullptr;
  RefCntPtr<IParameterSerializer> m_valueSerializer;
  RefCntPtr<IStructureSerializer> m_structureSerializer;
  std::string m_jsonName;
  const wchar_t* m_wideName;
  TString m_name;
  std::string m_utf8Name;
  ParameterNamespaceName m_namespace;
};

/// The interface through which a namespace's parameters are added. The adder takes its own
/// reference to every serializer it is given, so the caller may release its reference at once.
class HLVHOST_API AbstractParamAdder {
 public:
  virtual void AddSimple(unsigned int id, const wchar_t* name, IParameterSerializer* serializer) = 0;
  virtual void AddList(unsigned int id, const wchar_t* name, IParameterSerializer* serializer) = 0;
  virtual void AddMap(unsigned int id, const wchar_t* name, IParameterSerializer* serializer) = 0;
  virtual void AddStructure(unsigned int id, const wchar_t* name, IStructureSerializer* serializer) = 0;
  virtual void AddStructureList(unsigned int id, const wchar_t* name, IStructureSerializer* serializer) = 0;

 protected:
  ~AbstractParamAdder();
};

/// Namespaces of parameters, each owning a range of ids, with a name, a kind and a serializer
/// per parameter.
///
/// Registration is meant for start-up: it is not synchronized. Once it is done, every lookup
/// may run on several threads at once. Registering a namespace twice, ids outside a
/// namespace's range and names or ids used twice are logic errors.
class HLVHOST_API ParametersRegistry {
 public:
  ParametersRegistry();
  ~ParametersRegistry();
  ParametersRegistry(const ParametersRegistry&) = delete;
  ParametersRegistry& operator=(const ParametersRegistry&) = delete;

  /// The process-wide registry.
  static ParametersRegistry& Get();

  /// Adds the namespace `ns`, owning the ids `low` to `high` inclusive.
  void RegisterNamespace(const ParameterNamespaceName& ns, unsigned int low, unsigned int high);

  /// Calls `addParameters` with an adder that adds to the namespace `ns`.
  void AddParametersToNamespace(const ParameterNamespaceName& ns,
                                const std::function<void(AbstractParamAdder&)>& addParameters);

  void AddUnserializable(unsigned int id);
  /// Flags `id` as holding secrets. Its serializer stays the one it was registered with; the
  /// readers of the text form (ReadParametersJson) report a text it cannot read by the
  /// parameter's name only, never quoting the text.
  void AddSecuritySensitive(unsigned int id);
  void AddNeverAdulterateMapKeys(unsigned int id);

  /// A new, empty parameter bag.
  RefCntPtr<IParameters> CreateParameters() const;

  /// The parameter `id`, or null when no namespace has it.
  const ParameterInfo* FindParameter(unsigned int id) const;
  /// The parameter called `name` in `ns`, or null.
  const ParameterInfo* FindParameter(const ParameterNamespaceName& ns, const TString& name) const;
  /// The parameter called `utf8Name` in the first namespace that has one, or null.
  const ParameterInfo* FindParameterByUtf8Name(std::string_view utf8Name) const;

  /// The name of parameter `id`; empty when no namespace has it.
  LegacyParameterName FindParameterName(unsigned int id) const;
  /// The id of the parameter called `name` in `ns`; 0 when there is none.
  unsigned int FindParameterId(const ParameterNamespaceName& ns, const LegacyParameterName& name) const;

  /// The namespaces, in registration order.
  std::vector<ParameterNamespaceName> GetNamespaces() const;
  /// The parameters of `ns`, in registration order.
  std::vector<const ParameterInfo*> GetParameters(const ParameterNamespaceName& ns) const;

  /// A number that changes whenever a parameter is flagged, and that no other registry of the
  /// process has had: a text kept from an earlier write (a record's bag, names and all) still
  /// holds while the number it was written under does. Adding a parameter changes nothing
  /// already written.
  std::uint64_t GetGeneration() const noexcept { return m_generation; }

 private:
  class NamespaceAdder;
  struct Namespace;

  Namespace& FindNamespace(const ParameterNamespaceName& ns) const;
  void Add(Namespace& ns, unsigned int id, const wchar_t* name, ParameterKind kind,
           IParameterSerializer* valueSerializer, IStructureSerializer* structureSerializer);
  ParameterInfo& FlagTarget(unsigned int id, const char* flagName);
  // The slot of `id` in m_byId, or the empty slot where it would go. Ids spread over the whole
  // 32-bit range, so the slot comes from the high bits of a multiplicative hash.
  std::size_t SlotOf(unsigned int id) const noexcept;
  void Index(ParameterInfo* info);

  std::vector<std::unique_ptr<Namespace>> m_namespaces;
  // Every parameter by id, in an open-addressed table (linear probing, a power-of-two size,
  // at most half full): writers look a name up per member written, and this costs one or two
  // probes of a small array instead of a hash node chase. A slot holds its id, so that a probe
  // reads only the array.
  struct IdSlot {
    unsigned int id = 0;
    ParameterInfo* info = nullptr;
  };
  std::vector<IdSlot> m_byId;
  std::size_t m_count = 0;
  std::unordered_map<std::string_view, const ParameterInfo*> m_byUtf8Name;
  std::uint64_t m_generation;
};
