// The parameter catalogue: every parameter of the two namespaces, as data.
//
// The tables are generated from schema/parameters.def. Registration walks them, and tools read
// them for what the registry does not keep, such as the value type a parameter carries.
#pragma once

#include "host/parameters/ParameterSerializers.h"
#include "host/parameters/ParametersRegistry.h"
#include "parameters/PresLayerExport.h"

#include <cstddef>

/// How registration creates the serializer of one value type: exactly one of the two is set,
/// or neither for a parameter registered without a serializer.
struct ParameterFactory {
  RefCntPtr<IParameterSerializer> (*createValueSerializer)() = nullptr;
  RefCntPtr<IStructureSerializer> (*createStructureSerializer)() = nullptr;
};

/// One parameter, as registration adds it.
struct ParameterDescriptor {
  unsigned int id;
  const wchar_t* name;
  ParameterKind kind;
  /// The value type as the catalogue names it ("bool", "AuthenticationEnums::Mode", ...), or
  /// null for a parameter without one.
  const char* valueType;
  /// The registration group: within a group, one serializer serves every parameter of a type.
  int group;
  ParameterFactory factory;
};

/// One flag, in the order in which registration sets it.
struct FlagDescriptor {
  ParameterFlag flag;
  unsigned int id;
};

/// A read-only view of a generated table.
template <typename T>
class CatalogTable {
 public:
  /// An empty table.
  constexpr CatalogTable() noexcept : m_begin(nullptr), m_end(nullptr) {}
  template <size_t N>
  constexpr CatalogTable(const T (&entries)[N]) noexcept : m_begin(entries), m_end(entries + N) {}  // NOLINT

  constexpr const T* begin() const noexcept { return m_begin; }
  constexpr const T* end() const noexcept { return m_end; }
  constexpr size_t size() const noexcept { return static_cast<size_t>(m_end - m_begin); }

 private:
  const T* m_begin;
  const T* m_end;
};

/// "hlvdata" and "hlvdata-presmodels".
HLVPRES_API extern const wchar_t* const kDataNamespaceName;
HLVPRES_API extern const wchar_t* const kPresModelNamespaceName;

/// The data namespace's parameters, in registration order.
HLVPRES_API CatalogTable<ParameterDescriptor> DataNamespaceCatalog();
/// The data namespace's flags, in the order in which they are set.
HLVPRES_API CatalogTable<FlagDescriptor> DataNamespaceFlags();
/// The pres-model namespace's parameters, in registration order.
HLVPRES_API CatalogTable<ParameterDescriptor> PresModelNamespaceCatalog();

/// The catalogue entry of `id` in either namespace, or null.
HLVPRES_API const ParameterDescriptor* FindCatalogEntry(unsigned int id);
