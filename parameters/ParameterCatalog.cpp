#include "parameters/ParameterCatalog.h"

#include <unordered_map>

const ParameterDescriptor* FindCatalogEntry(unsigned int id) {
  static const std::unordered_map<unsigned int, const ParameterDescriptor*> byId = [] {
    std::unordered_map<unsigned int, const ParameterDescriptor*> entries;
    for (const ParameterDescriptor& entry : DataNamespaceCatalog()) entries.emplace(entry.id, &entry);
    for (const ParameterDescriptor& entry : PresModelNamespaceCatalog()) entries.emplace(entry.id, &entry);
    return entries;
  }();
  const auto found = byId.find(id);
  return found == byId.end() ? nullptr : found->second;
}
