#include "host/parameters/ParameterBag.h"

#include "host/Exceptions.h"
#include "host/parameters/ParameterSerializers.h"

IParameter::~IParameter() = default;
IParameters::~IParameters() = default;
IParameterSerializer::~IParameterSerializer() = default;
IStructureSerializer::~IStructureSerializer() = default;

IParameter* IParameters::GetOnlyParameter(unsigned int& id) const {
  IParameter* only = nullptr;
  int count = 0;
  ForEachParameter([&](unsigned int each, IParameter& value) {
    if (count++ == 0) {
      id = each;
      only = &value;
    }
  });
  return count == 1 ? only : nullptr;
}

ParameterBag::~ParameterBag() = default;

void ParameterBag::SetParameter(unsigned int id, RefCntPtr<IParameter> value) {
  HLV_ASSERT(value != nullptr);
  for (auto& entry : m_entries) {
    if (entry.first == id) {
      entry.second = std::move(value);
      return;
    }
  }
  m_entries.emplace_back(id, std::move(value));
}

IParameter* ParameterBag::GetParameter(unsigned int id) const {
  for (const auto& entry : m_entries)
    if (entry.first == id) return entry.second.Get();
  return nullptr;
}

bool ParameterBag::HasParameter(unsigned int id) const { return GetParameter(id) != nullptr; }

std::vector<unsigned int> ParameterBag::GetParameterIds() const {
  std::vector<unsigned int> ids;
  ids.reserve(m_entries.size());
  for (const auto& entry : m_entries) ids.push_back(entry.first);
  return ids;
}

void ParameterBag::ForEachParameter(const std::function<void(unsigned int, IParameter&)>& visit) const {
  for (const auto& entry : m_entries) visit(entry.first, *entry.second);
}

IParameter* ParameterBag::GetOnlyParameter(unsigned int& id) const {
  if (m_entries.size() != 1) return nullptr;
  id = m_entries.front().first;
  return m_entries.front().second.Get();
}
