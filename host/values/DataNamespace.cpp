#include "host/values/DataNamespace.h"

#include "host/Exceptions.h"

#include <mutex>
#include <string>
#include <utility>

IColumnSource::~IColumnSource() = default;
INamespace::~INamespace() = default;
IHostObject::~IHostObject() = default;

void MemoryDataSource::SetColumn(const FieldName& field, RefCntPtr<IColumn> column) {
  m_columns[field] = std::move(column);
}

RefCntPtr<IColumn> MemoryDataSource::GetColumn(const FieldName& field) const {
  const auto found = m_columns.find(field);
  return found == m_columns.end() ? nullptr : found->second;
}

MemoryDataSource& MemoryNamespace::AddDataSource(const TString& name) { return m_sources[name]; }

const IColumnSource* MemoryNamespace::GetDataSource(const TString& name) const {
  const auto found = m_sources.find(name);
  return found == m_sources.end() ? nullptr : &found->second;
}

namespace {

using Key = std::pair<std::string, std::string>;

struct Creators {
  std::mutex mutex;
  std::map<Key, ObjectFactoryUtils::Creator> byKey;
};

Creators& GetCreators() {
  static Creators creators;
  return creators;
}

}  // namespace

namespace ObjectFactoryUtils {

void RegisterCreator(const char* kind, const char* id, Creator creator) {
  HLV_ASSERT(creator != nullptr);
  Creators& creators = GetCreators();
  std::lock_guard<std::mutex> lock(creators.mutex);
  creators.byKey[Key(kind, id)] = std::move(creator);
}

void UnregisterCreator(const char* kind, const char* id) {
  Creators& creators = GetCreators();
  std::lock_guard<std::mutex> lock(creators.mutex);
  creators.byKey.erase(Key(kind, id));
}

std::unique_ptr<IHostObject> CreateObject(const char* kind, const char* id) {
  Creator creator;
  {
    Creators& creators = GetCreators();
    std::lock_guard<std::mutex> lock(creators.mutex);
    const auto found = creators.byKey.find(Key(kind, id));
    if (found != creators.byKey.end()) creator = found->second;
  }
  // The creator runs unlocked: it may create other host objects.
  if (!creator)
    HLV_THROW_LOGIC(QStringLiteral("No host object \"%1\" of kind \"%2\" is registered")
                        .arg(QString::fromUtf8(id), QString::fromUtf8(kind)));
  std::unique_ptr<IHostObject> object = creator();
  if (!object)
    HLV_THROW_LOGIC(QStringLiteral("The creator of host object \"%1\" of kind \"%2\" made nothing")
                        .arg(QString::fromUtf8(id), QString::fromUtf8(kind)));
  return object;
}

}  // namespace ObjectFactoryUtils
