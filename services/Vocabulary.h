// The vocabulary every service reads and writes with.
#pragma once

#include "services/ServicesExport.h"

namespace Services {

/// Registers the data namespace and the pres-model namespace with the process-wide parameter
/// registry. Every other service needs them: a host calls this before its first service. Later
/// calls, from any thread, do nothing. Raises the registry's LogicException when the registry
/// already holds either namespace (registered without this call) or their ids.
HLVSERVICES_API void RegisterVocabulary();

}  // namespace Services
