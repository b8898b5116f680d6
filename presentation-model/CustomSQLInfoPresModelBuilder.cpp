#include "presentation-model/CustomSQLInfoPresModelBuilder.h"

#include "host/connect/SQLRelation.h"

#include <utility>

CustomSQLInfoPresModelBuilder::CustomSQLInfoPresModelBuilder(RefCntPtr<const DSConnectionConfig> config,
                                                             RefCntPtr<IDataSource> dataSource)
    : m_config(std::move(config)), m_dataSource(std::move(dataSource)) {}

CustomSQLInfoPresModelBuilder::~CustomSQLInfoPresModelBuilder() = default;

RefCntPtr<const CustomSQLInfoPresModel> CustomSQLInfoPresModelBuilder::Build(const TString& connectionName,
                                                                             const TString& tableAlias,
                                                                             const TString& tableToReplace,
                                                                             const TString& sqlText,
                                                                             bool isReplacingObject) const {
  RefCntPtr<CustomSQLInfoPresModel> model = MakeRefCnt<CustomSQLInfoPresModel>();
  if (!m_config) return model;

  const RefCntPtr<const SQLRelation> relation = m_config->AsRelational()->GetConstRelationForAlias(tableAlias);
  const bool isNewCustomSQL = sqlText.isEmpty() && !relation;

  // A table relation has no SQL of its own: the caller's text stays.
  TString shownSQL = sqlText;
  if (const auto* textRelation = dynamic_cast<const SQLTextRelation*>(relation.Get())) {
    shownSQL = textRelation->GetSQL();
    if (m_dataSource) shownSQL = TokenSubstitutionUtils::PrepareParameterTokensForDisplay(shownSQL, m_dataSource);
  }

  model->SetConnectionName(connectionName);
  model->SetTableAlias(tableAlias);
  model->SetTableToReplace(tableToReplace);
  model->SetIsNewCustomSQL(isNewCustomSQL);
  model->SetCustomSQLQuery(shownSQL);
  model->SetIsReplacingObject(isReplacingObject);
  return model;
}
