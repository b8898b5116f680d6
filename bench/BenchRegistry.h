// The process-wide registry with the library's vocabulary, registered on first use.
#pragma once

#include "host/parameters/ParametersRegistry.h"
#include "parameters/ParameterRegistration.h"

inline const ParametersRegistry& BenchRegistry() {
  static const bool registered = [] {
    RegisterDataNamespaceParameters();
    RegisterDataPresModelParameters();
    return true;
  }();
  static_cast<void>(registered);
  return ParametersRegistry::Get();
}
