// The default implementations of the connection model's services, driven by the connector
// descriptions. The facades of host/connect/ install them until a host installs its own.
#pragma once

#include "host/HostExport.h"

#include <memory>

class ICloudFileConnectorsRegistry;
class IConnectionConfigFactory;
class ICredentialsService;
class IDriverDiagnostics;
namespace Connect {
class IRegistry;
}

namespace ConnectorDefaults {

HLVHOST_API std::shared_ptr<Connect::IRegistry> MakeRegistry();
HLVHOST_API std::shared_ptr<ICloudFileConnectorsRegistry> MakeCloudFileRegistry();
HLVHOST_API std::shared_ptr<IDriverDiagnostics> MakeDriverDiagnostics();
HLVHOST_API std::shared_ptr<ICredentialsService> MakeCredentialsService();
HLVHOST_API std::shared_ptr<IConnectionConfigFactory> MakeConnectionConfigFactory();

}  // namespace ConnectorDefaults
