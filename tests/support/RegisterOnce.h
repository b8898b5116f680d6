// The library's vocabulary registered with the process-wide registry once, for test programs
// without the common test main.
#pragma once

#include "parameters/ParameterRegistration.h"

inline void RegisterVocabularyOnce() {
  static const bool registered = [] {
    RegisterDataNamespaceParameters();
    RegisterDataPresModelParameters();
    return true;
  }();
  static_cast<void>(registered);
}
