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
    return m_cachePendingIn == nullptr ? std::string_view(m_cacheData, m_cacheSize) : GetPendingCachedJson();
  }

  /// The text of a bag that holds only this model, as `holder`, under parameter `id` of
  /// `registry`: the cache inside the bag's brackets, kept when the model's first write was such a
  /// bag, without a copy. Empty when it was not, or when the registry has changed since. The view
  /// lasts as long as GetCachedJson's.
  std::string_view GetCachedBagJson(const IParameter& holder, unsigned int id,
                                    const ParametersRegistry& registry) const noexcept;

 protected:
  PresentationModel();
  ~PresentationModel() override;

 private:
  friend class SerializeStructure;

  // The text that records written together share. When it was written as a bag whose only
  // member is one of them, the text a dialog replays most, it holds the bag's brackets too:
  // `bagPrefix` bytes before that record's cache and two after, written for parameter `bagId`
  // of the registry in generation `bagGeneration`, the record held as a value of type
  // `bagValueType`. The bag's fields live here, not in every record, since one block has at
  // most one.
  struct CacheBlock {
    std::string text;
    const PresentationModel* bagRecord = nullptr;
    std::uint64_t bagGeneration = 0;
    const std::type_info* bagValueType = nullptr;
    unsigned int bagId = 0;
    unsigned int bagPrefix = 0;
  };

  std::string_view GetPendingCachedJson() const noexcept;

  // The cache is m_cacheSize bytes at m_cacheData, in m_cacheBlock; or, while the write that
  // filled it runs, at m_cacheOffset in the text of m_cachePendingIn, which copies it out when it
  // is done. The text is reached through one pointer, since a replay is mostly that load.
  mutable std::size_t m_cacheSize = 0;
  mutable const char* m_cacheData = nullptr;
  mutable const SerializeStructure* m_cachePendingIn = nullptr;
  mutable std::size_t m_cacheOffset = 0;
  mutable std::shared_ptr<const CacheBlock> m_cacheBlock;
};
