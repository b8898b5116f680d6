// Where columns come from: namespaces of data sources, and the host objects that find the
// namespace of a parameter bag.
#pragma once

#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/parameters/IParameters.h"
#include "host/values/DataColumn.h"
#include "host/values/SimpleValues.h"

#include <functional>
#include <map>
#include <memory>

/// A data source as a namespace sees it: a column for each of its fields.
class HLVHOST_API IColumnSource {
 public:
  /// The column of `field`, with a reference of its own; null when the source has no such
  /// field.
  virtual RefCntPtr<IColumn> GetColumn(const FieldName& field) const = 0;

 protected:
  ~IColumnSource();
};

/// The data sources a document knows, by name.
class HLVHOST_API INamespace {
 public:
  /// The data source called `name`, or null when there is none. It lives as long as the
  /// namespace.
  virtual const IColumnSource* GetDataSource(const TString& name) const = 0;

 protected:
  ~INamespace();
};

/// A data source held in memory.
class HLVHOST_API MemoryDataSource final : public IColumnSource {
 public:
  /// Sets the column of `field`, replacing the one it had.
  void SetColumn(const FieldName& field, RefCntPtr<IColumn> column);
  RefCntPtr<IColumn> GetColumn(const FieldName& field) const override;

 private:
  std::map<FieldName, RefCntPtr<IColumn>> m_columns;
};

/// A namespace held in memory.
class HLVHOST_API MemoryNamespace final : public INamespace {
 public:
  /// The data source called `name`, added empty when the namespace has none.
  MemoryDataSource& AddDataSource(const TString& name);
  const IColumnSource* GetDataSource(const TString& name) const override;

 private:
  std::map<TString, MemoryDataSource> m_sources;
};

/// The base of the host objects that ObjectFactoryUtils creates by name.
class HLVHOST_API IHostObject {
 public:
  virtual ~IHostObject();
};

/// The host object of kind "HlvDoc", id "ParameterAccessorID": it knows the document that a
/// parameter bag belongs to, and so the namespace of the bag's data sources.
class HLVHOST_API IParameterAccessor : public IHostObject {
 public:
  /// The namespace of `bag`. It lives at least as long as this object.
  virtual const INamespace& GetNamespace(RefCntPtr<const IParameters> bag) const = 0;
};

/// Host objects created by (kind, id), so that a library can use objects that the application
/// provides without linking to them. The application registers a creator per (kind, id) at
/// start-up; registering and creating may run on several threads.
namespace ObjectFactoryUtils {

using Creator = std::function<std::unique_ptr<IHostObject>()>;

/// Registers `creator` for (`kind`, `id`), replacing the one registered before.
HLVHOST_API void RegisterCreator(const char* kind, const char* id, Creator creator);
/// Removes the creator of (`kind`, `id`), if there is one.
HLVHOST_API void UnregisterCreator(const char* kind, const char* id);

/// A new object of (`kind`, `id`), owned by the caller. No creator for them, or a creator that
/// makes nothing, is a logic error.
HLVHOST_API std::unique_ptr<IHostObject> CreateObject(const char* kind, const char* id);

}  // namespace ObjectFactoryUtils
