// The default driver diagnostics: whether the driver a connector description names is really
// installed on this machine.
#pragma once

#include "host/HostExport.h"
#include "host/connect/DriverDiagnostics.h"
#include "host/connectors/ConnectorDescription.h"

/// Looks the driver up where it would be loaded from: a Qt SQL driver among Qt's SQL plug-ins,
/// an ODBC driver among those the driver manager lists, a JDBC driver (the file name of its
/// jar) in the folders of HLV_JDBC_DRIVERS_PATH (colon-separated). A class the registry does
/// not describe, or whose description names no driver, needs none.
class HLVHOST_API InstalledDriverDiagnostics final : public IDriverDiagnostics {
 public:
  bool HasDriver(const ConnectionAttributeMap& attributes, TString& message) const override;

  /// Whether `driver`, or one of its alternatives, is installed.
  static bool IsInstalled(const Connect::DriverRequirement& driver);
  /// The first of `driver`'s name and its alternatives that is installed; empty when none is.
  /// An ODBC driver may be named by the absolute path of its library, installed when the file is.
  static TString InstalledName(const Connect::DriverRequirement& driver);
};
