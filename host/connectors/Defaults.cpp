// The default implementations of the connection model's services: the connector registry,
// the configurations, the cloud-file registry and the driver checks all answer from the
// connector descriptions. (The default credential service is in InMemoryCredentialsService.cpp.)
#include "host/connectors/Defaults.h"

#include "host/connectors/CloudFileRegistry.h"
#include "host/connectors/DescribedConfigs.h"
#include "host/connectors/DescriptionRegistry.h"
#include "host/connectors/InstalledDriverDiagnostics.h"

namespace ConnectorDefaults {

std::shared_ptr<Connect::IRegistry> MakeRegistry() { return Connect::DescriptionRegistry::MakeDefault(); }
std::shared_ptr<ICloudFileConnectorsRegistry> MakeCloudFileRegistry() {
  return std::make_shared<DescribedCloudFileRegistry>();
}
std::shared_ptr<IDriverDiagnostics> MakeDriverDiagnostics() { return std::make_shared<InstalledDriverDiagnostics>(); }
std::shared_ptr<IConnectionConfigFactory> MakeConnectionConfigFactory() {
  return std::make_shared<DescribedConfigFactory>();
}

}  // namespace ConnectorDefaults
