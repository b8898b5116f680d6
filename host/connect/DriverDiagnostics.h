// DriverDiagnostics: whether the database driver a connection needs is installed.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/connect/ConnectionAttributes.h"

#include <memory>

class HLVHOST_API IDriverDiagnostics {
 public:
  virtual ~IDriverDiagnostics();

  /// Whether the driver that a connection with `attributes` needs ("class", and
  /// "connection-type" where the driver depends on it) is installed. When it is not, `message`
  /// receives a text for the user naming what is missing; otherwise it is left as it is.
  virtual bool HasDriver(const ConnectionAttributeMap& attributes, TString& message) const = 0;
};

class HLVHOST_API DriverDiagnostics {
 public:
  DriverDiagnostics() = delete;

  /// Asks the installed diagnostics; by default they check what is really installed (the
  /// Qt SQL drivers, the ODBC drivers unixODBC lists).
  static bool HasDriver(const ConnectionAttributeMap& attributes, TString& message);
  /// Installs `diagnostics` (null puts the default back) and returns the one it replaces.
  static std::shared_ptr<IDriverDiagnostics> Install(std::shared_ptr<IDriverDiagnostics> diagnostics);
};
