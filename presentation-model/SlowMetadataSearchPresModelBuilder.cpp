#include "presentation-model/SlowMetadataSearchPresModelBuilder.h"

SlowMetadataSearchPresModelBuilder::SlowMetadataSearchPresModelBuilder(const TString& connectionName,
                                                                       EntityType entityType,
                                                                       PickEntitySearchType searchType,
                                                                       const TString& searchTerm, bool hasPermissions,
                                                                       bool checkPermissions)
    : m_connectionName(connectionName),
      m_entityType(entityType),
      m_searchType(searchType),
      m_searchTerm(searchTerm),
      m_hasPermissions(hasPermissions),
      m_checkPermissions(checkPermissions) {}

RefCntPtr<const SlowMetadataSearchPresModel> SlowMetadataSearchPresModelBuilder::Build() {
  RefCntPtr<SlowMetadataSearchPresModel> model = MakeRefCnt<SlowMetadataSearchPresModel>();
  model->SetConnectionName(m_connectionName);
  model->SetEntityType(m_entityType);
  model->SetSearchType(m_searchType);
  model->SetSearchTerm(m_searchTerm);
  model->SetHasPermissions(m_hasPermissions);
  model->SetCheckPermissions(m_checkPermissions);
  return model;
}
