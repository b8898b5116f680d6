#include "connect/NullConnectionSettingsCache.h"

#include "host/Exceptions.h"

namespace {

class NullAccessor final : public IConnectionSettingsCacheAccessor {
 public:
  bool IsCacheAvailable() const override { return false; }

  // Callers ask IsCacheAvailable first; reaching here is a programming error.
  ConnectionAttributeMap GetCachedAttributes(const TString&) const override {
    HLV_THROW_LOGIC("false");
  }
};

}  // namespace

std::unique_ptr<IConnectionSettingsCacheAccessor> NullConnectionSettingsCache::CreateAccessor() {
  return std::make_unique<NullAccessor>();
}
