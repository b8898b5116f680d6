#include "host/ObjectFactory.h"

#include <map>
#include <mutex>
#include <utility>

namespace ObjectFactoryUtils {
namespace {

// The factories of every library by (library, id). Reached through a function so that a
// library registering its defaults while it loads finds the map made, whatever the order in
// which the shared libraries start.
struct Factories {
  std::mutex mutex;
  std::map<std::pair<TString, TString>, Factory> byName;
};

Factories& TheFactories() {
  static Factories factories;
  return factories;
}

}  // namespace

void RegisterFactory(const TString& library, const TString& id, Factory factory) {
  Factories& factories = TheFactories();
  std::lock_guard<std::mutex> lock(factories.mutex);
  if (!factory) {
    factories.byName.erase({library, id});
    return;
  }
  factories.byName[{library, id}] = std::move(factory);
}

RefCntPtr<RefCntObject> CreateObject(const TString& library, const TString& id) {
  Factory factory;
  {
    Factories& factories = TheFactories();
    std::lock_guard<std::mutex> lock(factories.mutex);
    const auto found = factories.byName.find({library, id});
    if (found == factories.byName.end()) return nullptr;
    factory = found->second;
  }
  // Made outside the lock: a factory may itself create objects by name.
  return factory();
}

}  // namespace ObjectFactoryUtils
