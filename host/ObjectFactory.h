// ObjectFactoryUtils: objects a library makes for others by name, so that a lower layer can
// use what a higher one provides without depending on it.
#pragma once

#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"

#include <functional>

namespace ObjectFactoryUtils {

using Factory = std::function<RefCntPtr<RefCntObject>()>;

/// Registers `factory` as the maker of the objects called `id` of `library`, replacing the one
/// registered before (a host replaces a default this way); an empty `factory` removes it. Safe
/// from any thread.
HLVHOST_API void RegisterFactory(const TString& library, const TString& id, Factory factory);

/// A new object called `id` of `library`, or null when no factory is registered for it.
HLVHOST_API RefCntPtr<RefCntObject> CreateObject(const TString& library, const TString& id);

/// A new object called `id` of `library` as a T; null when none is registered or it is no T.
template <typename T>
RefCntPtr<T> CreateObject(const TString& library, const TString& id) {
  return DynamicPointerCast<T>(CreateObject(library, id));
}

}  // namespace ObjectFactoryUtils
