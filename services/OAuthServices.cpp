#include "services/OAuthServices.h"

#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "presentation-model/OAuthSettingsPresModelBuilder.h"

namespace Services {

std::string OAuthSettingsJson() {
  const RefCntPtr<const OAuthSettingsPresModel> settings = OAuthSettingsPresModelBuilder().Build();
  return WriteParametersJson(*settings->AsIParameters(), ParametersRegistry::Get());
}

}  // namespace Services
