#include "host/parameters/PresentationModel.h"

#include "host/parameters/SerializeStructure.h"

PresentationModel::PresentationModel() = default;
PresentationModel::~PresentationModel() = default;

void PresentationModel::SetSerializedJson(std::string json) const {
  m_cachePendingIn = nullptr;
  m_cacheOffset = 0;
  m_cacheSize = json.size();
  m_cacheBlock = json.empty() ? nullptr : std::make_shared<const std::string>(std::move(json));
}

std::string_view PresentationModel::GetCachedJson() const noexcept {
  if (m_cacheSize == 0) return {};
  const char* text = m_cachePendingIn != nullptr ? m_cachePendingIn->GetWrittenJson().data() : m_cacheBlock->data();
  return std::string_view(text + m_cacheOffset, m_cacheSize);
}
