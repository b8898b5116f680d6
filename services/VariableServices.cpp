#include "services/VariableServices.h"

#include "host/connectors/DescribedDataConnection.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "presentation-model/VariablePromptDialogPresModelBuilder.h"

#include <QFileInfo>

#include <mutex>

namespace Services {

std::string VariablePromptJson(const TString& file, const TString& select, int index, const TString& relation) {
  const RefCntPtr<IDataConnection> connection = Connect::DescribedDataConnection::Load(file);
  // The prompt builder keeps one process-wide formatter: one build at a time.
  static std::mutex builds;
  const std::lock_guard<std::mutex> lock(builds);
  const RefCntPtr<VariablePromptDialogPresModel> dialog = VariablePromptDialogPresModelBuilder::BuildFromDBVariables(
      QFileInfo(file).completeBaseName(), connection, select, index, relation);
  return WriteParametersJson(*dialog->AsIParameters(), ParametersRegistry::Get());
}

}  // namespace Services
