#include "presentation-model/ReconnectAuthenticationSettingsPresModelBuilder.h"

#include <map>
#include <utility>

ReconnectAuthenticationSettingsPresModelBuilder::~ReconnectAuthenticationSettingsPresModelBuilder() = default;

RefCntPtr<const ReconnectAuthenticationSettingsPresModel> ReconnectAuthenticationSettingsPresModelBuilder::Build(
    RefCntPtr<const DSConnectionConfig> config) const {
  RefCntPtr<ReconnectAuthenticationSettingsPresModel> model = MakeRefCnt<ReconnectAuthenticationSettingsPresModel>();
  if (!config) return model;

  model->SetReconnectAuthMode(config->GetReconnectAuthMode());
  // The host hands the parameters in hash order; the record keeps them sorted by name so that
  // the same connection always serializes to the same text.
  DSConnectionConfig::Attributes hashed;
  config->GetReconnectAuthParams(hashed);
  std::map<TString, TString> sorted(hashed.begin(), hashed.end());
  model->SetReconnectAuthParams(std::move(sorted));
  return model;
}
