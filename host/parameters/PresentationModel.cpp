#include "host/parameters/PresentationModel.h"

#include "host/parameters/ParametersRegistry.h"
#include "host/parameters/SerializeStructure.h"

PresentationModel::PresentationModel() = default;
PresentationModel::~PresentationModel() = default;

void PresentationModel::SetSerializedJson(std::string json) const {
  m_cacheOffset = 0;
  m_cacheSize = json.size();
  m_cacheBlock = json.empty() ? nullptr : std::make_shared<const CacheBlock>(CacheBlock{std::move(json)});
}

std::string_view PresentationModel::GetPendingCachedJson() const noexcept {
  return std::string_view(m_cacheBlock->pendingIn->GetWrittenJson().data() + m_cacheOffset, m_cacheSize);
}

std::string_view PresentationModel::GetCachedBagJson(const IParameter& holder, unsigned int id,
                                                     const ParametersRegistry& registry) const noexcept {
  const CacheBlock* block = m_cacheBlock.get();
  if (block == nullptr || block->bagRecord != this || block->pendingIn != nullptr || block->dropped ||
      block->bagGeneration != registry.GetGeneration() || block->bagId != id ||
      holder.GetRecordAs(*block->bagValueType) != this)
    return {};
  return block->text;
}
