// The failure of a service's input, as opposed to a failure of the host while it does the work.
#pragma once

#include "host/Exceptions.h"
#include "services/ServicesExport.h"

namespace Services {

/// A failure of what a caller asked for: a wrong argument, an unknown connection class, a body
/// that is not the record asked for, a file the caller may not name. A front end reports it as
/// the caller's mistake (the command line's usage error, the server's 400); its message never
/// holds a secret.
class HLVSERVICES_API InputError : public HalvaneException {
 public:
  using HalvaneException::HalvaneException;
  ~InputError() override;
};

}  // namespace Services
