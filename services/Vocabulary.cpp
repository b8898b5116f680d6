#include "services/Vocabulary.h"

#include "parameters/ParameterRegistration.h"

namespace Services {

void RegisterVocabulary() {
  // A failed registration throws out of the initialiser, so the next call tries again.
  static const bool registered = [] {
    RegisterDataNamespaceParameters();
    RegisterDataPresModelParameters();
    return true;
  }();
  (void)registered;
}

}  // namespace Services
