#include "host/store/Store.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace Store {

StoreException::~StoreException() = default;
IStore::~IStore() = default;

namespace {

// The process-wide store. Unlike a service with a default made at once, the store is opened on
// first use only, and installing null closes it without opening another.
struct Slot {
  std::mutex mutex;
  std::shared_ptr<IStore> owner;
  std::atomic<IStore*> current{nullptr};
};

Slot& TheSlot() {
  static Slot slot;
  return slot;
}

}  // namespace

IStore& Instance() {
  Slot& slot = TheSlot();
  if (IStore* store = slot.current.load(std::memory_order_acquire)) return *store;
  std::lock_guard<std::mutex> lock(slot.mutex);
  if (!slot.owner) {
    slot.owner = Open(qEnvironmentVariable("HLV_STORE"));
    slot.current.store(slot.owner.get(), std::memory_order_release);
    // The store closes its Qt SQL connections when it goes, which it must do before Qt's own
    // list of connections goes at exit. That list was made before this handler is registered,
    // and exit runs its handlers and static destructors in the reverse order of registration.
    static std::once_flag closeAtExit;
    std::call_once(closeAtExit, [] { std::atexit([] { Install(nullptr); }); });
  }
  return *slot.owner;
}

std::shared_ptr<IStore> Install(std::shared_ptr<IStore> store) {
  Slot& slot = TheSlot();
  std::lock_guard<std::mutex> lock(slot.mutex);
  std::shared_ptr<IStore> previous = std::move(slot.owner);
  slot.owner = std::move(store);
  slot.current.store(slot.owner.get(), std::memory_order_release);
  return previous;
}

}  // namespace Store
