// The process-wide services the connection builders call, each replaced by a test double for
// the life of one test: registry, cloud-file registry, configuration factory, driver checks,
// credential service, log sink, application settings and both sets of feature flags.
#pragma once

#include "host/app/AppConfig.h"
#include "host/app/FeatureFlags.h"
#include "tests/support/FakeConnectionModel.h"

#include <memory>

namespace fake {

class ConnectServices {
 public:
  std::shared_ptr<Registry> registry = std::make_shared<Registry>();
  std::shared_ptr<CloudFileRegistry> cloudFiles = std::make_shared<CloudFileRegistry>();
  std::shared_ptr<ConfigFactory> configFactory = std::make_shared<ConfigFactory>();
  std::shared_ptr<DriverDiagnostics> drivers = std::make_shared<DriverDiagnostics>();
  std::shared_ptr<CredentialsService> credentials = std::make_shared<CredentialsService>();
  std::shared_ptr<LogSink> log = std::make_shared<LogSink>();
  std::shared_ptr<SettableAppConfig> appConfig = std::make_shared<SettableAppConfig>();
  // No environment variable of that name is ever set: the flags start from their defaults.
  std::shared_ptr<ConfigurableFeatureFlags> flags =
      std::make_shared<ConfigurableFeatureFlags>(false, "HLV_TEST_FEATURE_FLAGS_UNSET");
  std::shared_ptr<ConfigurableFeatureFlags> remoteFlags =
      std::make_shared<ConfigurableFeatureFlags>(true, "HLV_TEST_REMOTE_FEATURE_FLAGS_UNSET");

  /// Switches the connection-fields flag and the Snowflake key-pair remote flag.
  void SetFlags(bool connectionFields, bool keyPair) {
    flags->Set(FeatureFlagIds::kConnectionFieldsModel, connectionFields);
    remoteFlags->Set(RemoteFeatureFlagIds::kSnowflakeKeyPair, keyPair);
  }

 private:
  ScopedInstall<Connect::Registry, Connect::IRegistry> m_registry{registry};
  ScopedInstall<CloudFileConnectorsRegistry, ICloudFileConnectorsRegistry> m_cloudFiles{cloudFiles};
  ScopedInstall<ConnectionConfigFactory, IConnectionConfigFactory> m_configFactory{configFactory};
  ScopedInstall<::DriverDiagnostics, IDriverDiagnostics> m_drivers{drivers};
  ScopedInstall<::CredentialsService, ICredentialsService> m_credentials{credentials};
  ScopedInstall<::LogSink, ILogSink> m_log{log};
  ScopedInstall<AppConfig, IAppConfig> m_appConfig{appConfig};
  ScopedInstall<FeatureFlags, IFeatureFlags> m_flags{flags};
  ScopedInstall<RemoteFeatureFlags, IFeatureFlags> m_remoteFlags{remoteFlags};
};

}  // namespace fake
