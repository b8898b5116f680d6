#include "presentation-model/InitialSQLPresModelBuilder.h"

#include "host/app/AppConfig.h"
#include "host/app/HelpSupportUtil.h"
#include "host/app/InitialSQLParameterFormatter.h"
#include "host/connect/ConnectorRegistry.h"

#include <utility>

namespace {

const TString& InitialSQLHelpTopic() {
  static const TString topic = QStringLiteral("connect-basic-initialsql");
  return topic;
}

// What both builds set when the connection supports initial SQL.
void FillSupported(InitialSQLPresModel& model, std::vector<TString> parameters, bool isVisible) {
  model.SetDoValidation(false);
  model.SetInitialSQLParameters(std::move(parameters));
  model.SetInitialSQL(TString());
  model.SetLearnMoreUri(HelpSupportUtil::BuildHelpLink(InitialSQLHelpTopic(), {}));
  model.SetIsInitialSqlVisible(isVisible);
}

}  // namespace

InitialSQLPresModelBuilder::~InitialSQLPresModelBuilder() = default;

RefCntPtr<const InitialSQLPresModel> InitialSQLPresModelBuilder::Build(const TString& connectionClass,
                                                                       bool isVisible) const {
  RefCntPtr<InitialSQLPresModel> model = MakeRefCnt<InitialSQLPresModel>();
  const RefCntPtr<const Connect::IConnector> connector =
      Connect::Registry::Instance().LookupConnector(connectionClass);
  model->SetIsSupported(connector && connector->SupportsInitialSQL());
  if (model->GetIsSupported()) FillSupported(*model, GetInitialSQLParameters(), isVisible);
  return model;
}

RefCntPtr<const InitialSQLPresModel> InitialSQLPresModelBuilder::Build(
    RefCntPtr<const DSConnectionConfig> config, const std::unordered_map<TString, TString>& attributes,
    bool isVisible) const {
  RefCntPtr<InitialSQLPresModel> model = MakeRefCnt<InitialSQLPresModel>();
  model->SetIsSupported(config->SupportsInitialSQL());
  if (model->GetIsSupported()) {
    FillSupported(*model, GetInitialSQLParameters(), isVisible);
    model->SetDoValidation(config->IsConnected());
    model->SetInitialSQL(config->GetInitialSQL(attributes));
  }
  return model;
}

std::vector<TString> InitialSQLPresModelBuilder::GetInitialSQLParameters() {
  static const std::vector<ParameterEnum> kAnalyticsParameters = {
      ParameterEnum::kHalvaneApp, ParameterEnum::kServerUser, ParameterEnum::kServerUserFull,
      ParameterEnum::kHalvaneVersion, ParameterEnum::kWorkbookName};
  static const std::vector<ParameterEnum> kFlowParameters = {ParameterEnum::kFlowName, ParameterEnum::kHalvaneApp,
                                                             ParameterEnum::kHalvaneVersion};
  const bool isFlowApplication =
      AppConfig::IsFlowProcessor() || AppConfig::IsFlowProcessorService() || AppConfig::IsHalvanePrepDesktop();
  const std::vector<ParameterEnum>& parameters = isFlowApplication ? kFlowParameters : kAnalyticsParameters;

  std::vector<TString> names;
  names.reserve(parameters.size());
  for (ParameterEnum parameter : parameters) names.push_back(InitialSQLParameterFormatter::Instance().GetName(parameter));
  return names;
}
