#include "services/InputError.h"

namespace Services {

// Out of line, so that the type's vtable and typeinfo live in this library only.
InputError::~InputError() = default;

}  // namespace Services
