#include "host/app/PresModelBuilderSupport.h"

#include <atomic>

namespace {
std::atomic<bool> gLossyEncodeImages{false};
}  // namespace

bool PresModelBuilderSupport::LossyEncodeImages() { return gLossyEncodeImages.load(std::memory_order_relaxed); }

void PresModelBuilderSupport::SetLossyEncodeImages(bool lossy) {
  gLossyEncodeImages.store(lossy, std::memory_order_relaxed);
}
