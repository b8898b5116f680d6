// PresentationModel: the base of every pres model.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/parameters/IParameters.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>
#include <utility>

class ParametersRegistry;
class SerializeStructure;

/// A reference-counted record that a dialog shows and edits, written and read through the
/// parameter framework.
///
/// Each model carries a text cache: the text its first serialization wrote, which later
/// serializations write again instead of running the field writer. The cache is kept as the
/// UTF-8 bytes written, so that a replay is one append; GetSerializedVal converts it only for
/// whoever asks. The records written in one go share one block of text for their caches
/// (SerializeStructure::Visitor::EndCaptureInto), so a record nested in another costs neither
/// an allocation nor a copy of its own. The cache is written through a const model; a model
/// must therefore not be serialized from two threads at once.
class HLVHOST_API PresentationModel : public RefCntObject {
 public:
  /// A new bag holding this model under its own pres-model id.
  virtual RefCntPtr<IParameters> AsIParameters() const = 0;
  /// The model's id in the pres-model namespace.
  virtual unsigned int GetDefaultParamID() const = 0;

  /// The text of the first serialization; empty until then.
  TString GetSerializedVal() const { return TStringFromUtf8(GetCachedJson()); }
  /// Replaces the cache with the UTF-8 of `text` (through ToUtf8, as a replay of a TString
  /// cache always converted it).
  void SetSerializedVal(const TString& text) const { SetSerializedJson(ToUtf8(text)); }

  /// A copy of the cache as UTF-8 JSON text; empty until the first serialization.
  std::string GetSerializedJson() const { return std::string(GetCachedJson()); }
  /// Replaces the cache with `json`, kept in a block of its own.
  void SetSerializedJson(std::string json) const;

  /// The cache as UTF-8 JSON text, without a copy; empty until the first serialization. The
  /// view lasts until the cache is replaced, and, while the write that filled the cache still
  /// runs, until that write writes more.
  std::string_view GetCachedJson() const noexcept {
    const CacheBlock* block = m_cacheBlock.get();
    if (block == nullptr || block->dropped) return {};
    if (block->pendingIn != nullptr) return GetPendingCachedJson();
    return std::string_view(block->text.data() + (m_cacheOffset - block->base), m_cacheSize);
  }

  /// The text of a bag that holds only this model, as `holder`, under parameter `id` of
  /// `registry`: the cache inside the bag's brackets, kept when the model's first write was such a
  /// bag of at most 64 KiB, without a copy. Empty otherwise, or when a parameter of the registry
  /// has been flagged since. The view lasts as long as GetCachedJson's.
  std::string_view GetCachedBagJson(const IParameter& holder, unsigned int id,
                                    const ParametersRegistry& registry) const noexcept;

 protected:
  PresentationModel();
  ~PresentationModel() override;

 private:
  friend class SerializeStructure;

  // The text that records written together share: the writer's text from offset `base`, copied
  // out when the write is done; while it runs (`pendingIn`), the writer's own text. A write that
  // ends without memory for the copy drops it. When the text was written as a bag whose only
  // member is one of the records (`bagRecord`), the text a dialog replays most, it is the whole
  // bag, written for parameter `bagId` of the registry in generation `bagGeneration`, the record
  // held as a value of type `bagValueType`.
  struct CacheBlock {
    std::string text;
    std::size_t base = 0;
    const SerializeStructure* pendingIn = nullptr;
    bool dropped = false;
    const PresentationModel* bagRecord = nullptr;
    std::uint64_t bagGeneration = 0;
    const std::type_info* bagValueType = nullptr;
    unsigned int bagId = 0;
  };

  // Whether the model has a cache, whose view may not be taken yet.
  bool HasCache() const noexcept { return m_cacheSize != 0 && m_cacheBlock != nullptr && !m_cacheBlock->dropped; }
  std::string_view GetPendingCachedJson() const noexcept;

  // The cache is m_cacheSize bytes at offset m_cacheOffset of the writer's text, kept in
  // m_cacheBlock. The records of one write share its block and are never visited again when it
  // is copied out: after a long write they are no longer in the processor's cache.
  mutable std::size_t m_cacheSize = 0;
  mutable std::size_t m_cacheOffset = 0;
  mutable std::shared_ptr<const CacheBlock> m_cacheBlock;
};
