#include "host/RefCntObject.h"

RefCntObject::~RefCntObject() = default;

void RefCntObject::Release() const noexcept {
  if (m_refCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

#include "host/Exceptions.h"
#include "host/RefCntPtr.h"

void RefCntDetail::ThrowNullPointerDereferenced() {
  HLV_THROW_LOGIC("Null pointer dereferenced");
}
