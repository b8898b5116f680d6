#include "presentation-model/ConnectionDescriptionPresModelBuilder.h"

#include "host/Exceptions.h"
#include "host/app/FeatureFlags.h"
#include "host/app/StringIds.h"
#include "host/app/StringTable.h"
#include "host/connect/ConnectionAttributes.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connect/JoinDescription.h"
#include "presentation-model/CubeCatalogEnumerationPresModelBuilder.h"
#include "presentation-model/CubeEnumerationPresModelBuilder.h"
#include "presentation-model/EnumerationPresModelBuilders.h"
#include "presentation-model/GoogleAnalyticsPresModelBuilder.h"
#include "presentation-model/HalvaneServerConnectionDescriptionPresModel.h"
#include "presentation-model/HlvdocPresModelHelper.h"

#include <algorithm>
#include <utility>

namespace {

// The class whose page may offer the data cloud object selector.
constexpr QLatin1String kDataCloudClass = Latin1Literal("nimbara-zeltra");

// The labels of the join area the page shows; the configuration may add other properties,
// which the page has no use for.
constexpr QLatin1String kLabelKeys[] = {
    JoinDescription::ConnectionTypeLabel,           JoinDescription::ConnectionDescriptionHeaderLabel,
    JoinDescription::ConnectionDescriptionLabel,    JoinDescription::DatabaseHeaderLabel,
    JoinDescription::DatabaseLabel,                 JoinDescription::SchemaHeaderLabel,
    JoinDescription::SchemaLabel,                   JoinDescription::TableHeaderLabel,
    JoinDescription::StandardConnectionHeaderLabel, JoinDescription::WarehouseHeaderLabel,
    JoinDescription::SingleTableLabel,              JoinDescription::MultipleTableLabel,
    JoinDescription::DatabaseComboFallbackText,     JoinDescription::SchemaComboFallbackText,
    JoinDescription::WarehouseComboFallbackText};

std::map<TString, TString> Ordered(const DSConnectionConfig::Attributes& attributes) {
  return std::map<TString, TString>(attributes.begin(), attributes.end());
}

}  // namespace

ConnectionDescriptionPresModelBuilder::ConnectionDescriptionPresModelBuilder(
    RefCntPtr<const DSConnectionConfig> config) {
  HLV_ASSERT(!config || !config->IsFederatedConfig());
  m_config = std::move(config);
}

ConnectionDescriptionPresModelBuilder::~ConnectionDescriptionPresModelBuilder() = default;

RefCntPtr<ConnectionDescriptionPresModel> ConnectionDescriptionPresModelBuilder::Build(bool olapFlag) {
  Record record = MakeRefCnt<ConnectionDescriptionPresModel>();
  if (!m_config) return record;
  const RefCntPtr<const IDataSource> dataSource = m_config->GetDataSource();
  if (!dataSource || dataSource->SkipsConnectionDescription()) return record;

  const TString connectionClass = m_config->ClassName();
  record->SetIsTableSelectionVisible(true);
  record->SetConnectionType(m_config->GetConnectionType());
  record->SetIsConnected(m_config->IsConnected());
  record->SetHasUncommittedChanges(m_config->HasUncommittedChanges());
  record->SetCanRecommendTables(Connect::Registry::CanRecommendTables(connectionClass));
  record->SetCanRecommendDataSources(Connect::Registry::CanRecommendDataSources(connectionClass));
  record->SetConnectionAttributess(Ordered(m_config->GetConnectionAttributes()));

  if (FeatureFlags::IsOn(FeatureFlagIds::kDataCloudObjectSelector)) {
    const TString classAttribute = DataConnectionAttrs::attrClass;
    record->SetHasDataCloudObjectSelector(record->HasConnectionAttributes(classAttribute) &&
                                          record->GetConnectionAttributes(classAttribute) == kDataCloudClass);
  }

  if (m_config->IsServerDataSource()) {
    AddHalvaneServer(record);
    record->SetCurrentConnectionWidget(ConnectionWidgetType::HalvaneServer);
    const RefCntPtr<const HalvaneServerConnectionDescriptionPresModel> server = record->GetHalvaneServerPresModel();
    record->SetConnectionTypeLabel(LookupTFmtStr(StringIds::kServerDataSourceTypeLabel).arg(server->GetUsername()));
    record->SetConnectionDescriptionLabel(server->GetServerName());
    record->SetIsTableSelectionVisible(false);
    return record;
  }

  record->SetIsFinishedConnecting(m_config->ShouldFinishConnection());
  record->SetConnectionTypeLabel(
      LookupTFmtStr(StringIds::kConnectionTypeLabel).arg(m_config->GetConnectionTypeLabel()));
  record->SetConnectionDescriptionLabel(m_config->GetConnectionDescriptionLabel());

  if (m_config->IsRelational()) {
    BuildRelationalConfig(record, olapFlag);
  } else if (m_config->IsHierarchical()) {
    BuildHierarchicalConfig(record);
  } else if (m_config->IsGoogleAnalytics()) {
    AddGoogleAnalytics(record);
    record->SetCurrentConnectionWidget(ConnectionWidgetType::GoogleAnalytics);
    record->SetIsTableSelectionVisible(false);
  }
  return record;
}

