// The built-in connector descriptions as the installed registry, and configurations made from it.
#pragma once

#include "host/connectors/DescribedConfigs.h"
#include "host/connectors/DescriptionRegistry.h"

#include "tests/support/FakeConnectionModel.h"

#include <gtest/gtest.h>

namespace builtin {

using ScopedRegistry = fake::ScopedInstall<Connect::Registry, Connect::IRegistry>;

/// The built-in descriptions, and those of `extra` (JSON texts).
inline std::shared_ptr<Connect::DescriptionRegistry> RegistryWith(std::initializer_list<const char*> extra = {}) {
  auto registry = std::make_shared<Connect::DescriptionRegistry>();
  registry->LoadBuiltins();
  for (const char* json : extra) registry->Add(Connect::ParseConnectorDescription(json, QStringLiteral("test")));
  return registry;
}

/// A configuration of `connectionClass` from the installed factory.
inline RefCntPtr<DSConnectionConfig> Config(const char* connectionClass, DSConnectionConfig::Attributes attributes = {},
                                            bool isNew = false) {
  ConnectionConfigRequest request;
  request.connectionClass = QLatin1String(connectionClass);
  request.attributes = std::move(attributes);
  request.isNewConnection = isNew;
  return ConnectionConfigFactory::Instance().CreateConfig(request);
}

}  // namespace builtin