RefCntPtr<SimpleConnectionDescriptionPresModel> ConnectionDescriptionPresModelBuilder::BuildSimple() {
  RefCntPtr<SimpleConnectionDescriptionPresModel> record = MakeRefCnt<SimpleConnectionDescriptionPresModel>();
  if (!m_config) return record;
  const TString connectionClass = m_config->ClassName();
  record->SetConnectionType(m_config->GetConnectionType());
  record->SetCanRecommendTables(Connect::Registry::CanRecommendTables(connectionClass));
  record->SetCanRecommendDataSources(Connect::Registry::CanRecommendDataSources(connectionClass));
  record->SetConnectionAttributess(Ordered(m_config->GetConnectionAttributes()));
  return record;
}

void ConnectionDescriptionPresModelBuilder::BuildRelationalConfig(Record& record, bool olapFlag) {
  const RefCntPtr<const RelationalDSConnectionConfig> rel = m_config->AsRelational();
  record->SetTablePlaceholderText(rel->GetTablePlaceholderText());
  record->SetStandardConnectionPlaceholderText(rel->GetStandardConnectionPlaceholderText());
  const bool fastMetadata = rel->HasFastMetadata(TString());
  record->SetHasFastMetadata(fastMetadata);
  // Joins across schemas are worth a warning only where the connection cannot make them and
  // the data source already joins tables.
  record->SetShouldWarnForCrossSchemaJoins(!rel->HasJoinAcrossSchemas() &&
                                           rel->GetTableRelationCount(m_config->GetDataSource()) != 0);

  // Custom SQL needs all three; a union needs left joins and calculations but not OLAP.
  const bool olapAllows = olapFlag || rel->AllowCustomSQLWithOLAPOff();
  const bool leftJoinAllows = rel->AllowCustomSQLOrUnionWithNoLeftJoinSupported();
  const bool calculationsAllow = rel->AllowCustomSQLOrUnionWithNoLODCalcsSupported(olapFlag);
  record->SetAllowCustomSQL(olapAllows && leftJoinAllows && calculationsAllow && rel->AllowCustomSQL());
  record->SetAllowCustomSQLWithoutSchema(rel->AllowCustomSQLWithoutSchema());
  record->SetAllowCustomDatabase(rel->AllowCustomDatabase());
  record->SetAllowCustomSchema(rel->AllowCustomSchema());
  record->SetAllowStoredProc(rel->AllowStoredProc());
  record->SetAllowUnion(leftJoinAllows && calculationsAllow && rel->AllowUnion(rel->GetConfigName()));

  AddWarehouses(record);
  AddDatabases(record);
  AddSchemas(record);
  AddStandardConnections(record);
  AddStoredProcedures(record);
  AddTableInfos(record);

  if (!fastMetadata) HlvdocPresModelHelper::Create()->AddSlowMetadata(record, rel);

  record->SetWarehouseName(rel->GetWarehouseName());
  record->SetHasWarehouse(rel->HasWarehouse());
  if (rel->HasBigQueryLegacySQLCheck()) {
    record->SetBigQueryLegacySQLCheckStatus(rel->GetBigQueryLegacySQLCheckState());
    record->SetHasBigQueryLegacySQLCheck(true);
  }
  record->SetDatabaseName(rel->GetDatabaseName());
  record->SetHasDatabase(rel->HasDatabase());
  record->SetSchemaOptional(rel->IsSchemaOptional());
  if (!rel->ShouldIgnoreSchema()) record->SetSchemaName(rel->SchemaName());
  record->SetHasSchema(rel->HasSchema());
  record->SetHasTables(rel->HasTables());

  std::map<TString, TString> properties;
  rel->GetJoinDescriptionGlobalProperties(properties);
  DiscardNonLabelProperties(properties);
  record->SetUIPropertys(std::move(properties));

  const bool joinArea = rel->UsesJoinArea();
  record->SetCurrentConnectionWidget(joinArea ? ConnectionWidgetType::JoinArea : ConnectionWidgetType::NoWidget);
  record->SetIsTableSelectionVisible(joinArea);
}

void ConnectionDescriptionPresModelBuilder::BuildHierarchicalConfig(Record& record) {
  AddCatalogs(record);
  AddCubes(record);
  record->SetCurrentConnectionWidget(ConnectionWidgetType::CubeSelection);
  record->SetIsTableSelectionVisible(false);
  // The variables belong to a cube: none shows until one is chosen.
  const int count =
      record->GetCubeEnumerationPresModel()->GetSelectedCubeIndex() != -1 ? m_config->GetDbVariablesCount() : 0;
  record->SetAreVariablesVisible(count != 0);
  record->SetVariablesCount(static_cast<unsigned int>(std::max(count, 0)));
}

void ConnectionDescriptionPresModelBuilder::DiscardNonLabelProperties(std::map<TString, TString>& properties) {
  for (auto entry = properties.begin(); entry != properties.end();) {
    const bool label = std::any_of(std::begin(kLabelKeys), std::end(kLabelKeys),
                                   [&entry](QLatin1String key) { return entry->first == key; });
    entry = label ? std::next(entry) : properties.erase(entry);
  }
}

void ConnectionDescriptionPresModelBuilder::AddWarehouses(Record& record) {
  record->SetWarehouseEnumerationPresModel(WarehouseEnumerationPresModelBuilder(m_config->AsRelational()).Build());
}

void ConnectionDescriptionPresModelBuilder::AddDatabases(Record& record) {
  record->SetDatabaseEnumerationPresModel(DatabaseEnumerationPresModelBuilder(m_config->AsRelational()).Build());
}

void ConnectionDescriptionPresModelBuilder::AddSchemas(Record& record) {
  record->SetSchemaEnumerationPresModel(SchemaEnumerationPresModelBuilder(m_config->AsRelational()).Build());
}

void ConnectionDescriptionPresModelBuilder::AddStandardConnections(Record& record) {
  record->SetStandardConnectionEnumerationPresModel(
      StandardConnectionEnumerationPresModelBuilder(m_config->AsRelational()).Build());
}

void ConnectionDescriptionPresModelBuilder::AddStoredProcedures(Record& record) {
  record->SetStoredProcedureEnumerationPresModel(
      StoredProcedureEnumerationPresModelBuilder(m_config->AsRelational()).Build());
}

void ConnectionDescriptionPresModelBuilder::AddTableInfos(Record& record) {
  record->SetTableEnumerationPresModel(TableEnumerationPresModelBuilder(m_config->AsRelational()).Build());
}

void ConnectionDescriptionPresModelBuilder::AddCatalogs(Record& record) {
  record->SetCubeCatalogEnumerationPresModel(
      CubeCatalogEnumerationPresModelBuilder(m_config->AsHierarchical()).Build());
}

void ConnectionDescriptionPresModelBuilder::AddCubes(Record& record) {
  record->SetCubeEnumerationPresModel(CubeEnumerationPresModelBuilder(m_config->AsHierarchical()).Build());
}

void ConnectionDescriptionPresModelBuilder::AddGoogleAnalytics(Record& record) {
  record->SetGoogleAnalyticsPresModel(GoogleAnalyticsPresModelBuilder(m_config->AsGoogleAnalytics()).Build());
}

void ConnectionDescriptionPresModelBuilder::AddHalvaneServer(Record& record) {
  HlvdocPresModelHelper::Create()->AddHalvaneServer(m_config, record);
}

void ConnectionDescriptionPresModelBuilder::AddHalvaneServerData(Record& record) {
  HlvdocPresModelHelper::Create()->AddHalvaneServerData(record);
}
